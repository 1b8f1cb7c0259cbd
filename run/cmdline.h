// Command lines as Windows reads them: the program is the first word, or the longest run of
// words that names an existing file when its path holds blanks unquoted; double quotes group
// words; the rest are the arguments.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kolshell {

struct TCommandLine {
    std::string Program;
    std::vector<std::string> Arguments;
};

TCommandLine SplitCommandLine(const std::string& line,
                              const std::function<bool(const std::string&)>& exists);
// The program name an error message gives: the command cut at its first blank.
std::string ProgramOfCommand(const std::string& line);

// A program and its arguments as exec and posix_spawn take them: a null-ended array of
// pointers into words it keeps.
class TArgv {
  public:
    TArgv(const std::string& program, const std::vector<std::string>& args);
    TArgv(const TArgv&) = delete;
    TArgv& operator=(const TArgv&) = delete;
    char* const* Data() const { return ptrs_.data(); }
    const char* Program() const { return ptrs_[0]; }

  private:
    std::vector<std::string> words_;
    std::vector<char*> ptrs_;
};

} // namespace kolshell
