#include <bit>
#include <cstdint>
#include <utility>

#include "soft_extended.h"

#if !defined(__SIZEOF_INT128__)
#error "the software extended type needs a 128-bit unsigned integer (GCC or Clang)"
#endif

// The exact product of two significands and the partial quotients need 128
// bits.  __extension__ keeps -Wpedantic quiet about the non-standard type.
__extension__ typedef unsigned __int128 u128;

static constexpr std::uint64_t integer_bit = std::uint64_t(1) << 63;
static constexpr std::uint64_t quiet_bit = std::uint64_t(1) << 62;

static constexpr SoftExtended infinity(bool negative)
{
	return { integer_bit, soft_extended_special_exponent, negative };
}

static constexpr SoftExtended zero(bool negative)
{
	return { 0, soft_extended_min_exponent, negative };
}

// What the x87 unit delivers for an invalid operation with the exception
// masked, its "indefinite": a quiet NaN with an empty payload and the sign
// bit set.  This is not the NaN that most other hardware makes (positive),
// so it has to be spelled out.
static constexpr SoftExtended default_nan = { integer_bit | quiet_bit, soft_extended_special_exponent, true };

static bool is_special(SoftExtended x) { return x.exponent == soft_extended_special_exponent; }
static bool is_nan(SoftExtended x) { return is_special(x) && x.significand != integer_bit; }
static bool is_infinity(SoftExtended x) { return is_special(x) && x.significand == integer_bit; }
static bool is_zero(SoftExtended x) { return x.significand == 0; }

static int leading_zeros(u128 x)
{
	const auto high = std::uint64_t(x >> 64);
	return high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(std::uint64_t(x));
}

// Shifts right and folds every bit shifted out into the lowest bit, so that
// a later rounding still knows whether anything non-zero lay below.
static u128 shift_right_sticky(u128 x, std::int64_t count)
{
	if (count <= 0)
		return x;
	if (count >= 128)
		return x != 0;
	return (x >> count) | ((x << (128 - count)) != 0);
}

namespace {

// A finite non-zero operand with its integer bit set, the exponent lowered
// below the format's range for a subnormal: the arithmetic below then deals
// with normal significands only.
struct Unpacked {
	std::uint64_t significand;
	std::int64_t exponent;
	bool negative;
};

// The layout of an IEEE binary interchange format, enough to take a value
// apart and to build one.
struct BinaryFormat {
	int precision;      // significand bits, the implicit one included
	int exponent_bits;
	int min_exponent;   // of a normal number
	int max_exponent;   // also the exponent bias
};

}

static Unpacked unpack(SoftExtended x)
{
	const int shift = std::countl_zero(x.significand);
	return { x.significand << shift, std::int64_t(x.exponent) - shift, x.negative };
}

// Rounds the exact value bits × 2^(exponent − 127), whose lowest bit already
// carries the sticky bit of anything dropped earlier, to the format: a
// 64-bit significand where the exponent allows, fewer bits at the fixed
// minimum exponent below that (gradual underflow, rounded once, as the x87
// unit does with underflow masked), infinity above the range.
static SoftExtended round_to_extended(bool negative, std::int64_t exponent, u128 bits)
{
	const int shift = leading_zeros(bits);
	bits <<= shift;
	exponent -= shift;
	if (exponent < soft_extended_min_exponent) {
		bits = shift_right_sticky(bits, soft_extended_min_exponent - exponent);
		exponent = soft_extended_min_exponent;
	}

	auto significand = std::uint64_t(bits >> 64);
	const auto rest = std::uint64_t(bits);
	const std::uint64_t half = integer_bit;
	if (rest > half || (rest == half && (significand & 1) != 0)) {
		significand++;
		if (significand == 0) {
			significand = integer_bit;
			exponent++;
		}
	}
	if (exponent > soft_extended_max_exponent)
		return infinity(negative);
	return { significand, std::int32_t(exponent), negative };
}

static SoftExtended quieted(SoftExtended x)
{
	x.significand |= quiet_bit;
	return x;
}

// The x87 rules for a NaN operand: a single NaN is passed on, quieted, with
// its sign.  Of two NaNs a quiet one beats a signalling one; between two of
// the same kind the larger significand wins, and with equal significands the
// positive one.
static SoftExtended propagate_nan(SoftExtended a, SoftExtended b)
{
	if (!is_nan(b))
		return quieted(a);
	if (!is_nan(a))
		return quieted(b);
	const bool a_quiet = (a.significand & quiet_bit) != 0;
	const bool b_quiet = (b.significand & quiet_bit) != 0;
	if (a_quiet != b_quiet)
		return a_quiet ? a : b;
	if (a.significand != b.significand)
		return quieted(a.significand > b.significand ? a : b);
	return quieted(a.negative ? b : a);
}

// Both operands finite and non-zero.  The larger magnitude is placed with
// two bits of headroom for a carry and 62 bits below its significand; the
// smaller one is aligned to it with a sticky bit.  When the alignment drops
// bits the operands differ by more than 62 binary places, so a difference
// loses at most one leading bit and the sticky bit stays far below the
// rounding position.  When they cancel heavily the alignment was by one
// place at most and nothing was dropped: the difference is exact.
static SoftExtended add_finite(SoftExtended a, SoftExtended b)
{
	Unpacked x = unpack(a);
	Unpacked y = unpack(b);
	if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand))
		std::swap(x, y);

	const u128 larger = u128(x.significand) << 62;
	const u128 smaller = shift_right_sticky(u128(y.significand) << 62, x.exponent - y.exponent);
	if (x.negative == y.negative)
		return round_to_extended(x.negative, x.exponent + 2, larger + smaller);
	const u128 difference = larger - smaller;
	// An exact cancellation is +0 when rounding to nearest, whatever the
	// operands' signs.
	if (difference == 0)
		return zero(false);
	return round_to_extended(x.negative, x.exponent + 2, difference);
}

SoftExtended operator+(SoftExtended a, SoftExtended b)
{
	if (is_nan(a) || is_nan(b))
		return propagate_nan(a, b);
	if (is_infinity(a) || is_infinity(b)) {
		if (is_infinity(a) && is_infinity(b) && a.negative != b.negative)
			return default_nan;
		return is_infinity(a) ? a : b;
	}
	if (is_zero(a) && is_zero(b))
		return zero(a.negative && b.negative);
	if (is_zero(a))
		return b;
	if (is_zero(b))
		return a;
	return add_finite(a, b);
}

// The NaN rules look at the operands as given, so the subtrahend's sign is
// turned only once a NaN has been ruled out.
SoftExtended operator-(SoftExtended a, SoftExtended b)
{
	if (is_nan(a) || is_nan(b))
		return propagate_nan(a, b);
	b.negative = !b.negative;
	return a + b;
}

SoftExtended operator*(SoftExtended a, SoftExtended b)
{
	if (is_nan(a) || is_nan(b))
		return propagate_nan(a, b);
	const bool negative = a.negative != b.negative;
	if (is_infinity(a) || is_infinity(b)) {
		if (is_zero(a) || is_zero(b))
			return default_nan;
		return infinity(negative);
	}
	if (is_zero(a) || is_zero(b))
		return zero(negative);

	const Unpacked x = unpack(a);
	const Unpacked y = unpack(b);
	// The product of two 64-bit significands is exact in 128 bits, its
	// value is product × 2^(x.exponent + y.exponent − 126).
	const u128 product = u128(x.significand) * y.significand;
	return round_to_extended(negative, x.exponent + y.exponent + 1, product);
}

SoftExtended operator/(SoftExtended a, SoftExtended b)
{
	if (is_nan(a) || is_nan(b))
		return propagate_nan(a, b);
	const bool negative = a.negative != b.negative;
	if (is_infinity(a))
		return is_infinity(b) ? default_nan : infinity(negative);
	if (is_infinity(b))
		return zero(negative);
	if (is_zero(b))
		return is_zero(a) ? default_nan : infinity(negative);
	if (is_zero(a))
		return zero(negative);

	const Unpacked x = unpack(a);
	const Unpacked y = unpack(b);
	// The significands' ratio lies between 1/2 and 2: its integer part, 0
	// or 1, is settled by one comparison, and the fraction's first 64 bits
	// by one division whose quotient fits in 64 bits (the cheap kind).
	// Two more bits by long division give at least 66 quotient bits, enough
	// for the 64 kept, the rounding bit and one below it, into which a
	// non-zero remainder is folded.  The quotient so built is
	// quotient × 2^(x.exponent − y.exponent − 66).
	const bool at_least_one = x.significand >= y.significand;
	const std::uint64_t divisor = y.significand;
	const std::uint64_t rest = at_least_one ? x.significand - divisor : x.significand;
	const u128 dividend = u128(rest) << 64;
	const auto fraction = std::uint64_t(dividend / divisor);
	u128 remainder = dividend - u128(fraction) * divisor;
	u128 quotient = (u128(at_least_one) << 64) | fraction;
	for (int bit = 0; bit < 2; bit++) {
		remainder <<= 1;
		const bool one = remainder >= divisor;
		if (one)
			remainder -= divisor;
		quotient = (quotient << 1) | one;
	}
	quotient |= remainder != 0;
	return round_to_extended(negative, x.exponent - y.exponent + 61, quotient);
}

static constexpr BinaryFormat binary32 = { 24, 8, -126, 127 };
static constexpr BinaryFormat binary64 = { 53, 11, -1022, 1023 };

static SoftExtended widen_bits(std::uint64_t bits, BinaryFormat f)
{
	const int fraction_bits = f.precision - 1;
	const std::uint64_t fraction = bits & ((std::uint64_t(1) << fraction_bits) - 1);
	const auto biased = std::int32_t(bits >> fraction_bits) & (2 * f.max_exponent + 1);
	const bool negative = (bits >> (fraction_bits + f.exponent_bits)) != 0;
	const int align = 64 - f.precision;

	if (biased == 2 * f.max_exponent + 1) {
		if (fraction == 0)
			return infinity(negative);
		return { integer_bit | quiet_bit | (fraction << align), soft_extended_special_exponent, negative };
	}
	if (biased == 0) {
		if (fraction == 0)
			return zero(negative);
		// A subnormal of the narrow format is a normal extended value.
		const int shift = std::countl_zero(fraction);
		return { fraction << shift, f.min_exponent - fraction_bits + 63 - shift, negative };
	}
	return { integer_bit | (fraction << align), biased - f.max_exponent, negative };
}

SoftExtended soft_widen(float x)
{
	return widen_bits(std::bit_cast<std::uint32_t>(x), binary32);
}

SoftExtended soft_widen(double x)
{
	return widen_bits(std::bit_cast<std::uint64_t>(x), binary64);
}

// Rounds to the narrow format and returns its bit pattern.  Below the
// format's normal range fewer significand bits are kept, one fewer for every
// binary place, so the single rounding already lands on a subnormal.
static std::uint64_t narrow_bits(SoftExtended x, BinaryFormat f)
{
	const int fraction_bits = f.precision - 1;
	const std::uint64_t sign = std::uint64_t(x.negative) << (fraction_bits + f.exponent_bits);
	const std::uint64_t infinity_bits = std::uint64_t(f.max_exponent * 2 + 1) << fraction_bits;

	if (is_special(x)) {
		if (is_infinity(x))
			return sign | infinity_bits;
		// The store keeps the payload's leading bits and drops the rest;
		// the quiet bit is the first of them.
		const std::uint64_t fraction = (x.significand & ~integer_bit) >> (64 - f.precision);
		return sign | infinity_bits | fraction | (std::uint64_t(1) << (fraction_bits - 1));
	}
	if (is_zero(x))
		return sign;

	const Unpacked u = unpack(x);
	if (u.exponent > f.max_exponent)
		return sign | infinity_bits;
	const std::int64_t kept = u.exponent >= f.min_exponent ? f.precision : f.precision - (f.min_exponent - u.exponent);
	// Less than half the smallest subnormal rounds to zero.
	if (kept < 0)
		return sign;
	const auto drop = int(64 - kept);
	std::uint64_t significand = drop == 64 ? 0 : u.significand >> drop;
	const std::uint64_t rest = drop == 64 ? u.significand : u.significand & ((std::uint64_t(1) << drop) - 1);
	const std::uint64_t half = std::uint64_t(1) << (drop - 1);
	if (rest > half || (rest == half && (significand & 1) != 0))
		significand++;

	if (u.exponent < f.min_exponent) {
		// A subnormal significand is the fraction field as it stands; one
		// that rounded up to a full precision sets the lowest exponent bit
		// and so reads as the smallest normal number, as it should.
		return sign | significand;
	}
	// The integer bit is added onto the exponent field minus one, so a
	// significand that rounded up to the next power of two moves the
	// exponent up by itself.  Anything at or past the infinity pattern has
	// overflowed; to nearest, overflow gives infinity.
	const std::uint64_t magnitude = (std::uint64_t(u.exponent + f.max_exponent - 1) << fraction_bits) + significand;
	return sign | (magnitude >= infinity_bits ? infinity_bits : magnitude);
}

float soft_to_float(SoftExtended x)
{
	return std::bit_cast<float>(std::uint32_t(narrow_bits(x, binary32)));
}

double soft_to_double(SoftExtended x)
{
	return std::bit_cast<double>(narrow_bits(x, binary64));
}
