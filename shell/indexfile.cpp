#include "shell/indexfile.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>

namespace kolshell {

namespace {
std::string CutAtBlank(std::string& rest) {
    const size_t lead = rest.find_first_not_of(' ');
    rest = lead == std::string::npos ? std::string() : rest.substr(lead);
    const size_t blank = rest.find(' ');
    const std::string part = rest.substr(0, blank);
    rest = blank == std::string::npos ? std::string() : rest.substr(blank);
    return part;
}
} // namespace

TIndexItem SplitIndexFileLine(const std::string& line) {
    std::string rest = line;
    std::replace(rest.begin(), rest.end(), ',', ' ');
    TIndexItem item;
    item.ProjectFile = CutAtBlank(rest);
    item.PictureFile = CutAtBlank(rest);
    TrimBlanks(rest, ShortStringMax);
    item.HelpFile = rest;
    return item;
}

bool ReadIndexFile(const std::string& fileName, TIndexFile& index) {
    index = TIndexFile();
    std::vector<std::string> lines;
    if (!ReadTextLines(fileName, lines)) return false;
    for (size_t i = 0; i < 3 && i < lines.size(); ++i)
        index.Headings[i] = lines[i];
    for (size_t i = 3; i < lines.size(); i += 2)
        index.Entries.push_back(
            {lines[i], i + 1 < lines.size() ? SplitIndexFileLine(lines[i + 1]) : TIndexItem()});
    return true;
}

std::string ResolveIndexProject(const std::string& indexFile, const std::string& project) {
    if (project.find(':') != std::string::npos || (!project.empty() && IsSeparator(project[0])))
        return project;
    return ExtractFilePath(indexFile) + project;
}

} // namespace kolshell
