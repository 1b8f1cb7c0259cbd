// The stand-in for the KOLVAN engine: reads a deck, checks it, runs it in fixed time steps and
// writes a listing and the output files its printers are assigned to.
#pragma once

#include "engine/expr.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kolshell {

struct EngineMessage {
    int Line = 0; // 1-based deck line; 0 for the run as a whole
    bool Error = true;
    std::string Text;
};

struct EngineUnit {
    int Number = 0, Type = 0, Line = 0;
    std::string Title;
    std::vector<std::string> Params, Inputs, Initial; // the deck's words
};

struct EngineEquation {
    std::string Name;
    int Line = 0;
    Expr Formula;
};

struct EngineDeck {
    std::vector<std::string> Lines;
    std::map<std::string, double> Constants;
    std::vector<EngineEquation> Equations;
    bool HasSimulation = false;
    double Start = 0, Stop = 0, Step = 0;
    // SIMULATION's start, stop and step as written: numbers, or names of constants or
    // equations, which are worked out once before the run.
    std::vector<std::string> SimulationWords;
    int SimulationLine = 0;
    std::vector<EngineUnit> Units;
    std::map<int, std::string> Assigned; // logical unit -> file
    std::map<int, int> AssignedLine;     // logical unit -> its ASSIGN line
    // Names whose constant or equation line has an error: that line is reported once, and
    // the lines reading these names add no errors of their own.
    std::set<std::string> Faulty;
    std::vector<EngineMessage> Messages;

    int Errors() const;
    int Warnings() const;
};

// Reads and checks the deck; the messages say what is wrong. Lines keeps the deck's lines.
void ReadEngineDeck(const std::vector<std::string>& lines, EngineDeck& deck);
// The same from lines handed out one at a time (false at the end), read once, in order;
// Lines stays empty.
using EngineLineSource = std::function<bool(std::string& line)>;
void ReadEngineDeck(const EngineLineSource& lines, EngineDeck& deck);

// Refuses, as errors of their lines, the ASSIGN files the engine must not write for the deck
// named deckName: the deck itself, its listing, or a file outside its folder.
void CheckEngineAssignments(EngineDeck& deck, const std::string& deckName);

// What one run may write at most, over all its printers: rows times columns, checked before
// the run; and bytes, counted as the run writes (a row is at most 13 bytes a value and its
// line end, so only names and units beyond the first lines' own reach this).
constexpr long long MaxOutputValues = 25000000;
constexpr long long MaxOutputBytes = 400000000;

struct EngineFileWritten {
    std::string File;
    int Unit = 0, Rows = 0, Columns = 0;
};

struct EngineRun {
    int Steps = 0;
    std::vector<EngineFileWritten> Files;
    // A run stopped on the way (its output too big, or a file that could not be written):
    // the steps done and the rows written stay as they are, and an error says why.
    bool Stopped = false;
    double StoppedAt = 0; // the time of the last step done
};

// Runs a checked deck; output files are written relative to dir. A run that writes more than
// maxBytes is stopped there.
EngineRun RunEngineDeck(EngineDeck& deck, const std::string& dir,
                        long long maxBytes = MaxOutputBytes);
std::string EngineListing(const EngineDeck& deck, const std::string& deckName,
                          const EngineRun& run);
// The whole engine: reads the deck, runs it, writes "<deck base>.LST"; the exit status.
int RunEngine(const std::string& deckName);

} // namespace kolshell
