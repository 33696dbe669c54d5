// The stage formulas compiled once more under their own name, with the type
// that number.h chooses by itself: on x86 the x87 unit's long double,
// whichever type the build gave the program.
#define compute_stage compute_stage_by_hardware
#define reported reported_by_hardware
#define compute_stage_with_ballast compute_stage_with_ballast_by_hardware
#include "stage.cpp"
