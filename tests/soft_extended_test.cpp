// The software extended type on its own, on any processor: signed zeros,
// infinities and NaNs as the x87 unit gives them, and the rounding rules,
// each checked against the result that the rule itself dictates.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>

#include "soft_extended.h"
#include "sticky_cases.h"

#if TESTS_HAVE_MPFR
#include <mpfr.h>
#endif

namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }
std::tuple<std::uint64_t, int, bool> bits(SoftExtended x) { return { x.significand, x.exponent, x.negative }; }

SoftExtended ext(double x) { return soft_widen(x); }
std::uint64_t as_double(SoftExtended x) { return bits(soft_to_double(x)); }
std::uint32_t as_float(SoftExtended x) { return bits(soft_to_float(x)); }

constexpr std::uint64_t plus_zero = 0;
constexpr std::uint64_t minus_zero = 0x8000'0000'0000'0000;
constexpr std::uint64_t minus_infinity = 0xfff0'0000'0000'0000;
// The x87 unit's answer to an invalid operation, stored as a double and
// as a float: a quiet NaN with the sign bit set and an empty payload.
constexpr std::uint64_t indefinite = 0xfff8'0000'0000'0000;
constexpr std::uint32_t indefinite_float = 0xffc0'0000;

// x × 2^exponent for any exponent that keeps the result in the extended
// range, by steps that stay in it too and by operations on doubles only,
// so that the test leans on nothing but the type's interface.
SoftExtended scaled(SoftExtended x, int exponent)
{
	for (; exponent >= 1000; exponent -= 1000)
		x = x * ext(0x1p1000);
	for (; exponent <= -1000; exponent += 1000)
		x = x * ext(0x1p-1000);
	return x * ext(std::ldexp(1.0, exponent));
}

TEST(SoftExtendedZeros, SignsFollowRoundingToNearest)
{
	EXPECT_EQ(as_double(ext(3.0) - ext(3.0)), plus_zero);
	EXPECT_EQ(as_double(ext(-3.0) + ext(3.0)), plus_zero);
	EXPECT_EQ(as_double(ext(-0.0) + ext(-0.0)), minus_zero);
	EXPECT_EQ(as_double(ext(-0.0) - ext(0.0)), minus_zero);
	EXPECT_EQ(as_double(ext(0.0) + ext(-0.0)), plus_zero);
	EXPECT_EQ(as_double(ext(-0.0) * ext(5.0)), minus_zero);
	EXPECT_EQ(as_double(ext(-0.0) / ext(-5.0)), plus_zero);
	EXPECT_EQ(as_double(ext(1.0) / ext(-0.0)), minus_infinity);
	EXPECT_EQ(as_double(ext(-2.0) / ext(-INFINITY)), plus_zero);
	EXPECT_EQ(as_float(soft_widen(-0.0f)), bits(-0.0f));
}

TEST(SoftExtendedNaNs, InvalidOperationsGiveTheNegativeIndefinite)
{
	const SoftExtended zero = ext(0.0);
	const SoftExtended inf = ext(INFINITY);
	for (SoftExtended x : { zero / zero, inf - inf, ext(-INFINITY) + inf, zero * inf, inf * ext(-0.0), inf / inf }) {
		EXPECT_EQ(as_double(x), indefinite);
		EXPECT_EQ(as_float(x), indefinite_float);
	}
}

TEST(SoftExtendedNaNs, OperandNaNsPassOnWithSignAndPayload)
{
	const double negative_nan = std::bit_cast<double>(std::uint64_t(0xfff8'0000'0000'1234));
	const double positive_nan = std::bit_cast<double>(std::uint64_t(0x7ff8'0000'0000'1234));
	EXPECT_EQ(as_double(ext(negative_nan) + ext(1.0)), 0xfff8'0000'0000'1234u);
	EXPECT_EQ(as_double(ext(2.0) - ext(negative_nan)), 0xfff8'0000'0000'1234u);
	EXPECT_EQ(as_double(ext(0.0) * ext(negative_nan)), 0xfff8'0000'0000'1234u);
	EXPECT_EQ(as_double(ext(INFINITY) / ext(positive_nan)), 0x7ff8'0000'0000'1234u);

	// A signalling NaN is quieted when it is loaded, its payload kept.
	const double signalling = std::bit_cast<double>(std::uint64_t(0x7ff0'0000'0000'0001));
	EXPECT_EQ(as_double(ext(signalling)), 0x7ff8'0000'0000'0001u);
	EXPECT_EQ(as_float(soft_widen(std::bit_cast<float>(std::uint32_t(0xff80'0001)))), 0xffc0'0001u);

	// Narrowing keeps the leading payload bits and drops the others.
	EXPECT_EQ(as_float(ext(negative_nan)), 0xffc0'0000u);
	EXPECT_EQ(as_float(ext(std::bit_cast<double>(std::uint64_t(0x7ffc'0000'2000'0000)))), 0x7fe0'0001u);
}

TEST(SoftExtendedNaNs, OfTwoNaNsTheLargerPayloadWinsThenThePositive)
{
	const SoftExtended plus_small = ext(std::bit_cast<double>(std::uint64_t(0x7ff8'0000'0000'0001)));
	const SoftExtended minus_small = ext(std::bit_cast<double>(std::uint64_t(0xfff8'0000'0000'0001)));
	const SoftExtended minus_large = ext(std::bit_cast<double>(std::uint64_t(0xfff8'0000'0000'0002)));
	EXPECT_EQ(as_double(minus_small + plus_small), 0x7ff8'0000'0000'0001u);
	EXPECT_EQ(as_double(plus_small * minus_small), 0x7ff8'0000'0000'0001u);
	EXPECT_EQ(as_double(plus_small - minus_large), 0xfff8'0000'0000'0002u);
	EXPECT_EQ(as_double(minus_large / plus_small), 0xfff8'0000'0000'0002u);

	// A quiet NaN beats a signalling one, however large the latter's
	// payload.  Widening quiets every NaN, so this one is built directly.
	const SoftExtended signalling = { 0xbfff'ffff'ffff'ffff, 16384, false };
	EXPECT_EQ(as_double(signalling + minus_small), 0xfff8'0000'0000'0001u);
}

// The C library's quiet NaN has an empty payload on most processors and a
// full one where the quiet bit means the opposite (older MIPS); either way
// it comes out positive and quiet, as the x87 unit would make it.
TEST(SoftExtendedNaNs, AFailedReadStaysAPositiveNaN)
{
	const SoftExtended unread = soft_widen(std::numeric_limits<float>::quiet_NaN());
	EXPECT_EQ(as_float(unread * ext(1.4142135623730951)) & 0xffc0'0000u, 0x7fc0'0000u);
	EXPECT_EQ(as_double(unread - unread) & 0xfff8'0000'0000'0000u, 0x7ff8'0000'0000'0000u);
}

TEST(SoftExtendedRounding, TiesGoToTheEvenSignificand)
{
	const SoftExtended one = ext(1.0);
	// Half a unit in the last place of 1 (2^-63) is lost when the last bit
	// is even and taken up when it is odd.
	EXPECT_EQ(as_double((one + ext(0x1p-64)) - one), plus_zero);
	const SoftExtended odd = one + ext(0x1p-63);
	EXPECT_EQ(as_double((odd + ext(0x1p-64)) - one), bits(0x1p-62));
	// Just past the tie the sticky bit decides, however far below it lies.
	EXPECT_EQ(as_double((one + (ext(0x1p-64) + ext(0x1p-120))) - one), bits(0x1p-63));
	// 1 - 2^-64 has 64 significant bits: a quotient that is exactly that
	// must not be rounded.
	const SoftExtended all_ones = ext(0x1p64) - one;
	EXPECT_EQ(as_double(one - all_ones / ext(0x1p64)), bits(0x1p-64));
	// 1/3 is 0.0101… in binary: its 64 significant bits end in 0 and are
	// followed by 1010…, two thirds of a unit, so it rounds up by a third
	// of a unit, 2^-65/3.  Taking away the double nearest a third, 2^-54/3
	// below it, leaves (2^11 + 1)·2^-65/3 = 683·2^-65 exactly; times 3 that
	// is 2049·2^-65.
	EXPECT_EQ(as_double(((one / ext(3.0)) - ext(1.0 / 3.0)) * ext(3.0)), bits(2049 * 0x1p-65));
}

TEST(SoftExtendedRounding, NarrowingRoundsTheStoredValueAgain)
{
	// 1 + 2^-24 + 2^-70 is rounded to 1 + 2^-24 by the addition; that is a
	// tie for float and goes to the even 1, although the exact sum lies
	// above the tie.
	const SoftExtended sum = (ext(1.0) + ext(0x1p-24)) + ext(0x1p-70);
	EXPECT_EQ(as_float(sum), bits(1.0f));
	EXPECT_EQ(as_float(ext(1.0) + ext(0x1.8p-23)), bits(1.0f + 0x1p-22f));

	// The tie just above FLT_MAX overflows; just below it does not.
	EXPECT_EQ(as_float(soft_widen(FLT_MAX) + ext(0x1p103)), bits(INFINITY));
	EXPECT_EQ(as_float(soft_widen(FLT_MAX) + ext(0x1.fffffp102)), bits(FLT_MAX));
	// Closer below the tie the addition itself rounds up onto it, and the
	// tie then overflows: the rounding to 64 bits comes first.
	EXPECT_EQ(as_float(soft_widen(FLT_MAX) + ext(0x1.fffffffffffffp102)), bits(INFINITY));
	EXPECT_EQ(as_double(ext(DBL_MAX) + ext(0x1p970)), bits(double(INFINITY)));

	// Subnormal results round once, at their own coarser spacing.
	EXPECT_EQ(as_float(ext(0x1p-150)), bits(0.0f));
	EXPECT_EQ(as_float(ext(0x1.000001p-150)), bits(0x1p-149f));
	EXPECT_EQ(as_float(ext(0x1.4p-148)), bits(0x1p-148f));
	EXPECT_EQ(as_float(ext(0x1.cp-148)), bits(0x1p-147f));
	EXPECT_EQ(as_float(ext(-0x1.7p-148)), bits(-0x1.8p-148f));
	EXPECT_EQ(as_double(ext(0x1p-1074) / ext(2.0)), bits(0.0));
	EXPECT_EQ(as_double(ext(0x1p-1074) * ext(0.75)), bits(0x1p-1074));
	EXPECT_EQ(as_float(ext(0x1.fffffep-127)), bits(0x1p-126f));
}

TEST(SoftExtendedRange, OverflowAndGradualUnderflowOfTheExtendedFormat)
{
	const SoftExtended largest_power = scaled(ext(1.0), 16383);
	EXPECT_EQ(as_double(scaled(largest_power * ext(2.0), -16000)), bits(double(INFINITY)));
	EXPECT_EQ(as_double(scaled(largest_power * ext(1.5), -16383)), bits(1.5));

	// The smallest subnormal, 2^-16445, survives and comes back; half of it
	// is a tie that goes to zero, three quarters of it rounds up to it.
	const SoftExtended smallest = scaled(ext(1.0), -16445);
	EXPECT_EQ(as_double(scaled(smallest, 16445)), bits(1.0));
	EXPECT_EQ(as_double(scaled(smallest * ext(0.5), 16445)), plus_zero);
	EXPECT_EQ(as_double(scaled(smallest * ext(0.75), 16445)), bits(1.0));
	// A subnormal keeps only the bits down to 2^-16445: 1 + 2^-60 at
	// 2^-16400 loses its low bit, at 2^-16380 it is a normal number and
	// keeps it.
	const SoftExtended fine = ext(1.0) + ext(0x1p-60);
	EXPECT_EQ(as_double(scaled(scaled(fine, -16400), 16400) - ext(1.0)), plus_zero);
	EXPECT_EQ(as_double(scaled(scaled(fine, -16380), 16380) - ext(1.0)), bits(0x1p-60));
}

#if TESTS_HAVE_MPFR
// The exact result rounded by MPFR to a 64-bit significand, with the
// extended format's gradual underflow, as significand and exponent.
SoftExtended by_mpfr(char operation, SoftExtended a, SoftExtended b)
{
	const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
	mpfr_set_emin(-16444);
	mpfr_set_emax(16384);
	mpfr_t x, y, r;
	mpfr_inits2(64, x, y, r, static_cast<mpfr_ptr>(nullptr));
	mpfr_set_uj_2exp(x, a.significand, a.exponent - 63, MPFR_RNDN);
	mpfr_set_uj_2exp(y, b.significand, b.exponent - 63, MPFR_RNDN);
	mpfr_setsign(x, x, a.negative, MPFR_RNDN);
	mpfr_setsign(y, y, b.negative, MPFR_RNDN);
	const int inexact = operation == '*' ? mpfr_mul(r, x, y, MPFR_RNDN)
	                    : operation == '/' ? mpfr_div(r, x, y, MPFR_RNDN) : mpfr_sub(r, x, y, MPFR_RNDN);
	mpfr_subnormalize(r, inexact, MPFR_RNDN);
	const bool negative = mpfr_signbit(r) != 0;
	const auto exponent = mpfr_zero_p(r) ? -16382 : std::max<std::int32_t>(std::int32_t(mpfr_get_exp(r) - 1), -16382);
	mpfr_abs(r, r, MPFR_RNDN);
	mpfr_mul_2si(r, r, 63 - exponent, MPFR_RNDN);
	const SoftExtended result = { std::uint64_t(mpfr_get_uj(r, MPFR_RNDN)), exponent, negative };
	mpfr_clears(x, y, r, static_cast<mpfr_ptr>(nullptr));
	mpfr_set_emin(emin);
	mpfr_set_emax(emax);
	return result;
}
#endif

TEST(SoftExtendedRounding, StickyBitsDecideBetweenHalfAndJustAbove)
{
	for (const StickyCase &c : sticky_cases) {
		const SoftExtended soft = c.operation == '*' ? c.a * c.b : c.operation == '/' ? c.a / c.b : c.a - c.b;
		EXPECT_EQ(bits(soft), bits(c.rounded)) << c.what;
#if TESTS_HAVE_MPFR
		EXPECT_EQ(bits(by_mpfr(c.operation, c.a, c.b)), bits(c.rounded)) << c.what << ", by MPFR";
#endif
	}
}

// Every inline fast path against the general code in soft_extended.cpp,
// which takes none of them: on x86 both are held against the hardware, and
// this holds the fast paths on every other processor too.  Significands are
// full, short or end in a run of zeros (ties), either sign, with exponents
// near 0 or the ends of the ranges of the extended format, of the fast
// paths and of double and float.  The second operand's exponent lies near
// the first one's, for sums, near 0, which puts products and quotients near
// the first one's end, or near an end of its own.
template <soft_extended::Operation op>
SoftExtended general_code(SoftExtended a, SoftExtended b)
{
	return soft_extended::operate_any<op>(a.significand, a.exponent, a.negative, b.significand, b.exponent, b.negative);
}

TEST(SoftExtendedFastPaths, GiveTheBitsOfTheGeneralCode)
{
	using soft_extended::Operation;
	using soft_extended::integer_bit;
	std::mt19937_64 random(64);
	const auto near_an_end = [&] { return std::array{ -16382, -8192, -4096, -1022, -126, 0, 127, 1023, 4096, 8192, 16383 }[random() % 11]; };
	const auto operand = [&](int near) {
		const std::uint64_t bits = random() | integer_bit;
		const std::uint64_t kinds[] = { bits, bits & ~soft_extended::low_half, (bits << (random() % 64)) | integer_bit };
		return SoftExtended{ kinds[random() % 3], std::clamp(near + int(random() % 81) - 40, -16382, 16384), random() % 2 == 1 };
	};
	long mismatches = 0;
	const auto check = [&](const char *what, auto fast, auto general, auto a, auto b) {
		if (bits(fast) != bits(general) && ++mismatches <= 10)
			ADD_FAILURE() << what << ' ' << testing::PrintToString(bits(a)) << ' ' << testing::PrintToString(bits(b))
			              << ": " << testing::PrintToString(bits(fast)) << " inline, " << testing::PrintToString(bits(general));
	};
	for (int i = 0; i < 200'000; i++) {
		const SoftExtended a = operand(near_an_end());
		SoftExtended b = operand(std::array{ a.exponent, 0, near_an_end() }[random() % 3]);
		if (i % 8 == 0 && soft_extended::is_short(a.significand)) {
			// Significands whose product lies just below a power of two, onto
			// which it may round up.
			const std::uint64_t factor = a.significand >> 32, most = ~std::uint64_t(0) >> 1;
			b.significand = ((most / factor) << 32) | ((((most % factor) << 32) | soft_extended::low_half) / factor);
		}
		check("+", a + b, general_code<Operation::add>(a, b), a, b);
		check("-", a - b, general_code<Operation::subtract>(a, b), a, b);
		check("*", a * b, general_code<Operation::multiply>(a, b), a, b);
		check("/", a / b, general_code<Operation::divide>(a, b), a, b);
		check("to float", soft_to_float(a), soft_extended::narrow_any<float>(a.significand, a.exponent, a.negative), a, a);
		check("to double", soft_to_double(a), soft_extended::narrow_any<double>(a.significand, a.exponent, a.negative), a, a);
		const std::uint64_t pattern = random();
		const auto f = std::bit_cast<float>(std::uint32_t(pattern));
		const auto d = std::bit_cast<double>(pattern);
		check("widen", soft_widen(f), soft_extended::widen_any(f), f, f);
		check("widen", soft_widen(d), soft_extended::widen_any(d), d, d);
	}
	EXPECT_EQ(mismatches, 0);
}

}  // namespace
