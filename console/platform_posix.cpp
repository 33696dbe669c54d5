// Linux and the other POSIX systems: the locale's name, standard output and
// error as the C library gives them, and the closing wait, one key press
// read straight from the terminal.
//
// This is the only file that touches terminal settings or signals.  The
// settings found at the start are saved once and put back on every way out:
// after the key, on a signal that ends the process, and before a stop.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "console.h"

const char russian_locale[] = "ru_RU.UTF-8";

bool read_number(float &value)
{
	return scanf("%f", &value) == 1;
}

int format_number(char *text, std::size_t size, const char *format, double value)
{
	return snprintf(text, size, format, value);
}

bool write_output(const char *text, std::size_t length)
{
	return fwrite(text, 1, length, stdout) == length;
}

bool flush_standard_output()
{
	return fflush(stdout) == 0;
}

void write_error(const char *line)
{
	fputs(line, stderr);
}

static struct termios saved;    // as the terminal was found
static struct termios waiting;  // one byte at a time, no echo

// The signals that would leave the terminal in the wait mode if they ended
// or stopped the process unhandled.
static const int watched[] = { SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP };
static const int nwatched = sizeof watched / sizeof watched[0];
static struct sigaction previous[nwatched];

static void on_signal(int sig);

static void block_watched(sigset_t *old)
{
	sigset_t set;
	sigemptyset(&set);
	for (int sig : watched)
		sigaddset(&set, sig);
	sigprocmask(SIG_BLOCK, &set, old);
}

static void handle(int sig)
{
	struct sigaction sa = {};
	sa.sa_handler = on_signal;
	sigemptyset(&sa.sa_mask);
	for (int other : watched)
		sigaddset(&sa.sa_mask, other);
	sigaction(sig, &sa, nullptr);
}

// A signal that was ignored when the program started stays ignored: a
// shell without job control, or nohup, asked for exactly that.
static void install_handlers()
{
	for (int i = 0; i < nwatched; i++) {
		sigaction(watched[i], nullptr, &previous[i]);
		if (previous[i].sa_handler != SIG_IGN)
			handle(watched[i]);
	}
}

static void remove_handlers()
{
	for (int i = 0; i < nwatched; i++)
		sigaction(watched[i], &previous[i], nullptr);
}

// The terminal is put back, then the signal is delivered again with its
// default action, so the process ends (or stops) by that very signal and
// whoever waits for it sees why.  Only a stop returns here, when the process
// is continued; the wait then resumes where it was.  Everything called here
// is async-signal-safe.
static void on_signal(int sig)
{
	int saved_errno = errno;
	sigset_t set;

	tcsetattr(0, TCSANOW, &saved);
	signal(sig, SIG_DFL);
	sigemptyset(&set);
	sigaddset(&set, sig);
	sigprocmask(SIG_UNBLOCK, &set, nullptr);
	raise(sig);

	handle(sig);
	tcsetattr(0, TCSANOW, &waiting);
	errno = saved_errno;
}

// A key may send several bytes: an arrow or a function key sends an escape
// sequence, a Cyrillic letter two bytes of UTF-8.  They usually arrive in
// one read; what trails behind is collected for a short moment and the rest
// discarded, so that no part of the key reaches the shell after the exit.
// A read that returns nothing means the terminal has gone away.
static void read_one_key()
{
	unsigned char bytes[64];
	ssize_t n;

	do
		n = read(0, bytes, sizeof bytes);
	while (n < 0 && errno == EINTR);
	if (n <= 0)
		return;

	struct pollfd in = { 0, POLLIN, 0 };
	for (int round = 0; round < 4 && poll(&in, 1, 30) > 0; round++)
		if (read(0, bytes, sizeof bytes) <= 0)
			break;
	tcflush(0, TCIFLUSH);
}

static bool person_at_terminal()
{
	return isatty(0) && isatty(1) && tcgetpgrp(0) == getpgrp();
}

// Non-canonical mode with no echo and nothing else changed: Ctrl-C and
// Ctrl-\ still interrupt, output is processed as before.  What the reads
// left in stdio's buffer is never looked at, and what was typed ahead at
// the terminal is discarded, so only a key pressed after the prompt counts.
void wait_for_key()
{
	sigset_t old;

	if (!person_at_terminal() || tcgetattr(0, &saved) != 0)
		return;
	waiting = saved;
	waiting.c_lflag &= ~(ICANON | ECHO);
	waiting.c_cc[VMIN] = 1;
	waiting.c_cc[VTIME] = 0;

	block_watched(&old);
	install_handlers();
	tcsetattr(0, TCSANOW, &waiting);
	tcflush(0, TCIFLUSH);
	sigprocmask(SIG_SETMASK, &old, nullptr);

	// The prompt comes only once the wait is ready for the key: a key
	// pressed in answer to it can no longer be discarded with what was
	// typed ahead.
	say(wait_prompt);
	flush_output();

	read_one_key();

	block_watched(&old);
	tcsetattr(0, TCSANOW, &saved);
	remove_handlers();
	sigprocmask(SIG_SETMASK, &old, nullptr);

	say("\n");
	flush_output();
}
