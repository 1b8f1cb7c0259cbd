// The constants a deck defines in its CONSTANTS statements, with the value text, unit and
// description that their annotation lines give: the variables a parametric table can vary.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kolshell {

struct DeckConstant {
    std::string Name;        // upper-cased; a repeated name gets its count (AREA1)
    std::string Units;       // "[unit]", or the unit context
    std::string Description; // at most 40 characters
    std::string Value;       // the text after "=", "?" when empty
    int Count = 0;
    bool WantsAnnotation = false, Written = false; // the generator's flags
};

// The list of the deck's constants; nullptr when the deck cannot be read or has no CONSTANTS
// statement. unitSystem picks the unit field of the annotations.
std::unique_ptr<std::vector<DeckConstant>> ScanDeckConstants(const std::string& deckName,
                                                             int unitSystem);
// The same over lines already read.
std::unique_ptr<std::vector<DeckConstant>> ScanDeckLines(const std::vector<std::string>& lines,
                                                         int unitSystem);
// "Variable NOSUCH of this table is not a constant of DEMO.DCK." for the first of the names
// (blanks around them ignored, any case) that is not a constant of the deck; empty when all
// are. A deck that cannot be read gives empty: its readers say so.
std::string UnknownVariableText(const std::vector<std::string>& names, const std::string& deckName);

} // namespace kolshell
