// A run of ampstage is almost all start-up, so its cost is held to that of
// a plain C program doing the same work: the C++ runtime, for one, must not
// be loaded.  Instructions are counted by valgrind, which gives the same
// count every time; peak memory is read from the kernel at the exit.
#include <sys/personality.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

const char *const typed = "1000\n12\n1\n";

std::string shell_quote(const std::string &s) { return "'" + s + "'"; }

long instructions(const char *program)
{
	std::string command = "printf '" + std::string("1000\\n12\\n1\\n") + "' | LOCPATH=" +
			      shell_quote(TEST_LOCPATH) + " valgrind --tool=callgrind --callgrind-out-file=/dev/null " +
			      shell_quote(program) + " 2>&1 >/dev/null | sed -n 's/.*Collected : //p'";
	FILE *p = popen(command.c_str(), "r");
	long count = 0;
	if (p) {
		if (fscanf(p, "%ld", &count) != 1)
			count = 0;
		pclose(p);
	}
	return count;
}

// The high-water mark of the resident set, read while the process is held
// at its exit.  wait4's ru_maxrss would not do: it also counts the memory
// of the test process that the child was forked from.
long peak_kib(const char *program)
{
	int in[2];
	if (pipe(in) != 0 || write(in[1], typed, 10) != 10)
		return 0;
	close(in[1]);
	pid_t pid = fork();
	if (pid == 0) {
		dup2(in[0], 0);
		freopen("/dev/null", "w", stdout);
		// Without address randomisation the layout, and so the count of
		// touched pages, is the same from run to run.
		personality(ADDR_NO_RANDOMIZE);
		ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
		char *argv[] = { const_cast<char *>(program), nullptr };
		char *envp[] = { const_cast<char *>("LOCPATH=" TEST_LOCPATH), nullptr };
		execve(program, argv, envp);
		_exit(127);
	}
	close(in[0]);
	long peak = 0;
	int status;
	waitpid(pid, &status, 0);  // stopped at the exec
	ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT);
	ptrace(PTRACE_CONT, pid, nullptr, nullptr);
	while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
		if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
			std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
			for (std::string line; std::getline(proc, line);)
				if (line.rfind("VmHWM:", 0) == 0)
					peak = std::atol(line.c_str() + 6);
		}
		ptrace(PTRACE_CONT, pid, nullptr, nullptr);
	}
	return peak;
}

TEST(StartUp, CostsNoMoreThanAPlainCProgram)
{
	const long ours = instructions(AMPSTAGE_BINARY), plain = instructions(BASELINE_BINARY);
	ASSERT_GT(plain, 100000) << "valgrind did not count";
	EXPECT_LE(double(ours), 1.05 * double(plain)) << ours << " instructions against " << plain;

	const long our_peak = peak_kib(AMPSTAGE_BINARY), plain_peak = peak_kib(BASELINE_BINARY);
	ASSERT_GT(plain_peak, 0);
	EXPECT_LE(double(our_peak), 1.05 * double(plain_peak)) << our_peak << " KiB against " << plain_peak;
	printf("ampstage: %ld instructions, %ld KiB; plain C: %ld instructions, %ld KiB\n", ours, our_peak,
	       plain, plain_peak);
}

} // namespace
