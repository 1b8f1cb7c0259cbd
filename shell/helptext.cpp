#include "shell/helptext.h"

#include "common/paths.h"

#include <fstream>

std::string ReflowHelpText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) {
            text += "\n\n";
            continue;
        }
        if (line[0] == ' ') text += "\n";
        text += line;
        if (line.back() == '.')
            text += "  ";
        else if (line.back() != ' ')
            text += " ";
        if (text.size() >= HelpTextMax) break;
    }
    if (text.size() > HelpTextMax) text.resize(HelpTextMax);
    return text;
}

THelpFile LoadHelpFile(const std::string& fileName) {
    THelpFile help;
    std::ifstream in(NativePath(fileName), std::ios::binary | std::ios::ate);
    if (IsDirectory(fileName) || !in) {
        help.Text = "Help information is not available for this subject.";
        return help;
    }
    help.Size = static_cast<unsigned long long>(in.tellg());
    char head[2] = {0, 0};
    in.seekg(0);
    in.read(head, 2);
    if (head[0] == '?' && head[1] == '_') {
        help.Kind = HelpFileKind::PlatformHelp;
    } else if (help.Size > HelpTextMax) {
        help.Kind = HelpFileKind::TooBig;
    } else {
        std::vector<std::string> lines;
        ReadTextLines(fileName, lines);
        help.Kind = HelpFileKind::Text;
        help.Text = ReflowHelpText(lines);
    }
    return help;
}
