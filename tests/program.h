// Runs the real ampstage binary, as a person or a script would.
#ifndef AMPSTAGE_TESTS_PROGRAM_H
#define AMPSTAGE_TESTS_PROGRAM_H

#include <string>

struct Finished {
	std::string out;  // all of standard output
	int status;       // as waitpid reports it
};

// Feeds `input` to the program through a pipe and collects its standard
// output through another.  LOCPATH points at `locales`, the folder where the
// tests keep their compiled locales, unless another folder is given.
Finished run_through_pipes(const std::string &input, const char *locales = TEST_LOCPATH);

#endif
