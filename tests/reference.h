// An independent model of the stage calculation, carried out with MPFR at a
// 64-bit significand and the extended format's exponent range, then rounded
// to float and double.  The tests compare the program against it bit for bit.
#ifndef AMPSTAGE_TESTS_REFERENCE_H
#define AMPSTAGE_TESTS_REFERENCE_H

#include "stage.h"

// Fills in the derived quantities of `s` from its inputs, and `r`, as the
// program's calculation should.
void reference_stage(Stage &s, ReportValues &r);

// The same for the Rb that `s` holds, as compute_stage_with_ballast.
void reference_stage_with_ballast(Stage &s, ReportValues &r);

// A double printed as "%f" prints it, correctly rounded to six decimals,
// but with MPFR's own formatting and a full stop for the decimal point.
// NaN prints as "nan" whatever its sign, since MPFR keeps no sign for it.
const char *reference_fixed6(double value);

#endif
