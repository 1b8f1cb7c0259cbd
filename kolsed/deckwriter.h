// Writing a form's values back into its deck, the form's changed state, and the switch
// between the two unit systems.
#pragma once

#include "kolsed/formmodel.h"

// Rewrites the deck under targetName from the previous file, line by line. Saving under
// the deck's own name keeps the previous file as the ".BAK" (directory + name up to its
// first "." + ".BAK"). False, after a message, when nothing was written.
bool WriteDeck(TFormModel& form, const std::string& targetName);

// A check box or radio click, an edited field, a changed list choice or file name.
bool DCKChanged(const TFormModel& form);
void ClearModify(TFormModel& form);

// A number as a value line holds it: 13 characters, " 1.2345E+0002".
std::string DeckNumber(Extended x);
// The backup name of a deck.
std::string BackupName(const std::string& deckName);

// Shows every numeric field in the new unit system; change marks are not set.
void ConvertUnits(TFormModel& form, int oldSystem, int newSystem);
