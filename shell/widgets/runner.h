// Starting other programs: the engine is waited for while the interface stays live; the
// companion programs and the user's commands are launched and left to run on their own.
#pragma once

#include <string>

// Starts the command line and waits for it in a local event loop; false, after the message,
// when it cannot be started. The exit code is not looked at.
bool RunProgramOK(const std::string& commandLine);
// Starts the command line without waiting, in dir when given; 33 when it started, else an
// error number below 32 (2: the program was not found).
int LaunchProgram(const std::string& commandLine, const std::string& dir = std::string());
