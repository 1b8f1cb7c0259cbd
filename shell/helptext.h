// Project help texts: plain text reflowed into paragraphs, at most 60000 characters.
#pragma once

#include <string>
#include <vector>

namespace kolshell {

constexpr size_t HelpTextMax = 60000;

// Empty lines become paragraph breaks, lines that begin with a blank start a new line, and the
// other lines run on: two blanks after a full stop, one after any other character.
std::string ReflowHelpText(const std::vector<std::string>& lines);

enum class HelpFileKind {
    Text,         // Text holds the reflowed help
    PlatformHelp, // a compiled help file ("?_" first): the help viewer opens it
    TooBig,       // Size holds its length
    Missing,      // Text holds the not-available line
};

struct THelpFile {
    HelpFileKind Kind = HelpFileKind::Missing;
    std::string Text;
    unsigned long long Size = 0;
};

THelpFile LoadHelpFile(const std::string& fileName);

// The text of a form field's help topic, as the help window shows it: the topic's lines from
// the deck's ".HLP" file (its name cut at the deck's first "."), reflowed, or the line that
// says why there is none.
std::string TopicHelpText(const std::string& deckName, int topic);
// The topic's raw text from a help file's bytes; false when no marker fits. A topic number
// matches a marker number that begins with it (1 finds 12 when that comes first).
// Linear in the file: steps, when given, gets the characters the search looked at.
bool FindHelpTopic(const std::string& bytes, int topic, std::string& text, size_t* steps = nullptr);
// Line breaks stay before a line that begins with a blank or is empty; others become a blank.
std::string ReflowTopicText(const std::string& text);

} // namespace kolshell
