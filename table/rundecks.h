// Running a table: one temporary deck per run, with the run's values on the variables' lines
// and run suffixes on the deck's own output names, then the engine on each of them.
#pragma once

#include "run/runset.h"
#include "table/tablemodel.h"

#include <string>

namespace kolshell {

// "" for run 1, else the decimal text of r - 1.
std::string RunSuffix(int run);
// The deck name upper-cased and cut before its first ".", its directory found on the disk.
std::string RunDeckStem(const std::string& deckName);
// Where on an ASSIGN line the run suffix goes: right after the base name where it starts the
// file name (after a blank or a separator) and is followed by "."; npos when it does not.
size_t AssignSuffixAt(const std::string& upperLine, const std::string& base);
// One deck line as a run writes it (upper-cased; ASSIGN suffix; variable lines replaced).
std::string RunDeckLine(const std::string& line, const std::string& base, const std::string& suffix,
                        const std::vector<std::string>& names,
                        const std::vector<std::string>& values);
// The first file of the deck's ASSIGN lines that is not named after its base name, and so is
// the same file for every run; empty when there is none.
std::string SharedRunFile(const std::vector<std::string>& deckLines, const std::string& base);
// The value texts the run deck of a run gets; false when a value is not entered.
bool RunValueTexts(const TTable& t, int run, std::vector<std::string>& values);
// Whether a run of a run set is run `Number` of this table: its deck is the table's run deck.
bool IsRunOfTable(const TTable& t, const TRun& run);
// The files the deck's ASSIGN lines name after its base name (as the deck spells them): the
// outputs every run writes under its own name.
std::vector<std::string> RunOwnFiles(const std::string& deckName);
// Writes the temporary decks of every run and records their names; false after the first
// problem, with its message. values, when given, gets each run's value texts. only, when not
// empty, names the runs (in order) whose decks are written; the others get no values.
bool WriteTableDeck(TTable& t, std::string& message,
                    std::vector<std::vector<std::string>>* values = nullptr,
                    const std::vector<int>& only = {});
// Refuses a table run that would write outside the deck's folder or over a file that no run
// of this table wrote: the message, before anything is written.
bool CheckRunDeckNames(const TTable& t, std::string& message);
// The engine of an engine directory, dir/KOLVAN32.exe, with this platform's separators.
std::string EngineProgram(const std::string& dir);

// What a table run asks of its surroundings before it starts.
class TTableRunHost {
  public:
    enum class SharedAnswer { OneAtATime, Parallel, Cancel };
    virtual ~TTableRunHost() = default;
    // The engine is missing: another engine directory, empty when cancelled.
    virtual std::string ChooseEngineDir() { return {}; }
    // Runs at once would all write this file.
    virtual SharedAnswer SharedFile(const std::string& file) {
        (void)file;
        return SharedAnswer::OneAtATime;
    }
    // The first run replaces the results of the deck's last run outside this table; the
    // question says which. True goes on.
    virtual bool ReplaceLastResults(const std::string& question) {
        (void)question;
        return true;
    }
};

// Every file run r of a table writes: its deck, its listing, then each output the deck's
// ASSIGN lines name after the deck, with the run's suffix. Names as the disk spells the
// deck's folder.
std::vector<std::string> RunFiles(const TTable& t, const std::vector<std::string>& deckLines,
                                  int run);
// Refuses a table run whose runs would write the files of another deck beside it (TANK1.OUT
// when TANK1.DCK is there): the message names the deck and the files.
bool CheckOtherDecksFiles(const TTable& t, const std::vector<std::string>& deckLines,
                          std::string& message);
// "The runs of this table replace DEMO.LST, DEMO.OUT and DEMO.PLT of the last run of
// DEMO.DCK. Go on?" when the first run would replace results this table did not make; else
// empty.
std::string LastResultsQuestion(const TTable& t, const std::vector<std::string>& deckLines);
// Writes the run deck names of a table run into the table file before the runs start, so
// that they are known as the table's own even if the program ends during the runs. Only
// those bytes of the file change; false when the file is not the table's shape any more.
bool RecordRunDeckNames(const std::string& tableFile, const std::vector<std::string>& names);

struct TTableRunOptions {
    std::string EngineDir, DefaultEngineDir;
    int Parallel = 1;      // runs at once; the shared-file question may bring it down to 1
    std::vector<int> Only; // the runs to run, in order; empty: every run
};

// Everything before the first engine start, after the save question: the checks, the run
// decks, the engine. The runs to start (each in the deck's folder), or false with a message
// (empty when the user cancelled).
bool PrepareTableRun(TTable& t, TTableRunHost& host, TTableRunOptions& options,
                     std::vector<TRun>& runs, std::string& message);
// The first count runs of a table run submitted earlier, to be followed again: named as
// PrepareTableRun named them, with the table's values as they are now (none where it has no
// value for a run any more).
std::vector<TRun> SubmittedRuns(const TTable& t, int count, const std::string& engineDir);
// Deletes the run decks of a table run; errors are ignored.
void DeleteRunDecks(const std::vector<TRun>& runs);
// What a finished table run has to say, or empty: the runs that failed, the start failure,
// or, for a stopped run, the runs that had finished.
std::string TableRunReport(const TRunSet& set);

} // namespace kolshell
