// Starting other programs: the engine is waited for while the interface stays live; the
// companion programs and the user's commands are launched and left to run on their own.
#pragma once

#include "run/cmdline.h"

#include <string>

namespace kolshell {

// How a program that was waited for ended.
struct TRunResult {
    int ExitStatus = 0;
    int Signal = 0;       // the signal that ended it; 0 when it exited
    bool Stopped = false; // ended by Stop Run
    bool Crashed() const { return Signal != 0 && !Stopped; }
};

// Starts the command line and waits for it in a local event loop; false, after the message,
// when it cannot be started. How it ended goes to result when given. While it runs it is the
// run going on (Stop Run ends it).
bool RunProgramOK(const std::string& commandLine, TRunResult* result = nullptr);
// The same for a program and its arguments as they are, each one word whatever it holds.
bool RunProgramOK(const TCommandLine& command, TRunResult* result = nullptr);
// A command line the user typed (split as Windows splits it) with one more argument: a file
// name stays one argument, blanks and quotes included.
TCommandLine UserCommandWith(const std::string& commandLine, const std::string& argument);
// Starts the command line without waiting, in dir when given; 33 when it started, else an
// error number below 32 (2: the program was not found).
int LaunchProgram(const std::string& commandLine, const std::string& dir = std::string());
int LaunchProgram(const TCommandLine& command, const std::string& dir = std::string());
constexpr int LaunchFailed = 32; // LaunchProgram's results below this are failures
// "what could not be started: No such file or directory." for a failed LaunchProgram.
std::string LaunchFailureText(const std::string& what, int result);

} // namespace kolshell
