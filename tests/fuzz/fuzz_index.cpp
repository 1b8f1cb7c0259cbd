// The project index file.
#include "shell/indexfile.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(index) {
    const std::string file = FuzzFile("F.IDX", FuzzText(data, size));
    TIndexFile index;
    if (!ReadIndexFile(file, index)) return;
    for (const TIndexEntry& e : index.Entries)
        ResolveIndexProject(file, e.Item.ProjectFile);
}
