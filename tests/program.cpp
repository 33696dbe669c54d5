#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "program.h"

extern char **environ;

// Writing and reading go on together, so that neither pipe can fill up
// while the other side waits, however long the input or the output.
Finished run_through_pipes(const std::string &input, const char *locales, Pace pace)
{
	int to_child[2], from_child[2];
	if (pipe(to_child) != 0 || pipe(from_child) != 0)
		throw std::runtime_error("pipe");

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
	posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
	for (int fd : { to_child[0], to_child[1], from_child[0], from_child[1] })
		posix_spawn_file_actions_addclose(&actions, fd);

	std::string locpath = std::string("LOCPATH=") + locales;
	char *argv[] = { const_cast<char *>(AMPSTAGE_BINARY), nullptr };
	char *envp[] = { locpath.data(), const_cast<char *>("LC_ALL=C"), nullptr };
	pid_t pid;
	if (posix_spawn(&pid, AMPSTAGE_BINARY, &actions, nullptr, argv, envp) != 0)
		throw std::runtime_error("cannot start " AMPSTAGE_BINARY);
	posix_spawn_file_actions_destroy(&actions);
	close(to_child[0]);
	close(from_child[1]);

	// A program that stops reading early must not kill the test.
	signal(SIGPIPE, SIG_IGN);
	fcntl(to_child[1], F_SETFL, O_NONBLOCK);
	Finished done{ {}, 0 };
	size_t sent = 0;
	if (input.empty()) {
		close(to_child[1]);
		to_child[1] = -1;
	}
	for (;;) {
		// The input that may be written so far: where one line of it
		// ends for each line of output.
		size_t allowed = input.size();
		if (pace == Pace::after_each_prompt) {
			allowed = 0;
			for (size_t lines = size_t(std::count(done.out.begin(), done.out.end(), '\n'));
			     lines > 0 && allowed < input.size(); lines--)
				allowed = std::min(input.find('\n', allowed), input.size() - 1) + 1;
		}
		const bool writing = to_child[1] >= 0 && sent < allowed;
		struct pollfd fds[2] = { { from_child[0], POLLIN, 0 }, { to_child[1], POLLOUT, 0 } };
		if (poll(fds, writing ? 2 : 1, 10000) <= 0) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
			throw std::runtime_error(pace == Pace::after_each_prompt && sent < input.size()
			                                 ? "no prompt came before the program waited for its number"
			                                 : "the program neither reads nor writes");
		}
		if (fds[0].revents) {
			char buffer[4096];
			ssize_t n = read(from_child[0], buffer, sizeof buffer);
			if (n <= 0)
				break;
			done.out.append(buffer, size_t(n));
		}
		if (writing && fds[1].revents) {
			ssize_t n = write(to_child[1], input.data() + sent, allowed - sent);
			if (n > 0)
				sent += size_t(n);
			if (n < 0 || sent == input.size()) {
				close(to_child[1]);
				to_child[1] = -1;
			}
		}
	}
	if (to_child[1] >= 0)
		close(to_child[1]);
	close(from_child[0]);
	waitpid(pid, &done.status, 0);
	return done;
}
