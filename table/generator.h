// Make KOLSED file: turns a plain deck into an annotated deck. Chosen parameter values and
// free inputs of each unit become constants with annotation lines built from the unit
// type's description file INFO\TYPE<n>.INF in the engine directory.
#pragma once

#include "common/diagnostics.h"
#include "common/lib1.h"
#include "table/deckscan.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kolshell {

// A parameter value, input connection, initial value or derivative word of a unit.
struct WordItem {
    std::string Text;
    bool Exposable = false;
};

// What a description file says of one parameter or input.
struct DescriptionEntry {
    std::string Name;        // upper-cased
    std::string Units;       // the annotation's unit field, "|si|eng|offset|factor|min|max|"
    std::string Description; // at most 40 characters
    bool Selected = false;
};

struct DeckUnit {
    std::string UnitLine; // upper-cased
    int Type = 0;
    std::string DisplayText;
    bool NoData = false;
    int ParamCount = 0, InputCount = 0, DerivCount = 0;
    std::vector<WordItem> ParamValues, InputConnections, InitialValues, DerivValues;
    std::vector<DescriptionEntry> ParamDescriptions, InputDescriptions;
    // The deck lines the words came from, every one; a unit without description data is
    // written back with them.
    std::vector<std::string> ParamLines, InputLines, InitialLines, DerivLines;
    std::string TraceLine;
    // The deck's own comment lines among the unit's statements: those after the unit line,
    // after its PARAMETERS, INPUTS, DERIVATIVES and TRACE lines, written back there.
    std::array<std::vector<std::string>, 5> Comments;
    int FirstParamConstant = -1, ParamConstants = 0; // entries in MakeConstants
    int FirstInputConstant = -1, InputConstants = 0;
};

struct TGenerator {
    std::string InfoDir, EngineDir;
    std::vector<std::string> KeptLines, AssignLines;
    std::vector<DeckUnit> MakeUnits;
    std::vector<DeckConstant> MakeConstants;
    std::map<std::string, size_t> FirstConstant; // the first entry of each name
    std::map<std::string, Extended> FirstNumber; // the first number a name is given
    std::string SimulationLine;
};

// Component types whose units are copied without annotation.
bool IsPlainType(int type);

// Reads the deck and the description files of its units. False when the deck cannot be
// read. The messages (also those of units whose descriptions are missing or wrong, which
// are then copied without annotation) go to diagnostics, in order.
bool MakeDeck(TGenerator& g, const std::string& deckName, const std::string& engineDir,
              TDiagnostics& diagnostics);

// Reads the deck a line at a time as MakeDeck does and hands each unit to `unit` as soon as it
// is read with its descriptions (nothing selected), then drops it: neither the deck's lines
// nor its units are kept, so what the unit list shows takes memory for one unit at a time.
// The messages go to diagnostics as they come, a unit's before it is handed on. False when
// the deck cannot be read.
using TUnitSink = std::function<void(DeckUnit& unit)>;
bool ListDeckUnits(const std::string& deckName, const std::string& engineDir, const TUnitSink& unit,
                   TDiagnostics& diagnostics);

// The dialog's lines for a unit: " " (can be chosen) or "*" (cannot), then the description.
std::vector<std::string> SelectionLines(const DeckUnit& unit, bool inputs);
// Selects or deselects one line; false when the line cannot be chosen (the dialog beeps).
bool SetSelected(DeckUnit& unit, bool inputs, size_t index, bool on);
void SelectAll(DeckUnit& unit, bool inputs);
void SelectNone(DeckUnit& unit, bool inputs);

// Makes a constant of every selected value and puts its name into the unit's statement.
void CreateConstants(TGenerator& g);
// The ".KSD" lines (without line ends); a header file that cannot be read is reported.
std::vector<std::string> KsdLines(const TGenerator& g, bool header, bool simulationCard,
                                  TDiagnostics& diagnostics);
// Creates the constants and writes the file with CR LF line ends; false when it cannot be
// written.
bool WriteKsd(TGenerator& g, const std::string& fileName, bool header, bool simulationCard,
              TDiagnostics& diagnostics);

// "none a b" gives "|||0|1|a|b|"; six words w1..w6 give "|w1|...|w6|"; false for fewer.
bool NormaliseUnitLine(const std::string& line, std::string& field);
// The name offered for the new file: the deck's name up to its first "." + ".KSD".
std::string ProposedKsdName(const std::string& deckName);

} // namespace kolshell
