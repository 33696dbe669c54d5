// Extended precision carried out with integer arithmetic only, for targets
// whose long double is not the x87 extended format.
//
// A value has the layout of that format: a sign, an exponent and a 64-bit
// significand whose integer bit is stored, not implied.  Every operation
// rounds its exact result once to 64 bits, to nearest with ties to even,
// over the same exponent range, with the same gradual underflow and the
// same special values as the x87 unit in its default state, so that a
// calculation gives the very bits it gives on x86-64 hardware.
#ifndef AMPSTAGE_EXTENDED_SOFT_EXTENDED_H
#define AMPSTAGE_EXTENDED_SOFT_EXTENDED_H

#include <cstdint>

// A finite value is significand × 2^(exponent − 63).
//
// Normal:    integer bit (bit 63) set, exponent from −16382 to 16383.
// Subnormal: integer bit clear, exponent −16382; zero is the subnormal
//            with a significand of 0, and it has a sign like any value.
// Infinity:  exponent 16384, significand with only the integer bit.
// NaN:       exponent 16384, integer bit set and some other bit too; bit 62
//            set makes it quiet.
//
// These are the encodings of the x87 format with the exponent unbiased
// (the x87 biased exponent is exponent + 16383, except 0 for subnormals),
// and the only ones an operation produces: each value has exactly one.
struct SoftExtended {
	std::uint64_t significand;
	std::int32_t exponent;
	bool negative;
};

inline constexpr std::int32_t soft_extended_min_exponent = -16382;
inline constexpr std::int32_t soft_extended_max_exponent = 16383;
inline constexpr std::int32_t soft_extended_special_exponent = 16384;

SoftExtended operator+(SoftExtended a, SoftExtended b);
SoftExtended operator-(SoftExtended a, SoftExtended b);
SoftExtended operator*(SoftExtended a, SoftExtended b);
SoftExtended operator/(SoftExtended a, SoftExtended b);

// Exact: every float and double is a SoftExtended value.  A signalling NaN
// comes out quiet, as loading it onto the x87 stack makes it.
SoftExtended soft_widen(float x);
SoftExtended soft_widen(double x);

// Round once, to nearest with ties to even, including subnormal results and
// overflow to infinity.  A NaN keeps its sign and the leading bits of its
// payload and comes out quiet, as an x87 store to memory gives it.
float soft_to_float(SoftExtended x);
double soft_to_double(SoftExtended x);

#endif
