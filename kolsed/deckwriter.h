// Writing a form's values back into its deck, the form's changed state, and the switch
// between the two unit systems.
#pragma once

#include "common/diagnostics.h"
#include "kolsed/formmodel.h"

namespace kolshell {

// Rewrites the deck under targetName from the previous file, line by line. Only the lines
// of values the user changed are rewritten; every other line keeps its text. Saving under
// the deck's own name first copies the previous text to the backup (BackupName). False when
// the deck was not written; diagnostics get the messages (a list file that is gone does not
// stop the writing).
//
// A deck that another program changed since the form read it is read again (laid out with
// metrics) and gets the user's edits item by item, found by variable, heading or group, so
// that the other program's lines stay; the form then holds the deck as written, and
// reapplied (when given) is set. An edit whose item the deck no longer has writes nothing,
// with a message naming it.
bool WriteDeck(TFormModel& form, const std::string& targetName, TDiagnostics& diagnostics,
               const TFormMetrics& metrics = TFixedMetrics(), bool* reapplied = nullptr);

// The deck as WriteDeck would write it under its own name now, written nowhere.
std::string DeckBytes(TFormModel& form);

// A check box or radio click, an edited field, a changed list choice or file name.
bool DCKChanged(const TFormModel& form);
void ClearModify(TFormModel& form);
// A form read from recovered bytes holds its deck's name again: its changes are unsaved, and
// the deck on disk is what a later change by another program is told from.
void RestoredDeck(TFormModel& form, const std::string& deckName);

// A changed value as its line gets it: the shortest text that reads back as the same
// double ("2.3456789", "0.2", "1E-07"), so no digit the user typed is lost.
std::string DeckValueText(Extended x);
// The backup name of a deck: directory + name up to its first "." + ".BAK". A deck whose
// own name is that (RUN.BAK) gets its full name + ".BAK" (RUN.BAK.BAK) instead.
std::string BackupName(const std::string& deckName);

// The file name an ASSIGN line of the deck gets: the bare name of a file in the deck's
// folder, else the name as given.
std::string AssignFileText(const std::string& file, const std::string& deckName);
// Takes a file chosen for an ASSIGN file field. A name the ASSIGN line cannot carry (a
// blank in it) is refused with a message in diagnostics: false, and the field keeps its file.
bool ChooseAssignFile(TFormModel& form, TFormItem& item, const std::string& file,
                      TDiagnostics& diagnostics);

// Shows every numeric field in the new unit system. The change marks stay as they were: a
// conversion is no edit, and an edit is still one after it.
void ConvertUnits(TFormModel& form, int oldSystem, int newSystem);

} // namespace kolshell
