// The steps of a run, in the order main takes them.
#ifndef AMPSTAGE_CONSOLE_CONSOLE_H
#define AMPSTAGE_CONSOLE_CONSOLE_H

#include "../stage/stage.h"

// Switches every locale category to Russian, so that numbers are read and
// printed with a decimal comma.  Where the locale is missing the run goes on
// in the "C" locale, with a full stop.
void select_russian_locale();

// Asks for the load resistance, the supply voltage and the transistor's
// minimum voltage, and reads them into `s`.  An input whose read fails
// holds a quiet NaN.
void read_inputs(Stage &s);

// Writes the fourteen-entry report to standard output.
void print_report(const Stage &s, const ReportValues &r);

// Waits for one key press when a person is at a terminal; returns at once
// otherwise.  The terminal is left exactly as it was found.
void wait_for_key();

#endif
