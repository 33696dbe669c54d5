// The one place that decides how the extended-precision arithmetic is
// carried out.
//
// Every operation must be rounded once to a 64-bit significand, to nearest
// with ties to even.  Values are kept as float or double between
// calculations; only this header knows which type does the work in between.
// The calculation sees the type as `Extended`, crosses into and out of it
// with the functions below, and holds an `ExtendedRounding` while it runs,
// so it reads the same whatever type is chosen here.
//
// Each choice lives in an inline namespace of its own, so that a program
// may hold translation units built with either (the tests compare the two)
// and every name still has one definition: the software type's
// ExtendedRounding and the x87 unit's are different classes, not two
// definitions of one for the linker to pick from.
#ifndef AMPSTAGE_EXTENDED_NUMBER_H
#define AMPSTAGE_EXTENDED_NUMBER_H

#include <cfloat>

// Where long double is the x87 extended format (radix 2, a 64-bit
// significand, which GCC and Clang give it on x86), the hardware does the
// work.  Elsewhere long double has a 53-bit or a 113-bit significand, which
// rounds differently and would change the last digits of a result, so the
// software type takes its place; AMPSTAGE_SOFT_EXTENDED chooses it even
// where the hardware would do, so that both can be built on one machine.
// The hardware path relies on GCC's inline assembly for the x87 control
// word, so a compiler without it gets the software type too.
#if defined(AMPSTAGE_SOFT_EXTENDED) || FLT_RADIX != 2 || LDBL_MANT_DIG != 64 || \
	!(defined(__i386__) || defined(__x86_64__)) || !defined(__GNUC__)

#include "soft_extended.h"

inline namespace software_arithmetic {

using Extended = SoftExtended;

inline Extended widen(float x) { return soft_widen(x); }
inline Extended widen(double x) { return soft_widen(x); }
inline float to_float(Extended x) { return soft_to_float(x); }
inline double to_double(Extended x) { return soft_to_double(x); }

// The software type's rounding is fixed in its code.
struct ExtendedRounding {
	ExtendedRounding() {}
};

}

#else

inline namespace x87_arithmetic {

using Extended = long double;

// Widening is exact: every float and every double is an Extended value.
inline Extended widen(float x) { return x; }
inline Extended widen(double x) { return x; }

// Narrowing rounds once, to nearest with ties to even.  The store through a
// volatile makes that rounding happen here: a compiler that keeps x87
// values in registers with excess precision (as GCC does for 32-bit x86)
// would otherwise hand on the unrounded value, and the next formula would
// read more bits than the float or double holds.
inline float to_float(Extended x)
{
	volatile float stored = static_cast<float>(x);
	return stored;
}

inline double to_double(Extended x)
{
	volatile double stored = static_cast<double>(x);
	return stored;
}

// The x87 unit rounds every operation to the precision its control word
// selects.  Linux starts a process with 64 bits; a thread on 64-bit Windows
// starts with 53, and only the C run-time's start-up raises it, which a
// calculation should not have to trust.  While it lives, this sets the
// control word as a reset leaves it (64 bits, to nearest, every exception
// masked) and puts the caller's back at the end.  The memory clobbers keep
// the compiler from moving the calculation's loads and stores across.
class ExtendedRounding {
public:
	ExtendedRounding()
	{
		static const unsigned short reset = 0x037F;
		__asm__ volatile("fnstcw %0" : "=m"(saved) : : "memory");
		__asm__ volatile("fldcw %0" : : "m"(reset) : "memory");
	}
	~ExtendedRounding() { __asm__ volatile("fldcw %0" : : "m"(saved) : "memory"); }
	ExtendedRounding(const ExtendedRounding &) = delete;
	ExtendedRounding &operator=(const ExtendedRounding &) = delete;

private:
	unsigned short saved;
};

}

#endif

// A float as a double, exactly, with a NaN's sign and payload: by way of
// Extended rather than a conversion instruction, because some processors
// give every converted NaN one canonical sign and payload.
inline double to_double(float x) { return to_double(widen(x)); }

#endif
