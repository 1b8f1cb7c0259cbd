// The table edits that the New Table, Alter Values and Insert/Delete Runs dialogs make.
#pragma once

#include "common/diagnostics.h"
#include "table/tablemodel.h"

#include <string>
#include <vector>

namespace kolshell {

// A run count as typed: a whole number from 1 to 9999; else false with the message.
bool ParseRunCount(const std::string& text, int& runs, std::string& message);
// A new table on a deck: its file is the deck's name up to the first "." + ".TBL".
TTable NewDeckTable(const std::string& deckName, const std::vector<std::string>& names, int runs);
// A new variable set: columns that stay keep their values, in the new order; new ones start
// undefined.
void ChangeVariables(TTable& t, const std::vector<std::string>& names);

enum class AlterMode { LastValue, Increment, Multiplier };

struct AlterRequest {
    int FirstRun = 1, LastRun = 1; // clamped to the table, and given back clamped
    int Column = 0;                // 1-based; 0: none selected
    bool Clear = false;
    Extended First = 0, Second = 0; // the first value, and the last value, increment or factor
    AlterMode Mode = AlterMode::Increment;
    bool TooLarge = false; // given back: a value of the series overflowed
};
// False when no column is selected, or (with the message "The value is too large." in
// diagnostics) when a value of the series overflows; nothing changes then.
bool AlterValues(TTable& t, AlterRequest& r, TDiagnostics& diagnostics);

enum class RunPosition { Top, Bottom, After };
enum class RunsResult { Done, CloseTable, Rejected };
// Inserts n runs (n < 0 deletes -n) at the top, the bottom or after a run; deleting them all
// asks for the table to close. errorLevel non-zero stops with "Error #" + code.
RunsResult InsertDeleteRuns(TTable& t, int n, RunPosition where, int after, int errorLevel,
                            std::string& message);

} // namespace kolshell
