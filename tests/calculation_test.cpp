// The stage formulas against the MPFR model, bit for bit.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reference.h"
#include "stage.h"
#include "stage_compare.h"

namespace {

Stage inputs(float Rn, float U, float Ut0)
{
	Stage s = {};
	s.Rn = Rn;
	s.U = U;
	s.Ut0 = Ut0;
	return s;
}

// Every standard value from 0.1 ohm to 100 megohms, each as strtof reads
// its decimal text in the "C" locale, in increasing order.
std::vector<float> standard_values(Series series)
{
	const int n = int(series), digits = n == 96 ? 3 : 2;
	std::vector<float> values;
	for (int exponent = -1 - digits; exponent <= 9 - digits; exponent++)
		for (int i = 0; i < n; i++) {
			// The series' values within a decade, rounded to the digits of
			// the series, as they are printed on resistors.
			const double exact = std::pow(10.0, digits - 1 + i / double(n));
			long mantissa = std::lround(exact);
			// E12 and E24 kept their older values where rounding the
			// ratio gives another.
			static const std::map<long, long> kept = { { 26, 27 }, { 29, 30 }, { 32, 33 },
				{ 35, 36 }, { 38, 39 }, { 42, 43 }, { 46, 47 }, { 83, 82 } };
			if (kept.count(mantissa))
				mantissa = kept.at(mantissa);
			const std::string text = std::to_string(mantissa) + "e" + std::to_string(exponent);
			const float value = std::strtof(text.c_str(), nullptr);
			if (value >= 0.1f && value <= 1e8f)
				values.push_back(value);
		}
	return values;
}

const Series every_series[] = { Series::E12, Series::E24, Series::E96 };

// The neighbours of `Rb` found in the strtof table: a different route to
// the same two floats.
std::string neighbour_differences(float Rb, Series series)
{
	static const std::map<Series, std::vector<float>> tables = {
		{ Series::E12, standard_values(Series::E12) },
		{ Series::E24, standard_values(Series::E24) },
		{ Series::E96, standard_values(Series::E96) },
	};
	const std::vector<float> &table = tables.at(series);
	const Neighbours got = standard_neighbours(Rb, series);
	const auto above = std::lower_bound(table.begin(), table.end(), Rb);
	const auto below = std::upper_bound(table.begin(), table.end(), Rb);
	const bool found = !std::isnan(Rb) && above != table.end() && below != table.begin();
	char text[160] = "";
	if (got.found != found || (found && (got.below != below[-1] || got.above != *above)))
		snprintf(text, sizeof text, " E%d neighbours %d %a %a, not %d %a %a;", int(series), got.found,
			 got.below, got.above, found, found ? below[-1] : 0, found ? *above : 0);
	return text;
}

// Runs one input through the program's formulas and the model, and again
// with each standard neighbour of its Rb; returns what differs, or an
// empty string.
std::string compare(float Rn, float U, float Ut0)
{
	Stage s = inputs(Rn, U, Ut0), m = s;
	ReportValues r, mr;
	compute_stage(s, r);
	reference_stage(m, mr);
	std::string differences = stage_differences(s, r, m, mr, NaNs::any);
	for (const Series series : every_series) {
		differences += neighbour_differences(s.Rb, series);
		const Neighbours n = standard_neighbours(s.Rb, series);
		for (const float Rb : { n.below, n.above }) {
			if (!n.found)
				break;
			Stage g = inputs(Rn, U, Ut0), gm = g;
			g.Rb = gm.Rb = Rb;
			compute_stage_with_ballast(g, r);
			reference_stage_with_ballast(gm, mr);
			const std::string d = stage_differences(g, r, gm, mr, NaNs::any);
			if (!d.empty())
				differences += " with Rb=" + std::to_string(Rb) + ":" + d;
		}
	}
	if (differences.empty())
		return differences;
	char where[120];
	snprintf(where, sizeof where, "Rn=%a U=%a Ut0=%a:", Rn, U, Ut0);
	return where + differences;
}

// Counts the inputs that differ and shows the first few, so that one fault
// does not bury the log under a hundred thousand lines.
struct Tally {
	int checked = 0, failed = 0;
	void operator()(float Rn, float U, float Ut0)
	{
		checked++;
		std::string why = compare(Rn, U, Ut0);
		if (!why.empty() && ++failed <= 5)
			ADD_FAILURE() << why;
	}
	~Tally() { EXPECT_EQ(failed, 0) << "of " << checked << " inputs"; }
};

TEST(Calculation, MatchesModelOnDesignValues)
{
	std::mt19937_64 rng(20261207);
	std::uniform_real_distribution<double> log_load(std::log(0.5), std::log(1e5));
	std::uniform_real_distribution<float> supply(0.5f, 400.0f), fraction(0.0f, 1.0f);
	Tally tally;
	for (int i = 0; i < 50000; i++) {
		const float U = supply(rng);
		tally(float(std::exp(log_load(rng))), U, U * fraction(rng) * 0.3f);
	}
	// Decimal values as a person types them, with few significant digits.
	for (int rn = 1; rn <= 2000; rn += 7)
		for (int u = 1; u <= 60; u += 3)
			tally(float(rn), u * 0.5f, 0.7f);
	EXPECT_GE(tally.checked, 50000);
}

TEST(Calculation, MatchesModelOnArbitraryBitPatterns)
{
	std::mt19937 rng(7);
	Tally tally;
	for (int i = 0; i < 50000; i++)
		tally(std::bit_cast<float>(uint32_t(rng())), std::bit_cast<float>(uint32_t(rng())),
		      std::bit_cast<float>(uint32_t(rng())));
	// Positive finite values only, where the formulas do the most rounding.
	std::uniform_int_distribution<uint32_t> finite(0, 0x7f7fffff);
	for (int i = 0; i < 20000; i++)
		tally(std::bit_cast<float>(finite(rng)), std::bit_cast<float>(finite(rng)),
		      std::bit_cast<float>(finite(rng)));
}

// Zeros, negative values and equal voltages in every combination.
TEST(Calculation, MatchesModelOnSmallIntegers)
{
	Tally tally;
	for (int rn = -12; rn <= 12; rn++)
		for (int u = -12; u <= 12; u++)
			for (int ut0 = -12; ut0 <= 12; ut0++)
				tally(float(rn), float(u), float(ut0));
	for (float zero : { 0.0f, -0.0f })
		for (float other : { 1.0f, -1.0f, 0.0f, -0.0f, INFINITY, -INFINITY, NAN })
			tally(zero, other, other), tally(other, zero, other), tally(other, other, zero);
}

bool positive_zero(float x) { return x == 0 && !std::signbit(x); }

// Outcomes of degenerate inputs as IEEE arithmetic gives them.
TEST(Calculation, DegenerateInputs)
{
	ReportValues r;

	// No load: Rb is 0 and Ut is 0/0, which poisons everything after it.
	Stage s = inputs(0, 12, 1);
	compute_stage(s, r);
	EXPECT_TRUE(positive_zero(s.Rb));
	EXPECT_EQ(s.Up, 11.0f);
	for (float q : { s.Ut, s.Ip, s.Pv, s.Pp, s.KPD, s.Pt, s.Prp, s.Prs, s.Pb })
		EXPECT_TRUE(std::isnan(q));
	for (double v : { r.load_pulse_current, r.transistor_pulse_current, r.transistor_rest_voltage,
			  r.ballast_rest_voltage })
		EXPECT_TRUE(std::isnan(v));

	// Supply equal to the minimum voltage: nothing to amplify, and the
	// efficiency is 100/0 times 0.
	s = inputs(8, 5, 5);
	compute_stage(s, r);
	for (float q : { s.Up, s.Ut, s.Ip, s.Pv, s.Pp, s.Pt, s.Prp, s.Prs, s.Pb })
		EXPECT_TRUE(positive_zero(q)) << q;
	EXPECT_TRUE(std::isnan(s.KPD));
	EXPECT_EQ(r.load_pulse_current, 0.0);
	EXPECT_EQ(r.transistor_pulse_current, 0.0);
	EXPECT_EQ(r.ballast_rest_voltage, 0.0);
	EXPECT_EQ(r.transistor_rest_voltage, 5.0);

	// Supply below the minimum voltage: the signs follow the arithmetic.
	s = inputs(8, 3, 5);
	compute_stage(s, r);
	EXPECT_EQ(s.Up, -2.0f);
	EXPECT_LT(s.Ut, 0);
	EXPECT_LT(s.Ip, 0);
	EXPECT_GT(s.Pv, 0);
	EXPECT_LT(s.Pp, 0);
	EXPECT_LT(s.KPD, 0);

	// A load so large that Rb overflows single precision: Rb is infinite
	// and the quotients by it vanish.
	s = inputs(FLT_MAX, 12, 1);
	compute_stage(s, r);
	EXPECT_EQ(s.Rb, INFINITY);
	EXPECT_TRUE(positive_zero(s.Ut));
	EXPECT_TRUE(positive_zero(s.Ip));
	EXPECT_TRUE(std::isnan(s.KPD));

	// A failed read leaves NaN, and NaN reaches every dependent value.
	s = inputs(1000, 12, NAN);
	compute_stage(s, r);
	EXPECT_TRUE(std::isnan(s.Up));
	EXPECT_TRUE(std::isnan(r.transistor_rest_voltage));
	EXPECT_EQ(double(s.Rb), 1414.213623046875);
	for (float q : { s.Ut, s.Ip, s.Pv, s.Pp, s.KPD, s.Pt, s.Prp, s.Prs, s.Pb })
		EXPECT_TRUE(std::isnan(q));
}

// The quantities are stored in single precision and that shows: with a
// thousand-ohm load the ballast resistor differs from a calculation done
// wholly in double in the fourth decimal.
TEST(Calculation, SinglePrecisionShows)
{
	Stage s = inputs(1000, 12, 1);
	ReportValues r;
	compute_stage(s, r);
	// 1000 times the square root of two lies at ...5623730951; the floats
	// nearest to it are ...5009765625 and ...623046875, 1/8192 apart.
	EXPECT_EQ(double(s.Rb), 1414.213623046875);
	EXPECT_GT(std::fabs(double(s.Rb) - 1000 * std::sqrt(2.0)), 5e-5);
	// A report value is not a float: Ut0 + Ut carried to double keeps bits
	// that a float sum would lose.
	EXPECT_NE(r.transistor_rest_voltage, double(float(double(s.Ut0) + double(s.Ut))));
}

// A ballast resistor on, just off and halfway between standard values of
// every series, where the neighbours change and the recomputed designs
// with them.
TEST(Calculation, MatchesModelNearStandardValues)
{
	Tally tally;
	for (const Series series : every_series) {
		const std::vector<float> table = standard_values(series);
		for (std::size_t i = 0; i + 1 < table.size(); i++)
			for (const double Rb : { double(table[i]), (double(table[i]) + table[i + 1]) / 2 }) {
				float Rn = float(Rb / std::sqrt(2.0));
				for (int step = 0; step < 2; step++, Rn = std::nextafter(Rn, 0.0f))
					tally(Rn, 24.0f, 1.5f), tally(std::nextafter(Rn, INFINITY), 9.0f, 0.3f);
			}
	}
}

struct NeighbourRow {
	Series series;
	float Rb;
	bool found;
	float below, above;
};

TEST(Parts, Neighbours)
{
	const float up = std::nextafter(1000.0f, INFINITY), down = std::nextafter(1000.0f, 0.0f);
	const NeighbourRow rows[] = {
		// On a standard value, just off it, and at a decade's boundary.
		{ Series::E24, 1000.0f, true, 1000.0f, 1000.0f },
		{ Series::E24, up, true, 1000.0f, 1100.0f },
		{ Series::E24, down, true, 910.0f, 1000.0f },
		{ Series::E24, 999.9f, true, 910.0f, 1000.0f },
		{ Series::E12, 999.9f, true, 820.0f, 1000.0f },
		{ Series::E96, 999.9f, true, 976.0f, 1000.0f },
		{ Series::E12, 1414.2136f, true, 1200.0f, 1500.0f },
		{ Series::E24, 1414.2136f, true, 1300.0f, 1500.0f },
		{ Series::E96, 1414.2136f, true, 1400.0f, 1430.0f },
		// Below one ohm and above ten megohms, to the ends of the range.
		{ Series::E12, 0.5f, true, 0.47f, 0.56f },
		{ Series::E24, 0.1f * 1.05f, true, 0.1f, 0.11f },
		{ Series::E12, std::nextafter(0.1f, 0.0f), false, 0, 0 },
		{ Series::E24, 0.05f, false, 0, 0 },
		{ Series::E96, 1.23e7f, true, 1.21e7f, 1.24e7f },
		{ Series::E12, 9.9e7f, true, 8.2e7f, 1e8f },
		{ Series::E24, 9.2e7f, true, 9.1e7f, 1e8f },
		{ Series::E24, std::nextafter(1e8f, INFINITY), false, 0, 0 },
		// No resistor at all.
		{ Series::E24, 0.0f, false, 0, 0 },
		{ Series::E24, -0.0f, false, 0, 0 },
		{ Series::E12, -1000.0f, false, 0, 0 },
		{ Series::E96, INFINITY, false, 0, 0 },
		{ Series::E24, NAN, false, 0, 0 },
	};
	for (const NeighbourRow &row : rows) {
		const Neighbours n = standard_neighbours(row.Rb, row.series);
		EXPECT_EQ(n.found, row.found) << row.Rb << " in E" << int(row.series);
		if (row.found && n.found) {
			EXPECT_EQ(n.below, row.below) << row.Rb << " in E" << int(row.series);
			EXPECT_EQ(n.above, row.above) << row.Rb << " in E" << int(row.series);
		}
	}
	// Every standard value of every series, as strtof reads it (also those
	// a float cannot hold, such as 1.1), is its own neighbour, and the
	// values beside it are those of the strtof table.
	for (const Series series : every_series)
		for (const float value : standard_values(series))
			for (const float Rb : { value, std::nextafter(value, 0.0f), std::nextafter(value, INFINITY) })
				EXPECT_EQ(neighbour_differences(Rb, series), "") << Rb;
}

TEST(Parts, PowerRatings)
{
	const float standard[] = { 0.125f, 0.25f, 0.5f, 1, 2, 3, 5, 10, 25, 50, 100 };
	for (std::size_t i = 0; i < std::size(standard); i++) {
		const float at = standard[i], next = i + 1 < std::size(standard) ? standard[i + 1] : NAN;
		const float rows[][2] = {
			{ at, at },
			{ std::nextafter(at, 0.0f), at },
			{ std::nextafter(at, INFINITY), next },
			{ at * 1.2f, next },
		};
		for (const auto &[watts, rating] : rows)
			EXPECT_TRUE(power_rating(watts) == rating || (std::isnan(rating) && std::isnan(power_rating(watts))))
				<< watts << " W gives " << power_rating(watts) << ", not " << rating;
	}
	EXPECT_EQ(power_rating(0.0f), 0.125f);
	EXPECT_EQ(power_rating(1e-30f), 0.125f);
	EXPECT_TRUE(std::isnan(power_rating(INFINITY)));
	EXPECT_TRUE(std::isnan(power_rating(NAN)));
}

} // namespace
