// The closing wait, driven through a pseudo-terminal as a person at the
// keyboard would drive it.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const std::string wait_prompt = "Нажмите любую клавишу для выхода...";
const std::string last_entry = "КПД усилителя % ";

struct Options {
	bool foreground = true;     // the program's group owns the terminal
	bool stdin_from_null = false;
	int ignored = 0;            // a signal the program inherits as ignored
	const char *stdout_to = nullptr;  // a file for standard output
};

// The program is this build's, or the command in AMPSTAGE_COMMAND, words
// separated by blanks: an emulator and a program built for another system,
// such as "scripts/wine build-windows/ampstage.exe".  Such a command gets
// the test's whole environment, which the emulator may need.
const char *const given_command = getenv("AMPSTAGE_COMMAND");

std::vector<std::string> program_command()
{
	if (!given_command)
		return { AMPSTAGE_BINARY };
	std::istringstream words(given_command);
	return { std::istream_iterator<std::string>(words), std::istream_iterator<std::string>() };
}

bool same_settings(const termios &a, const termios &b)
{
	return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
	       a.c_lflag == b.c_lflag && memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// A terminal session with the program as its foreground job.  A small
// session leader sits between the test and the program, as a shell would:
// without it the program's process group would be orphaned and the kernel
// would never stop it on Ctrl-Z.  The leader reports the program's pid and
// every change of its state through a pipe.
class Session {
public:
	explicit Session(Options o = {})
	{
		if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
			throw std::runtime_error("openpty");
		tcgetattr(slave, &original);
		int events[2];
		if (pipe(events) != 0)
			throw std::runtime_error("pipe");
		leader = fork();
		if (leader == 0) {
			close(events[0]);
			lead(o, events[1]);
		}
		close(events[1]);
		report = events[0];
		if (read(report, &program, sizeof program) != sizeof program)
			throw std::runtime_error("no program started");
	}

	~Session()
	{
		if (!ended)
			kill(program, SIGKILL);
		if (master >= 0)
			close(master);
		close(slave);
		close(report);
		waitpid(leader, nullptr, 0);
	}

	// Enter sends a carriage return, as a keyboard does; the terminal's
	// ICRNL makes it a line feed for a program that reads lines.  Wine
	// reads a Windows program's keys raw, and only from the moment it
	// takes the terminal out of canonical mode: before that the line
	// discipline would turn them into lines, so typing waits for it.
	void type(std::string keys)
	{
		for (int i = 0; given_command && i < 500 && (settings().c_lflag & ICANON); i++)
			std::this_thread::sleep_for(10ms);
		std::replace(keys.begin(), keys.end(), '\n', '\r');
		ASSERT_EQ(write(master, keys.data(), keys.size()), ssize_t(keys.size()));
	}

	void hang_up()
	{
		close(master);
		master = -1;
	}

	// Collects the program's output until `text` has appeared.
	bool shows(const std::string &text, std::chrono::milliseconds patience = 5s)
	{
		auto until = std::chrono::steady_clock::now() + patience;
		while (screen.find(text) == std::string::npos) {
			auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
			struct pollfd in = { master, POLLIN, 0 };
			if (left.count() <= 0 || poll(&in, 1, int(left.count())) <= 0)
				return false;
			char buffer[4096];
			ssize_t n = read(master, buffer, sizeof buffer);
			if (n <= 0)
				return false;
			screen.append(buffer, size_t(n));
		}
		return true;
	}

	// The program's next change of state, as waitpid gives it; -1 if none
	// comes in time.
	int next_state(std::chrono::milliseconds patience = 5s)
	{
		struct pollfd in = { report, POLLIN, 0 };
		int status;
		if (poll(&in, 1, int(patience.count())) <= 0 || read(report, &status, sizeof status) != sizeof status)
			return -1;
		ended = WIFEXITED(status) || WIFSIGNALED(status);
		return status;
	}

	termios settings() const
	{
		termios now;
		tcgetattr(slave, &now);
		return now;
	}

	// Wine's console puts the terminal back from a process of its own, a
	// moment after the program has ended.
	bool settings_restored() const
	{
		for (int i = 0; given_command && i < 100 && !same_settings(settings(), original); i++)
			std::this_thread::sleep_for(10ms);
		return same_settings(settings(), original);
	}

	// Whatever the program left unread in the terminal's input would be
	// read by the shell next.  Non-canonical mode shows a pending partial
	// line too, which the line discipline would otherwise keep back.
	std::string left_in_input() const
	{
		termios peek = settings();
		peek.c_lflag &= ~tcflag_t(ICANON);
		peek.c_cc[VMIN] = 0;
		peek.c_cc[VTIME] = 0;
		tcsetattr(slave, TCSANOW, &peek);
		char buffer[256];
		struct pollfd in = { slave, POLLIN, 0 };
		ssize_t n = poll(&in, 1, 0) > 0 ? read(slave, buffer, sizeof buffer) : 0;
		tcsetattr(slave, TCSANOW, &original);
		return n > 0 ? std::string(buffer, size_t(n)) : std::string();
	}

	pid_t program = -1;
	std::string screen;

private:
	[[noreturn]] void lead(const Options &o, int events)
	{
		setsid();
		ioctl(slave, TIOCSCTTY, 0);
		pid_t child = fork();
		if (child == 0) {
			setpgid(0, 0);
			if (o.foreground) {
				sigset_t ttou, old;
				sigemptyset(&ttou);
				sigaddset(&ttou, SIGTTOU);
				sigprocmask(SIG_BLOCK, &ttou, &old);
				tcsetpgrp(slave, getpid());
				sigprocmask(SIG_SETMASK, &old, nullptr);
			}
			if (o.ignored)
				signal(o.ignored, SIG_IGN);
			// Ctrl-\ ends the program with a core dump, which nobody wants
			// written here.
			struct rlimit no_core = { 0, 0 };
			setrlimit(RLIMIT_CORE, &no_core);
			int in = o.stdin_from_null ? open("/dev/null", O_RDONLY) : slave;
			dup2(in, 0);
			dup2(o.stdout_to ? open(o.stdout_to, O_WRONLY | O_TRUNC) : slave, 1);
			dup2(slave, 2);
			closefrom(3);
			std::vector<char *> argv;
			for (std::string &word : command)
				argv.push_back(word.data());
			argv.push_back(nullptr);
			char *envp[] = { const_cast<char *>("LOCPATH=" TEST_LOCPATH), nullptr };
			if (given_command)
				execvp(argv[0], argv.data());
			else
				execve(argv[0], argv.data(), envp);
			_exit(127);
		}
		setpgid(child, child);
		// The leader outlives a hangup to report how the program ended.
		signal(SIGHUP, SIG_IGN);
		close(master);
		close(slave);
		if (write(events, &child, sizeof child) != sizeof child)
			_exit(1);
		int status;
		while (waitpid(child, &status, WUNTRACED | WCONTINUED) == child) {
			if (write(events, &status, sizeof status) != sizeof status)
				break;
			if (WIFEXITED(status) || WIFSIGNALED(status))
				break;
		}
		_exit(0);
	}

	std::vector<std::string> command = program_command();
	int master = -1, slave = -1, report = -1;
	pid_t leader = -1;
	bool ended = false;  // the program's pid may belong to another process now
	termios original;
};

bool exited_normally(int status) { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0; }
bool killed_by(int status, int sig) { return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig; }

// Answers the three prompts and waits for the wait to begin: its prompt
// appears once the terminal is in the wait mode and what was typed ahead
// has been discarded.
void reach_the_wait(Session &s, const std::string &typed = "1000\n12\n1\n")
{
	ASSERT_TRUE(s.shows("в Омах"));
	s.type(typed);
	ASSERT_TRUE(s.shows(wait_prompt)) << s.screen;
	ASSERT_FALSE(s.settings().c_lflag & (ICANON | ECHO));
}

TEST(Wait, TextTypedAheadDoesNotEndIt)
{
	Session s;
	ASSERT_TRUE(s.shows("в Омах"));
	s.type("1000\n12\n1 tail left for stdio\nand a line typed ahead\n");
	ASSERT_TRUE(s.shows(wait_prompt));
	EXPECT_EQ(s.next_state(400ms), -1) << "the wait ended without a key";
	s.type("q");
	EXPECT_TRUE(exited_normally(s.next_state()));
	// The key ends the prompt's line.  Wine draws the console with
	// sequences of its own: the cursor, hidden while it draws, comes back
	// first, and the terminal adds a CR to the CR LF that it passes on.
	EXPECT_TRUE(s.shows(wait_prompt + (given_command ? "\x1b[?25h\r\r\n" : "\r\n")));
	EXPECT_TRUE(s.settings_restored());
	EXPECT_EQ(s.left_in_input(), "");
}

// Keys that send more than one byte end the wait as one key, and none of
// their bytes is left for the shell.
TEST(Wait, OneKeyWhateverItSends)
{
	for (const char *key : { "\x1b[A", "\x1b[15~", "\x1bOP", "ж", "\x1b", "\n", " " }) {
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		s.type(key);
		EXPECT_TRUE(exited_normally(s.next_state())) << key;
		EXPECT_TRUE(s.settings_restored()) << key;
		EXPECT_EQ(s.left_in_input(), "") << key;
		EXPECT_EQ(s.screen.find("[A"), std::string::npos) << "the key was echoed";
	}
	{
		// A slow line may deliver an escape sequence in pieces.
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		s.type("\x1b");
		std::this_thread::sleep_for(1ms);
		s.type("[B");
		EXPECT_TRUE(exited_normally(s.next_state()));
		EXPECT_EQ(s.left_in_input(), "");
	}
	{
		// A paste is not a key, but it must not spill into the shell.
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		s.type(std::string(2000, 'v'));
		EXPECT_TRUE(exited_normally(s.next_state()));
		EXPECT_EQ(s.left_in_input(), "");
	}
}

TEST(Wait, InterruptingSignalsRestoreTheTerminal)
{
	{
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		s.type("\x03");  // Ctrl-C
		EXPECT_TRUE(killed_by(s.next_state(), SIGINT));
		EXPECT_TRUE(s.settings_restored());
	}
	{
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		s.type("\x1c");  // Ctrl-backslash
		EXPECT_TRUE(killed_by(s.next_state(), SIGQUIT));
		EXPECT_TRUE(s.settings_restored());
	}
	for (int sig : { SIGTERM, SIGHUP }) {
		Session s;
		ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
		kill(s.program, sig);
		EXPECT_TRUE(killed_by(s.next_state(), sig)) << strsignal(sig);
		EXPECT_TRUE(s.settings_restored()) << strsignal(sig);
	}
}

// Ctrl-Z gives the terminal back before the program stops; on resuming the
// wait takes up where it was.
TEST(Wait, StopAndContinue)
{
	Session s;
	ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
	s.type("\x1a");
	int stopped = s.next_state();
	ASSERT_TRUE(stopped != -1 && WIFSTOPPED(stopped) && WSTOPSIG(stopped) == SIGTSTP);
	EXPECT_TRUE(s.settings_restored());

	kill(s.program, SIGCONT);
	int resumed = s.next_state();
	EXPECT_TRUE(resumed != -1 && WIFCONTINUED(resumed));
	for (int i = 0; i < 200 && (s.settings().c_lflag & ICANON); i++)
		std::this_thread::sleep_for(10ms);
	EXPECT_FALSE(s.settings().c_lflag & (ICANON | ECHO)) << "the wait mode did not come back";
	EXPECT_EQ(s.next_state(300ms), -1) << "resuming ended the wait";

	s.type("x");
	EXPECT_TRUE(exited_normally(s.next_state()));
	EXPECT_TRUE(s.settings_restored());
}

// A signal the program was started with ignored stays ignored.
TEST(Wait, IgnoredSignalsStayIgnored)
{
	Session s({ .ignored = SIGINT });
	ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
	s.type("\x03");
	EXPECT_EQ(s.next_state(400ms), -1) << "Ctrl-C was not ignored";
	s.type("x");
	EXPECT_TRUE(exited_normally(s.next_state()));
}

// With hangups ignored, a terminal that goes away ends the wait; the
// program neither hangs nor spins.
TEST(Wait, TerminalGoesAway)
{
	Session s({ .ignored = SIGHUP });
	ASSERT_NO_FATAL_FAILURE(reach_the_wait(s));
	s.hang_up();
	EXPECT_TRUE(exited_normally(s.next_state(3s)));
}

TEST(Wait, OnlyForAPersonAtTheTerminal)
{
	// Standard input is not the terminal: the report, and no wait.
	Session s({ .stdin_from_null = true });
	EXPECT_TRUE(exited_normally(s.next_state()));
	EXPECT_TRUE(s.shows(last_entry));
	s.shows(wait_prompt, 200ms);
	EXPECT_EQ(s.screen.find(wait_prompt), std::string::npos);

	// Standard output is a file, as with `ampstage > report.txt` typed at
	// the terminal: the report goes there, and no wait.
	std::string file = testing::TempDir() + "ampstage-report-XXXXXX";
	close(mkstemp(file.data()));
	{
		Session to_file({ .stdout_to = file.c_str() });
		to_file.type("1000\n12\n1\n");
		EXPECT_TRUE(exited_normally(to_file.next_state())) << "it waited for a key";
	}
	std::ifstream written(file);
	const std::string report{ std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>() };
	unlink(file.c_str());
	EXPECT_NE(report.find(last_entry), std::string::npos) << report;
	EXPECT_EQ(report.find(wait_prompt), std::string::npos);
}

TEST(Wait, NotForABackgroundJob)
{
	// Its reads fail (SIGTTIN is ignored, so they fail rather than stop
	// it) and it ends without waiting.
	Session s({ .foreground = false, .ignored = SIGTTIN });
	EXPECT_TRUE(exited_normally(s.next_state()));
	EXPECT_TRUE(s.shows(last_entry));
	s.shows(wait_prompt, 200ms);
	EXPECT_EQ(s.screen.find(wait_prompt), std::string::npos);
	EXPECT_TRUE(s.settings_restored());
}

} // namespace
