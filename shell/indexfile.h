// Project index files (".IDX"): three heading lines, then an entry line and a file line for
// each ready-made project.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kolshell {

struct TIndexItem {
    std::string ProjectFile, PictureFile, HelpFile;
};

struct TIndexEntry {
    std::string Text;
    TIndexItem Item;
};

struct TIndexFile {
    std::array<std::string, 3> Headings;
    std::vector<TIndexEntry> Entries;
};

// A file line: commas count as blanks; project, picture and help file, the last two optional.
TIndexItem SplitIndexFileLine(const std::string& line);
bool ReadIndexFile(const std::string& fileName, TIndexFile& index);
// A project name as the index names it, resolved against the index file's directory unless
// it carries a drive or starts at the root.
std::string ResolveIndexProject(const std::string& indexFile, const std::string& project);

} // namespace kolshell
