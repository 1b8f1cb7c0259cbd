// The files an engine deck may have its printers write: ASSIGN names a file in the deck's
// own folder, and neither the deck itself nor its listing.
#pragma once

#include <string>
#include <vector>

namespace kolshell {

// The listing the engine writes for a deck: the deck name up to its first "." with ".LST".
std::string EngineListingName(const std::string& deckName);
// Why the engine refuses to write target for deckName ("it is the deck itself", "it is the
// deck's listing", "it lies outside the deck's folder"); empty when it may write it.
std::string AssignTargetProblem(const std::string& deckName, const std::string& target);
// The first ASSIGN statement of the deck's lines (up to END) that the engine would refuse,
// as a message naming the deck, the line and the file; empty when there is none.
std::string DeckAssignmentProblem(const std::vector<std::string>& lines,
                                  const std::string& deckName);
// Reads the deck and checks its ASSIGN statements: false with the message of the first the
// engine would refuse. A deck that cannot be read passes (its run says so).
bool CheckDeckAssignments(const std::string& deckName, std::string& message);

} // namespace kolshell
