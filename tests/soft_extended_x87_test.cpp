// The software extended type against this machine's x87 unit: every
// operation and both narrowings must give the hardware's bits exactly,
// NaN payloads and signs included.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cfloat>
#include <cstdint>
#include <random>
#include <vector>

#include "soft_extended.h"
#include "sticky_cases.h"
#include "x87.h"

namespace {

constexpr std::uint64_t integer_bit = std::uint64_t(1) << 63;
constexpr std::uint64_t quiet_bit = std::uint64_t(1) << 62;

enum class Operation { add, subtract, multiply, divide };

// The same operation on either type; operands that come from memory at run
// time leave the compiler nothing to fold or keep in another format.
template <typename Number>
Number apply(Operation op, Number a, Number b)
{
	switch (op) {
	case Operation::add: return a + b;
	case Operation::subtract: return a - b;
	case Operation::multiply: return a * b;
	case Operation::divide: return a / b;
	}
	return a;
}

const char *name(Operation op)
{
	switch (op) {
	case Operation::add: return "+";
	case Operation::subtract: return "-";
	case Operation::multiply: return "*";
	case Operation::divide: return "/";
	}
	return "?";
}

// A finite value from its parts, subnormal when the significand's integer
// bit is clear (the exponent is then the minimum).
SoftExtended value(bool negative, int exponent, std::uint64_t significand)
{
	if ((significand & integer_bit) == 0)
		exponent = -16382;
	return { significand, exponent, negative };
}

SoftExtended nan(bool negative, std::uint64_t payload)
{
	return { integer_bit | payload, 16384, negative };
}

class Operands {
public:
	explicit Operands(std::uint64_t seed) : random(seed) {}

	std::uint64_t bits() { return random(); }
	int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
	bool coin() { return (random() & 1) != 0; }

	void remember(SoftExtended x)
	{
		if (earlier.size() < 4096)
			earlier.push_back(x);
		else
			earlier[random() % earlier.size()] = x;
	}

	// Exponents that matter: around the ranges of float and double, the
	// values the calculation sees, and the edges of the extended range.
	int exponent()
	{
		switch (between(0, 5)) {
		case 0: return between(-150, 128);
		case 1: return between(-1075, 1024);
		case 2: return between(-8, 8);
		case 3: return between(-16382, -16300);
		case 4: return between(16300, 16383);
		default: return between(-16382, 16383);
		}
	}

	std::uint64_t significand()
	{
		switch (between(0, 5)) {
		case 0: return integer_bit;                                   // a power of two
		case 1: return ~std::uint64_t(0);                             // all ones
		case 2: return integer_bit | (bits() >> between(1, 63));      // short run of ones
		case 3: return integer_bit | (bits() << between(1, 62));      // trailing zeros: few bits
		default: return integer_bit | bits();
		}
	}

	// As a widened float has it, or an exact sum of two: the low half clear.
	std::uint64_t short_significand() { return (bits() | integer_bit) & ~std::uint64_t(0xffff'ffff); }

	SoftExtended boundary()
	{
		switch (between(0, 9)) {
		case 0: return value(coin(), 0, 0);
		case 1: return { integer_bit, 16384, coin() };                // infinity
		case 2: return nan(coin(), quiet_bit | (bits() >> between(2, 63)));
		case 3: return nan(coin(), bits() >> between(2, 63) | 1);      // signalling
		case 4: return nan(coin(), quiet_bit);
		case 5: return value(coin(), -16382, bits() >> between(1, 63)); // x87 subnormal
		case 6: return from_hardware(coin() ? FLT_MAX : FLT_MIN);
		case 7: return from_hardware(coin() ? DBL_MAX : DBL_MIN);
		default: return value(coin(), exponent(), significand());
		}
	}

	SoftExtended any()
	{
		switch (between(0, 9)) {
		case 0:
		case 1:
		case 2: return soft_widen(std::bit_cast<float>(std::uint32_t(bits())));
		case 3:
		case 4: return soft_widen(std::bit_cast<double>(bits()));
		case 5:
		case 6:
			if (!earlier.empty())
				return earlier[random() % earlier.size()];
			return boundary();
		default: return boundary();
		}
	}

	std::mt19937_64 random;
	std::vector<SoftExtended> earlier;
};

// The neighbour one unit in the last place away, towards zero or away from
// it: subtracting such a pair cancels to a single bit.
SoftExtended neighbour(SoftExtended x, bool up)
{
	if (x.exponent == 16384)
		return x;
	if (up)
		return x.significand == ~std::uint64_t(0) ? SoftExtended{ integer_bit, x.exponent + 1, x.negative }
		                                          : value(x.negative, x.exponent, x.significand + 1);
	if (x.significand == integer_bit && x.exponent > -16382)
		return { ~std::uint64_t(0), x.exponent - 1, x.negative };
	return x.significand == 0 ? x : value(x.negative, x.exponent, x.significand - 1);
}

// a × b modulo m, one bit of b at a time, so that no sum exceeds 64 bits:
// the test needs no wider integer than the type it checks, and builds on
// 32-bit x86 too.
std::uint64_t add_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m)
{
	return a >= m - b ? a - (m - b) : a + b;
}

std::uint64_t multiply_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m)
{
	std::uint64_t product = 0;
	for (a %= m; b != 0; b >>= 1, a = add_mod(a, a, m))
		if ((b & 1) != 0)
			product = add_mod(product, a, m);
	return product;
}

// A dividend whose quotient by `divisor` (odd, integer bit set) lies just
// off the midpoint between two 64-bit results, or 0 if none is found.  The
// quotient's significand is dividend × 2^k ÷ divisor with k = 63 for a
// dividend at least the divisor and k = 64 below it; its rounding bit and
// the bits after it are 1000… exactly when dividend × 2^(k+1) leaves the
// remainder `divisor` modulo 2 × divisor.  Asking for divisor + offset
// instead, with a small odd offset, puts the quotient within a few units of
// the 2^-64th place of the midpoint; an exact tie cannot happen.
std::uint64_t dividend_near_tie(std::uint64_t divisor, int offset)
{
	// (divisor + 1) / 2 is the inverse of 2 modulo an odd divisor.
	const std::uint64_t inverse_of_two = (divisor + 1) / 2;
	std::uint64_t inverse = 1;
	for (int i = 0; i < 63; i++)
		inverse = multiply_mod(inverse, inverse_of_two, divisor);
	// (divisor + offset) / 2 for an odd divisor and offset, without the sum.
	const std::uint64_t target = (divisor / 2 + std::uint64_t(std::int64_t(offset + 1) / 2)) % divisor;

	// dividend × 2^63 ≡ target (mod divisor), dividend in [divisor, 2^64).
	const std::uint64_t at_least = multiply_mod(target, inverse, divisor);
	if (at_least <= ~divisor)
		return at_least + divisor;
	// dividend × 2^64 ≡ target (mod divisor), dividend in [2^63, divisor).
	const std::uint64_t below = multiply_mod(at_least, inverse_of_two, divisor);
	return (below & integer_bit) != 0 ? below : 0;
}

// x with odd × x ≡ 1 (mod 2^64).
std::uint64_t inverse_of_odd(std::uint64_t odd)
{
	std::uint64_t inverse = odd;  // modulo 2^3, with twice the bits after each step
	for (int i = 0; i < 5; i++)
		inverse *= 2 - odd * inverse;
	return inverse;
}

// A dividend below the short divisor D × 2^32 (D odd, above 3 × 2^30) whose
// quotient lies just off a midpoint: X × 2^32 = Q D + r with r = (D ± 1) / 2,
// so that twice the remainder misses the divisor by one.  Q ≡ −r / D (mod
// 2^32) makes the right side a multiple of 2^32; Q's upper half `high`
// places X, which needs 2^63 ≤ high × D and high < 2^32.
std::uint64_t dividend_near_short_tie(std::uint64_t d, bool above, std::uint64_t high)
{
	const std::uint64_t r = d / 2 + above;
	const std::uint64_t low = (0 - r * inverse_of_odd(d)) & 0xffff'ffff;
	return high * d + ((low * d + r) >> 32);
}

// Pairs built for one operation: what random operands almost never hit.
std::array<SoftExtended, 2> pair_for(Operation op, Operands &in)
{
	SoftExtended a = in.any();
	SoftExtended b = in.any();
	switch (in.between(0, 9)) {
	case 0:
		// Neighbours, so that a − b or a + (−b) cancels to one bit.
		a = in.boundary();
		b = neighbour(a, in.coin());
		if (in.coin())
			std::swap(a, b);
		if ((op == Operation::add) == (a.negative == b.negative))
			b.negative = !b.negative;
		break;
	case 1:
		// Exponents whose sum or difference reaches past either end of the
		// range, where the result overflows or underflows gradually.
		a = value(in.coin(), in.between(-16382, 16383), in.significand());
		b = value(in.coin(), 0, in.significand());
		b.exponent = (op == Operation::divide ? a.exponent : -a.exponent) + in.between(-70, 70)
		             + (in.coin() ? 16383 : -16382) * (op == Operation::divide ? -1 : 1);
		if (b.exponent < -16382 || b.exponent > 16383)
			b.exponent = in.between(-16382, 16383);
		break;
	case 2:
		if (op == Operation::divide && in.coin()) {
			b = value(in.coin(), in.exponent(), in.significand() | 1);
			const std::uint64_t dividend = dividend_near_tie(b.significand, 2 * in.between(-2, 1) + 1);
			if (dividend != 0)
				a = value(in.coin(), in.exponent(), dividend);
		} else if (op == Operation::divide) {
			const std::uint64_t d = (in.bits() >> 32) | 0xc000'0001;
			const std::uint64_t lowest = integer_bit / d + 1;
			b = value(in.coin(), in.exponent(), d << 32);
			a = value(in.coin(), in.exponent(), dividend_near_short_tie(d, in.coin(), lowest + in.bits() % (0xffff'ffff - lowest)));
		}
		break;
	case 3:
		// Two NaNs, equal payloads with both signs or different ones.
		a = nan(in.coin(), quiet_bit | (in.bits() >> in.between(2, 63)));
		b = in.coin() ? nan(!a.negative, a.significand & ~integer_bit) : in.boundary();
		break;
	case 4: {
		// Short significands close in exponent at either end of the range:
		// exact sums that carry past the largest exponent, differences that
		// cancel below the smallest normal one.
		const int top = in.coin() ? 16383 : -16379;
		a = value(in.coin(), top - in.between(0, 3), in.short_significand());
		b = value(in.coin(), top - in.between(0, 3), in.short_significand());
		break;
	}
	case 5:
		if (op == Operation::multiply) {
			// A short factor F × 2^32 and ⌊(2^95 − 1) ÷ F⌋, whose product
			// lies just below a power of two and may round up to it.
			const std::uint64_t f = in.short_significand() >> 32;
			const std::uint64_t high = (~std::uint64_t(0) >> 1) / f;
			const std::uint64_t low = ((((~std::uint64_t(0) >> 1) % f) << 32) | 0xffff'ffff) / f;
			a = value(in.coin(), in.between(-8, 8), f << 32);
			b = value(in.coin(), in.between(-8, 8), (high << 32) | low);
			if (in.coin())
				std::swap(a, b);
		}
		break;
	case 6:
		if (op == Operation::multiply) {
			// Products on a midpoint or within a few units of the last place
			// from one: F odd, and G, or its lower half where F is short, such
			// that F × G ≡ 2^k + δ modulo 2^64, or 2^32, k one or two below.
			const bool short_factor = in.coin();
			const int width = short_factor ? 32 : 64;
			const std::uint64_t f = short_factor ? (in.short_significand() >> 32) | 1 : in.significand() | 1;
			const std::uint64_t target = (std::uint64_t(1) << (width - 2 + in.coin())) + std::uint64_t(in.between(-3, 3));
			const std::uint64_t g = target * inverse_of_odd(f);
			a = value(in.coin(), in.between(-8, 8), short_factor ? f << 32 : f);
			b = value(in.coin(), in.between(-8, 8), short_factor ? in.short_significand() | (g & 0xffff'ffff) : g | integer_bit);
		}
		break;
	default:
		break;
	}
	return { a, b };
}

TEST(SoftExtendedAgainstX87, EveryOperationGivesTheHardwareBits)
{
	constexpr long pairs_per_operation = 1'000'000;
	for (Operation op : { Operation::add, Operation::subtract, Operation::multiply, Operation::divide }) {
		Operands in(0x5eed0000 + int(op));
		long mismatches = 0;
		for (long i = 0; i < pairs_per_operation; i++) {
			const auto [a, b] = pair_for(op, in);
			const SoftExtended soft = apply(op, a, b);
			const long double hardware = apply(op, to_hardware(a), to_hardware(b));
			if (!same_bits(soft, hardware) && ++mismatches <= 10)
				ADD_FAILURE() << hex(a) << ' ' << name(op) << ' ' << hex(b) << ": software " << hex(soft)
				              << ", x87 " << hex(hardware);
			in.remember(from_hardware(hardware));
		}
		EXPECT_EQ(mismatches, 0) << "operation " << name(op);
	}
}

TEST(SoftExtendedAgainstX87, StickyBitsDecideBetweenHalfAndJustAbove)
{
	for (const StickyCase &c : sticky_cases) {
		const Operation op = c.operation == '*' ? Operation::multiply : c.operation == '/' ? Operation::divide : Operation::subtract;
		const long double hardware = apply(op, to_hardware(c.a), to_hardware(c.b));
		EXPECT_TRUE(same_bits(apply(op, c.a, c.b), hardware)) << c.what << ": software " << hex(apply(op, c.a, c.b)) << ", x87 " << hex(hardware);
		EXPECT_TRUE(same_bits(c.rounded, hardware)) << c.what << ": the row says " << hex(c.rounded) << ", x87 " << hex(hardware);
	}
}

TEST(SoftExtendedAgainstX87, WideningIsExactAndQuietsNaNs)
{
	std::mt19937_64 random(17);
	long mismatches = 0;
	for (long i = 0; i < 1'000'000; i++) {
		const std::uint64_t bits = random();
		const float f = std::bit_cast<float>(std::uint32_t(bits));
		const double d = std::bit_cast<double>(bits);
		volatile float vf = f;
		volatile double vd = d;
		const long double wide_f = vf;
		const long double wide_d = vd;
		if (!same_bits(soft_widen(f), wide_f) && ++mismatches <= 10)
			ADD_FAILURE() << "float " << std::hex << std::uint32_t(bits) << ": " << hex(soft_widen(f)) << " vs " << hex(wide_f);
		if (!same_bits(soft_widen(d), wide_d) && ++mismatches <= 10)
			ADD_FAILURE() << "double " << std::hex << bits << ": " << hex(soft_widen(d)) << " vs " << hex(wide_d);
	}
	EXPECT_EQ(mismatches, 0);
}

// Values at, just below and just above the points where rounding to a
// precision of `precision` bits changes its mind: the midpoints between
// neighbours and the representable values themselves, for 64 significands
// (the largest and the smallest among them) in every binade from below half
// the smallest subnormal up to past the overflow threshold.
template <typename Narrow>
long narrowing_mismatches(int precision, int min_exponent, int max_exponent, Narrow soft_narrow)
{
	using Target = decltype(soft_narrow(SoftExtended{}));
	std::mt19937_64 random(precision);
	long mismatches = 0;
	long checked = 0;
	for (int exponent = min_exponent - precision - 1; exponent <= max_exponent + 1; exponent++) {
		const int kept = exponent >= min_exponent ? precision : std::max(0, precision - (min_exponent - exponent));
		const int drop = 64 - kept;
		for (int sample = 0; sample < 64; sample++) {
			std::uint64_t grid = sample == 0 ? ~std::uint64_t(0) : sample == 1 ? 0 : random();
			grid = drop == 64 ? 0 : (grid << drop) | integer_bit;
			const std::uint64_t half = std::uint64_t(1) << (drop - 1);
			for (std::uint64_t centre : { grid, grid | half }) {
				for (int step = -2; step <= 2; step++) {
					SoftExtended x = { centre, exponent, (sample & 2) != 0 };
					for (int s = 0; s < std::abs(step); s++)
						x = neighbour(x, step > 0);
					if (x.exponent < -16382 || x.exponent > 16383)
						continue;
					volatile long double hardware_in = to_hardware(x);
					const Target hardware = static_cast<Target>(hardware_in);
					const Target soft = soft_narrow(x);
					checked++;
					if (std::memcmp(&hardware, &soft, sizeof soft) != 0 && ++mismatches <= 10)
						ADD_FAILURE() << hex(x) << ": software " << soft << ", x87 " << hardware;
				}
			}
		}
	}
	EXPECT_GT(checked, 100'000);
	return mismatches;
}

TEST(SoftExtendedAgainstX87, NarrowingToFloatAroundRoundingBoundariesInEveryBinade)
{
	EXPECT_EQ(narrowing_mismatches(24, -126, 127, soft_to_float), 0);
}

TEST(SoftExtendedAgainstX87, NarrowingToDoubleAroundRoundingBoundariesInEveryBinade)
{
	EXPECT_EQ(narrowing_mismatches(53, -1022, 1023, soft_to_double), 0);
}

// Operation results and random extended values, NaNs with every kind of
// payload among them, narrowed both ways.
TEST(SoftExtendedAgainstX87, NarrowingAnyValue)
{
	Operands in(99);
	long mismatches = 0;
	for (long i = 0; i < 1'000'000; i++) {
		const SoftExtended x = in.coin() ? in.boundary() : in.any();
		volatile long double hardware_in = to_hardware(x);
		const float hardware_f = static_cast<float>(hardware_in);
		const double hardware_d = static_cast<double>(hardware_in);
		const float soft_f = soft_to_float(x);
		const double soft_d = soft_to_double(x);
		if ((std::bit_cast<std::uint32_t>(soft_f) != std::bit_cast<std::uint32_t>(hardware_f)
		     || std::bit_cast<std::uint64_t>(soft_d) != std::bit_cast<std::uint64_t>(hardware_d))
		    && ++mismatches <= 10)
			ADD_FAILURE() << hex(x) << ": software " << soft_f << ' ' << soft_d << ", x87 " << hardware_f << ' ' << hardware_d;
		in.remember(in.any() * in.any());
	}
	EXPECT_EQ(mismatches, 0);
}

}  // namespace
