// The command-line splitter of the Setup commands: the program is the longest run of words
// naming an existing file (here: names holding "exe"), quotes group words.
#include "run/cmdline.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(cmdline) {
    const std::string line = FuzzText(data, size);
    const TCommandLine c = SplitCommandLine(
        line, [](const std::string& p) { return p.find("exe") != std::string::npos; });
    ProgramOfCommand(line);
    // An empty quoted program ("" x) may come with arguments: starting it says not found.
    TArgv argv(c.Program, c.Arguments);
    if (argv.Data()[c.Arguments.size() + 1] != nullptr) std::abort();
}
