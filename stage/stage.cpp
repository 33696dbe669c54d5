#include "number.h"
#include "stage.h"

// Each formula is evaluated in Extended with the grouping written here, and
// its result is rounded to float as it is stored.  The Extended copy taken
// after each store is that rounded value: a later formula never sees the
// unrounded result of an earlier one.
//
// Formula 1 finds the optimal ballast resistor; formulas 2 to 15 follow from
// the inputs and whatever Rb is stored, so the optimal resistor and a given
// one go through this same code.
void compute_stage_with_ballast(Stage &s, ReportValues &r)
{
	const ExtendedRounding rounding;
	const Extended two = widen(2.0);
	const Extended hundred = widen(100.0);

	const Extended Rn = widen(s.Rn);
	const Extended U = widen(s.U);
	const Extended Ut0 = widen(s.Ut0);
	const Extended Rb = widen(s.Rb);

	s.Up = to_float(U - Ut0);
	const Extended Up = widen(s.Up);

	s.Ut = to_float((Rn * Up) / ((Rn + Rn) + Rb));
	const Extended Ut = widen(s.Ut);

	s.Ip = to_float((Up - Ut) / Rb);
	const Extended Ip = widen(s.Ip);

	s.Pv = to_float(((Ut * Ut) / two) / Rn);
	const Extended Pv = widen(s.Pv);

	s.Pp = to_float(U * Ip);
	const Extended Pp = widen(s.Pp);

	s.KPD = to_float((hundred / Pp) * Pv);
	s.Pt = to_float((Ut0 + Ut) * Ip);

	s.Prp = to_float(((Up - Ut) * (Up - Ut)) / Rb);
	s.Prs = to_float(((Ut * Ut) / two) / Rb);
	s.Pb = to_float(widen(s.Prp) + widen(s.Prs));

	// The report values stay in Extended from their operands to the end;
	// only the final result is rounded, and to double, not to float.
	r.load_pulse_current = to_double(Ut / Rn);
	r.transistor_pulse_current = to_double((Up / Rb) + (Ut / Rn));
	r.transistor_rest_voltage = to_double(Ut0 + Ut);
	r.ballast_rest_voltage = to_double(Up - Ut);
}

void compute_stage(Stage &s, ReportValues &r)
{
	{
		const ExtendedRounding rounding;
		// The square root of two enters as the double nearest to it,
		// widened, not as a wider approximation: the last bits of Rb, and
		// of everything derived from it, depend on exactly this value.
		const Extended root_two = widen(1.4142135623730951);
		s.Rb = to_float(widen(s.Rn) * root_two);
	}
	compute_stage_with_ballast(s, r);
}

double reported(float quantity)
{
	return to_double(quantity);
}
