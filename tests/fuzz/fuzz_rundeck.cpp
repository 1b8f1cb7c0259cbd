// The run-deck writer fed a hostile table file and deck ("----" between them): every run's
// deck written in the target's directory, or a message; nothing written elsewhere.
#include "common/deckassign.h"
#include "table/rundecks.h"
#include "table/tablemodel.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(rundeck) {
    const auto [table, deck] = FuzzParts(FuzzText(data, size));
    TTable t;
    std::string message;
    if (!DecodeTable(table, t, message) || t.Runs() > 50) return;
    t.DeckName = FuzzFile("R.DCK", deck);
    t.RunDeckNames.assign(size_t(t.RowCount), "");
    CheckDeckAssignments(t.DeckName, message);
    if (CheckRunDeckNames(t, message) && WriteTableDeck(t, message)) {
        std::vector<TRun> runs;
        for (int r = 1; r <= t.Runs(); ++r)
            runs.push_back(TRun{}), runs.back().Deck = t.RunDeckNames[size_t(r - 1)];
        DeleteRunDecks(runs);
    }
}
