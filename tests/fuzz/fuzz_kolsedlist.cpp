// A KOLSED form's list file: entries split into fields, each field read by column.
#include "kolsed/annotation.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(kolsedlist) {
    const std::string name = FuzzFile("LIST.DAT", FuzzText(data, size));
    std::vector<std::vector<std::string>> entries;
    if (!ReadListFile(name, entries)) return;
    for (const auto& e : entries)
        for (int c = -1; c <= int(e.size()) + 1; ++c)
            FieldAt(e, c);
}
