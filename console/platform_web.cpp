// The web page: the program compiled to WebAssembly, whose main the page
// runs once for each calculation.  The page types the three lines into
// standard input here, and takes what the program writes: before its last
// read, the prompts, which the page shows as the labels of its fields; after
// it, the report.  There is no terminal, so there is nothing to wait for.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include <emscripten/emscripten.h>

#include "console.h"

const char russian_locale[] = "ru_RU.UTF-8";

// Standard input, the bytes the page typed, and how far the reads have got.
static std::string typed;
static std::size_t position;

// Standard output, split at the last read.
static std::string dialogue;
static std::string report;

// The page's side.  Before each run of main it asks for room for the bytes
// of the typed lines and fills it; after the run it takes the two texts.
extern "C" {

EMSCRIPTEN_KEEPALIVE char *typed_lines(std::size_t length)
{
	typed.assign(length, '\0');
	position = 0;
	dialogue.clear();
	report.clear();
	return typed.data();
}

EMSCRIPTEN_KEEPALIVE const char *dialogue_text()
{
	return dialogue.c_str();
}

EMSCRIPTEN_KEEPALIVE const char *report_text()
{
	return report.c_str();
}

}

// The C library of WebAssembly knows only the "C" locale, so the rules of
// ru_RU.UTF-8 for numbers are carried out here, to give what the C library
// of Linux gives under that locale.
//
// Reading is scanf("%f") as that library does it.  It takes the longest
// run of bytes that could still begin a number, so it may take bytes that
// end up not being part of it ("1e" reads as 1 and takes the e), and it can
// put back only the one byte it looked at last, so a word that starts like
// "nan" or "infinity" and then differs is taken up to the byte that
// differs.  Either way the bytes taken are lost to the next read.

// One byte of standard input as getc gives it; the end stays the end.
static int next_byte()
{
	return position < typed.size() ? static_cast<unsigned char>(typed[position++]) : EOF;
}

// Puts back the byte just read.
static void put_back(int c)
{
	if (c != EOF)
		position--;
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

// What one "%f" conversion took from the input.  The text of a number is
// kept with a full stop for its comma, as strtof here reads it.
struct Scanned {
	enum { failed, nan, infinity, number } kind = failed;
	bool negative = false;
	bool digits = false;
	bool hexadecimal = false;
	std::string text;
};

// Takes the rest of a word whose first letter has been read, in any case.
// A byte that does not match is taken too: it has been read and cannot be
// put back.
static bool take_rest(const char *rest)
{
	for (; *rest != '\0'; rest++)
		if (lower(next_byte()) != *rest)
			return false;
	return true;
}

static Scanned scan_number()
{
	Scanned s;
	int c;
	do
		c = next_byte();
	while (is_space(c));
	if (c == EOF)
		return s;

	if (c == '-' || c == '+') {
		s.negative = c == '-';
		s.text += char(c);
		c = next_byte();
		if (c == EOF)
			return s;
	}
	if (lower(c) == 'n') {
		if (take_rest("an"))
			s.kind = Scanned::nan;
		return s;
	}
	// "inf" is whole, but an i after it must go on to "infinity".
	if (lower(c) == 'i') {
		if (!take_rest("nf"))
			return s;
		c = next_byte();
		if (lower(c) != 'i')
			put_back(c);
		else if (!take_rest("nity"))
			return s;
		s.kind = Scanned::infinity;
		return s;
	}

	if (c == '0') {
		s.text += '0';
		c = next_byte();
		if (lower(c) == 'x') {
			s.hexadecimal = true;
			s.text += 'x';
			c = next_byte();
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
	for (;; c = next_byte()) {
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
			put_back(c);
			break;
		}
	}
	// A sign, a lone comma or "0x" alone converts nothing, although the
	// bytes are gone.  "0x," is the number 0: strtof stops after the 0.
	if (s.digits || (s.hexadecimal && comma))
		s.kind = Scanned::number;
	return s;
}

// The dialogue writes each prompt before the read that answers it.
bool read_number(float &value)
{
	dialogue += report;
	report.clear();

	const Scanned s = scan_number();
	const float sign = s.negative ? -1.0f : 1.0f;
	switch (s.kind) {
	case Scanned::failed:
		return false;
	// The NaN is made here because this C library's strtof drops the sign
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

// The C library prints the decimal point of the "C" locale, a full stop.
// The program's formats have no full stop of their own, so every one in
// the text is a number's, and becomes the Russian locale's comma.
int format_number(char *text, std::size_t size, const char *format, double value)
{
	const int length = std::snprintf(text, size, format, value);
	for (std::size_t i = 0; length >= 0 && i < size && i < std::size_t(length); i++)
		if (text[i] == '.')
			text[i] = ',';
	return length;
}

bool write_output(const char *text, std::size_t length)
{
	report.append(text, length);
	return true;
}

bool flush_standard_output()
{
	return true;
}

// The browser's console is the nearest thing to standard error.
void write_error(const char *line)
{
	std::fputs(line, stderr);
}

void wait_for_key()
{
}
