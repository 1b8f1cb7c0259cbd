#include "run/runreport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kolshell {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string BaseName(const std::string& path) {
    return fs::path(path).filename().string();
}

// "1.2 s"; a run quicker than a tenth of a second is "under 0.1 s", never "0.0 s".
std::string Seconds(double s) {
    if (s < 0.05) return "under 0.1 s";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", s < 0 ? 0.0 : s);
    return std::string(text) + " s";
}

std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& n : names)
        list += (list.empty() ? "" : ", ") + n;
    return list;
}

} // namespace

TCompanionSnapshot SnapshotCompanions(const std::string& deck) {
    TCompanionSnapshot snapshot;
    if (deck.empty()) return snapshot;
    const fs::path path(deck);
    const std::string stem = Upper(path.stem().string());
    std::error_code ec;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc) || Upper(it->path().stem().string()) != stem) continue;
        TFileState state;
        state.Size = static_cast<long long>(it->file_size(fileEc));
        state.Modified =
            static_cast<long long>(it->last_write_time(fileEc).time_since_epoch().count());
        snapshot[it->path().filename().string()] = state;
    }
    return snapshot;
}

std::vector<std::string> WrittenCompanions(const TCompanionSnapshot& before,
                                           const TCompanionSnapshot& after,
                                           const std::string& deck) {
    std::vector<std::string> written;
    const std::string deckName = BaseName(deck);
    for (const auto& [name, state] : after) {
        if (name == deckName) continue;
        const auto was = before.find(name);
        if (was == before.end() || !(was->second == state)) written.push_back(name);
    }
    return written;
}

std::string EngineEndText(const TEngineEnd& end) {
    const std::string deck = BaseName(end.Deck);
    const std::string on = deck.empty() ? std::string() : " on " + deck;
    if (end.StartFailed) return "KOLVAN could not be started" + on + ".";
    if (end.Stopped) return "KOLVAN was stopped" + on + " after " + Seconds(end.Seconds) + ".";
    std::string how;
    if (end.Signal)
        how = "KOLVAN was stopped by signal " + std::to_string(end.Signal) + on;
    else if (end.ExitStatus)
        how = "KOLVAN ended with status " + std::to_string(end.ExitStatus) + on;
    else
        how = "KOLVAN finished" + on;
    how += " in " + Seconds(end.Seconds);
    if (end.Written.empty()) return how + ", no files written";
    return how + ": " + NameList(end.Written) + " written";
}

bool NotifyEngineEnd(double seconds, bool programActive) {
    return seconds > 10 && !programActive;
}

} // namespace kolshell
