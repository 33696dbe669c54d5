// Reading a number as the C library of Linux reads it with scanf("%f")
// under ru_RU.UTF-8, for a platform whose C library knows only the "C"
// locale.  Plain C++ with no platform in it, so that it is tested natively
// against the real scanf.
//
// That scanf takes the longest run of bytes that could still begin a
// number, so it may take bytes that end up not being part of it ("1e" reads
// as 1 and takes the e), and it can put back only the one byte it looked at
// last, so a word that starts like "nan" or "infinity" and then differs is
// taken up to the byte that differs.  Either way the bytes taken are lost
// to the next read.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "console.h"

namespace {

// The input and how far the reads have got, with getc's view of it: one
// byte at a time, the end stays the end, and the last byte can be put back.
struct Input {
	std::string_view bytes;
	std::size_t &position;

	int next()
	{
		return position < bytes.size() ? static_cast<unsigned char>(bytes[position++]) : EOF;
	}

	void put_back(int c)
	{
		if (c != EOF)
			position--;
	}
};

// What one "%f" conversion took from the input.  The text of a number is
// kept with a full stop for its comma, as strtof of the "C" locale reads it.
struct Scanned {
	enum { failed, nan, infinity, number } kind = failed;
	bool negative = false;
	bool digits = false;
	bool hexadecimal = false;
	std::string text;
};

}

// The locale's character classes for single bytes: in a UTF-8 locale every
// byte from 0x80 up is a part of a longer character, never a space, a digit
// or a letter on its own.
static bool is_space(int c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

static bool is_digit(int c)
{
	return c >= '0' && c <= '9';
}

static int lower(int c)
{
	return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

static bool is_hex_digit(int c)
{
	return is_digit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

// Takes the rest of a word whose first letter has been read, in any case.
// A byte that does not match is taken too: it has been read and cannot be
// put back.
static bool take_rest(Input &in, const char *rest)
{
	for (; *rest != '\0'; rest++)
		if (lower(in.next()) != *rest)
			return false;
	return true;
}

static Scanned scan_number(Input &in)
{
	Scanned s;
	int c;
	do
		c = in.next();
	while (is_space(c));
	if (c == EOF)
		return s;

	if (c == '-' || c == '+') {
		s.negative = c == '-';
		s.text += char(c);
		c = in.next();
		if (c == EOF)
			return s;
	}
	if (lower(c) == 'n') {
		if (take_rest(in, "an"))
			s.kind = Scanned::nan;
		return s;
	}
	// "inf" is whole, but an i after it must go on to "infinity".
	if (lower(c) == 'i') {
		if (!take_rest(in, "nf"))
			return s;
		c = in.next();
		if (lower(c) != 'i')
			in.put_back(c);
		else if (!take_rest(in, "nity"))
			return s;
		s.kind = Scanned::infinity;
		return s;
	}

	if (c == '0') {
		s.text += '0';
		c = in.next();
		if (lower(c) == 'x') {
			s.hexadecimal = true;
			s.text += 'x';
			c = in.next();
		} else {
			s.digits = true;
		}
	}
	// The exponent needs a digit before it, and its sign must follow the
	// exponent's letter at once; a comma after the exponent, or a second
	// comma, ends the number.
	const char exponent_letter = s.hexadecimal ? 'p' : 'e';
	bool comma = false;
	bool exponent = false;
	for (;; c = in.next()) {
		if (is_digit(c) || (s.hexadecimal && !exponent && is_hex_digit(c))) {
			s.text += char(c);
			s.digits = true;
		} else if (exponent && s.text.back() == exponent_letter && (c == '-' || c == '+')) {
			s.text += char(c);
		} else if (s.digits && !exponent && lower(c) == exponent_letter) {
			s.text += exponent_letter;
			exponent = comma = true;
		} else if (c == ',' && !comma) {
			s.text += '.';
			comma = true;
		} else {
			in.put_back(c);
			break;
		}
	}
	// A sign, a lone comma or "0x" alone converts nothing, although the
	// bytes are gone.  "0x," is the number 0: strtof stops after the 0.
	if (s.digits || (s.hexadecimal && comma))
		s.kind = Scanned::number;
	return s;
}

bool read_russian_float(std::string_view input, std::size_t &position, float &value)
{
	Input in{input, position};
	const Scanned s = scan_number(in);
	const float sign = s.negative ? -1.0f : 1.0f;
	switch (s.kind) {
	case Scanned::failed:
		return false;
	// The NaN is made here because some C libraries' strtof drop the sign
	// of "-nan".
	case Scanned::nan:
		value = std::copysign(std::numeric_limits<float>::quiet_NaN(), sign);
		return true;
	case Scanned::infinity:
		value = sign * std::numeric_limits<float>::infinity();
		return true;
	case Scanned::number:
		value = s.digits ? std::strtof(s.text.c_str(), nullptr) : sign * 0.0f;
		return true;
	}
	return false;
}
