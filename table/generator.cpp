#include "table/generator.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>

namespace kolshell {

namespace {

constexpr size_t DescriptionMax = 40, CaptionWidth = 43, ItemsPerLine = 10;

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool Contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

bool IsNumber(const std::string& word, Extended& v) {
    return TryStrToReal(word, v);
}

bool IsNumber(const std::string& word) {
    Extended v;
    return IsNumber(word, v);
}

std::string WordAt(const std::string& line, size_t i) {
    const std::vector<std::string> w = SplitWords(line);
    return i < w.size() ? w[i] : "";
}

int IntWord(const std::string& line, size_t i) {
    return WordToInt(WordAt(line, i));
}

// Counts of several statements of one kind add up, held to the int range.
int AddCount(int count, int more) {
    return int(std::clamp<long long>((long long)count + more, INT_MIN, INT_MAX));
}

// A name already in the list gets that entry's next count appended (AREA, AREA1, AREA2).
std::string CountedName(TGenerator& g, const std::string& name) {
    const auto first = g.FirstConstant.find(name);
    if (first == g.FirstConstant.end()) return name;
    return name + std::to_string(++g.MakeConstants[first->second].Count);
}

void AddConstant(TGenerator& g, DeckConstant c) {
    g.FirstConstant.emplace(c.Name, g.MakeConstants.size());
    Extended v = 0;
    if (IsNumber(c.Value, v)) g.FirstNumber.emplace(c.Name, v);
    g.MakeConstants.push_back(std::move(c));
}

std::string Numbered(const char* format, int a, int b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

// "3," followed by "1" is the one connection "3,1".
std::vector<std::string> JoinConnections(const std::vector<std::string>& words) {
    std::vector<std::string> out;
    for (size_t i = 0; i < words.size(); ++i) {
        std::string w = words[i];
        const size_t comma = w.find(',');
        if (comma != std::string::npos && comma + 1 == w.size() && i + 1 < words.size())
            w += words[++i];
        out.push_back(w);
    }
    return out;
}

// The deck a line at a time, the next line read ahead so that the reader knows whether
// another follows the one in hand: no more than these two lines are held.
class DeckLines {
  public:
    bool Open(const std::string& name) {
        if (!reader_.Open(name)) return false;
        more_ = reader_.Next(ahead_);
        return true;
    }
    bool More() const { return more_; }
    bool Next(std::string& line) {
        if (!more_) return false;
        line.swap(ahead_);
        more_ = reader_.Next(ahead_);
        return true;
    }

  private:
    TTextLineReader reader_;
    std::string ahead_;
    bool more_ = false;
};

// Reads a plain deck; the line in hand is examined only while another follows it. Each unit
// goes to `unit` once it is read; the lines copied unchanged are kept only when keepLines.
class DeckReader {
  public:
    DeckReader(TGenerator& g, DeckLines& lines, const TUnitSink& unit, bool keepLines,
               TDiagnostics& diagnostics)
        : g_(g), lines_(lines), unit_(unit), keepLines_(keepLines), diagnostics_(diagnostics) {}
    void Run();

  private:
    bool More() const { return lines_.More(); }
    bool Next();
    bool NextEntry();
    bool ReadOn();
    void Keep(const std::string& line) {
        if (keepLines_) g_.KeptLines.push_back(line);
    }
    std::string Key() const { return UpStr(Trimmed(inHand_)).substr(0, 3); }
    void Statement(const std::string& line);
    void Other(const std::string& line);
    void Unit(const std::string& line);
    void Collect(DeckUnit& u, std::vector<WordItem>& items, std::vector<std::string>& from,
                 size_t total, bool connections, const char* what);

    TGenerator& g_;
    DeckLines& lines_;
    const TUnitSink& unit_;
    bool keepLines_;
    TDiagnostics& diagnostics_;
    std::string inHand_;
    std::vector<std::string>* comments_ = nullptr; // where a unit's comment lines go
};

bool DeckReader::Next() {
    if (lines_.Next(inHand_)) return true;
    inHand_.clear();
    return false;
}

// Reads up to the next line that is neither empty nor a comment.
bool DeckReader::ReadOn() {
    while (Next()) {
        const std::string t = Trimmed(inHand_);
        if (!t.empty() && t[0] != '*') return true;
        // The user's comments stay; form annotations are made anew.
        if (comments_ && !t.empty() && t.compare(0, 2, "*|") != 0) comments_->push_back(inHand_);
    }
    return false;
}

void DeckReader::Run() {
    if (!lines_.Next(inHand_)) return;
    while (More()) {
        const std::string line = Trimmed(inHand_);
        const std::string key = UpStr(line.substr(0, 3));
        if (key == "UNI") {
            Unit(line);
        } else if (key == "EQU" || key == "EQN" || key == "CON") {
            Statement(line);
        } else {
            Other(line);
            Next();
        }
    }
}

bool DeckReader::NextEntry() {
    do {
        if (!Next()) return false;
        Keep(inHand_);
    } while (StartsWith(Trimmed(inHand_), "*"));
    return true;
}

// An EQUATIONS or CONSTANTS statement and its lines, kept; its names are registered. A count
// beyond the lines that follow ends the statement at the end of the deck.
void DeckReader::Statement(const std::string& line) {
    Keep(line);
    const int n = IntWord(line, 1);
    for (int k = 0; k < n && NextEntry(); ++k) {
        const size_t eq = inHand_.find('=');
        DeckConstant c;
        c.Name = CountedName(g_, UpStr(Trimmed(inHand_.substr(0, eq))));
        c.Units = c.Description = "0";
        c.Value = eq == std::string::npos ? "" : Trimmed(inHand_.substr(eq + 1));
        AddConstant(g_, std::move(c));
    }
    while (Next() && StartsWith(Trimmed(inHand_), "*"))
        Keep(inHand_);
    Keep("*|*");
}

void DeckReader::Other(const std::string& line) {
    if (Contains(line, "SIM") || Contains(line, "Sim") || Contains(line, "sim"))
        g_.SimulationLine = line;
    else if (Contains(line, "ASS") || Contains(line, "Ass") || Contains(line, "ass")) {
        if (keepLines_) g_.AssignLines.push_back(line);
    } else if (Contains(line, "END") || Contains(line, "end") || Contains(line, "End"))
        return;
    else
        Keep(line);
}

// Collects words from the following value lines until `total` are there.
// Collects words from the following value lines until `total` are there. Too many words on a
// line, or a deck that ends before the count is reached, is the count error.
void DeckReader::Collect(DeckUnit& u, std::vector<WordItem>& items, std::vector<std::string>& from,
                         size_t total, bool connections, const char* what) {
    const auto wrong = [&] {
        ReportError(diagnostics_,
                    std::string(" The ") + what + " number for unit " + std::to_string(u.Type) +
                        " is not defined correctly",
                    false);
        u.NoData = true;
    };
    while (items.size() < total && ReadOn()) {
        std::vector<std::string> words = SplitWords(inHand_);
        if (connections) words = JoinConnections(words);
        from.push_back(Trimmed(inHand_));
        if (words.size() > total - items.size()) {
            wrong();
            words.resize(total - items.size());
        }
        for (const std::string& w : words)
            items.push_back({w, false});
    }
    if (items.size() < total && !u.NoData) wrong();
}

void ReadDescriptions(TGenerator& g, DeckUnit& u, TDiagnostics& diagnostics);

void DeckReader::Unit(const std::string& line) {
    DeckUnit u;
    u.UnitLine = UpStr(line);
    u.Type = IntWord(line, 3);
    if (u.Type >= 0 && u.Type <= 103 && IsPlainType(u.Type)) {
        Keep("  ");
        Keep(line);
        Next();
        return;
    }
    comments_ = &u.Comments[0];
    ReadOn();
    while (Key() == "PAR") {
        comments_ = &u.Comments[1];
        u.ParamCount = AddCount(u.ParamCount, IntWord(inHand_, 1));
        Collect(u, u.ParamValues, u.ParamLines, size_t(std::max(0, u.ParamCount)), false,
                "parameters");
        ReadOn();
    }
    while (Key() == "INP") {
        comments_ = &u.Comments[2];
        u.InputCount = AddCount(u.InputCount, IntWord(inHand_, 1));
        const size_t total = size_t(std::max(0, u.InputCount));
        Collect(u, u.InputConnections, u.InputLines, total, true, "inputs");
        Collect(u, u.InitialValues, u.InitialLines, total, false, "inputs");
        ReadOn();
    }
    if (Key() == "DER") {
        comments_ = &u.Comments[3];
        u.DerivCount = IntWord(inHand_, 1);
        Collect(u, u.DerivValues, u.DerivLines, size_t(std::max(0, u.DerivCount)), false,
                "derivatives");
        ReadOn();
    }
    if (Key() == "TRA") {
        comments_ = &u.Comments[4];
        u.TraceLine = Trimmed(inHand_);
        ReadOn();
    }
    comments_ = nullptr;
    for (WordItem& p : u.ParamValues)
        p.Exposable = IsNumber(p.Text);
    for (size_t i = 0; i < u.InputConnections.size(); ++i) {
        const std::string& c = u.InputConnections[i].Text;
        u.InputConnections[i].Exposable = c.size() >= 2 && c.compare(c.size() - 2, 2, ",0") == 0 &&
                                          c != "-1,0" && i < u.InitialValues.size() &&
                                          IsNumber(u.InitialValues[i].Text);
    }
    u.DisplayText = u.UnitLine;
    if (!u.NoData) ReadDescriptions(g_, u, diagnostics_);
    if (u.NoData) {
        u.DisplayText = u.UnitLine.substr(0, 7) + " - NO DATA AVAILABLE";
        u.ParamDescriptions.clear();
        u.InputDescriptions.clear();
    }
    unit_(u);
}

// Reads a unit's description file: its header, mode sections and three-line groups.
class InfReader {
  public:
    InfReader(TGenerator& g, DeckUnit& u, std::vector<std::string> lines, TDiagnostics& diagnostics)
        : g_(g), u_(u), lines_(std::move(lines)), diagnostics_(diagnostics) {
        for (const std::string& l : lines_)
            upper_.push_back(UpStr(l));
    }
    // False (with the error in diagnostics) when the file cannot describe the unit.
    bool Run();

  private:
    bool FindHeader();
    bool ModeSections();
    long long ModeValue(int k) const;
    // The group at pos_ (name, description and unit lines); false when it is not one.
    bool Group(DescriptionEntry& e, bool rejectInputs);
    bool Groups(std::vector<DescriptionEntry>& out, int count, bool params);
    bool SkipToInputs();
    bool Type4();
    bool Fail(const std::string& text) {
        ReportError(diagnostics_, text, false);
        return false;
    }
    Extended Param(int k) const {
        Extended v = 0;
        return k >= 1 && size_t(k) <= u_.ParamValues.size() &&
                       IsNumber(u_.ParamValues[size_t(k - 1)].Text, v)
                   ? v
                   : 0;
    }

    TGenerator& g_;
    DeckUnit& u_;
    std::vector<std::string> lines_, upper_;
    TDiagnostics& diagnostics_;
    size_t pos_ = 0; // the next line to read
};

bool InfReader::Run() {
    if (!FindHeader() || !ModeSections()) return false;
    if (u_.Type == 4) return Type4();
    if (!Groups(u_.ParamDescriptions, u_.ParamCount, true)) return false;
    if (u_.InputCount <= 0) return true;
    if (!SkipToInputs())
        return Fail(Numbered("Input %d for type %d isn't defined correctly", 1, u_.Type));
    return Groups(u_.InputDescriptions, u_.InputCount, false);
}

bool InfReader::FindHeader() {
    const std::string type = std::to_string(u_.Type);
    for (; pos_ < upper_.size(); ++pos_) {
        if (Contains(upper_[pos_], "TYPE") && WordAt(upper_[pos_], 1) == type) {
            pos_ += 2; // the line after the header is in hand
            return true;
        }
    }
    return Fail("Type " + type + " can not be found");
}

// The mode parameter's value truncated to a whole number; any value a deck may give, held to
// the range of the section numbers.
long long InfReader::ModeValue(int k) const {
    if (k < 1 || size_t(k) > u_.ParamValues.size()) return 0;
    const std::string& word = u_.ParamValues[size_t(k - 1)].Text;
    Extended v = 0;
    if (!IsNumber(word, v)) {
        const auto c = g_.FirstNumber.find(UpStr(word));
        if (c != g_.FirstNumber.end()) v = c->second;
    }
    constexpr Extended limit = 9.2e18L;
    return (long long)std::clamp(std::trunc(v), -limit, limit);
}

// While the line in hand names a mode parameter, skips to that mode's section.
bool InfReader::ModeSections() {
    while (pos_ - 1 < upper_.size() && Contains(upper_[pos_ - 1], "PARMOD")) {
        const std::string& line = upper_[pos_ - 1];
        const int k = IntWord(line, 1);
        const long long m = ModeValue(k);
        const std::string section = Contains(line, "ZERO")
                                        ? "MODE " + std::to_string(k) + (m > 0 ? " POS" : " NEG")
                                        : "MODE " + std::to_string(k) + "-" + std::to_string(m);
        while (pos_ < upper_.size() && !Contains(upper_[pos_], section.c_str()))
            ++pos_;
        if (pos_ >= upper_.size())
            return Fail("  Error in Type " + std::to_string(u_.Type) + " ! " + section +
                        " can not be found");
        pos_ += 2;
    }
    return true;
}

bool InfReader::Group(DescriptionEntry& e, bool rejectInputs) {
    if (pos_ + 3 > lines_.size()) return false;
    if (rejectInputs && Contains(upper_[pos_], "INP")) return false;
    e.Name = Trimmed(upper_[pos_]);
    e.Description = Trimmed(lines_[pos_ + 1]).substr(0, DescriptionMax);
    if (!NormaliseUnitLine(lines_[pos_ + 2], e.Units)) return false;
    pos_ += 3;
    return true;
}

bool InfReader::Groups(std::vector<DescriptionEntry>& out, int count, bool params) {
    const char* error = params ? "Parameter %d for type %d isn't defined correctly"
                               : "Input %d for type %d isn't defined correctly";
    for (int i = 1; i <= count; ++i) {
        const bool repeat = pos_ < upper_.size() && Contains(upper_[pos_], "REP") &&
                            !(params && Contains(upper_[pos_], "INP"));
        if (repeat) ++pos_;
        DescriptionEntry e;
        if (!Group(e, params)) return Fail(Numbered(error, i, u_.Type));
        out.push_back(e);
        if (repeat) {
            out.insert(out.end(), size_t(count - i), e);
            return true;
        }
    }
    return true;
}

bool InfReader::SkipToInputs() {
    while (pos_ < upper_.size() && !Contains(upper_[pos_], "INP"))
        ++pos_;
    if (pos_ >= upper_.size()) return false;
    ++pos_;
    return true;
}

// The integrator-style type 4: how many groups apply follows from its parameter values.
bool InfReader::Type4() {
    const int d = u_.DerivCount;
    auto& out = u_.ParamDescriptions;
    auto group = [&](int position, DescriptionEntry& e) {
        return Group(e, true) ||
               Fail(Numbered("Parameter %d for type %d isn't defined correctly", position, 4));
    };
    if (u_.ParamCount > 0) {
        DescriptionEntry e;
        for (int i = 1; i <= 6; ++i) {
            if (!group(i, e)) return false;
            out.push_back(e);
        }
        if (Param(6) > 0 && d > 1) out.insert(out.end(), size_t(d - 1), e);
        for (int i = 1; i <= 14; ++i) {
            if (!group(i, e)) return false;
            out.push_back(e);
        }
        for (int k = 0; k < 2; ++k) {
            if (!group(15, e)) return false;
            if (Param(1) == 3) out.push_back(e);
        }
        if (!group(15, e)) return false;
        if (Param(5) < 0 && d > 1) out.insert(out.end(), size_t(d), e);
    }
    if (u_.InputCount <= 0) return true;
    // A file that ends before its inputs describes none of them.
    for (int i = 1; i <= u_.InputCount; ++i) {
        DescriptionEntry e;
        if ((i == 1 && !SkipToInputs()) || !Group(e, false))
            return Fail("Input " + std::to_string(i) + " for Type 4 isn't defined correctly ");
        u_.InputDescriptions.push_back(e);
    }
    return true;
}

void ReadDescriptions(TGenerator& g, DeckUnit& u, TDiagnostics& diagnostics) {
    const std::string path = JoinPath(g.InfoDir, "TYPE" + std::to_string(u.Type) + ".INF");
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) {
        ReportError(diagnostics,
                    "Error " + std::to_string(errno) +
                        " was encountered while trying to open file " + path,
                    true);
        u.NoData = true;
        return;
    }
    if (!InfReader(g, u, std::move(lines), diagnostics).Run()) u.NoData = true;
}

std::string RightAligned(int n, size_t width) {
    std::string s = std::to_string(n);
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

// Items each followed by a blank, ten to a line.
void ItemLines(const std::vector<WordItem>& items, size_t from, size_t to,
               std::vector<std::string>& out) {
    std::string line;
    for (size_t i = from; i < to && i < items.size(); ++i) {
        line += items[i].Text + " ";
        if ((i - from + 1) % ItemsPerLine == 0) {
            out.push_back(line);
            line.clear();
        }
    }
    if (!line.empty() || from >= to) out.push_back(line);
}

void ConstantLines(const TGenerator& g, int first, int count, const char* heading,
                   std::vector<std::string>& out) {
    if (count <= 0) return;
    out.push_back(heading);
    out.push_back("CONSTANTS" + RightAligned(count, 3));
    for (int i = first; i < first + count; ++i) {
        const DeckConstant& c = g.MakeConstants[size_t(i)];
        out.push_back(c.Name + "=" + c.Value);
        std::string caption = c.Description;
        if (caption.size() < CaptionWidth) caption.resize(CaptionWidth, ' ');
        out.push_back("*|" + caption + c.Units);
    }
    out.push_back("*|*");
}

void InputStatement(const DeckUnit& u, size_t from, size_t to, std::vector<std::string>& out) {
    out.push_back("INPUTS " + RightAligned(int(to - from), 2));
    ItemLines(u.InputConnections, from, to, out);
    ItemLines(u.InitialValues, from, to, out);
}

void UnitBlock(const TGenerator& g, const DeckUnit& u, std::vector<std::string>& out) {
    out.push_back("");
    out.push_back("*|*     ***** " + u.UnitLine + " *****");
    out.push_back("*|*");
    if (!u.NoData) {
        ConstantLines(g, u.FirstParamConstant, u.ParamConstants, "*|*           PARAMETERS       ",
                      out);
        ConstantLines(g, u.FirstInputConstant, u.InputConstants, "*|*             INPUTS         ",
                      out);
    }
    out.push_back(u.UnitLine);
    const auto comments = [&](size_t k) {
        out.insert(out.end(), u.Comments[k].begin(), u.Comments[k].end());
    };
    comments(0);
    if (u.ParamCount != 0) {
        out.push_back("PARAMETERS " + RightAligned(u.ParamCount, 2));
        if (u.NoData)
            out.insert(out.end(), u.ParamLines.begin(), u.ParamLines.end());
        else
            ItemLines(u.ParamValues, 0, u.ParamValues.size(), out);
    }
    comments(1);
    if (u.InputCount != 0) {
        if (u.NoData) {
            out.push_back("INPUTS " + RightAligned(u.InputCount, 2));
            out.insert(out.end(), u.InputLines.begin(), u.InputLines.end());
            out.insert(out.end(), u.InitialLines.begin(), u.InitialLines.end());
        } else {
            // The engine takes further INPUTS statements of a unit as more inputs.
            const size_t n = u.InputConnections.size();
            for (size_t from = 0; from < n || from == 0; from += ItemsPerLine)
                InputStatement(u, from, std::min(n, from + ItemsPerLine), out);
        }
    }
    comments(2);
    if (u.DerivCount != 0) {
        out.push_back("DERIVATIVES " + RightAligned(u.DerivCount, 2));
        if (u.NoData)
            out.insert(out.end(), u.DerivLines.begin(), u.DerivLines.end());
        else
            ItemLines(u.DerivValues, 0, u.DerivValues.size(), out);
    }
    comments(3);
    if (!u.TraceLine.empty()) out.push_back(u.TraceLine);
    comments(4);
}

const char* const SimulationBlock[] = {
    "*|*",
    "*|*              ***** Simulation Parameters *****",
    "*|*",
    "EQUATIONS 8",
    "MONTH=0",
    "*|<Month of the simulation                   |\\KOLWIN\\Month1.dat|1|2|0",
    "DAY1=  1.0000E+0000",
    "*|Day of Month for Simulation Start          |||0|1|1|31|0",
    "DAY=MONTH/24+DAY1",
    "STEP=  1.0000E+0000",
    "*|Timestep for Simulation                    |h|h|0|1|0.01|1.00|0",
    "LENGTH=  2.8000E+0001",
    "*|<Length of Simulation                      |\\KOLWIN\\Length.dat|2|1|0",
    "START=24*(DAY-1)+1",
    "STOP=START+LENGTH*24-1",
    "PLOTS=INT(((STOP-START)/168.0)+0.5)",
    "*|*",
    "SIMULATION START STOP STEP",
};

void HeaderLines(const TGenerator& g, std::vector<std::string>& out, TDiagnostics& diagnostics) {
    const std::string path = JoinPath(g.EngineDir, "Header.txt");
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) {
        ReportError(diagnostics, "Error " + std::to_string(errno) + " while reading file " + path,
                    false);
        return;
    }
    out.push_back("*|*");
    for (const std::string& l : lines)
        out.push_back("*|*" + l);
    out.push_back("*|*");
}

std::vector<DescriptionEntry>& Descriptions(DeckUnit& u, bool inputs) {
    return inputs ? u.InputDescriptions : u.ParamDescriptions;
}

bool Exposable(const DeckUnit& u, bool inputs, size_t i) {
    const std::vector<WordItem>& items = inputs ? u.InputConnections : u.ParamValues;
    return i < items.size() && items[i].Exposable;
}

} // namespace

bool IsPlainType(int type) {
    static const int plain[] = {9, 14, 15, 17, 19, 24, 25, 26, 27, 28, 29, 40, 41, 55, 56, 65};
    return std::find(std::begin(plain), std::end(plain), type) != std::end(plain);
}

namespace {

// Starts g for the deck and reads it through, each unit to `unit`.
bool ReadDeck(TGenerator& g, const std::string& deckName, const std::string& engineDir,
              const TUnitSink& unit, bool keepLines, TDiagnostics& diagnostics) {
    g = TGenerator();
    g.EngineDir = engineDir;
    g.InfoDir = NativePath(JoinPath(engineDir, "INFO"));
    DeckLines lines;
    if (!lines.Open(deckName)) {
        ReportError(diagnostics, IoErrorText(deckName, errno), true);
        return false;
    }
    DeckReader(g, lines, unit, keepLines, diagnostics).Run();
    return true;
}

} // namespace

bool MakeDeck(TGenerator& g, const std::string& deckName, const std::string& engineDir,
              TDiagnostics& diagnostics) {
    const TUnitSink keep = [&g](DeckUnit& u) {
        SelectNone(u, false);
        SelectNone(u, true);
        g.MakeUnits.push_back(std::move(u));
    };
    return ReadDeck(g, deckName, engineDir, keep, true, diagnostics);
}

bool ListDeckUnits(const std::string& deckName, const std::string& engineDir, const TUnitSink& unit,
                   TDiagnostics& diagnostics) {
    TGenerator g;
    return ReadDeck(g, deckName, engineDir, unit, false, diagnostics);
}

std::vector<std::string> SelectionLines(const DeckUnit& unit, bool inputs) {
    const auto& entries = inputs ? unit.InputDescriptions : unit.ParamDescriptions;
    std::vector<std::string> lines;
    for (size_t i = 0; i < entries.size(); ++i)
        lines.push_back((Exposable(unit, inputs, i) ? " " : "*") + entries[i].Description);
    return lines;
}

bool SetSelected(DeckUnit& unit, bool inputs, size_t index, bool on) {
    auto& entries = Descriptions(unit, inputs);
    if (index >= entries.size()) return false;
    const bool can = Exposable(unit, inputs, index);
    entries[index].Selected = on && can;
    return can || !on;
}

void SelectAll(DeckUnit& unit, bool inputs) {
    auto& entries = Descriptions(unit, inputs);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].Selected = Exposable(unit, inputs, i);
}

void SelectNone(DeckUnit& unit, bool inputs) {
    for (DescriptionEntry& e : Descriptions(unit, inputs))
        e.Selected = false;
}

void CreateConstants(TGenerator& g) {
    auto create = [&g](DeckUnit& u, bool inputs, int& first, int& count) {
        first = int(g.MakeConstants.size());
        auto& entries = Descriptions(u, inputs);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i].Selected || !Exposable(u, inputs, i)) continue;
            WordItem& item = inputs ? u.InputConnections[i] : u.ParamValues[i];
            DeckConstant c;
            c.Name = CountedName(g, entries[i].Name);
            c.Value = inputs ? u.InitialValues[i].Text : item.Text;
            c.Units = entries[i].Units;
            c.Description = entries[i].Description;
            c.WantsAnnotation = true;
            item.Text = c.Name;
            AddConstant(g, std::move(c));
        }
        count = int(g.MakeConstants.size()) - first;
    };
    for (DeckUnit& u : g.MakeUnits) {
        if (u.NoData) continue;
        create(u, false, u.FirstParamConstant, u.ParamConstants);
        create(u, true, u.FirstInputConstant, u.InputConstants);
    }
}

std::vector<std::string> KsdLines(const TGenerator& g, bool header, bool simulationCard,
                                  TDiagnostics& diagnostics) {
    std::vector<std::string> out{"*KOLSED"};
    out.insert(out.end(), g.AssignLines.begin(), g.AssignLines.end());
    if (header) HeaderLines(g, out, diagnostics);
    if (simulationCard)
        out.insert(out.end(), std::begin(SimulationBlock), std::end(SimulationBlock));
    else
        out.push_back(g.SimulationLine);
    out.insert(out.end(), g.KeptLines.begin(), g.KeptLines.end());
    for (const DeckUnit& u : g.MakeUnits)
        UnitBlock(g, u, out);
    out.push_back("");
    out.push_back("END");
    return out;
}

bool WriteKsd(TGenerator& g, const std::string& fileName, bool header, bool simulationCard,
              TDiagnostics& diagnostics) {
    CreateConstants(g);
    std::string bytes;
    for (const std::string& l : KsdLines(g, header, simulationCard, diagnostics))
        bytes += l + "\r\n";
    if (WriteFileAtomic(fileName, bytes)) return true;
    ReportError(diagnostics,
                WriteFailureText(fileName, "File " + fileName + " could not be written."), true);
    return false;
}

bool NormaliseUnitLine(const std::string& line, std::string& field) {
    const std::vector<std::string> w = SplitWords(line);
    if (!w.empty() && (w[0] == "none" || w[0] == "None" || w[0] == "NONE")) {
        if (w.size() < 3) return false;
        field = "|||0|1|" + w[1] + "|" + w[2] + "|";
        return true;
    }
    if (w.size() < 6) return false;
    field = "|";
    for (size_t i = 0; i < 6; ++i)
        field += w[i] + "|";
    return true;
}

std::string ProposedKsdName(const std::string& deckName) {
    return ReplaceFromFirstDot(deckName, ".KSD");
}

} // namespace kolshell
