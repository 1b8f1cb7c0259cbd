// The viewer's line index over a file: indexed in small slices, every line read back (and
// matched against the lines as the text reader splits them), searched both ways.
#include "common/paths.h"
#include "shell/lineindex.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(lineindex) {
    const std::string text = FuzzText(data, size);
    const std::string name = FuzzFile("V.LST", text);
    TLineIndex index;
    if (!index.Open(name)) std::abort();
    while (index.IndexStep(7)) {
    }
    const std::vector<std::string> lines = SplitTextLines(text);
    if (index.LineCount() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i)
        if (index.Line(i, 1 << 20) != lines[i]) std::abort();
    const std::string want = text.substr(0, 3);
    index.Search(want, 0, 0, false, false);
    if (index.LineCount()) index.Search(want, index.LineCount() - 1, 5, true, true);
}
