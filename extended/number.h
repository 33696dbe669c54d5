// The one place that decides how the stage's arithmetic is carried out.
//
// Every operation of every formula must be rounded once to a 64-bit
// significand, to nearest with ties to even.  The quantities themselves are
// stored as float and the report values handed on as double; only this
// header knows which type does the work in between.  The formulas see the
// type as `Extended` and cross into and out of it with the four functions
// below, so they read the same whatever type is chosen here.
//
// The functions are static so that a program may hold translation units
// built with either choice (the tests compare the two) without the two
// definitions of widen(float) being taken for one.
#ifndef AMPSTAGE_EXTENDED_NUMBER_H
#define AMPSTAGE_EXTENDED_NUMBER_H

#include <cfloat>

// Where long double is the x87 extended format (radix 2, a 64-bit
// significand, which GCC and Clang give it on x86), the hardware does the
// work.  Elsewhere long double has a 53-bit or a 113-bit significand, which
// rounds differently and would change the last digits of the report, so the
// software type takes its place; AMPSTAGE_SOFT_EXTENDED chooses it even
// where the hardware would do, so that both can be built on one machine.
#if defined(AMPSTAGE_SOFT_EXTENDED) || FLT_RADIX != 2 || LDBL_MANT_DIG != 64

#include "soft_extended.h"

using Extended = SoftExtended;

static inline Extended widen(float x) { return soft_widen(x); }
static inline Extended widen(double x) { return soft_widen(x); }
static inline float to_float(Extended x) { return soft_to_float(x); }
static inline double to_double(Extended x) { return soft_to_double(x); }

#else

using Extended = long double;

// Widening is exact: every float and every double is an Extended value.
static inline Extended widen(float x) { return x; }
static inline Extended widen(double x) { return x; }

// Narrowing rounds once, to nearest with ties to even.
static inline float to_float(Extended x) { return static_cast<float>(x); }
static inline double to_double(Extended x) { return static_cast<double>(x); }

#endif

#endif
