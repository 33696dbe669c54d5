// The steps of a run, in the order main takes them, and what the files of
// the console share.
#ifndef AMPSTAGE_CONSOLE_CONSOLE_H
#define AMPSTAGE_CONSOLE_CONSOLE_H

#include <cstddef>
#include <string_view>

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

// The closing wait's prompt, the same on every platform.
extern const char wait_prompt[];

// Standard output for the dialogue, the report and the wait.  Every write is
// checked and the first failure remembered, so that a later write that
// succeeds cannot hide it.
void say(const char *text);
void say(const char *format, double value);
void flush_output();

// True while everything written so far has reached standard output.
bool output_intact();

// Flushes standard output and returns the exit status: 0 when everything
// was written, or 1 after one line on standard error that says why not.
int exit_status();

// What differs from one platform to another lives in a file of its own,
// chosen by the build: platform_posix.cpp, platform_windows.cpp and
// platform_web.cpp each define the following.

// The name under which the platform knows its Russian locale.
extern const char russian_locale[];

// One "%f" conversion from standard input under the selected locale; false
// when it converts nothing.
bool read_number(float &value);

// What snprintf makes of `format` and `value` under the selected locale.
int format_number(char *text, std::size_t size, const char *format, double value);

// Writes to and flushes standard output; false on failure, with errno set.
bool write_output(const char *text, std::size_t length);
bool flush_standard_output();

// Writes one line to standard error.
void write_error(const char *line);

// Waits for one key press when a person is at a terminal; returns at once
// otherwise.  The terminal is left exactly as it was found.
void wait_for_key();

// For a platform whose C library knows only the "C" locale: one "%f"
// conversion as the C library of Linux makes it under ru_RU.UTF-8, from
// `input` at `position`.  `position` moves past every byte that scanf would
// take, also those of a number that failed; false when nothing converts.
bool read_russian_float(std::string_view input, std::size_t &position, float &value);

#endif
