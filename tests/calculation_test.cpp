// The stage formulas against the MPFR model, bit for bit.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

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

// Runs one input through the program's formulas and the model; returns
// what differs, or an empty string.
std::string compare(float Rn, float U, float Ut0)
{
	Stage s = inputs(Rn, U, Ut0), m = s;
	ReportValues r, mr;
	compute_stage(s, r);
	reference_stage(m, mr);
	const std::string differences = stage_differences(s, r, m, mr, NaNs::any);
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

} // namespace
