// The stand-in engine's deck reader and checks; a deck of a few steps is run too, as a deck
// of the target's own directory: its ASSIGN files, whatever they name, are checked as the
// engine checks them, so nothing is written over the deck or outside the directory.
#include "engine/engine.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(engine_deck) {
    EngineDeck deck;
    ReadEngineDeck(FuzzLines(data, size, 100000), deck);
    CheckEngineAssignments(deck, FuzzDir() + "/F.DCK");
    if (deck.Errors() == 0 && (deck.Stop - deck.Start) / deck.Step <= 50) {
        const EngineRun run = RunEngineDeck(deck, FuzzDir());
        EngineListing(deck, "F.DCK", run);
    } else {
        EngineListing(deck, "F.DCK", EngineRun());
    }
}
