// The web page: the program compiled to WebAssembly, whose main the page
// runs once for each calculation.  The page types the three lines into
// standard input here, and takes what the program writes: before its last
// read, the prompts, which the page shows as the labels of its fields; after
// it, the report.  It also takes the values: the three inputs as read and
// the value of each entry of the report, to draw them.  For the parts, it
// asks for the same stage again with the standard ballast resistors beside
// the optimal one.  There is no terminal, so there is nothing to wait for.
#include <cstdio>
#include <limits>
#include <string>

#include <emscripten/emscripten.h>

#include "console.h"

const char russian_locale[] = "ru_RU.UTF-8";

// Standard input, the bytes the page typed, and how far the reads have got.
static std::string typed;
static std::size_t position;

// Standard output, split at the last read.
static std::string dialogue;
static std::string report;

// The inputs and the report's values, each with the seventeen digits that
// read back as the same double: what the page draws is what the program
// used, also where the report's six decimals print nothing but zeros.
static std::string values;

// The three inputs as the dialogue took them, for the page's parts.
static float inputs[3];
static int reads;

static void note_value(double value)
{
	char text[32];
	std::snprintf(text, sizeof text, "%.17g ", value);
	values += text;
}

// The page's side.  Before each run of main it asks for room for the bytes
// of the typed lines and fills it; after the run it takes the two texts.
extern "C" {

EMSCRIPTEN_KEEPALIVE char *typed_lines(std::size_t length)
{
	typed.assign(length, '\0');
	position = 0;
	dialogue.clear();
	report.clear();
	values.clear();
	reads = 0;
	return typed.data();
}

EMSCRIPTEN_KEEPALIVE const char *dialogue_text()
{
	return dialogue.c_str();
}

EMSCRIPTEN_KEEPALIVE const char *report_text()
{
	return report.c_str();
}

EMSCRIPTEN_KEEPALIVE const char *values_text()
{
	return values.c_str();
}

}

// The stage beside its standard ballast resistors, as parts_text gives it.
static std::string parts;

// One design as the page shows it: its report, written by the report's own
// code, and the ratings of its parts, each followed by a vertical tab.
static void add_design(const Stage &s, const ReportValues &r)
{
	report.clear();
	print_report(s, r);
	parts += report;
	const Ratings ratings = part_ratings(s, r);
	const double numbers[] = { ratings.collector_current, reported(ratings.collector_voltage),
				   reported(ratings.transistor_power), reported(ratings.ballast_power),
				   reported(ratings.ballast_rating) };
	for (int i = 0; i < 5; i++) {
		char text[512];
		format_number(text, sizeof text, i == 4 ? "\v%g" : "\v%f", numbers[i]);
		parts += text;
	}
	parts += '\v';
}

// The last calculation again, beside the same stage with each standard
// neighbour of its ballast resistor in the series of `per_decade` values:
// the lower neighbour, the optimal design and the upper one.  Empty when
// the ballast resistor has no neighbours to offer.  The page has taken the
// report and the values of the calculation by now, so they serve as room
// for the work.
extern "C" EMSCRIPTEN_KEEPALIVE const char *parts_text(int per_decade)
{
	Stage optimal = {};
	ReportValues r;
	optimal.Rn = inputs[0];
	optimal.U = inputs[1];
	optimal.Ut0 = inputs[2];
	compute_stage(optimal, r);
	const Neighbours neighbours = standard_neighbours(optimal.Rb, Series(per_decade));
	const float resistors[] = { neighbours.below, optimal.Rb, neighbours.above };
	parts.clear();
	values.clear();
	for (int i = 0; neighbours.found && i < 3; i++) {
		Stage design = optimal;
		design.Rb = resistors[i];
		compute_stage_with_ballast(design, r);
		add_design(design, r);
	}
	return parts.c_str();
}

// The C library of WebAssembly knows only the "C" locale, so numbers are
// read by the rules of ru_RU.UTF-8 in russian_number_reading.cpp.  The
// dialogue writes each prompt before the read that answers it.
bool read_number(float &value)
{
	dialogue += report;
	report.clear();
	float read = std::numeric_limits<float>::quiet_NaN();
	const bool converted = read_russian_float(typed, position, read);
	note_value(read);
	if (reads < 3)
		inputs[reads++] = converted ? read : std::numeric_limits<float>::quiet_NaN();
	value = read;
	return converted;
}

// The C library prints the decimal point of the "C" locale, a full stop.
// The program's formats have no full stop of their own, so every one in
// the text is a number's, and becomes the Russian locale's comma.
int format_number(char *text, std::size_t size, const char *format, double value)
{
	note_value(value);
	const int length = std::snprintf(text, size, format, value);
	for (std::size_t i = 0; length >= 0 && i < size && i < std::size_t(length); i++)
		if (text[i] == '.')
			text[i] = ',';
	return length;
}

bool write_output(const char *text, std::size_t length)
{
	report.append(text, length);
	return true;
}

bool flush_standard_output()
{
	return true;
}

// The browser's console is the nearest thing to standard error.
void write_error(const char *line)
{
	std::fputs(line, stderr);
}

void wait_for_key()
{
}
