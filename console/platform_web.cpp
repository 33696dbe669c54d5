// The web page: the program compiled to WebAssembly, whose main the page
// runs once for each calculation.  The page types the three lines into
// standard input here, and takes what the program writes: before its last
// read, the prompts, which the page shows as the labels of its fields; after
// it, the report.  There is no terminal, so there is nothing to wait for.
#include <cstdio>
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

// The page's side.  Before each run of main it asks for room for the bytes
// of the typed lines and fills it; after the run it takes the two texts.
extern "C" {

EMSCRIPTEN_KEEPALIVE char *typed_lines(std::size_t length)
{
	typed.assign(length, '\0');
	position = 0;
	dialogue.clear();
	report.clear();
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

}

// The C library of WebAssembly knows only the "C" locale, so numbers are
// read by the rules of ru_RU.UTF-8 in russian_number_reading.cpp.  The
// dialogue writes each prompt before the read that answers it.
bool read_number(float &value)
{
	dialogue += report;
	report.clear();
	return read_russian_float(typed, position, value);
}

// The C library prints the decimal point of the "C" locale, a full stop.
// The program's formats have no full stop of their own, so every one in
// the text is a number's, and becomes the Russian locale's comma.
int format_number(char *text, std::size_t size, const char *format, double value)
{
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
