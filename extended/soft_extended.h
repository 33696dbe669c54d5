// Extended precision carried out with integer arithmetic only, for targets
// whose long double is not the x87 extended format.
//
// A value has the layout of that format: a sign, an exponent and a 64-bit
// significand whose integer bit is stored, not implied.  Every operation
// rounds its exact result once to 64 bits, to nearest with ties to even,
// over the same exponent range, with the same gradual underflow and the
// same special values as the x87 unit in its default state, so that a
// calculation gives the very bits it gives on x86-64 hardware.
//
// The operators and conversions are inline and deal here only with the
// common case, in which the result is exact or is rounded in one short
// step; everything else goes to the general code in soft_extended.cpp.  In
// a calculation nearly every operand is a widened float, whose significand
// has 24 bits, or a sum of two such floats, so the common case is nearly
// every case, and the constants a calculation widens fold away.
#ifndef AMPSTAGE_EXTENDED_SOFT_EXTENDED_H
#define AMPSTAGE_EXTENDED_SOFT_EXTENDED_H

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

// A finite value is significand × 2^(exponent − 63).
//
// Normal:    integer bit (bit 63) set, exponent from −16382 to 16383.
// Subnormal: integer bit clear, exponent −16382; zero is the subnormal
//            with a significand of 0, and it has a sign like any value.
// Infinity:  exponent 16384, significand with only the integer bit.
// NaN:       exponent 16384, integer bit set and some other bit too; bit 62
//            set makes it quiet.
//
// These are the encodings of the x87 format with the exponent unbiased
// (the x87 biased exponent is exponent + 16383, except 0 for subnormals),
// and the only ones an operation produces: each value has exactly one.
struct SoftExtended {
	std::uint64_t significand;
	std::int32_t exponent;
	bool negative;
};

inline constexpr std::int32_t soft_extended_min_exponent = -16382;
inline constexpr std::int32_t soft_extended_max_exponent = 16383;
inline constexpr std::int32_t soft_extended_special_exponent = 16384;

namespace soft_extended {

enum class Operation { add, subtract, multiply, divide };

// The operations and conversions for any operands, in soft_extended.cpp:
// whatever the inline functions below leave to them.  One definition serves
// the four operations, which it takes as a template argument, so that a
// call passes the operands and nothing more.  They travel in parts: a
// SoftExtended passed by value travels with its exponent and sign packed
// into one register, and preparing that at every call site costs the common
// case more than the rare call itself.  The general code shares nothing
// with the inline fast paths but the tie rule and the formats' constants,
// so that the tests can hold the two against each other.
template <Operation op>
SoftExtended operate_any(std::uint64_t a_significand, std::int32_t a_exponent, bool a_negative,
                         std::uint64_t b_significand, std::int32_t b_exponent, bool b_negative);
template <typename Narrow>
SoftExtended widen_any(Narrow x);
template <typename Narrow>
Narrow narrow_any(std::uint64_t significand, std::int32_t exponent, bool negative);

inline constexpr std::uint64_t integer_bit = std::uint64_t(1) << 63;
inline constexpr std::uint64_t low_half = 0xffff'ffff;

// A float or double as the unsigned integer of its bits, or the reverse.
// This is std::bit_cast, which the C++ library of the web build lacks.
template <typename To, typename From>
inline To bits_as(From from)
{
	static_assert(sizeof(To) == sizeof(From), "the same size");
	To to;
	std::memcpy(&to, &from, sizeof to);
	return to;
}

// The layout of float and double, IEEE 754's binary32 and binary64, which
// values are widened from and narrowed to.
template <typename Narrow>
struct Binary {
	static_assert(std::numeric_limits<Narrow>::is_iec559, "an IEEE 754 binary format");
	using Bits = std::conditional_t<sizeof(Narrow) == 4, std::uint32_t, std::uint64_t>;
	static_assert(sizeof(Bits) == sizeof(Narrow), "float or double");
	static constexpr int width = 8 * sizeof(Narrow);
	static constexpr int precision = std::numeric_limits<Narrow>::digits;  // the integer bit included
	static constexpr int fraction_bits = precision - 1;
	static constexpr int max_exponent = std::numeric_limits<Narrow>::max_exponent - 1;  // also the bias
	static constexpr int min_exponent = 1 - max_exponent;
	static constexpr int special_field = 2 * max_exponent + 1;  // all ones: infinities and NaNs
};

// The inline operations take operands whose exponents both lie in
// [−4096, 4095], which the values of a calculation never leave.  Such an
// operand is normal, since zeros and subnormals have the exponent −16382 and
// infinities and NaNs 16384, and every result exponent below then lies in
// [−8192, 8191], inside the normal range, so no result needs a range check.
// Each exponent plus 4096 lies in [0, 8192) exactly when the two ORed do.
inline constexpr std::int32_t moderate_limit = 4096;
static_assert(-2 * moderate_limit > soft_extended_min_exponent && 2 * moderate_limit < soft_extended_max_exponent);

inline bool both_moderate(SoftExtended a, SoftExtended b)
{
	return std::uint32_t((a.exponent + moderate_limit) | (b.exponent + moderate_limit)) < 2 * moderate_limit;
}

// A significand whose low 32 bits are clear, such as a widened float's.
inline bool is_short(std::uint64_t significand) { return (significand & low_half) == 0; }

// Every rounding of the type, inline or general, decides here: to nearest,
// ties to even.  A value is cut into the part kept and the rest below its
// last place; `half` is half a unit of that place on the rest's scale, or
// any number that compares with the rest as that would.  It rounds up when
// the rest is more than half, or exactly half and the last place kept is
// odd: an odd last place rounds up from half on, an even one only above it.
inline bool rounds_up(std::uint64_t kept, std::uint64_t rest, std::uint64_t half)
{
	return rest > half - (kept & 1);
}

// The sum of two moderate operands with short significands whose exponents
// differ by less than 32, exactly, or false where that does not apply.  `a`
// is made the operand of larger magnitude.  Shifted right by fewer than 32
// places, b's significand loses nothing, its low 32 bits being clear, and
// keeps bit 0 clear.  A sum of the two that carries past 2^64 is then exact
// one place further up, where only that clear bit 0 is shifted out; a
// difference is not negative, and the shift by its leading zeros
// normalizes it.
inline bool short_sum(SoftExtended a, SoftExtended b, SoftExtended &sum)
{
	if (!both_moderate(a, b) || !is_short(a.significand | b.significand))
		return false;
	if (a.exponent < b.exponent || (a.exponent == b.exponent && a.significand < b.significand))
		std::swap(a, b);
	const auto distance = std::uint32_t(a.exponent - b.exponent);
	if (distance >= 32)
		return false;
	const std::uint64_t aligned = b.significand >> distance;  // exact, bit 0 clear

	if (a.negative == b.negative) {
		const std::uint64_t total = a.significand + aligned;  // less 2^64 where it carries
		const int carry = total < a.significand;
		sum = { (total >> carry) | (std::uint64_t(carry) << 63), a.exponent + carry, a.negative };
		return true;
	}
	// An exact cancellation is +0 when rounding to nearest, whatever the
	// signs.
	const std::uint64_t difference = a.significand - aligned;  // in [0, 2^64)
	if (difference == 0) {
		sum = { 0, soft_extended_min_exponent, false };
		return true;
	}
	const int shift = std::countl_zero(difference);
	sum = { difference << shift, a.exponent - shift, a.negative };
	return true;
}

}

// Products of two moderate operands of which at least one has a short
// significand.  The significands' product lies in [2^126, 2^128), so the
// value is that product × 2^(a.exponent + b.exponent − 126), and once the
// product is shifted to 64 bits, one place less where it reached 2^127
// (`top` is then 1), the exponent is a.exponent + b.exponent + top.
//
// Both short: the product of their upper halves, each in [2^31, 2^32), is
// the significands' product over 2^64, exact in 64 bits, and nothing needs
// rounding.
//
// One short, with upper half `factor`, and the other significand `other`:
// factor × other, the significands' product over 2^32, lies in
// [2^94, 2^96).  It comes in two parts that fit in 64 bits, `low`, the
// product with other's lower half, and `high`, the product with its upper
// half plus low's upper half, which is the integer part of factor × other
// over 2^32.  The 31 + top bits left below the significand decide the
// rounding.  A significand of all ones that rounds up is left to the
// general code.
inline SoftExtended operator*(SoftExtended a, SoftExtended b)
{
	using namespace soft_extended;
	if (both_moderate(a, b)) [[likely]] {
		const bool negative = a.negative != b.negative;
		if (is_short(a.significand | b.significand)) {
			const std::uint64_t product = (a.significand >> 32) * (b.significand >> 32);  // in [2^62, 2^64)
			const int top = int(product >> 63);
			return { product << (1 - top), a.exponent + b.exponent + top, negative };
		} else if (is_short(a.significand) || is_short(b.significand)) {
			const std::uint64_t factor = (is_short(a.significand) ? a.significand : b.significand) >> 32;
			const std::uint64_t other = is_short(a.significand) ? b.significand : a.significand;
			static_assert(low_half * low_half <= ~std::uint64_t(0) - low_half, "high fits in 64 bits");
			const std::uint64_t low = factor * (other & low_half);
			const std::uint64_t high = factor * (other >> 32) + (low >> 32);  // in [2^62, 2^64)
			const int top = int(high >> 63);
			const std::uint64_t significand = (high << (1 - top)) | ((low & low_half) >> (31 + top));
			// The bits below the significand, moved to the top, where half a
			// unit is the integer bit.
			const std::uint64_t rest = low << (33 - top);
			const std::uint64_t rounded = significand + rounds_up(significand, rest, integer_bit);
			if (rounded != 0) [[likely]]
				return { rounded, a.exponent + b.exponent + top, negative };
		}
	}
	return operate_any<Operation::multiply>(a.significand, a.exponent, a.negative, b.significand, b.exponent, b.negative);
}

// A quotient of moderate operands with a short divisor's significand,
// b.significand = divisor × 2^32: a long division by the 32-bit divisor of
// a.significand × 2^32, two digits in base 2^32, each one exact step of the
// processor's 64-bit division.  The first starts at once from the operands,
// which keeps a chain of divisions short.
//
// That dividend over the divisor is the significands' ratio, which lies in
// (1/2, 2), times 2^64.  Its first digit `high` is below 2^33, the
// remainder before the second step leaves `next` below divisor × 2^32, so
// the second digit `low` is below 2^32, and high × 2^32 + low is the
// integer part of the exact quotient, in [2^63, 2^65).  `top` is 1 where it
// reaches 2^64, that is where a.significand ≥ b.significand; shifted right
// by `top`, it is the significand, and the quotient's value is
// significand × 2^(top − 64) × 2^(a.exponent − b.exponent), so its exponent
// is a.exponent − b.exponent − 1 + top.
//
// Below the significand lie the bit shifted out, where `top` is 1, and the
// last remainder over the divisor, a fraction of the last digit's place.
// No such quotient lies halfway between two significands: a quotient of two
// significands that ends at all fits in 64 bits (the divisor's odd part then
// divides the dividend, and the dividend over that part is below 2^64).  So
// with `top` 1 the bit shifted out alone decides (with a zero remainder it
// would be a tie), and with `top` 0 twice the remainder against the divisor.
// Nor does rounding up reach 2^64: that would need the ratio within 2^-64 of
// 2 or within 2^-65 below 1, closer than two significands below 2^64 come.
inline SoftExtended operator/(SoftExtended a, SoftExtended b)
{
	using namespace soft_extended;
	if (both_moderate(a, b) && is_short(b.significand)) [[likely]] {
		const std::uint64_t divisor = b.significand >> 32;                    // in [2^31, 2^32)
		const std::uint64_t high = a.significand / divisor;                   // in [2^31, 2^33)
		const std::uint64_t next = (a.significand % divisor) << 32;           // below divisor × 2^32
		const std::uint64_t low = next / divisor;                             // below 2^32
		const int top = int(high >> 32);
		const std::uint64_t significand = (high << (32 - top)) | (low >> top);  // in [2^63, 2^64)
		const bool up = top ? (low & 1) != 0 : 2 * (next % divisor) > divisor;
		return { significand + up, a.exponent - b.exponent - 1 + top, a.negative != b.negative };
	}
	return operate_any<Operation::divide>(a.significand, a.exponent, a.negative, b.significand, b.exponent, b.negative);
}

inline SoftExtended operator+(SoftExtended a, SoftExtended b)
{
	SoftExtended sum;
	if (soft_extended::short_sum(a, b, sum)) [[likely]]
		return sum;
	return soft_extended::operate_any<soft_extended::Operation::add>(a.significand, a.exponent, a.negative, b.significand, b.exponent, b.negative);
}

// The subtrahend's sign is turned for the common case only: the general
// code looks at NaN operands as they are given.
inline SoftExtended operator-(SoftExtended a, SoftExtended b)
{
	SoftExtended difference;
	if (soft_extended::short_sum(a, { b.significand, b.exponent, !b.negative }, difference)) [[likely]]
		return difference;
	return soft_extended::operate_any<soft_extended::Operation::subtract>(a.significand, a.exponent, a.negative, b.significand, b.exponent, b.negative);
}

// Exact: every float and double is a SoftExtended value.  A signalling NaN
// comes out quiet, as loading it onto the x87 stack makes it.
//
// A normal number is one whose exponent field is neither 0 (zeros and
// subnormals) nor all ones (infinities and NaNs): a field of 0 less one
// wraps to the largest unsigned number, so one comparison tests both.  Its
// bits shifted to the top of 64 put the fraction right below the integer
// bit; of the exponent and sign bits, all fall off but the lowest exponent
// bit, which lands on the integer bit, set anyway.
template <typename Narrow>
inline SoftExtended soft_widen(Narrow x)
{
	using Format = soft_extended::Binary<Narrow>;
	const auto bits = soft_extended::bits_as<typename Format::Bits>(x);
	const auto field = std::int32_t(bits >> Format::fraction_bits) & Format::special_field;
	if (std::uint32_t(field - 1) < std::uint32_t(Format::special_field - 1)) [[likely]]
		return { soft_extended::integer_bit | (std::uint64_t(bits) << (64 - Format::precision)),
		         field - Format::max_exponent, (bits >> (Format::width - 1)) != 0 };
	return soft_extended::widen_any(x);
}

namespace soft_extended {

// Round once, to nearest with ties to even, including subnormal results and
// overflow to infinity.  A NaN keeps its sign and the leading bits of its
// payload and comes out quiet, as an x87 store to memory gives it.
//
// A value in the narrow format's normal range is normal here too: its
// integer bit is set, and the whole precision is kept.  The integer bit is
// added onto the exponent field minus one, so a significand that rounds up
// to the next power of two moves the exponent up by itself; past the
// largest finite value that gives the infinity pattern, which is what
// rounding to nearest gives there.  The field stops there, below the sign
// bit, so the sign can be put in first and the rounding added last, which
// is what a chain of operations waits for.
template <typename Narrow>
inline Narrow narrow(SoftExtended x)
{
	using Format = Binary<Narrow>;
	using Bits = typename Format::Bits;
	if (x.exponent >= Format::min_exponent && x.exponent <= Format::max_exponent) [[likely]] {
		constexpr int drop = 64 - Format::precision;  // 40 or 11
		const std::uint64_t kept = x.significand >> drop;  // in [2^(precision − 1), 2^precision)
		const std::uint64_t rest = x.significand & ((std::uint64_t(1) << drop) - 1);
		const auto sign_and_field_less_one = Bits((Bits(x.negative) << (Format::width - 1)) |
		                                          (Bits(x.exponent + Format::max_exponent - 1) << Format::fraction_bits));
		return soft_extended::bits_as<Narrow>(Bits(sign_and_field_less_one + kept + rounds_up(kept, rest, std::uint64_t(1) << (drop - 1))));
	}
	return narrow_any<Narrow>(x.significand, x.exponent, x.negative);
}

}

inline float soft_to_float(SoftExtended x) { return soft_extended::narrow<float>(x); }
inline double soft_to_double(SoftExtended x) { return soft_extended::narrow<double>(x); }

#endif
