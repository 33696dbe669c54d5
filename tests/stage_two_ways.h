// The stage formulas by both kinds of arithmetic, side by side in one
// program (see stage_by_hardware.cpp and stage_by_software.cpp).
#ifndef AMPSTAGE_TESTS_STAGE_TWO_WAYS_H
#define AMPSTAGE_TESTS_STAGE_TWO_WAYS_H

#include "stage.h"

void compute_stage_by_hardware(Stage &s, ReportValues &r);
void compute_stage_by_software(Stage &s, ReportValues &r);

#endif
