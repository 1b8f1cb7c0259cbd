// The annotation reader: turns an annotated deck into the form's item chain.
#pragma once

#include "common/diagnostics.h"
#include "kolsed/formmodel.h"

#include <functional>

namespace kolshell {

// Reads the deck into an empty form and lays it out with the metrics. Gives back the
// messages of the read, in order; afterwards form.Stop says whether the window closes, keeps
// what was built, or shows a complete form, and form.ErrorLevel is 100 after an error that
// stops. progress, when given, hears the line number after every line.
[[nodiscard]] TDiagnostics ReadDeck(TFormModel& form, const std::string& fileName,
                                    const TFormMetrics& metrics,
                                    const std::function<void(int)>& progress = {});

// A file named in a deck: as given when it exists, else beside the deck; empty if neither.
std::string FindDeckFile(const std::string& name, const std::string& deckName);

// The fields of a list file entry, cut at "," or tab and trimmed.
std::vector<std::string> ListEntryFields(const std::string& line);
// The entries of a list file (its first line holds their count); false when unreadable.
bool ReadListFile(const std::string& file, std::vector<std::vector<std::string>>& entries);
// A field by its 1-based number, or "" when the entry has fewer.
std::string FieldAt(const std::vector<std::string>& fields, int column);

} // namespace kolshell
