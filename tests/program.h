// Runs the real ampstage binary, as a person or a script would.
#ifndef AMPSTAGE_TESTS_PROGRAM_H
#define AMPSTAGE_TESTS_PROGRAM_H

#include <string>

struct Finished {
	std::string out;  // all of standard output
	int status;       // as waitpid reports it
};

// How the input is fed: all of it as fast as the program takes it, or as a
// driver that waits for each prompt would, one line of it after each line
// of output.  Then a prompt that stays in the program's buffer while it
// waits for its number holds up the run, which fails.
enum class Pace { all_at_once, after_each_prompt };

// Feeds `input` to the program through a pipe and collects its standard
// output through another.  LOCPATH points at `locales`, the folder where the
// tests keep their compiled locales, unless another folder is given.
Finished run_through_pipes(const std::string &input, const char *locales = TEST_LOCPATH,
                           Pace pace = Pace::all_at_once);

#endif
