// The output and plotter files beside a deck, as the plot set-up dialog lists them.
#pragma once

#include <string>
#include <vector>

namespace kolshell {

struct OutputFileList {
    std::vector<std::string> Files; // "*.PLT" first, then "*.O*" without KOLVAN.OUT
    int Selected = -1;              // entry named like the given file, else 0; -1 when empty
};

// Lists the directory of fileName.
OutputFileList ListOutputFiles(const std::string& fileName);
// Whether the deck's directory holds any "*.PLT" or "*.O*" file; false without a deck.
bool HasOutputFiles(const std::string& deckName);

} // namespace kolshell
