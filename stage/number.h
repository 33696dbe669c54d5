// The one place that decides how the stage's arithmetic is carried out.
//
// Every operation of every formula must be rounded once to a 64-bit
// significand, to nearest with ties to even.  The quantities themselves are
// stored as float and the report values handed on as double; only this
// header knows which type does the work in between.  The formulas see the
// type as `Extended` and cross into and out of it with the four functions
// below, so they read the same whatever type is chosen here.
#ifndef AMPSTAGE_STAGE_NUMBER_H
#define AMPSTAGE_STAGE_NUMBER_H

#include <cfloat>

// The x87 extended format that GCC and Clang give long double on x86-64:
// radix 2, a 64-bit significand, rounding to nearest by default.  A type
// with a 53-bit or a 113-bit significand rounds differently and would change
// the last digits of the report, so such a build is refused outright.
#if FLT_RADIX != 2 || LDBL_MANT_DIG != 64
#error "ampstage needs long double with a 64-bit significand (the x87 extended format of x86-64 with GCC or Clang)"
#endif

using Extended = long double;

// Widening is exact: every float and every double is an Extended value.
inline Extended widen(float x) { return x; }
inline Extended widen(double x) { return x; }

// Narrowing rounds once, to nearest with ties to even.
inline float to_float(Extended x) { return static_cast<float>(x); }
inline double to_double(Extended x) { return static_cast<double>(x); }

#endif
