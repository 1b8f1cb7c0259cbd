// The stand-in engine's deck reader and checks; a deck of a few steps, whose printers write
// plain file names only, is run too (in the target's own directory).
#include "engine/engine.h"
#include "tests/fuzz/fuzztarget.h"

namespace {
bool PlainNames(const EngineDeck& deck) {
    for (const auto& [unit, file] : deck.Assigned)
        if (file.empty() || file[0] == '.' || file.find_first_of("/\\:") != std::string::npos)
            return false;
    return true;
}
} // namespace

FUZZ_TARGET(engine_deck) {
    EngineDeck deck;
    ReadEngineDeck(FuzzLines(data, size, 100000), deck);
    if (deck.Errors() == 0 && (deck.Stop - deck.Start) / deck.Step <= 50 && PlainNames(deck)) {
        const EngineRun run = RunEngineDeck(deck, FuzzDir());
        EngineListing(deck, "F.DCK", run);
    } else {
        EngineListing(deck, "F.DCK", EngineRun());
    }
}
