// Make KOLSED File: a deck, then after a line "----" the description file of the types 7 and
// 4 (whose reading is its own). Every value offered is chosen and the deck is written.
#include "table/generator.h"
#include "tests/fuzz/fuzztarget.h"

#include <sys/stat.h>

using namespace kolshell;

FUZZ_TARGET(generator) {
    const auto [deck, description] = FuzzParts(FuzzText(data, size));
    const std::string engine = FuzzDir();
    mkdir((engine + "/INFO").c_str(), 0700);
    FuzzFile("INFO/TYPE7.INF", description);
    FuzzFile("INFO/TYPE4.INF", description);
    FuzzFile("Header.txt", "A header\n");
    TGenerator g;
    TDiagnostics diagnostics;
    if (!MakeDeck(g, FuzzFile("F.DCK", deck), engine, diagnostics)) return;
    for (DeckUnit& u : g.MakeUnits) {
        SelectionLines(u, false);
        SelectionLines(u, true);
        SelectAll(u, false);
        SelectAll(u, true);
    }
    CreateConstants(g);
    KsdLines(g, size % 2 == 0, size % 3 == 0, diagnostics);
}
