#include "plot/outputfiles.h"

#include "common/lib1.h"
#include "common/paths.h"

namespace kolshell {

namespace {
std::string DirOf(const std::string& fileName) {
    const std::string d = ExtractFileDir(fileName);
    return d.empty() ? "." : d;
}
} // namespace

OutputFileList ListOutputFiles(const std::string& fileName) {
    OutputFileList list;
    const std::string dir = DirOf(fileName);
    list.Files = FindFiles(dir, "*.PLT");
    for (const std::string& n : FindFiles(dir, "*.O*"))
        if (UpStr(n) != "KOLVAN.OUT") list.Files.push_back(n);
    const std::string want = UpStr(ExtractFileName(fileName));
    for (size_t i = 0; i < list.Files.size(); ++i)
        if (UpStr(list.Files[i]) == want) {
            list.Selected = int(i);
            break;
        }
    if (list.Selected < 0 && !list.Files.empty()) list.Selected = 0;
    return list;
}

bool HasOutputFiles(const std::string& deckName) {
    if (deckName.empty()) return false;
    return !ListOutputFiles(deckName).Files.empty();
}

} // namespace kolshell
