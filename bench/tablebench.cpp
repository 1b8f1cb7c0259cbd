// A 9999-run x 20-column table: saving, reading, every cell's display text, and writing all
// 9999 run decks of a 500-line deck. Usage: tablebench DIR
#include "table/rundecks.h"
#include "table/tablemodel.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace kolshell;

namespace {
double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string deck = dir + "/BENCH.DCK";
    {
        std::string text = "CONSTANTS 20\n";
        for (int k = 0; k < 20; ++k)
            text += "V" + std::to_string(k) + " = 1\n*|Variable " + std::to_string(k) +
                    "|m|ft|0|1|0|1|0\n";
        for (int i = 0; i < 457; ++i) // 500 lines in all
            text += "* line " + std::to_string(i) + " of the deck body, as a comment\n";
        text += "ASSIGN BENCH.OUT 12\nEND\n";
        FILE* f = std::fopen(deck.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::vector<std::string> names;
    for (int k = 0; k < 20; ++k)
        names.push_back("V" + std::to_string(k));
    TTable t = NewTable(names, MaxTableRuns);
    t.DeckName = deck;
    for (auto& c : t.Columns)
        for (int r = 1; r <= t.Runs(); ++r)
            c.Values[size_t(r)] = r * 0.37 + c.Number;
    auto t0 = std::chrono::steady_clock::now();
    SaveTable(t, dir + "/BENCH.TBL");
    const double save = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    TTable back;
    std::string message;
    ReadTable(back, dir + "/BENCH.TBL", 1, message);
    const double read = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    size_t chars = 0;
    for (int c = 1; c < back.ColCount; ++c)
        for (int r = 1; r <= back.Runs(); ++r)
            chars += GetS(back, c, r).size();
    const double texts = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    const bool ok = WriteTableDeck(back, message);
    const double decks = Seconds(t0);
    for (int r = 1; r <= back.Runs(); ++r)
        std::remove(back.RunDeckNames[size_t(r - 1)].c_str());
    std::printf("9999 runs x 20 columns: save %.3f s, read %.3f s, GetS of 199980 cells %.3f s "
                "(%zu chars), 9999 run decks of 500 lines %.3f s%s\n",
                save, read, texts, chars, decks, ok ? "" : (" FAILED: " + message).c_str());
    return ok ? 0 : 1;
}
