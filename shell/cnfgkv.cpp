#include "shell/cnfgkv.h"

#include "common/lib1.h"
#include "common/paths.h"
#include "common/textfile.h"

#include <vector>

namespace kolshell {

const std::array<const char*, EngineSwitchCount> EngineSwitchCaptions = {
    "Display Simulation Status",      "Write KOLVAN Header",
    "Write Printer Labels",           "Write Output Units",
    "Check for Unlinked Subroutines", "Check Input-Output Connections",
    "Print Warning Messages"};

bool ReadEngineSwitches(const std::string& fileName, EngineSwitches& on) {
    std::vector<std::string> lines;
    if (!ReadTextLines(fileName, lines)) return false;
    for (size_t i = 0; i < EngineSwitchCount; ++i) {
        const std::string& line = i + 1 < lines.size() ? lines[i + 1] : std::string();
        on[i] = !line.empty() && UpStr(line.substr(0, 1)) == "Y";
    }
    return true;
}

bool RewriteEngineSwitches(const std::string& dir, const EngineSwitches& on, std::string* error) {
    const std::string kol = JoinPath(dir, "CNFGKV.KOL");
    const std::string bak = JoinPath(dir, "CNFGKV.BAK");
    const auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    // A read-only switch file is the user's choice: nothing is touched, the backup neither.
    if (IsReadOnlyFile(kol)) return fail(ReadOnlyText(kol));
    std::string old;
    if (!ReadFileBytes(kol, old)) return fail("The file " + kol + " could not be read.");
    // The backup is a copy, so the switch file itself keeps its link and permission bits; it
    // replaces the old backup in one step, so there is always one.
    if (!WriteFileAtomic(bak, old))
        return fail("The file " + kol + " could not be copied to " + bak + ".");
    // Only the first character of the switch lines changes: every other byte, the lines after
    // the eighth (the engine may read them) and each line's ending stay.
    TTextLines text = SplitLinesWithEnds(old, false);
    if (text.Lines.empty()) {
        text.Lines.emplace_back();
        text.Ends.emplace_back("\r\n");
    }
    if (text.Ends.back().empty()) text.Ends.back() = text.CommonEnd();
    for (size_t i = 0; i < EngineSwitchCount; ++i) {
        if (i + 1 >= text.Lines.size()) {
            text.Lines.emplace_back();
            text.Ends.push_back(text.CommonEnd());
        }
        std::string& line = text.Lines[i + 1];
        const char c = on[i] ? 'Y' : 'N';
        if (line.empty())
            line.assign(1, c);
        else
            line[0] = c;
    }
    const std::string out = JoinLines(text);
    if (!WriteFileAtomic(kol, out))
        return fail(WriteFailureText(kol, "The file " + kol +
                                              " could not be written; it was left unchanged."));
    return true;
}

} // namespace kolshell
