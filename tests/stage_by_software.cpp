// The stage formulas compiled once more under their own name, with
// number.h told to take the software extended type.
#define AMPSTAGE_SOFT_EXTENDED
#define compute_stage compute_stage_by_software
#define reported reported_by_software
#define compute_stage_with_ballast compute_stage_with_ballast_by_software
#include "stage.cpp"
