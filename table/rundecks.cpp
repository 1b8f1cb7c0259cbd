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

// The run decks are the program's own temporary files, named as the disk spells their
// directory: written straight, without looking each name up among thousands of others.
bool WriteRunDeck(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
    return bool(out.flush());
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

namespace {

// A deck line as every run writes it, with the places where runs differ: the suffix after the
// deck's base name on an ASSIGN line, and the column whose value the line takes.
struct LineTemplate {
    std::string Text;
    size_t SuffixAt = std::string::npos;
    int Column = -1;
};

LineTemplate PrepareLine(const std::string& line, const std::string& base,
                         const std::vector<std::string>& names) {
    LineTemplate l;
    l.Text = UpStr(line);
    if (l.Text.compare(0, 3, "ASS") == 0) {
        const size_t at = l.Text.find(base + ".");
        if (at != std::string::npos && at >= 4) l.SuffixAt = at + base.size();
    }
    // A replaced line is NAME=value: later columns of the same name replace it again.
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string& current = l.Column >= 0 ? names[size_t(l.Column)] + "=" : l.Text;
        const size_t eq = current.find('=', 1);
        if (current.find(names[k]) == std::string::npos || eq == std::string::npos) continue;
        if (Trim(current.substr(0, current.find('='))) == names[k]) l.Column = int(k);
    }
    return l;
}

void RenderLine(const LineTemplate& l, const std::string& suffix,
                const std::vector<std::string>& names, const std::vector<std::string>& values,
                std::string& out) {
    if (l.Column >= 0) {
        out += names[size_t(l.Column)] + "=" + values[size_t(l.Column)];
    } else if (l.SuffixAt != std::string::npos) {
        out.append(l.Text, 0, l.SuffixAt);
        out += suffix;
        out.append(l.Text, l.SuffixAt, std::string::npos);
    } else {
        out += l.Text;
    }
}

} // namespace

std::string RunDeckLine(const std::string& line, const std::string& base, const std::string& suffix,
                        const std::vector<std::string>& names,
                        const std::vector<std::string>& values) {
    std::string out;
    RenderLine(PrepareLine(line, base, names), suffix, names, values, out);
    return out;
}

bool WriteTableDeck(TTable& t, std::string& message) {
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string upper = UpStr(t.DeckName);
    const std::string base = BaseOfStem(upper.substr(0, upper.find('.')));
    t.RunDeckNames.resize(size_t(t.RowCount));
    std::vector<LineTemplate> deck;
    bool read = false;
    for (int r = 1; r <= t.Runs(); ++r) {
        std::vector<std::string> names, values;
        if (!LineValues(t, r, names, values, message)) return false;
        const std::string name = stem + RunSuffix(r) + ".TMP";
        if (name.size() > RunDeckNameMax) {
            message = "The run deck name " + name + " is longer than 96 characters.";
            return false;
        }
        t.RunDeckNames[size_t(r - 1)] = name;
        if (!read) {
            std::vector<std::string> lines;
            if (!ReadTextLines(t.DeckName, lines)) {
                message = "File " + t.DeckName + " which is used by this table was not found.";
                return false;
            }
            for (const std::string& l : lines)
                deck.push_back(PrepareLine(l, base, names));
            read = true;
        }
        std::string text;
        for (const LineTemplate& l : deck) {
            RenderLine(l, RunSuffix(r), names, values, text);
            text += "\r\n";
        }
        if (!WriteRunDeck(name, text)) {
            message = "Error writing table file " + name;
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
