// An independent model of the stage calculation, carried out with MPFR at a
// 64-bit significand and the extended format's exponent range, then rounded
// to float and double.  The tests compare the program against it bit for bit.
#ifndef AMPSTAGE_TESTS_REFERENCE_H
#define AMPSTAGE_TESTS_REFERENCE_H

struct ReferenceStage {
	float Rb, Up, Ut, Ip, Pv, Pp, KPD, Pt, Prp, Prs, Pb;
	double load_pulse_current, transistor_pulse_current;
	double transistor_rest_voltage, ballast_rest_voltage;
};

ReferenceStage reference_stage(float Rn, float U, float Ut0);

// A double printed as "%f" prints it, correctly rounded to six decimals,
// but with MPFR's own formatting and a full stop for the decimal point.
// NaN prints as "nan" whatever its sign, since MPFR keeps no sign for it.
const char *reference_fixed6(double value);

#endif
