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

// A float as a double, exactly, with a NaN's sign and payload: by way of
// Extended rather than a conversion instruction, because some processors
// give every converted NaN one canonical sign and payload.  Its body
// differs with the arithmetic, so each choice defines its own.
inline double to_double(float x) { return to_double(widen(x)); }

// The software type's rounding is fixed in its code.
struct ExtendedRounding {
	ExtendedRounding() {}
};

}

#else

inline namespace x87_arithmetic {

using Extended = long double;

// Values cross into and out of the x87 unit by its own load and store
// instructions, written out here.  The compiler sees only assembly that
// makes an x87 value out of a float or double in memory, or the reverse,
// and so knows nothing of the values in between: every operation of a
// calculation stays an x87 operation, whatever it could prove.  Left to
// itself, GCC (and Clang alike) sees that a sum, difference or product of
// two widened floats rounded straight back to float has, for finite
// operands, the value of one SSE single-precision instruction, and uses
// that.  For two NaN operands the two units differ: SSE returns the first,
// sign and all, where the x87 unit returns the one with the larger
// significand, the positive one when they differ only in sign.
//
// Widening is exact: every float and every double is an Extended value.
inline Extended widen(float x)
{
	Extended wide;
	__asm__("flds %1" : "=t"(wide) : "m"(x));
	return wide;
}

inline Extended widen(double x)
{
	Extended wide;
	__asm__("fldl %1" : "=t"(wide) : "m"(x));
	return wide;
}

// Narrowing rounds once, to nearest with ties to even, in the store.  The
// value read back is the stored float or double: a compiler that keeps x87
// values in registers with excess precision (as GCC does for 32-bit x86)
// cannot hand on the unrounded value in its place, since it does not know
// that one came from the other.
inline float to_float(Extended x)
{
	float stored;
	__asm__("fstps %0" : "=m"(stored) : "t"(x) : "st");
	return stored;
}

inline double to_double(Extended x)
{
	double stored;
	__asm__("fstpl %0" : "=m"(stored) : "t"(x) : "st");
	return stored;
}

// As for the software type: a float as a double by way of Extended.
inline double to_double(float x) { return to_double(widen(x)); }

// The x87 unit rounds every operation to the precision its control word
// selects.  Linux starts a process with 64 bits; a thread on 64-bit Windows
// starts with 53, and only the C run-time's start-up raises it, which a
// calculation should not have to trust.  While it lives, this sets the
// control word as a reset leaves it (64 bits, to nearest, every exception
// masked) and at the end puts back all that the calculation changed: the
// caller's control word, and the caller's exception flags and condition
// codes in the status word.  A flag that the calculation raised (inexact,
// invalid, divide-by-zero...) and left would become the caller's: once it
// unmasks that exception, its next x87 instruction traps for what the
// calculation did.  Flags can only be written by loading the whole
// environment, so the one at the end is read, given the caller's words,
// and loaded back; it keeps its own register stack, the stack pointer in
// the status word and the tags, so that nothing the compiler holds in a
// register is lost.  The memory clobbers keep the compiler from moving the
// calculation's loads and stores across.
class ExtendedRounding {
public:
	ExtendedRounding()
	{
		static const unsigned short reset = 0x037F;
		__asm__ volatile("fnstenv %0" : "=m"(saved) : : "memory");
		__asm__ volatile("fldcw %0" : : "m"(reset) : "memory");
	}
	~ExtendedRounding()
	{
		Environment now;
		__asm__ volatile("fnstenv %0" : "=m"(now) : : "memory");
		now.control = saved.control;
		now.status = (saved.status & ~stack_top) | (now.status & stack_top);
		__asm__ volatile("fldenv %0" : : "m"(now) : "memory");
	}
	ExtendedRounding(const ExtendedRounding &) = delete;
	ExtendedRounding &operator=(const ExtendedRounding &) = delete;

private:
	// The environment as fnstenv stores it in protected mode, also in
	// 64-bit mode: 28 bytes, each word in the low half of 32 bits.
	struct Environment {
		unsigned short control, unused_1;
		unsigned short status, unused_2;
		unsigned int tags_and_pointers[5];
	};
	static_assert(sizeof(Environment) == 28, "the x87 environment's layout");
	static const unsigned short stack_top = 0x3800;

	Environment saved;
};

}

#endif

#endif
