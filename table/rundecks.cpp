#include "table/rundecks.h"

#include "common/paths.h"

#include <fstream>

namespace {

constexpr size_t ValueTextMax = 20, VariableNameMax = 20;

std::string Trim(std::string s) {
    TrimBlanks(s, ShortStringMax);
    return s;
}

// The stem without drive and directories.
std::string BaseOfStem(const std::string& stem) {
    std::string b = stem.size() >= 2 && stem[1] == ':' ? stem.substr(2) : stem;
    const size_t sep = b.find_last_of("\\/");
    return sep == std::string::npos ? b : b.substr(sep + 1);
}

bool LineValues(const TTable& t, int run, std::vector<std::string>& names,
                std::vector<std::string>& values, std::string& message) {
    names.clear();
    values.clear();
    for (size_t k = 0; k < t.Columns.size(); ++k) {
        const TableColumn& c = t.Columns[k];
        const Extended v = c.Values[size_t(run)];
        if (v > 1E20L) {
            message = "Parameter in the col #" + std::to_string(k + 1) + ", run #" +
                      std::to_string(run) + " isn't defined";
            return false;
        }
        names.push_back(Trim(c.Name.substr(0, VariableNameMax)));
        values.push_back(FormatReal(c.Format, v).substr(0, ValueTextMax));
    }
    return true;
}

} // namespace

std::string RunSuffix(int run) {
    return run <= 1 ? std::string() : std::to_string(run - 1);
}

std::string RunDeckStem(const std::string& deckName) {
    const std::string upper = UpStr(deckName);
    const std::string stem = upper.substr(0, upper.find('.'));
    const size_t sep = stem.find_last_of("\\/");
    if (sep == std::string::npos) return stem;
    // The upper-cased directory is the deck's own, as the disk spells it.
    return NativePath(stem.substr(0, sep)) + "/" + stem.substr(sep + 1);
}

std::string RunDeckLine(const std::string& line, const std::string& base, const std::string& suffix,
                        const std::vector<std::string>& names,
                        const std::vector<std::string>& values) {
    std::string l = UpStr(line);
    if (l.compare(0, 3, "ASS") == 0) {
        const size_t at = l.find(base + ".");
        if (at != std::string::npos && at >= 4) l.insert(at + base.size(), suffix);
    }
    for (size_t k = 0; k < names.size(); ++k) {
        const size_t eq = l.find('=', 1);
        if (l.find(names[k]) == std::string::npos || eq == std::string::npos) continue;
        if (Trim(l.substr(0, l.find('='))) == names[k]) l = names[k] + "=" + values[k];
    }
    return l;
}

bool WriteTableDeck(TTable& t, std::string& message) {
    std::vector<std::string> lines;
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string base = BaseOfStem(UpStr(t.DeckName).substr(0, UpStr(t.DeckName).find('.')));
    t.RunDeckNames.resize(size_t(t.RowCount));
    for (int r = 1; r <= t.Runs(); ++r) {
        std::vector<std::string> names, values;
        if (!LineValues(t, r, names, values, message)) return false;
        const std::string deck = stem + RunSuffix(r) + ".TMP";
        if (deck.size() > RunDeckNameMax) {
            message = "The run deck name " + deck + " is longer than 96 characters.";
            return false;
        }
        t.RunDeckNames[size_t(r - 1)] = deck;
        if (lines.empty() && !ReadTextLines(t.DeckName, lines)) {
            message = "File " + t.DeckName + " which is used by this table was not found.";
            return false;
        }
        std::string text;
        for (const std::string& l : lines)
            text += RunDeckLine(l, base, RunSuffix(r), names, values) + "\r\n";
        if (!WriteFileAtomic(deck, text)) {
            message = "Error writing table file " + deck;
            return false;
        }
    }
    return true;
}

bool RunTable(TTable& t, TTableRunner& runner, TTableRunOptions& o, std::string& message) {
    message.clear();
    if (!WriteTableDeck(t, message)) return false;
    if (!IsDirectory(o.EngineDir)) o.EngineDir = o.DefaultEngineDir;
    auto engine = [&o] { return o.EngineDir + "\\KOLVAN" + "32" + ".exe"; };
    if (!FileExists(engine())) {
        const std::string chosen = runner.ChooseEngineDir();
        if (chosen.empty()) return false; // the temporary decks stay
        o.EngineDir = chosen;
    }
    bool all = true;
    for (int r = 1; r <= t.Runs() && all; ++r) {
        runner.Progress(r, t.Runs());
        all = runner.Run(engine() + " " + t.RunDeckNames[size_t(r - 1)] + " /N");
    }
    if (!o.KeepDecks)
        for (int r = 1; r <= t.Runs(); ++r)
            RemoveFile(t.RunDeckNames[size_t(r - 1)]);
    return all;
}
