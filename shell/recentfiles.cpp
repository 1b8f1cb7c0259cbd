#include "shell/recentfiles.h"

#include "common/lib1.h"
#include "common/paths.h"

namespace kolshell {

void TRecentFiles::Remove(const std::string& name) {
    const std::string up = UpStr(name);
    for (size_t i = 0; i < names_.size(); ++i)
        if (UpStr(names_[i]) == up) {
            names_.erase(names_.begin() + long(i));
            return;
        }
}

void TRecentFiles::Add(const std::string& name) {
    Remove(name);
    if (name.size() <= 3) return;
    names_.push_back(Short(name));
    while (names_.size() > RecentFileMax)
        names_.erase(names_.begin());
}

bool TRecentFiles::Load(const std::string& fileName) {
    std::vector<std::string> lines;
    if (!ReadTextLines(fileName, lines)) return false;
    names_.clear();
    for (const std::string& l : lines)
        if (!l.empty()) Add(l);
    return true;
}

bool TRecentFiles::Save(const std::string& fileName) const {
    std::string out;
    for (const std::string& n : names_)
        out += n + "\r\n";
    return WriteFileAtomic(fileName, out);
}

} // namespace kolshell
