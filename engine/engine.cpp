#include "engine/engine.h"

#include "common/paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <sstream>

namespace {

constexpr int IntegratorType = 2, SourceType = 3, PrinterType = 25;
constexpr long MaxSteps = 10000000;

bool ToNumber(const std::string& s, double& v) {
    const char* first = s.data() + (!s.empty() && s[0] == '+');
    const auto r = std::from_chars(first, s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

// A SIMULATION word: a finite number, or a word that is no number (a name resolved later).
bool FiniteOrName(const std::string& s) {
    double v;
    return !ToNumber(s, v) || std::isfinite(v);
}

bool ToInt(const std::string& s, int& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

// Walks the deck's statement lines, skipping comments and empty lines, and hands out words
// that may run over several lines.
class DeckWalker {
  public:
    DeckWalker(const std::vector<std::string>& lines, EngineDeck& deck)
        : lines_(lines), deck_(deck) {}

    // The next statement line (1-based number), or 0 at the end.
    int NextLine() {
        while (next_ < lines_.size()) {
            const std::string& l = lines_[next_++];
            if (!l.empty() && l[0] == '*') continue;
            if (Words(l).empty()) continue;
            return int(next_);
        }
        return 0;
    }
    const std::string& Text(int line) const { return lines_[size_t(line - 1)]; }

    // n words from the following lines, whole lines at a time; line is the statement's line
    // and becomes the last one read. A count beyond the deck is an error of the statement.
    std::vector<std::string> TakeWords(size_t n, int& line) {
        const int statement = line;
        std::vector<std::string> w;
        for (int next; w.size() < n && (next = NextLine());) {
            line = next;
            for (const std::string& s : Words(SplitEquals(Text(line))))
                w.push_back(s);
        }
        if (w.size() < n) Error(statement, "the deck ends before all its values are given");
        if (w.size() > n) Warning(line, "words after the expected ones are ignored");
        w.resize(std::min(w.size(), n));
        return w;
    }

    void Error(int line, const std::string& text) { deck_.Messages.push_back({line, true, text}); }
    void Warning(int line, const std::string& text) {
        deck_.Messages.push_back({line, false, text});
    }

    static std::string SplitEquals(const std::string& s) {
        std::string out;
        for (char c : s) {
            if (c == '=')
                out += " = ";
            else
                out += c == '\t' ? ' ' : c;
        }
        return out;
    }

  private:
    const std::vector<std::string>& lines_;
    EngineDeck& deck_;
    size_t next_ = 0;
};

void ReadConstants(DeckWalker& w, EngineDeck& d, int count, int line) {
    std::vector<std::string> words = w.TakeWords(3 * size_t(count), line);
    for (size_t i = 0; i + 2 < words.size(); i += 3) {
        double v = 0;
        if (words[i + 1] != "=" || !ToNumber(words[i + 2], v)) {
            w.Error(line, "a constant is written NAME = number");
            return;
        }
        d.Constants[EngineUpper(words[i])] = v;
    }
}

void ReadEquations(DeckWalker& w, EngineDeck& d, int count, int statement) {
    for (int i = 0; i < count; ++i) {
        const int line = w.NextLine();
        if (!line) {
            w.Error(statement, "the deck ends before all its equations are given");
            return;
        }
        const std::string& text = w.Text(line);
        const size_t eq = text.find('=');
        EngineEquation e;
        e.Line = line;
        const std::vector<std::string> name = Words(text.substr(0, eq));
        std::string why;
        if (eq == std::string::npos || name.size() != 1)
            w.Error(line, "an equation is written NAME = expression");
        else if (!e.Formula.Parse(text.substr(eq + 1), why))
            w.Error(line, "in the equation of " + name[0] + ": " + why);
        else
            e.Name = EngineUpper(name[0]), d.Equations.push_back(std::move(e));
    }
}

void ReadUnitPart(DeckWalker& w, EngineUnit& u, const std::vector<std::string>& words, int line) {
    int n = 0;
    if (words.size() != 2 || !ToInt(words[1], n) || n < 0) {
        w.Error(line, words[0] + " needs its count");
        return;
    }
    // Further statements of one kind add to the unit's words.
    const auto append = [](std::vector<std::string>& to, std::vector<std::string> words) {
        to.insert(to.end(), words.begin(), words.end());
    };
    int at = line;
    if (words[0] == "PARAMETERS") {
        append(u.Params, w.TakeWords(size_t(n), at));
    } else {
        append(u.Inputs, w.TakeWords(size_t(n), at));
        append(u.Initial, w.TakeWords(size_t(n), at));
    }
}

void ReadStatements(DeckWalker& w, EngineDeck& d) {
    bool ended = false;
    int line;
    while (!ended && (line = w.NextLine())) {
        const std::vector<std::string> words = Words(w.Text(line));
        const std::string key = EngineUpper(words[0]);
        int n = 0;
        if (key == "CONSTANTS" || key == "EQUATIONS") {
            if (words.size() < 2 || !ToInt(words[1], n) || n < 0) {
                w.Error(line, key + " needs the number of its entries");
            } else if (key == "CONSTANTS") {
                ReadConstants(w, d, n, line);
            } else {
                ReadEquations(w, d, n, line);
            }
        } else if (key == "SIMULATION") {
            // A number that is not finite (nan, an infinity) gives no count of steps.
            d.HasSimulation = words.size() >= 4 && FiniteOrName(words[1]) &&
                              FiniteOrName(words[2]) && FiniteOrName(words[3]);
            if (!d.HasSimulation)
                w.Error(line, "SIMULATION needs start, stop and step");
            else
                d.SimulationWords.assign(words.begin() + 1, words.begin() + 4);
            d.SimulationLine = line;
        } else if (key == "UNIT") {
            EngineUnit u;
            u.Line = line;
            if (words.size() < 4 || EngineUpper(words[2]) != "TYPE" || !ToInt(words[1], u.Number) ||
                !ToInt(words[3], u.Type)) {
                w.Error(line, "a unit is written UNIT n TYPE m");
                continue;
            }
            for (size_t i = 4; i < words.size(); ++i)
                u.Title += (i > 4 ? " " : "") + words[i];
            d.Units.push_back(u);
        } else if (key == "PARAMETERS" || key == "INPUTS") {
            if (d.Units.empty()) {
                w.Error(line, key + " stands outside a unit");
                continue;
            }
            std::vector<std::string> up = words;
            up[0] = key;
            ReadUnitPart(w, d.Units.back(), up, line);
        } else if (key == "ASSIGN") {
            if (words.size() < 3 || !ToInt(words[2], n))
                w.Error(line, "ASSIGN needs a file and a logical unit");
            else
                d.Assigned[n] = words[1];
        } else if (key == "END") {
            ended = true;
        } else {
            w.Error(line, "unknown statement " + words[0]);
        }
    }
    if (!ended) w.Error(0, "the deck has no END");
    if (!d.HasSimulation) w.Error(0, "the deck has no SIMULATION statement");
}

// Puts the equations in an order where each comes after those it reads; names no constant,
// equation or TIME defines, and equations that read each other, are errors. The search keeps
// its own stack: a chain of equations reading each other may be as long as the deck.
void OrderEquations(DeckWalker& w, EngineDeck& d) {
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < d.Equations.size(); ++i)
        index[d.Equations[i].Name] = i;
    std::vector<int> state(d.Equations.size(), 0); // 0 new, 1 on the path, 2 placed
    std::vector<EngineEquation> ordered;
    struct Visit {
        size_t Equation;
        std::vector<std::string> Names;
        size_t Next = 0;
    };
    for (size_t start = 0; start < d.Equations.size(); ++start) {
        if (state[start] != 0) continue;
        std::vector<Visit> path{{start, d.Equations[start].Formula.Names()}};
        state[start] = 1;
        while (!path.empty()) {
            Visit& v = path.back();
            const size_t i = v.Equation;
            if (v.Next == v.Names.size()) {
                state[i] = 2;
                ordered.push_back(d.Equations[i]);
                path.pop_back();
                continue;
            }
            const std::string n = v.Names[v.Next++];
            const auto it = index.find(n);
            if (it == index.end()) {
                if (d.Constants.count(n)) continue;
                w.Error(d.Equations[i].Line, "undefined name " + n);
                state[i] = 2; // left out of the order
                path.pop_back();
            } else if (state[it->second] == 1) {
                const EngineEquation& e = d.Equations[it->second];
                w.Error(e.Line, "the equations of " + e.Name + " depend on each other");
                return;
            } else if (state[it->second] == 0) {
                state[it->second] = 1;
                path.push_back({it->second, d.Equations[it->second].Formula.Names()});
            }
        }
    }
    d.Equations = std::move(ordered);
}

// SIMULATION's words: numbers, constants, or equations worked out once (TIME 0, every unit
// output 0) in their order.
void ResolveSimulation(DeckWalker& w, EngineDeck& d) {
    if (!d.HasSimulation) return;
    std::map<std::string, double> values = d.Constants;
    const Expr::Context c{[&values](const std::string& n) {
                              auto v = values.find(n);
                              return v != values.end() ? v->second : 0.0;
                          },
                          [](int, int) { return 0.0; }};
    for (const EngineEquation& e : d.Equations)
        values[e.Name] = e.Formula.Evaluate(c);
    double* target[3] = {&d.Start, &d.Stop, &d.Step};
    for (size_t i = 0; i < 3; ++i) {
        const std::string& word = d.SimulationWords[i];
        if (ToNumber(word, *target[i])) continue;
        const auto v = values.find(EngineUpper(word));
        if (v != values.end()) {
            *target[i] = v->second;
            continue;
        }
        w.Error(d.SimulationLine, "SIMULATION: " + word + " is no number, constant or equation");
        d.HasSimulation = false;
    }
    if (d.HasSimulation &&
        !(std::isfinite(d.Start) && std::isfinite(d.Stop) && std::isfinite(d.Step))) {
        w.Error(d.SimulationLine, "SIMULATION needs start, stop and step");
        d.HasSimulation = false;
    }
}

// A parameter or input word: a number, a constant or equation name, or "u,o".
bool Resolvable(const EngineDeck& d, const std::string& word, bool allowOutputs) {
    double v;
    if (ToNumber(word, v)) return true;
    const std::string up = EngineUpper(word);
    if (up == "TIME" || d.Constants.count(up)) return true;
    for (const EngineEquation& e : d.Equations)
        if (e.Name == up) return true;
    const size_t comma = word.find(',');
    int u = 0, o = 0;
    return allowOutputs && comma != std::string::npos && ToInt(word.substr(0, comma), u) &&
           ToInt(word.substr(comma + 1), o);
}

void CheckUnits(DeckWalker& w, EngineDeck& d) {
    std::set<int> numbers;
    for (const EngineUnit& u : d.Units) {
        if (!numbers.insert(u.Number).second)
            w.Error(u.Line, "unit " + std::to_string(u.Number) + " is given twice");
        for (const std::string& p : u.Params)
            if (!Resolvable(d, p, false)) w.Error(u.Line, "unknown parameter value " + p);
        for (const std::string& i : u.Inputs)
            if (!Resolvable(d, i, true)) w.Error(u.Line, "unknown input " + i);
        if (u.Type == IntegratorType && u.Params.size() < 2)
            w.Error(u.Line, "an integrator needs its capacity and initial value");
        if (u.Type == PrinterType) {
            int lu = 0;
            if (u.Params.size() < 2 || !ToInt(u.Params[1], lu))
                w.Error(u.Line, "a printer needs its interval and logical unit");
            else if (!d.Assigned.count(lu))
                w.Error(u.Line, "no file is assigned to logical unit " + u.Params[1]);
        }
        if (u.Type == SourceType &&
            (u.Params.size() < 2 || (u.Params[0] == "2" && u.Params.size() < 3)))
            w.Error(u.Line, "a source needs its mode and value, and for mode 2 its slope");
        if (u.Type != IntegratorType && u.Type != SourceType && u.Type != PrinterType)
            w.Warning(u.Line, "type " + std::to_string(u.Type) + " is not known here; unit " +
                                  std::to_string(u.Number) + " gives 0 on all its outputs");
    }
    if (d.HasSimulation &&
        (d.Step <= 0 || d.Stop < d.Start || (d.Stop - d.Start) / d.Step > double(MaxSteps)))
        w.Error(0, "SIMULATION needs start <= stop and a step above 0 (at most " +
                       std::to_string(MaxSteps) + " steps)");
}

} // namespace

int EngineDeck::Errors() const {
    return int(std::count_if(Messages.begin(), Messages.end(),
                             [](const EngineMessage& m) { return m.Error; }));
}

int EngineDeck::Warnings() const {
    return int(Messages.size()) - Errors();
}

void ReadEngineDeck(const std::vector<std::string>& lines, EngineDeck& d) {
    d = EngineDeck();
    d.Lines = lines;
    DeckWalker w(lines, d);
    ReadStatements(w, d);
    OrderEquations(w, d);
    ResolveSimulation(w, d);
    CheckUnits(w, d);
}

namespace {

// One printer's file and the columns it writes.
struct Printer {
    FILE* File = nullptr;
    EngineFileWritten Written;
    int Every = 1;
};

class Simulation {
  public:
    Simulation(EngineDeck& d, const std::string& dir) : d_(d), dir_(dir) {}

    EngineRun Run() {
        EngineRun run;
        OpenPrinters();
        const long steps = std::lround((d_.Stop - d_.Start) / d_.Step);
        for (long k = 0; k <= steps; ++k)
            Step(k, d_.Start + double(k) * d_.Step);
        run.Steps = int(steps + 1);
        for (auto& p : printers_) {
            if (p.second.File) std::fclose(p.second.File);
            run.Files.push_back(p.second.Written);
        }
        return run;
    }

  private:
    double NameValue(const std::string& n) const {
        if (n == "TIME") return time_;
        auto v = values_.find(n);
        if (v != values_.end()) return v->second;
        auto c = d_.Constants.find(n);
        return c != d_.Constants.end() ? c->second : 0;
    }
    double OutputValue(int unit, int output) const {
        auto it = outputs_.find(unit);
        if (it == outputs_.end() || output < 1 || size_t(output) > it->second.size()) return 0;
        return it->second[size_t(output - 1)];
    }
    double WordValue(const std::string& word) const {
        double v;
        if (ToNumber(word, v)) return v;
        const size_t comma = word.find(',');
        int u = 0, o = 0;
        if (comma != std::string::npos && ToInt(word.substr(0, comma), u) &&
            ToInt(word.substr(comma + 1), o))
            return OutputValue(u, o);
        return NameValue(EngineUpper(word));
    }
    // An input "u,0" is connected to nothing: it keeps its initial value.
    double InputValue(const EngineUnit& u, size_t i) const {
        const std::string& word = u.Inputs[i];
        double v = 0;
        if (word.size() > 2 && word.compare(word.size() - 2, 2, ",0") == 0)
            return i < u.Initial.size() && ToNumber(u.Initial[i], v) ? v : 0;
        return WordValue(word);
    }
    // A source gives its value (mode 1) or its value plus slope times time (mode 2).
    void UpdateSources(double t) {
        for (const EngineUnit& u : d_.Units)
            if (u.Type == SourceType)
                outputs_[u.Number][0] = WordValue(u.Params[1]) +
                                        (u.Params[0] == "2" ? WordValue(u.Params[2]) * t : 0.0);
    }

    void OpenPrinters() {
        for (const EngineUnit& u : d_.Units) {
            outputs_[u.Number] = std::vector<double>(2, 0.0);
            if (u.Type == IntegratorType) {
                state_[u.Number] = WordValue(u.Params[1]);
                outputs_[u.Number][0] = state_[u.Number];
            }
            if (u.Type == PrinterType) OpenPrinter(u);
        }
    }

    void OpenPrinter(const EngineUnit& u) {
        Printer p;
        int lu = 0;
        ToInt(u.Params[1], lu);
        p.Written.File = d_.Assigned[lu];
        p.Written.Unit = lu;
        p.Written.Columns = int(u.Inputs.size()) + 1;
        p.Every = std::max(1, int(std::lround(WordValue(u.Params[0]) / d_.Step)));
        const std::string name =
            IsSeparator(p.Written.File[0]) ? p.Written.File : JoinPath(dir_, p.Written.File);
        p.File = std::fopen(NativePath(name).c_str(), "wb");
        if (!p.File) {
            d_.Messages.push_back({u.Line, true, "file " + p.Written.File + " cannot be written"});
            return;
        }
        // The units line is always there ("-" for a label without one): a reader takes a second
        // line that starts with a blank for units, and would otherwise lose the first row to it.
        std::string names = "TIME", units = " S";
        for (size_t i = 0; i < u.Inputs.size(); ++i) {
            std::string label = i < u.Initial.size() ? u.Initial[i] : u.Inputs[i];
            std::string unit = "-";
            const size_t open = label.find('[');
            if (open != std::string::npos && label.back() == ']') {
                unit = label.substr(open + 1, label.size() - open - 2);
                label = label.substr(0, open);
            }
            names += " " + label;
            units += " " + unit;
        }
        std::fprintf(p.File, "%s\n", names.c_str());
        std::fprintf(p.File, "%s\n", units.c_str());
        printers_[u.Number] = p;
    }

    void Step(long k, double t) {
        time_ = t;
        const Expr::Context c{[this](const std::string& n) { return NameValue(n); },
                              [this](int u, int o) { return OutputValue(u, o); }};
        UpdateSources(t);
        for (const EngineEquation& e : d_.Equations)
            values_[e.Name] = e.Formula.Evaluate(c);
        std::map<int, double> rates;
        for (const EngineUnit& u : d_.Units) {
            double sum = 0;
            for (size_t i = 0; i < u.Inputs.size(); ++i)
                sum += InputValue(u, i);
            if (u.Type == IntegratorType) {
                const double capacity = WordValue(u.Params[0]);
                rates[u.Number] = capacity != 0 ? sum / capacity : 0;
                outputs_[u.Number][1] = rates[u.Number];
            } else if (u.Type == PrinterType) {
                Print(u, k, t);
            }
        }
        for (auto& r : rates) {
            state_[r.first] += d_.Step * r.second;
            outputs_[r.first][0] = state_[r.first];
        }
    }

    void Print(const EngineUnit& u, long k, double t) {
        Printer& p = printers_[u.Number];
        if (!p.File || k % p.Every != 0) return;
        std::fprintf(p.File, "%13.4E", t);
        for (size_t i = 0; i < u.Inputs.size(); ++i)
            std::fprintf(p.File, "%13.4E", InputValue(u, i));
        std::fprintf(p.File, "\n");
        ++p.Written.Rows;
    }

    EngineDeck& d_;
    std::string dir_;
    double time_ = 0;
    std::map<std::string, double> values_;
    std::map<int, std::vector<double>> outputs_;
    std::map<int, double> state_;
    std::map<int, Printer> printers_;
};

} // namespace

EngineRun RunEngineDeck(EngineDeck& deck, const std::string& dir) {
    if (deck.Errors()) return {};
    return Simulation(deck, dir).Run();
}

std::string EngineListing(const EngineDeck& d, const std::string& deckName, const EngineRun& run) {
    std::string out = "KOLVAN32 (stand-in engine)   listing of " + deckName + "\n\n";
    char buf[64];
    for (size_t i = 0; i < d.Lines.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%5zu  ", i + 1);
        out += buf + d.Lines[i] + "\n";
    }
    std::vector<EngineMessage> messages = d.Messages;
    std::stable_sort(
        messages.begin(), messages.end(),
        [](const EngineMessage& a, const EngineMessage& b) { return a.Line < b.Line; });
    out += "\n";
    for (const EngineMessage& m : messages) {
        out += m.Error ? "*** ERROR   " : "*** WARNING ";
        out += m.Line ? "line " + std::to_string(m.Line) + ": " : std::string();
        out += m.Text + "\n";
    }
    if (d.Errors()) {
        out += "\nThe deck has errors: nothing was simulated.\n";
    } else {
        std::snprintf(buf, sizeof buf, "%g to %g, step %g", d.Start, d.Stop, d.Step);
        out += "\nSimulation from " + std::string(buf) + ": " + std::to_string(run.Steps) +
               " time steps.\n";
        for (const EngineFileWritten& f : run.Files)
            out += "Output written to " + f.File + " (logical unit " + std::to_string(f.Unit) +
                   "): " + std::to_string(f.Rows) + " rows of " + std::to_string(f.Columns) +
                   " columns.\n";
    }
    out += std::to_string(d.Errors()) + " error(s), " + std::to_string(d.Warnings()) +
           " warning(s).\n";
    return out;
}

int RunEngine(const std::string& deckName) {
    std::vector<std::string> lines;
    if (IsDirectory(deckName) || !ReadTextLines(deckName, lines, 100000)) {
        std::fprintf(stderr, "KOLVAN32: the deck %s cannot be read\n", deckName.c_str());
        return 2;
    }
    EngineDeck deck;
    ReadEngineDeck(lines, deck);
    const EngineRun run = RunEngineDeck(deck, ExtractFileDir(AbsolutePath(deckName)));
    const std::string listing = BaseName(deckName) + ".LST";
    if (!WriteFileAtomic(listing, EngineListing(deck, deckName, run))) {
        std::fprintf(stderr, "KOLVAN32: the listing %s cannot be written\n", listing.c_str());
        return 2;
    }
    return deck.Errors() ? 1 : 0;
}
