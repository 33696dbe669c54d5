// The whole calculation by the x87 unit and by the software extended type
// must store the same bits in every quantity and hand the report the same
// bits in every value, whatever the inputs.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <random>
#include <string>

#include "stage_compare.h"
#include "stage_two_ways.h"

namespace {

struct Inputs {
	float Rn, U, Ut0;
};

std::string describe(Inputs in)
{
	char text[160];
	std::snprintf(text, sizeof text, "Rn=%a (%08x) U=%a (%08x) Ut0=%a (%08x)", double(in.Rn),
	              std::bit_cast<std::uint32_t>(in.Rn), double(in.U), std::bit_cast<std::uint32_t>(in.U),
	              double(in.Ut0), std::bit_cast<std::uint32_t>(in.Ut0));
	return text;
}

using Compute = void (*)(Stage &, ReportValues &);

// Runs both calculations on each set of inputs and reports the first few that
// disagree.
class Comparison {
public:
	Comparison(Compute reference, Compute candidate) : reference(reference), candidate(candidate) {}

	void check(Inputs in)
	{
		Stage a = {};
		Stage b = {};
		ReportValues ra = {};
		ReportValues rb = {};
		a.Rn = b.Rn = in.Rn;
		a.U = b.U = in.U;
		a.Ut0 = b.Ut0 = in.Ut0;
		reference(a, ra);
		candidate(b, rb);
		compared++;
		const std::string differences = stage_differences(b, rb, a, ra, NaNs::same_bits);
		if (!differences.empty() && ++mismatches <= 10)
			ADD_FAILURE() << describe(in) << ":" << differences;
	}

	Compute reference;
	Compute candidate;
	long compared = 0;
	long mismatches = 0;
};

// What a person types: a few significant decimal digits, read the way the
// dialogue reads them.
float typed(std::mt19937_64 &random, unsigned long max_whole, int decimals)
{
	static const unsigned long scale[] = { 1, 10, 100, 1000 };
	char text[40];
	std::snprintf(text, sizeof text, "%lu.%0*lu", (unsigned long)(random() % (max_whole + 1)), decimals,
	              (unsigned long)(random() % scale[decimals]));
	return std::strtof(text, nullptr);
}

float any_float(std::mt19937_64 &random)
{
	return std::bit_cast<float>(std::uint32_t(random()));
}

void run_all_inputs(Comparison &c)
{
	std::mt19937_64 random(2024);

	// Small integers, zeros of both signs, negatives and equal voltages.
	const float small[] = { -3, -2, -1, -0.0f, 0, 1, 2, 3, 0.5f };
	for (float Rn : small)
		for (float U : small)
			for (float Ut0 : small)
				c.check({ Rn, U, Ut0 });

	// Every combination of the special values: two NaNs that differ only
	// in sign meet in one operation, where the x87 unit gives the positive
	// one and SSE the first, so a formula the compiler moved to SSE shows.
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	const float special[] = { -0.0f, 0, -1, 1, -inf, inf, -nan, nan };
	for (float Rn : special)
		for (float U : special)
			for (float Ut0 : special)
				c.check({ Rn, U, Ut0 });

	for (int i = 0; i < 40'000; i++) {
		// Design values: loads from an ohm to tens of kilohms, supplies up
		// to a few hundred volts, a transistor's volt or two.
		const float Rn = typed(random, i % 3 == 0 ? 20'000 : 100, 1 + i % 3);
		const float U = typed(random, 300, 1 + i % 2);
		const float Ut0 = i % 7 == 0 ? U : typed(random, 5, 2);
		c.check({ Rn, U, Ut0 });
	}
	for (int i = 0; i < 40'000; i++)
		c.check({ any_float(random), any_float(random), any_float(random) });
	// One input anything, the others ordinary, so that a strange value meets
	// ordinary arithmetic rather than other strange values.
	for (int i = 0; i < 30'000; i++) {
		Inputs in = { typed(random, 1000, 1), typed(random, 50, 1), typed(random, 3, 2) };
		float *one[] = { &in.Rn, &in.U, &in.Ut0 };
		*one[i % 3] = any_float(random);
		c.check(in);
	}
}

TEST(StageTwoWays, SoftwareArithmeticGivesTheBitsOfTheX87Unit)
{
	Comparison c(compute_stage_by_hardware, compute_stage_by_software);
	run_all_inputs(c);
	EXPECT_GE(c.compared, 100'000);
	EXPECT_EQ(c.mismatches, 0);
}

// A process may start with the x87 unit rounding to 53 bits, as a thread on
// 64-bit Windows does; the calculation must give the same bits regardless.
TEST(StageTwoWays, X87GivesTheSameBitsWhateverPrecisionItStartsWith)
{
	unsigned short start;
	const unsigned short double_precision = 0x027F;
	__asm__ volatile("fnstcw %0" : "=m"(start));
	__asm__ volatile("fldcw %0" : : "m"(double_precision));
	Comparison c(compute_stage_by_software, compute_stage_by_hardware);
	run_all_inputs(c);
	__asm__ volatile("fldcw %0" : : "m"(start));
	EXPECT_EQ(c.mismatches, 0);
}

// The x87 state a caller sees: its control word, and the six exception
// flags of its status word.
struct X87State {
	unsigned short control, flags;
	bool operator==(const X87State &) const = default;
};

constexpr unsigned short exception_flags = 0x3f;

X87State x87_state()
{
	unsigned short control, status;
	__asm__ volatile("fnstcw %0" : "=m"(control));
	__asm__ volatile("fnstsw %0" : "=m"(status));
	return { control, static_cast<unsigned short>(status & exception_flags) };
}

// The flags can only be written with the whole environment, whose first
// word is the control word and whose third the status word.
void set_x87_state(X87State state)
{
	unsigned short environment[14];
	__asm__ volatile("fnstenv %0" : "=m"(environment));
	environment[0] = state.control;
	environment[2] = static_cast<unsigned short>((environment[2] & ~exception_flags) | state.flags);
	__asm__ volatile("fldenv %0" : : "m"(environment));
}

std::ostream &operator<<(std::ostream &out, X87State state)
{
	return out << "control word " << std::hex << state.control << ", flags " << state.flags << std::dec;
}

// The calculation raises flags (inexact nearly always; invalid and
// divide-by-zero for zeros, infinities and NaNs) and sets its own control
// word, but the caller gets back its own of each, flags set or clear: a
// flag left raised would trap at the caller's next x87 instruction once it
// unmasked that exception.  The control words round to 64, 53 and 24 bits,
// to nearest and towards zero, with every exception masked.
TEST(StageTwoWays, X87CallerGetsBackItsControlWordAndFlags)
{
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	const Inputs inputs[] = { { 1000, 12, 1 }, { 0, 0, 0 }, { 8, 12.5f, 1.2f }, { inf, 1, nan }, { -1, inf, 0 } };
	const X87State before = x87_state();
	for (unsigned short control : { 0x037f, 0x027f, 0x007f, 0x0f7f })
		for (unsigned short flags : { 0x00, 0x3f, 0x01, 0x20 })
			for (Inputs in : inputs) {
				Stage s = {};
				ReportValues r = {};
				s.Rn = in.Rn;
				s.U = in.U;
				s.Ut0 = in.Ut0;
				const X87State caller = { control, flags };
				set_x87_state(caller);
				compute_stage_by_hardware(s, r);
				const X87State after = x87_state();
				set_x87_state(before);
				EXPECT_EQ(after, caller) << describe(in);
			}
}

// The program's own calculation against the x87 unit, in a build that gave
// the program the software type (the soft preset).  Where the program uses
// the hardware itself, this would compare a thing with itself.
TEST(StageTwoWays, ProgramCalculationGivesTheBitsOfTheX87Unit)
{
	if (!PROGRAM_USES_SOFT_EXTENDED)
		GTEST_SKIP() << "this build's program does its arithmetic on the x87 unit";
	Comparison c(compute_stage_by_hardware, compute_stage);
	run_all_inputs(c);
	EXPECT_EQ(c.mismatches, 0);
}

}  // namespace
