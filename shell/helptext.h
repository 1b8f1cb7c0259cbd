// Project help texts: plain text reflowed into paragraphs, at most 60000 characters.
#pragma once

#include <string>
#include <vector>

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
