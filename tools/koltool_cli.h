// koltool's command line: the commands, their arguments and options, checked before a command
// runs; --help, help and --version answered here.
#pragma once

#include <string>

// Checks argv against the declared commands. -1: run the command (argv is well formed);
// otherwise the exit status: 0 after help or the version, 2 after a refusal (unknown command
// or option, a missing value, a value that is not a number or is out of its range), with the
// message on stderr and nothing written.
int CheckCommandLine(int argc, char** argv, const std::string& version);
