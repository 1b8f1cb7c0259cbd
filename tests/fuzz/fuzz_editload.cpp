// The editor's load path up to the widget: the size and line checks that send a file to the
// viewer instead, and the split into lines with their ends.
#include "common/paths.h"
#include "shell/editlimits.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(editload) {
    const std::string text = FuzzText(data, size);
    const std::string name = FuzzFile("E.DCK", text);
    TooLargeToEdit(name);
    std::vector<std::string> lines;
    ReadTextLines(name, lines, std::string::npos);
}
