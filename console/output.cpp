#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console.h"

// The errno of the first write that failed, 0 while every write has
// succeeded.  Only the first is kept: it is the one that lost text, and a
// later write that happens to succeed must not make the run look whole.
static int first_failure;

static void check(bool written)
{
	if (!written && first_failure == 0)
		first_failure = errno != 0 ? errno : EIO;
}

// errno is cleared first, so that a failure the C library does not explain
// is not blamed on whatever failed earlier.
static void write_checked(const char *text, std::size_t length)
{
	errno = 0;
	check(write_output(text, length));
}

void say(const char *text)
{
	write_checked(text, std::strlen(text));
}

// The longest entry of the report is under 300 bytes of text, and "%f" of
// the largest double has 309 digits before its decimal separator, so the
// text always fits; a result that would not is counted as a failed write
// rather than cut short without a word.
void say(const char *format, double value)
{
	char text[1024];
	const int length = format_number(text, sizeof text, format, value);
	if (length < 0 || std::size_t(length) >= sizeof text) {
		errno = EOVERFLOW;
		check(false);
		return;
	}
	write_checked(text, std::size_t(length));
}

void flush_output()
{
	errno = 0;
	check(flush_standard_output());
}

bool output_intact()
{
	return first_failure == 0;
}

int exit_status()
{
	flush_output();
	if (first_failure == 0)
		return 0;
	char line[512];
	std::snprintf(line, sizeof line, "ampstage: не удалось записать отчёт: %s\n", std::strerror(first_failure));
	write_error(line);
	return 1;
}
