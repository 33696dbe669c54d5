// Windows: the locale's name, standard output as a console or as a text
// stream, and the closing wait, one key press read from the console.
//
// In a console window the texts are written as UTF-16 with WriteConsoleW,
// which shows Cyrillic whatever code page the console uses, so the code
// page is never changed.  Through a pipe or into a file they go out as the
// UTF-8 bytes they are, through the C library's text stream, which ends
// every line with CR LF.
//
// printf and scanf here are mingw-w64's own, not msvcrt's: libstdc++ asks
// for them (__USE_MINGW_ANSI_STDIO) in every C++ translation unit.  They
// print an infinity as inf and round a value halfway between two printed
// decimals to even, as the other builds do, where msvcrt prints 1,#INF00
// and rounds up; and they follow the locale's decimal separator too.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <windows.h>

#include "console.h"

#if !__USE_MINGW_ANSI_STDIO
#error "the report needs mingw-w64's printf, not msvcrt's"
#endif

const char russian_locale[] = "Russian";

bool read_number(float &value)
{
	return scanf("%f", &value) == 1;
}

int format_number(char *text, std::size_t size, const char *format, double value)
{
	return snprintf(text, size, format, value);
}

// The handle when it is a console, null when it is a pipe, a file or
// nothing at all.
static HANDLE console(DWORD standard)
{
	const HANDLE handle = GetStdHandle(standard);
	DWORD mode;
	return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// Each line feed becomes CR LF, as the text stream makes it, so that the
// console shows what a file would hold.  The text goes in pieces that end
// between two characters, never inside the bytes of one.
static bool write_console(HANDLE handle, const char *text, std::size_t length)
{
	const std::size_t piece_size = 512;
	while (length > 0) {
		std::size_t piece = length < piece_size ? length : piece_size;
		while (piece < length && piece > 1 && (text[piece] & 0xC0) == 0x80)
			piece--;
		wchar_t wide[piece_size];
		wchar_t lines[2 * piece_size];
		const int converted = MultiByteToWideChar(CP_UTF8, 0, text, int(piece), wide, int(piece_size));
		DWORD count = 0;
		for (int i = 0; i < converted; i++) {
			if (wide[i] == L'\n')
				lines[count++] = L'\r';
			lines[count++] = wide[i];
		}
		for (DWORD written = 0, done = 0; done < count; done += written) {
			if (!WriteConsoleW(handle, lines + done, count - done, &written, nullptr) || written == 0) {
				errno = GetLastError() == ERROR_INVALID_HANDLE ? EBADF : EIO;
				return false;
			}
		}
		text += piece;
		length -= piece;
	}
	return true;
}

// Standard output is looked at once: the whole run goes the same way.
static HANDLE console_output()
{
	static const HANDLE handle = console(STD_OUTPUT_HANDLE);
	return handle;
}

bool write_output(const char *text, std::size_t length)
{
	if (console_output())
		return write_console(console_output(), text, length);
	return fwrite(text, 1, length, stdout) == length;
}

bool flush_standard_output()
{
	return console_output() || fflush(stdout) == 0;
}

void write_error(const char *line)
{
	if (const HANDLE handle = console(STD_ERROR_HANDLE))
		write_console(handle, line, strlen(line));
	else
		fputs(line, stderr);
}

// A modifier or a lock key pressed alone is not the key the prompt asks
// for: it is usually on the way to another key, as Shift is.
static bool ends_the_wait(const KEY_EVENT_RECORD &key)
{
	switch (key.wVirtualKeyCode) {
	case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LWIN: case VK_RWIN:
	case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
		return false;
	default:
		return key.bKeyDown;
	}
}

// The console's modes are not touched: ReadConsoleInputW sees every key
// press whatever they are, and Ctrl-C, Ctrl-Break and closing the window
// end the program as they end any console program, with nothing to put
// back.  What the reads left in the C library's buffer is never looked at,
// and keys typed ahead are discarded, so only a key pressed after the
// prompt counts.  What trails the key (its release, the rest of a paste, or
// under wine the rest of an escape sequence that came in pieces) is
// collected for a short moment and discarded, so that none of it reaches
// the command processor after the exit.
void wait_for_key()
{
	const HANDLE input = console(STD_INPUT_HANDLE);
	if (!input || !console_output())
		return;
	FlushConsoleInputBuffer(input);
	say(wait_prompt);
	flush_output();

	INPUT_RECORD event;
	DWORD count;
	while (ReadConsoleInputW(input, &event, 1, &count) && count == 1)
		if (event.EventType == KEY_EVENT && ends_the_wait(event.Event.KeyEvent))
			break;
	for (int round = 0; round < 4 && WaitForSingleObject(input, 30) == WAIT_OBJECT_0; round++)
		FlushConsoleInputBuffer(input);
	FlushConsoleInputBuffer(input);

	say("\n");
	flush_output();
}
