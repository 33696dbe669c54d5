// Operations whose exact result has, below the bits that it keeps, exactly
// half a unit, alone or with one more bit set far below it: the lowest or
// the highest bit that a shift or an alignment drops.  Only the sticky bit
// that such a shift keeps for the dropped bits tells the two apart, and
// rounding to nearest goes down from an exact half to an even result but up
// from just above it.  The shift counts lie at each end of their range:
// products and quotients rounded to a subnormal result 1 and 62 places
// below the smallest normal exponent (at 63 the last place kept is always
// odd, and both round up) and 64 places below, where the whole lower word
// is dropped, and a difference whose smaller operand is aligned 65 places
// down, where a power of two loses its leading bit.
//
// Each result is the one that rounding to nearest with ties to even gives
// the exact value, which lies on the half or just above or below it, as the
// row says; the tests hold it against the x87 unit or MPFR as well.
#ifndef AMPSTAGE_TESTS_STICKY_CASES_H
#define AMPSTAGE_TESTS_STICKY_CASES_H

#include "soft_extended.h"

struct StickyCase {
	const char *what;
	char operation;
	SoftExtended a, b, rounded;
};

inline const StickyCase sticky_cases[] = {
	{ "product: just above a half, bit 0 of the low word", '*', { 0xf69542b8cecf8a17, -8000, false }, { 0xde6fc0aaf70c4da7, -8384, false }, { 0x6b208a14684c365f, -16382, false } },
	{ "product: exactly a half", '*', { 0x8000000000000000, -8000, false }, { 0xaeff2f128330550d, -8383, false }, { 0x577f978941982a86, -16382, false } },
	{ "product: just above a half, bit 61 of the low word", '*', { 0xa22d7c5b7a74f200, -8000, false }, { 0xfc90000000000000, -8445, false }, { 0x0000000000000003, -16382, false } },
	{ "product: just above a half, bit 41 of the low word", '*', { 0xa37706ea25a8f890, -8000, false }, { 0xfa92d72000000000, -8445, false }, { 0x0000000000000003, -16382, false } },
	{ "product: exactly a half", '*', { 0xa000000000000000, -8000, false }, { 0x8000000000000000, -8444, false }, { 0x0000000000000002, -16382, false } },
	{ "product: just above a half, bit 1 of the low word", '*', { 0x8000000100000001, -8000, false }, { 0xfffffffe00000002, -8447, false }, { 0x0000000000000001, -16382, false } },
	{ "product: just above a half, bit 63 of the low word", '*', { 0x85e0200000000000, -8000, false }, { 0xf4c3c67344040000, -8447, false }, { 0x0000000000000001, -16382, false } },
	{ "product: exactly a half", '*', { 0x8000000000000000, -8000, false }, { 0x8000000000000000, -8446, false }, { 0x0000000000000000, -16382, false } },
	{ "difference: just below a half, bit 0 shifted out", '-', { 0x8000000000000000, 0, false }, { 0x8000000000000001, -65, false }, { 0xffffffffffffffff, -1, false } },
	{ "difference: exactly a half", '-', { 0x8000000000000000, 0, false }, { 0x8000000000000000, -65, false }, { 0x8000000000000000, 0, false } },
	{ "quotient: just above a half, a remainder", '/', { 0x993e917f2319a2f4, -8382, false }, { 0xed9deeee95da5109, 8000, false }, { 0x528cceb008ddaafd, -16382, false } },
	{ "quotient: just above a half, a remainder", '/', { 0x93706f8b8529123d, -8443, false }, { 0xebe718df3b74e9fb, 8000, false }, { 0x0000000000000003, -16382, false } },
	{ "quotient: exactly a half", '/', { 0xa000000000000000, -8444, false }, { 0x8000000000000000, 8000, false }, { 0x0000000000000002, -16382, false } },
	{ "quotient: exactly a half", '/', { 0xb1a4a4f93b91e571, -8383, false }, { 0x8000000000000000, 8000, false }, { 0x58d2527c9dc8f2b8, -16382, false } },
	{ "quotient: just above a half, a remainder", '/', { 0x8000000000000000, -8445, false }, { 0xffffffffffffffff, 8000, false }, { 0x0000000000000001, -16382, false } },
};

#endif
