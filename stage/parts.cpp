// From the design to the parts that build it: the standard resistors around
// the optimal ballast resistor, and what each part must withstand.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

#include "stage.h"

// The values of a decade, as whole numbers of two digits (E12, E24) or of
// three (E96); a series' values are these times a power of ten.
static const std::uint16_t e12[] = { 10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82 };
static const std::uint16_t e24[] = { 10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
				     33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91 };
static const std::uint16_t e96[] = {
	100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
	147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
	215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
	316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
	464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
	681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976,
};
static_assert(std::size(e12) == 12 && std::size(e24) == 24 && std::size(e96) == 96);

// The float nearest to mantissa times ten to the exponent, ties to even.
// This is the float that scanf("%f") gives for the value's decimal digits:
// the C library rounds the exact decimal value once, to nearest, and so
// does the page's own reading, which follows it digit for digit.  Here
// the exact value is a fraction of two integers, so it is rounded once
// with integer arithmetic: dividing in double and then narrowing to float
// would round twice and could land on the other side of a halfway point.
static float decimal_float(std::uint64_t mantissa, int exponent)
{
	std::uint64_t numerator = mantissa, denominator = 1;
	for (; exponent > 0; exponent--)
		numerator *= 10;
	for (; exponent < 0; exponent++)
		denominator *= 10;
	// Scaled by a power of two, the quotient has the 24 bits of a float's
	// significand.  Standard values are far from overflow and underflow.
	int shift = 0;
	for (; numerator < denominator << 23; shift--)
		numerator <<= 1;
	for (; numerator >= denominator << 24; shift++)
		denominator <<= 1;
	std::uint64_t quotient = numerator / denominator;
	const std::uint64_t twice_remainder = 2 * (numerator % denominator);
	if (twice_remainder > denominator || (twice_remainder == denominator && quotient % 2 == 1))
		quotient++;
	// The quotient, at most 2^24, converts to float exactly; as a signed
	// number, so that no arithmetic of the conversion's own is needed.
	return std::ldexp(float(std::int32_t(quotient)), shift);
}

// The series' values from 0.1 ohm (index 0) to 100 megohms (index nine
// decades on), in increasing order.
struct SeriesValues {
	const std::uint16_t *decade;
	int per_decade;
	int digits;
	int last() const { return 9 * per_decade; }
	float operator[](int i) const
	{
		return decimal_float(decade[i % per_decade], i / per_decade - digits);
	}
};

static SeriesValues values_of(Series series)
{
	switch (series) {
	case Series::E12:
		return { e12, 12, 2 };
	case Series::E96:
		return { e96, 96, 3 };
	case Series::E24:
		break;
	}
	return { e24, 24, 2 };
}

// The comparison is between floats: a standard value counts as the float
// the program would hold for it, so a Rb that is that float has the value
// itself as both neighbours, and its recomputed design is the optimal one.
Neighbours standard_neighbours(float Rb, Series series)
{
	const SeriesValues values = values_of(series);
	const float none = std::numeric_limits<float>::quiet_NaN();
	if (!(Rb >= values[0] && Rb <= values[values.last()]))
		return { false, none, none };
	int i = 0;
	while (values[i] < Rb)
		i++;
	return { true, values[i] == Rb ? values[i] : values[i - 1], values[i] };
}

float power_rating(float watts)
{
	static const float ratings[] = { 0.125f, 0.25f, 0.5f, 1, 2, 3, 5, 10, 25, 50, 100 };
	for (const float rating : ratings)
		if (watts <= rating)
			return rating;
	return std::numeric_limits<float>::quiet_NaN();
}

Ratings part_ratings(const Stage &s, const ReportValues &r)
{
	return { r.transistor_pulse_current, s.U, s.Pt, s.Pb, power_rating(s.Pb) };
}
