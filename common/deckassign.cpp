#include "common/deckassign.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <cctype>
#include <filesystem>
#include <sstream>

namespace kolshell {

namespace fs = std::filesystem;

namespace {

// The name with "/" separators made absolute from the folder; a drive letter is kept, so
// such a name never lies inside a folder of this file system.
fs::path InFolder(const fs::path& folder, const std::string& name) {
    std::string p = name;
    for (char& c : p)
        if (c == '\\') c = '/';
    const fs::path path(p);
    return (path.is_absolute() ? path : folder / path).lexically_normal();
}

// The file a name leads to through its links (also a link to a file not there yet).
fs::path Canonical(const fs::path& name) {
    std::error_code ec;
    fs::path p = name;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = (to.is_absolute() ? to : p.parent_path() / to).lexically_normal();
    }
    const fs::path c = fs::weakly_canonical(p, ec);
    return ec ? p : c;
}

bool SameName(const fs::path& a, const fs::path& b) {
    return UpStr(a.filename().string()) == UpStr(b.filename().string());
}

} // namespace

std::string EngineListingName(const std::string& deckName) {
    return deckName.find('.') == std::string::npos ? deckName + ".LST"
                                                   : BaseName(deckName) + ".LST";
}

std::string AssignTargetProblem(const std::string& deckName, const std::string& target) {
    const fs::path deck = fs::path(AbsolutePath(deckName)).lexically_normal();
    const fs::path folder = deck.parent_path();
    const bool drive = target.size() >= 2 && target[1] == ':' &&
                       std::isalpha(static_cast<unsigned char>(target[0]));
    const fs::path file = InFolder(folder, target);
    // Through a link the file it leads to counts: it must stay in the folder as well.
    if (drive || file.filename().empty() || file.parent_path() != folder ||
        Canonical(file).parent_path() != Canonical(folder))
        return "it lies outside the deck's folder";
    const fs::path listing = InFolder(folder, ExtractFileName(EngineListingName(deckName)));
    if (SameName(file, deck) || SameFile(file.string(), deck.string()))
        return "it is the deck itself";
    if (SameName(file, listing) || SameFile(file.string(), listing.string()))
        return "it is the deck's listing";
    return {};
}

std::string DeckAssignmentProblem(const std::vector<std::string>& lines,
                                  const std::string& deckName) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '*') continue;
        std::istringstream in(lines[i]);
        std::string key, target;
        in >> key >> target;
        key = UpStr(key);
        if (key == "END") break;
        if (key != "ASSIGN" || target.empty()) continue;
        const std::string why = AssignTargetProblem(deckName, target);
        if (!why.empty())
            return "Line " + std::to_string(i + 1) + " of " + deckName + " assigns " + target +
                   " to the engine, but " + why +
                   ". The engine writes only files in the deck's folder other than the deck "
                   "and its listing; nothing was run.";
    }
    return {};
}

bool CheckDeckAssignments(const std::string& deckName, std::string& message) {
    std::vector<std::string> lines;
    if (!ReadTextLines(deckName, lines, std::string::npos)) return true;
    message = DeckAssignmentProblem(lines, deckName);
    return message.empty();
}

} // namespace kolshell
