// Running a table: one temporary deck per run, with the run's values on the variables' lines
// and run suffixes on the deck's own output names, then the engine on each in turn.
#pragma once

#include "table/tablemodel.h"

#include <string>

// "" for run 1, else the decimal text of r - 1.
std::string RunSuffix(int run);
// The deck name upper-cased and cut before its first ".", its directory found on the disk.
std::string RunDeckStem(const std::string& deckName);
// One deck line as a run writes it (upper-cased; ASSIGN suffix; variable lines replaced).
std::string RunDeckLine(const std::string& line, const std::string& base, const std::string& suffix,
                        const std::vector<std::string>& names,
                        const std::vector<std::string>& values);
// Writes the temporary decks of every run and records their names; false after the first
// problem, with its message.
bool WriteTableDeck(TTable& t, std::string& message);

// What a table run needs of its surroundings: the engine runs, the progress, the directory
// question when the engine is missing.
class TTableRunner {
  public:
    virtual ~TTableRunner() = default;
    virtual bool Run(const std::string& commandLine) = 0; // false: stop the runs
    virtual void Progress(int run, int runs) { (void)run, (void)runs; }
    virtual std::string ChooseEngineDir() { return {}; } // empty: cancelled
};

struct TTableRunOptions {
    std::string EngineDir, DefaultEngineDir;
    bool KeepDecks = false;
};

// The whole sequence after the save question: decks, engine runs, decks deleted. False with
// a message (empty when the user cancelled) when the runs did not all take place.
bool RunTable(TTable& t, TTableRunner& runner, TTableRunOptions& options, std::string& message);
