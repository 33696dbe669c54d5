// Moving values between the software extended type and this machine's
// long double, which must be the x87 format, bit for bit.
#ifndef AMPSTAGE_TESTS_X87_H
#define AMPSTAGE_TESTS_X87_H

#include <cfloat>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "soft_extended.h"

static_assert(LDBL_MANT_DIG == 64, "these tests hold the software type against x87 hardware");

// The ten bytes of an x87 value: the significand, then sign and exponent.
struct X87Bits {
	std::uint64_t significand;
	std::uint16_t sign_exponent;
};

static inline X87Bits bits_of(long double x)
{
	X87Bits b;
	std::memcpy(&b.significand, &x, 8);
	std::memcpy(&b.sign_exponent, reinterpret_cast<const unsigned char *>(&x) + 8, 2);
	return b;
}

static inline long double hardware_value(X87Bits b)
{
	long double x = 0;
	std::memcpy(&x, &b.significand, 8);
	std::memcpy(reinterpret_cast<unsigned char *>(&x) + 8, &b.sign_exponent, 2);
	return x;
}

// The x87 encoding of a software value: the exponent biased by 16383, and 0
// for a subnormal or zero, whose integer bit is clear.
static inline X87Bits x87_bits(SoftExtended x)
{
	const bool normal_or_special = (x.significand >> 63) != 0;
	const auto biased = std::uint16_t(normal_or_special ? x.exponent + 16383 : 0);
	return { x.significand, std::uint16_t((x.negative ? 0x8000 : 0) | biased) };
}

static inline SoftExtended soft_value(X87Bits b)
{
	const int biased = b.sign_exponent & 0x7fff;
	return { b.significand, biased == 0 ? -16382 : biased - 16383, (b.sign_exponent & 0x8000) != 0 };
}

static inline long double to_hardware(SoftExtended x) { return hardware_value(x87_bits(x)); }
static inline SoftExtended from_hardware(long double x) { return soft_value(bits_of(x)); }

static inline bool same_bits(SoftExtended soft, long double hardware)
{
	const X87Bits s = x87_bits(soft);
	const X87Bits h = bits_of(hardware);
	return s.significand == h.significand && s.sign_exponent == h.sign_exponent;
}

static inline std::string hex(X87Bits b)
{
	char text[32];
	std::snprintf(text, sizeof text, "%04x:%016" PRIx64, unsigned(b.sign_exponent), b.significand);
	return text;
}

static inline std::string hex(SoftExtended x) { return hex(x87_bits(x)); }
static inline std::string hex(long double x) { return hex(bits_of(x)); }

#endif
