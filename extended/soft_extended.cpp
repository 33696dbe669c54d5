#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "soft_extended.h"

using soft_extended::Binary;
using soft_extended::bits_as;
using soft_extended::integer_bit;
using soft_extended::low_half;
using soft_extended::Operation;
using soft_extended::rounds_up;

static constexpr SoftExtended infinity(bool negative)
{
	return { integer_bit, soft_extended_special_exponent, negative };
}

static constexpr SoftExtended zero(bool negative)
{
	return { 0, soft_extended_min_exponent, negative };
}

// Both integer bits set, and both exponents below the special one, the
// largest that any value has: two sign tests.
static bool both_normal(SoftExtended a, SoftExtended b)
{
	return std::int64_t(a.significand & b.significand) < 0 &&
	       ((a.exponent - soft_extended_special_exponent) & (b.exponent - soft_extended_special_exponent)) < 0;
}

static bool in_normal_range(std::int32_t exponent)
{
	return exponent >= soft_extended_min_exponent && exponent <= soft_extended_max_exponent;
}

static bool is_special(SoftExtended x) { return x.exponent == soft_extended_special_exponent; }
static bool is_nan(SoftExtended x) { return is_special(x) && x.significand != integer_bit; }
static bool is_infinity(SoftExtended x) { return is_special(x) && x.significand == integer_bit; }
static bool is_zero(SoftExtended x) { return x.significand == 0; }

// NaNs as the x87 unit makes them and passes them on.  These rules are the
// x87 unit's own; most other hardware gives other signs and payloads, so
// every one of them is spelled out here, and nowhere else.

static constexpr std::uint64_t quiet_bit = std::uint64_t(1) << 62;

// What the unit delivers for an invalid operation with the exception
// masked, its "indefinite": a quiet NaN with an empty payload and the sign
// bit set, where most other hardware makes a positive one.
static constexpr SoftExtended default_nan = { integer_bit | quiet_bit, soft_extended_special_exponent, true };

static SoftExtended quieted(SoftExtended x)
{
	x.significand |= quiet_bit;
	return x;
}

// A NaN operand: a single NaN is passed on, quieted, with its sign.  Of
// two NaNs a quiet one beats a signalling one; between two of the same
// kind the larger significand wins, and with equal significands the
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

// A float or double NaN loaded onto the unit's stack keeps its sign and its
// payload, the fraction field placed right below the integer bit, and
// comes out quiet.
static SoftExtended widened_nan(bool negative, std::uint64_t fraction, int fraction_bits)
{
	return quieted({ integer_bit | (fraction << (63 - fraction_bits)), soft_extended_special_exponent, negative });
}

// Stored as a float or double, a NaN keeps the payload's leading bits and
// drops the rest, and it is quiet: the quiet bit is the first of them.
static std::uint64_t narrowed_nan_fraction(std::uint64_t significand, int fraction_bits)
{
	return ((significand & ~integer_bit) >> (63 - fraction_bits)) | (std::uint64_t(1) << (fraction_bits - 1));
}

namespace {

// An unsigned 128-bit number as two 64-bit halves.  Standard C++ has no
// wider integer, and exact products and dividends of two significands need
// 128 bits.
struct Wide {
	std::uint64_t high;
	std::uint64_t low;
};

}

// A finite non-zero operand with its integer bit set, the exponent lowered
// below the format's range for a subnormal: the arithmetic below then deals
// with normal significands only.
using Unpacked = SoftExtended;

static Unpacked unpack(SoftExtended x)
{
	const int shift = std::countl_zero(x.significand);
	return { x.significand << shift, x.exponent - shift, x.negative };
}

// The exact product, from four products of 32-bit halves, each of which
// fits in 64 bits.  The middle column adds one such product to two numbers
// below 2^32, which still fits.
static Wide multiply_wide(std::uint64_t a, std::uint64_t b)
{
	static_assert(low_half * low_half + 2 * low_half == ~std::uint64_t(0), "the middle column fits in 64 bits");
	const std::uint64_t a_low = a & low_half;
	const std::uint64_t a_high = a >> 32;
	const std::uint64_t b_low = b & low_half;
	const std::uint64_t b_high = b >> 32;
	const std::uint64_t low_low = a_low * b_low;
	const std::uint64_t high_low = a_high * b_low;
	const std::uint64_t middle = a_low * b_high + (high_low & low_half) + (low_low >> 32);
	return { a_high * b_high + (high_low >> 32) + (middle >> 32), (middle << 32) | (low_low & low_half) };
}

static Wide subtract(Wide a, Wide b)
{
	return { a.high - b.high - (a.low < b.low), a.low - b.low };
}

// For a count from 0 to 63.  Shifting the lower half right by one and then
// by 63 − count brings its top bits down without a shift by 64, which C++
// leaves undefined.
static Wide shift_left(Wide x, int count)
{
	return { (x.high << count) | ((x.low >> 1) >> (63 - count)), x.low << count };
}

// Shifts right and folds every bit shifted out into the lowest bit, so that
// a later rounding still knows whether anything non-zero lay below.
static Wide shift_right_sticky(Wide x, std::int32_t count)
{
	if (count <= 0)
		return x;
	if (count >= 128)
		return { 0, (x.high | x.low) != 0 };
	if (count >= 64) {
		const int in_low = count - 64;
		const std::uint64_t dropped = in_low == 0 ? x.low : x.low | (x.high << (64 - in_low));
		return { 0, (x.high >> in_low) | (dropped != 0) };
	}
	return { x.high >> count, (x.high << (64 - count)) | (x.low >> count) | ((x.low << (64 - count)) != 0) };
}

// The value significand × 2^(exponent − 63), followed by the 64 bits of
// `rest` below it, whose lowest bit also stands for anything non-zero
// dropped further down, where the exponent lies outside the format's
// normal range.  Above it, rounding cannot bring the value back: infinity.
// Below it, the value is moved to the fixed minimum exponent and rounded
// once there, to fewer significant bits (gradual underflow, as the x87 unit
// does with underflow masked).  A significand that then rounds up to the
// integer bit is the smallest normal number, which has that same exponent.
static SoftExtended round_outside_range(bool negative, std::int32_t exponent, std::uint64_t significand,
                                       std::uint64_t rest)
{
	if (exponent > soft_extended_max_exponent)
		return infinity(negative);
	const Wide bits = shift_right_sticky({ significand, rest }, soft_extended_min_exponent - exponent);
	return { bits.high + rounds_up(bits.high, bits.low, integer_bit), soft_extended_min_exponent, negative };
}

// Puts a significand with its integer bit set, whose exponent lies in the
// normal range, together with the rounding decision taken from the bits
// below it.
static SoftExtended round_in_range(bool negative, std::int32_t exponent, std::uint64_t significand, bool up)
{
	significand += up;
	if (significand == 0) [[unlikely]] {
		// All ones rounded up to 2^64: the next power of two.
		if (exponent == soft_extended_max_exponent)
			return infinity(negative);
		return { integer_bit, exponent + 1, negative };
	}
	return { significand, exponent, negative };
}

// Rounds significand × 2^(exponent − 63) plus what `rest` holds below it
// (see above) to the format.  The integer bit of the significand is set.
static SoftExtended round_to_extended(bool negative, std::int32_t exponent, std::uint64_t significand,
                                      std::uint64_t rest)
{
	if (!in_normal_range(exponent)) [[unlikely]]
		return round_outside_range(negative, exponent, significand, rest);
	return round_in_range(negative, exponent, significand, rounds_up(significand, rest, integer_bit));
}

// The smaller operand's significand placed below the larger one's: shifted
// right by `distance` places into a 128-bit number whose upper half lines
// up with the larger significand.  Bits shifted out past the lower half are
// folded into its lowest bit.  As in shift_left, the lower half is shifted
// in two steps, so that a distance of 0 needs no shift by 64.
static Wide align(std::uint64_t significand, std::uint32_t distance)
{
	if (distance < 64)
		return { significand >> distance, (significand << (63 - distance)) << 1 };
	return shift_right_sticky({ 0, significand }, std::int32_t(distance) - 64);
}

// Both operands finite and non-zero.  The smaller magnitude is aligned to
// the larger one with a sticky bit.  When the alignment drops bits the
// operands differ by more than 64 binary places, so a difference loses at
// most one leading bit and the sticky bit stays far below the rounding
// position; and the sticky bit lies strictly between the same two
// multiples of 2 of the lowest place as the exact value, so it rounds
// alike.  When the operands cancel heavily the alignment was by one place
// at most and nothing was dropped: the difference is exact.
static SoftExtended add_unpacked(Unpacked x, Unpacked y)
{
	if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand))
		std::swap(x, y);
	const Wide smaller = align(y.significand, std::uint32_t(x.exponent - y.exponent));
	std::int32_t exponent = x.exponent;
	Wide result;

	if (x.negative == y.negative) {
		result = { x.significand + smaller.high, smaller.low };
		if (result.high < x.significand) {
			// The sum carried into 2^64: one place more, with the bit
			// shifted out kept as a sticky bit.
			result = { (result.high >> 1) | integer_bit, (result.high << 63) | (result.low >> 1) | (result.low & 1) };
			exponent++;
		}
	} else {
		result = subtract({ x.significand, 0 }, smaller);
		// An exact cancellation is +0 when rounding to nearest, whatever
		// the operands' signs.
		if (result.high == 0 && result.low == 0)
			return zero(false);
		if (result.high == 0) {
			result = { result.low, 0 };
			exponent -= 64;
		}
		const int shift = std::countl_zero(result.high);
		result = shift_left(result, shift);
		exponent -= shift;
	}
	return round_to_extended(x.negative, exponent, result.high, result.low);
}

// The product of two significands in [2^63, 2^64) lies in [2^126, 2^128),
// so it is normalized by one shift at most.  Its value is
// product × 2^(x.exponent + y.exponent − 126).
static SoftExtended multiply_unpacked(bool negative, Unpacked x, Unpacked y)
{
	const Wide product = multiply_wide(x.significand, y.significand);
	const int shift = int(~product.high >> 63);
	const Wide normalized = shift_left(product, shift);
	return round_to_extended(negative, x.exponent + y.exponent + 1 - shift, normalized.high, normalized.low);
}

// One step of a long division in base 2^32 by a divisor D = d1 × 2^32 + d0
// in [2^63, 2^64), so that d1 ≥ 2^31: the quotient digit of the partial
// remainder P × 2^32 + next, for P < D and next < 2^32, and the new partial
// remainder, below D again.
//
// The digit q* is below 2^32, since P < D.  The estimate q = ⌊P ÷ d1⌋, from
// the processor's division, ignores d0 and next; it is not below q*, and
// since P d0 / (d1 D) < d0 / d1 < 2 it exceeds q* by at most 2.  With
// r = P − q d1, the test q d0 > r × 2^32 + next is q D > P × 2^32 + next
// exactly, so lowering q while it holds ends on q*.  The operands stay in
// 64 bits: q ≤ 2^32 + 1 makes q d0 < 2^64, and once r reaches 2^32 the test
// fails anyway (its right side is then at least 2^64), so the loop stops
// there.  The new partial remainder lies in [0, D), so the arithmetic modulo
// 2^64 gives it exactly.
static std::uint64_t quotient_digit(std::uint64_t &partial, std::uint64_t next, std::uint64_t divisor)
{
	static_assert((low_half + 2) * low_half == ~std::uint64_t(0), "q d0 fits in 64 bits");
	const std::uint64_t d1 = divisor >> 32;
	const std::uint64_t d0 = divisor & low_half;
	std::uint64_t q = partial / d1;
	std::uint64_t r = partial % d1;
	while (r <= low_half && q * d0 > ((r << 32) | next)) {
		q--;
		r += d1;
	}
	partial = ((partial << 32) | next) - q * divisor;
	return q;
}

// The quotient and remainder of dividend ÷ divisor, for a divisor in
// [2^63, 2^64) and dividend.high < divisor, so that the quotient fits in
// 64 bits: a long division of two digits in base 2^32.
static std::uint64_t divide_wide(Wide dividend, std::uint64_t divisor, std::uint64_t &remainder)
{
	std::uint64_t partial = dividend.high;
	const std::uint64_t high = quotient_digit(partial, dividend.low >> 32, divisor);
	const std::uint64_t low = quotient_digit(partial, dividend.low & low_half, divisor);
	remainder = partial;
	return (high << 32) | low;
}

// The significands' ratio lies between 1/2 and 2.  Scaled by 2^63 when it
// is at least 1 and by 2^64 below, its integer part is the 64-bit
// significand of the quotient, and the remainder against the divisor tells
// the rest: whether it is zero, below, at or above half a unit.  That is
// all that rounding needs, here or, for a subnormal result, at a coarser
// place, where the rest is passed on as a half bit and a sticky bit.
static SoftExtended divide_unpacked(bool negative, Unpacked x, Unpacked y)
{
	const bool at_least_one = x.significand >= y.significand;
	const Wide dividend = at_least_one ? Wide{ x.significand >> 1, x.significand << 63 } : Wide{ x.significand, 0 };
	const std::int32_t exponent = x.exponent - y.exponent - !at_least_one;
	std::uint64_t remainder;
	const std::uint64_t quotient = divide_wide(dividend, y.significand, remainder);
	// The remainder against the rest of the divisor: twice the remainder
	// against the divisor, without overflowing.
	const std::uint64_t other_part = y.significand - remainder;
	if (in_normal_range(exponent)) [[likely]]
		return round_in_range(negative, exponent, quotient, rounds_up(quotient, remainder, other_part));
	const std::uint64_t rest = (remainder >= other_part ? integer_bit : 0) | (remainder != 0 && remainder != other_part);
	return round_outside_range(negative, exponent, quotient, rest);
}

// The arithmetic above, once both operands are finite, non-zero and
// normalized.
static SoftExtended on_unpacked(Operation op, Unpacked x, Unpacked y)
{
	switch (op) {
	case Operation::add:
		return add_unpacked(x, y);
	case Operation::subtract:
		y.negative = !y.negative;
		return add_unpacked(x, y);
	case Operation::multiply:
		return multiply_unpacked(x.negative != y.negative, x, y);
	case Operation::divide:
		return divide_unpacked(x.negative != y.negative, x, y);
	}
	return default_nan;
}

// The operations with a NaN, an infinity, a zero or a subnormal number
// among the operands.  They are kept apart so that the operations on two
// normal numbers do not carry them.
static SoftExtended with_rare_operand(Operation op, SoftExtended a, SoftExtended b)
{
	if (is_nan(a) || is_nan(b))
		return propagate_nan(a, b);
	if (!is_special(a) && !is_special(b) && !is_zero(a) && !is_zero(b))
		return on_unpacked(op, unpack(a), unpack(b));
	// The NaN rules look at the operands as given, so the subtrahend's
	// sign is turned only once a NaN has been ruled out.
	if (op == Operation::subtract)
		b.negative = !b.negative;
	const bool negative = a.negative != b.negative;

	switch (op) {
	case Operation::add:
	case Operation::subtract:
		if (is_infinity(a) || is_infinity(b)) {
			if (is_infinity(a) && is_infinity(b) && a.negative != b.negative)
				return default_nan;
			return is_infinity(a) ? a : b;
		}
		if (is_zero(a) && is_zero(b))
			return zero(a.negative && b.negative);
		return is_zero(a) ? b : a;
	case Operation::multiply:
		if (is_infinity(a) || is_infinity(b))
			return is_zero(a) || is_zero(b) ? default_nan : infinity(negative);
		return zero(negative);
	case Operation::divide:
		if (is_infinity(a))
			return is_infinity(b) ? default_nan : infinity(negative);
		if (is_infinity(b))
			return zero(negative);
		if (is_zero(b))
			return is_zero(a) ? default_nan : infinity(negative);
		return zero(negative);
	}
	return default_nan;
}

// Whatever the inline operators leave comes here: two normal operands go
// straight to the arithmetic, anything else to the rare cases.
template <Operation op>
SoftExtended soft_extended::operate_any(std::uint64_t a_significand, std::int32_t a_exponent, bool a_negative,
                                        std::uint64_t b_significand, std::int32_t b_exponent, bool b_negative)
{
	const SoftExtended a = { a_significand, a_exponent, a_negative };
	const SoftExtended b = { b_significand, b_exponent, b_negative };
	if (both_normal(a, b)) [[likely]]
		return on_unpacked(op, a, b);
	return with_rare_operand(op, a, b);
}

template SoftExtended soft_extended::operate_any<Operation::add>(std::uint64_t, std::int32_t, bool, std::uint64_t, std::int32_t, bool);
template SoftExtended soft_extended::operate_any<Operation::subtract>(std::uint64_t, std::int32_t, bool, std::uint64_t, std::int32_t, bool);
template SoftExtended soft_extended::operate_any<Operation::multiply>(std::uint64_t, std::int32_t, bool, std::uint64_t, std::int32_t, bool);
template SoftExtended soft_extended::operate_any<Operation::divide>(std::uint64_t, std::int32_t, bool, std::uint64_t, std::int32_t, bool);

template <typename Narrow>
SoftExtended soft_extended::widen_any(Narrow x)
{
	using Format = Binary<Narrow>;
	const auto bits = bits_as<typename Format::Bits>(x);
	const std::uint64_t fraction = bits & ((std::uint64_t(1) << Format::fraction_bits) - 1);
	const auto field = std::int32_t(bits >> Format::fraction_bits) & Format::special_field;
	const bool negative = (bits >> (Format::width - 1)) != 0;

	if (field == Format::special_field)
		return fraction == 0 ? infinity(negative) : widened_nan(negative, fraction, Format::fraction_bits);
	if (field != 0)
		return { integer_bit | (fraction << (64 - Format::precision)), field - Format::max_exponent, negative };
	if (fraction == 0)
		return zero(negative);
	// A subnormal of the narrow format is a normal extended value.
	const int shift = std::countl_zero(fraction);
	return { fraction << shift, Format::min_exponent - Format::fraction_bits + 63 - shift, negative };
}

template SoftExtended soft_extended::widen_any(float);
template SoftExtended soft_extended::widen_any(double);

// Rounds to the narrow format.  Below the format's normal range, where the
// exponent field is 0, one significand bit fewer is kept for every binary
// place, so the single rounding already lands on a subnormal.  The rounded
// significand is added onto the exponent field minus one, which is 0 for a
// subnormal as for the smallest normal exponent: a subnormal significand
// is the fraction field as it stands, and one that rounds up to the full
// precision sets the lowest exponent bit; a normal one that rounds up to
// the next power of two moves the exponent up, past the largest finite
// value onto the infinity pattern.
template <typename Narrow>
Narrow soft_extended::narrow_any(std::uint64_t significand, std::int32_t exponent, bool negative)
{
	using Format = Binary<Narrow>;
	using Bits = typename Format::Bits;
	const SoftExtended x = { significand, exponent, negative };
	const Bits sign = Bits(negative) << (Format::width - 1);
	const Bits infinity_bits = Bits(Format::special_field) << Format::fraction_bits;

	if (is_nan(x))
		return bits_as<Narrow>(Bits(sign | infinity_bits | narrowed_nan_fraction(significand, Format::fraction_bits)));
	if (is_zero(x))
		return bits_as<Narrow>(sign);
	// An infinity has an exponent above every narrow one as well.
	const Unpacked u = unpack(x);
	if (u.exponent > Format::max_exponent)
		return bits_as<Narrow>(Bits(sign | infinity_bits));
	// Less than half the smallest subnormal rounds to zero: nothing is kept.
	const std::int32_t narrow_exponent = std::max(u.exponent, std::int32_t(Format::min_exponent));
	const std::int32_t drop = 64 - Format::precision + (narrow_exponent - u.exponent);
	if (drop > 64)
		return bits_as<Narrow>(sign);
	const Wide cut = shift_right_sticky({ u.significand, 0 }, drop);
	const std::uint64_t rounded = cut.high + rounds_up(cut.high, cut.low, integer_bit);
	const auto field_less_one = std::uint64_t(narrow_exponent + Format::max_exponent - 1);
	return bits_as<Narrow>(Bits(sign | ((field_less_one << Format::fraction_bits) + rounded)));
}

template float soft_extended::narrow_any(std::uint64_t, std::int32_t, bool);
template double soft_extended::narrow_any(std::uint64_t, std::int32_t, bool);
