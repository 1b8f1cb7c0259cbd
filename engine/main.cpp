// KOLVAN32.exe, the stand-in engine: KOLVAN32 DECK [/N]. The listing goes beside the deck;
// the exit status is 0 for a run, 1 for a deck with errors, 2 when the deck cannot be read.
#include "engine/engine.h"

#include <cstdio>
#include <new>
#include <string>

using namespace kolshell;

int main(int argc, char** argv) {
    std::string deck;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "/N" || a == "/n") continue;  // batch: this engine never pauses anyway
        deck += (deck.empty() ? "" : " ") + a; // a deck name with blanks comes unquoted
    }
    if (deck.empty()) {
        std::fprintf(stderr, "usage: KOLVAN32 DECK [/N]\n");
        return 2;
    }
    try {
        return RunEngine(deck);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "KOLVAN32: not enough memory for the deck %s\n", deck.c_str());
        return 2;
    }
}
