#include "table/deckscan.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <map>

namespace kolshell {

namespace {

constexpr size_t DescriptionMax = 40;

bool IsVariableAnnotation(const std::string& l) {
    return l.size() >= 2 && l.compare(0, 2, "*|") == 0 &&
           (l.size() < 3 || std::string("*<[{(]})").find(l[2]) == std::string::npos);
}

// Walks the deck line by line; the last line of the file is never examined.
class Scanner {
  public:
    Scanner(const std::vector<std::string>& lines, int unitSystem)
        : lines_(lines), unitSystem_(unitSystem) {}

    std::unique_ptr<std::vector<DeckConstant>> Run() {
        std::unique_ptr<std::vector<DeckConstant>> list;
        Read();
        while (More()) {
            const std::string line = Trimmed(inHand_);
            if (line.find("*|*     ***** UNIT") != std::string::npos) UnitHeader(line);
            if (UpStr(line.substr(0, 3)) == "CON") {
                if (!list) list = std::make_unique<std::vector<DeckConstant>>();
                Constants(line, *list);
            } else {
                Read();
            }
        }
        return list;
    }

  private:
    // True while the line in hand is not the file's last.
    bool More() const { return next_ < lines_.size(); }
    void Read() { inHand_ = next_ < lines_.size() ? lines_[next_++] : std::string(); }

    enum Relevant { Annotation, Statement, End };

    // Skips comments up to a variable annotation or a statement line; End when the file ends
    // among comments.
    Relevant ReadRelevant() {
        for (;;) {
            if (next_ >= lines_.size()) {
                inHand_.clear();
                return End;
            }
            Read();
            if (IsVariableAnnotation(inHand_)) return Annotation;
            if (inHand_.empty() || inHand_[0] != '*') return Statement;
        }
    }

    void UnitHeader(const std::string& line) {
        const std::vector<std::string> w = SplitWords(line.size() > 14 ? line.substr(14) : "");
        if (w.size() < 5) return;
        context_ = "UNIT " + w[1] + " " + w[4];
        if (w.size() > 5 && w[5][0] != '*') context_ += " " + w[5];
    }

    void Constants(const std::string& statement, std::vector<DeckConstant>& list) {
        const std::vector<std::string> w = SplitWords(statement);
        const int n = w.size() > 1 ? WordToInt(w[1]) : 0;
        Relevant state = ReadRelevant();
        for (int i = 0; i < n && state != End; ++i) {
            DeckConstant c = Split(inHand_);
            state = ReadRelevant();
            if (state == Annotation) {
                Annotate(c);
                state = ReadRelevant();
            } else {
                c.Units = context_;
                c.Description = "No description available";
            }
            lastCount_[c.Name] = c.Count;
            list.push_back(c);
        }
        // The line in hand is the statement after the constants (or an annotation): the
        // caller examines it, so that a CONSTANTS statement right after them is found.
    }

    DeckConstant Split(const std::string& line) const {
        const size_t eq = line.find('=');
        DeckConstant c;
        // Blanks go on both sides, so that "AREA = 1" and "AREA=2" are the same name.
        c.Name = UpStr(Trimmed(line.substr(0, eq)));
        const auto old = lastCount_.find(c.Name);
        if (old != lastCount_.end()) c.Count = old->second + 1;
        if (c.Count) c.Name += std::to_string(c.Count);
        c.Value = eq == std::string::npos ? std::string() : Trimmed(line.substr(eq + 1));
        if (c.Value.empty()) c.Value = "?";
        return c;
    }

    void Annotate(DeckConstant& c) {
        const std::string text = inHand_.substr(2);
        const size_t bar = text.find('|');
        c.Description = Trimmed(text.substr(0, bar)).substr(0, DescriptionMax);
        if (bar == std::string::npos) return;
        const std::string rest = text.substr(bar + 1);
        const size_t bar2 = rest.find('|');
        if (bar2 == std::string::npos) return; // only one unit field
        const std::string first = rest.substr(0, bar2);
        const std::string second = rest.substr(bar2 + 1, rest.find('|', bar2 + 1) - bar2 - 1);
        // The first unit is the primary (SI) one, the second the secondary one.
        c.Units = "[" + (unitSystem_ == 2 ? second : first) + "]";
        context_ = c.Units;
    }

    const std::vector<std::string>& lines_;
    int unitSystem_;
    size_t next_ = 0;
    std::string inHand_;
    std::string context_ = " ";
    std::map<std::string, int> lastCount_; // the count of the last entry of each name
};

} // namespace

std::unique_ptr<std::vector<DeckConstant>> ScanDeckLines(const std::vector<std::string>& lines,
                                                         int unitSystem) {
    return Scanner(lines, unitSystem).Run();
}

std::unique_ptr<std::vector<DeckConstant>> ScanDeckConstants(const std::string& deckName,
                                                             int unitSystem) {
    std::vector<std::string> lines;
    if (deckName.empty() || IsDirectory(deckName) || !ReadTextLines(deckName, lines))
        return nullptr;
    return ScanDeckLines(lines, unitSystem);
}

std::string UnknownVariableText(const std::vector<std::string>& names,
                                const std::string& deckName) {
    std::vector<std::string> lines;
    if (deckName.empty() || IsDirectory(deckName) || !ReadTextLines(deckName, lines)) return {};
    const auto constants = ScanDeckLines(lines, 1);
    for (const std::string& name : names) {
        const std::string wanted = UpStr(Trimmed(name));
        const bool known =
            constants && std::any_of(constants->begin(), constants->end(),
                                     [&](const DeckConstant& c) { return c.Name == wanted; });
        if (!known)
            return "Variable " + Trimmed(name) + " of this table is not a constant of " +
                   ExtractFileName(deckName) + ".";
    }
    return {};
}

} // namespace kolshell
