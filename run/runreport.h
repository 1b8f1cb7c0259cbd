// What the status line says when an engine run on a deck has ended: how it went and which of
// the deck's companion files (same name, other extension, same folder) it wrote or changed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kolshell {

// The deck's companions as they were at one moment: file name (without folder) to size and
// modification time.
struct TFileState {
    long long Size = -1;
    long long Modified = 0; // nanoseconds since the file clock's epoch
    bool operator==(const TFileState& o) const { return Size == o.Size && Modified == o.Modified; }
};
using TCompanionSnapshot = std::map<std::string, TFileState>;

// The files beside the deck whose name is the deck's without its extension (any case).
TCompanionSnapshot SnapshotCompanions(const std::string& deck);
// The files that appeared or changed between the two snapshots, by name, the deck left out.
std::vector<std::string> WrittenCompanions(const TCompanionSnapshot& before,
                                           const TCompanionSnapshot& after,
                                           const std::string& deck);

// How an engine run ended, as the status line tells it.
struct TEngineEnd {
    std::string Deck;   // the deck's name as it was run (folder included or not)
    double Seconds = 0; // how long the run took
    int ExitStatus = 0;
    int Signal = 0;
    bool Stopped = false; // ended by Stop Run
    bool StartFailed = false;
    std::vector<std::string> Written;
};
std::string EngineEndText(const TEngineEnd& end);
// A run that ended while the user looked elsewhere and took long enough to be told of.
bool NotifyEngineEnd(double seconds, bool programActive);

} // namespace kolshell
