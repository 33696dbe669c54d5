#include <mpfr.h>

#include "reference.h"

namespace {

// One value of the model: exactly what the extended format can hold.
struct X {
	mpfr_t v;
	X() { mpfr_init2(v, 64); }
	explicit X(double d) : X() { mpfr_set_d(v, d, MPFR_RNDN); }
	X(const X &other) : X() { mpfr_set(v, other.v, MPFR_RNDN); }
	X &operator=(const X &) = delete;
	~X() { mpfr_clear(v); }
};

// The extended format's exponent range, in MPFR's convention of a
// significand in [1/2, 1): the largest finite value is just below 2^16384
// and the smallest subnormal is 2^-16445.  Float inputs never come near
// either end, but the model should not depend on that.
struct ExtendedRange {
	ExtendedRange()
	{
		mpfr_set_emax(16384);
		mpfr_set_emin(-16444);
	}
} const extended_range;

using Op = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);

X apply(Op op, const X &a, const X &b)
{
	X r;
	int inexact = op(r.v, a.v, b.v, MPFR_RNDN);
	mpfr_subnormalize(r.v, inexact, MPFR_RNDN);
	return r;
}

X operator+(const X &a, const X &b) { return apply(mpfr_add, a, b); }
X operator-(const X &a, const X &b) { return apply(mpfr_sub, a, b); }
X operator*(const X &a, const X &b) { return apply(mpfr_mul, a, b); }
X operator/(const X &a, const X &b) { return apply(mpfr_div, a, b); }

float single(const X &x) { return mpfr_get_flt(x.v, MPFR_RNDN); }
double twice(const X &x) { return mpfr_get_d(x.v, MPFR_RNDN); }

} // namespace

void reference_stage(Stage &s, ReportValues &r)
{
	s.Rb = single(X(s.Rn) * X(1.4142135623730951));
	reference_stage_with_ballast(s, r);
}

void reference_stage_with_ballast(Stage &s, ReportValues &r)
{
	const X two(2.0), hundred(100.0);
	const X Rn(s.Rn), U(s.U), Ut0(s.Ut0);
	const X Rb(s.Rb);
	s.Up = single(U - Ut0);
	const X Up(s.Up);
	s.Ut = single((Rn * Up) / ((Rn + Rn) + Rb));
	const X Ut(s.Ut);
	s.Ip = single((Up - Ut) / Rb);
	const X Ip(s.Ip);
	s.Pv = single(((Ut * Ut) / two) / Rn);
	s.Pp = single(U * Ip);
	s.KPD = single((hundred / X(s.Pp)) * X(s.Pv));
	s.Pt = single((Ut0 + Ut) * Ip);
	s.Prp = single(((Up - Ut) * (Up - Ut)) / Rb);
	s.Prs = single(((Ut * Ut) / two) / Rb);
	s.Pb = single(X(s.Prp) + X(s.Prs));

	r.load_pulse_current = twice(Ut / Rn);
	r.transistor_pulse_current = twice((Up / Rb) + (Ut / Rn));
	r.transistor_rest_voltage = twice(Ut0 + Ut);
	r.ballast_rest_voltage = twice(Up - Ut);
}

const char *reference_fixed6(double value)
{
	static char text[512];
	const X x(value);
	mpfr_snprintf(text, sizeof text, "%.6RNf", x.v);
	return text;
}
