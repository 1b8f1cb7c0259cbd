#include "engine/engine.h"

#include "common/deckassign.h"
#include "common/paths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>

namespace kolshell {

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
    DeckWalker(const EngineLineSource& lines, EngineDeck& deck) : lines_(lines), deck_(deck) {}

    // The next statement line (1-based number), or 0 at the end.
    int NextLine() {
        while (lines_(text_)) {
            ++next_;
            if (!text_.empty() && text_[0] == '*') continue;
            if (text_.find_first_not_of(" \t\n\v\f\r") == std::string::npos) continue;
            return int(next_);
        }
        return 0;
    }
    // The text of the line NextLine gave last: the deck is read once, in order.
    const std::string& Text(int) const { return text_; }

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
    const EngineLineSource& lines_;
    EngineDeck& deck_;
    std::string text_;
    size_t next_ = 0;
};

// Constants come as NAME = number, as many to a line as the writer likes. A faulty line is
// reported once, by its own number; the names it gives count as defined (see Faulty).
void ReadConstants(DeckWalker& w, EngineDeck& d, int count, int statement) {
    for (int read = 0; read < count;) {
        const int line = w.NextLine();
        if (!line) {
            w.Error(statement, "the deck ends before all its values are given");
            return;
        }
        const std::vector<std::string> words = Words(DeckWalker::SplitEquals(w.Text(line)));
        bool sound = words.size() % 3 == 0;
        int given = 0;
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i] != "=") continue;
            ++given;
            const std::string name = EngineUpper(words[i - 1]);
            double v = 0;
            if (i + 1 < words.size() && ToNumber(words[i + 1], v) && (i - 1) % 3 == 0) {
                if (std::isfinite(v)) {
                    d.Constants[name] = v;
                    continue;
                }
                w.Error(line, "the constant " + words[i - 1] + " is not a finite number");
                d.Faulty.insert(name);
                continue;
            }
            d.Faulty.insert(name), sound = false;
        }
        if (given == 0) d.Faulty.insert(EngineUpper(words[0])), sound = false;
        if (!sound) w.Error(line, "a constant is written NAME = number");
        read += std::max(given, 1);
        if (read > count && sound) w.Warning(line, "words after the expected ones are ignored");
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
            w.Error(line, "in the equation of " + name[0] + ": " + why),
                d.Faulty.insert(EngineUpper(name[0]));
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
                d.Assigned[n] = words[1], d.AssignedLine[n] = line;
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
                if (d.Constants.count(n) || d.Faulty.count(n)) continue;
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
        if (d.Faulty.count(EngineUpper(word))) {
            d.HasSimulation = false; // its line is reported already
            continue;
        }
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
    if (up == "TIME" || d.Constants.count(up) || d.Faulty.count(up)) return true;
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
    size_t next = 0;
    ReadEngineDeck(EngineLineSource([&lines, &next](std::string& line) {
                       if (next == lines.size()) return false;
                       line = lines[next++];
                       return true;
                   }),
                   d);
    d.Lines = lines;
}

void ReadEngineDeck(const EngineLineSource& lines, EngineDeck& d) {
    d = EngineDeck();
    DeckWalker w(lines, d);
    ReadStatements(w, d);
    OrderEquations(w, d);
    ResolveSimulation(w, d);
    CheckUnits(w, d);
}

void CheckEngineAssignments(EngineDeck& d, const std::string& deckName) {
    for (const auto& [unit, file] : d.Assigned) {
        const std::string why = AssignTargetProblem(deckName, file);
        if (!why.empty())
            d.Messages.push_back(
                {d.AssignedLine[unit], true, "ASSIGN " + file + " is refused: " + why});
    }
}

namespace {

// One printer's file and the columns it writes.
struct Printer {
    FILE* File = nullptr;
    EngineFileWritten Written;
    long Every = 1;
};

class Simulation {
  public:
    Simulation(EngineDeck& d, const std::string& dir, long long maxBytes)
        : d_(d), dir_(dir), maxBytes_(maxBytes) {}

    EngineRun Run() {
        EngineRun run;
        const long steps = std::lround((d_.Stop - d_.Start) / d_.Step);
        if (!OutputWithinLimit(steps)) return run;
        OpenPrinters();
        long k = 0;
        for (; k <= steps && !stopped_; ++k)
            Step(k, d_.Start + double(k) * d_.Step);
        run.Steps = int(k);
        run.Stopped = stopped_;
        run.StoppedAt = time_;
        for (auto& [unit, p] : printers_)
            run.Files.push_back(p.Written);
        CloseFiles();
        return run;
    }

  private:
    // Counts what a printer wrote; a failed write or one past the run's limit stops the run.
    void Wrote(int unit, Printer& p, int bytes) {
        if (bytes < 0 || std::ferror(p.File)) return WriteFailed(unit, p);
        bytes_ += bytes;
        if (bytes_ <= maxBytes_ || stopped_) return;
        Stop(unit, "the printers wrote more than " + std::to_string(maxBytes_) +
                       " bytes in one run; the run was stopped at time " + TimeText() +
                       " (what was written is kept)");
    }
    static std::string WriteFailure(const std::string& file) {
        return "file " + file + " could not be written (" +
               (errno ? std::strerror(errno) : "a write failed") + ")";
    }
    void WriteFailed(int unit, const Printer& p) {
        Stop(unit, WriteFailure(p.Written.File) + "; the run was stopped at time " + TimeText());
    }
    void Stop(int unit, const std::string& text) {
        if (stopped_) return;
        stopped_ = true;
        d_.Messages.push_back({UnitLine(unit), true, text});
    }
    int UnitLine(int unit) const {
        for (const EngineUnit& u : d_.Units)
            if (u.Number == unit) return u.Line;
        return 0;
    }
    std::string TimeText() const {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", time_);
        return buf;
    }

    // Refuses, before any file is opened, a run whose printers would write more values than
    // MaxOutputValues (rows times columns, all printers together).
    bool OutputWithinLimit(long steps) {
        long long values = 0;
        int line = 0;
        for (const EngineUnit& u : d_.Units) {
            if (u.Type != PrinterType) continue;
            const long long rows = steps / PrintEvery(u) + 1;
            values += rows * ((long long)(u.Inputs.size()) + 1);
            if (values > MaxOutputValues) {
                line = u.Line;
                break;
            }
        }
        if (!line) return true;
        d_.Messages.push_back({line, true,
                               "the printers would write more than " +
                                   std::to_string(MaxOutputValues) +
                                   " values (rows times columns) in one run; nothing was written"});
        return false;
    }
    // A printer's interval in steps: at least 1, and 1 for an interval that is no number.
    long PrintEvery(const EngineUnit& u) const {
        const double every = std::round(WordValue(u.Params[0]) / d_.Step);
        return every >= 1 ? long(std::min(every, double(MaxSteps) + 1)) : 1;
    }
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
        p.Every = PrintEvery(u);
        p.File = UnitFile(lu, u.Number, p.Written.File);
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
        Printer& kept = printers_[u.Number] = p;
        Wrote(u.Number, kept, std::fprintf(p.File, "%s\n%s\n", names.c_str(), units.c_str()));
    }

    // The file of a logical unit, opened by its first printer: printers of one unit write
    // to it in turn, as to one file.
    FILE* UnitFile(int lu, int unit, const std::string& file) {
        const auto known = unitFiles_.find(lu);
        if (known != unitFiles_.end()) return opened_[known->second].File;
        const std::string name = IsSeparator(file[0]) ? file : JoinPath(dir_, file);
        FILE* f = std::fopen(NativePath(name).c_str(), "wb");
        if (!f) return nullptr;
        unitFiles_[lu] = opened_.size();
        opened_.push_back({f, unit, file});
        return f;
    }
    // Closes the files, the last opened first (the C library finds each at once then); data
    // that could not be written at the close is an error of the unit that opened the file.
    void CloseFiles() {
        for (auto f = opened_.rbegin(); f != opened_.rend(); ++f)
            if (std::fclose(f->File) != 0 && !stopped_)
                d_.Messages.push_back({UnitLine(f->Unit), true, WriteFailure(f->Name)});
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
        if (!p.File || k % p.Every != 0 || stopped_) return;
        int bytes = std::fprintf(p.File, "%13.4E", t);
        for (size_t i = 0; i < u.Inputs.size() && bytes >= 0; ++i) {
            const int more = std::fprintf(p.File, "%13.4E", InputValue(u, i));
            bytes = more < 0 ? more : bytes + more;
        }
        if (bytes >= 0) bytes = std::fputc('\n', p.File) == EOF ? -1 : bytes + 1;
        if (bytes >= 0) ++p.Written.Rows;
        Wrote(u.Number, p, bytes);
    }

    EngineDeck& d_;
    std::string dir_;
    double time_ = 0;
    std::map<std::string, double> values_;
    std::map<int, std::vector<double>> outputs_;
    std::map<int, double> state_;
    std::map<int, Printer> printers_;
    struct OpenFile {
        FILE* File;
        int Unit; // the printer that opened it
        std::string Name;
    };
    std::vector<OpenFile> opened_;    // in the order opened
    std::map<int, size_t> unitFiles_; // logical unit -> its file in opened_
    long long maxBytes_, bytes_ = 0;
    bool stopped_ = false;
};

} // namespace

EngineRun RunEngineDeck(EngineDeck& deck, const std::string& dir, long long maxBytes) {
    if (deck.Errors()) return {};
    return Simulation(deck, dir, maxBytes).Run();
}

namespace {

std::string ListingHead(const std::string& deckName) {
    return "KOLVAN32 (stand-in engine)   listing of " + deckName + "\n\n";
}

std::string ListingLine(size_t number, const std::string& line) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%5zu  ", number);
    return buf + line + "\n";
}

std::string ListingTail(const EngineDeck& d, const EngineRun& run) {
    char buf[64];
    std::vector<EngineMessage> messages = d.Messages;
    std::stable_sort(
        messages.begin(), messages.end(),
        [](const EngineMessage& a, const EngineMessage& b) { return a.Line < b.Line; });
    std::string out = "\n";
    for (const EngineMessage& m : messages) {
        out += m.Error ? "*** ERROR   " : "*** WARNING ";
        out += m.Line ? "line " + std::to_string(m.Line) + ": " : std::string();
        out += m.Text + "\n";
    }
    if (d.Errors() && !run.Stopped) {
        out += "\nThe deck has errors: nothing was simulated.\n";
    } else {
        std::snprintf(buf, sizeof buf, "%g to %g, step %g", d.Start, d.Stop, d.Step);
        out += "\nSimulation from " + std::string(buf) + ": " + std::to_string(run.Steps) +
               " time steps.\n";
        if (run.Stopped) {
            std::snprintf(buf, sizeof buf, "%g", run.StoppedAt);
            out += "The run was stopped at time " + std::string(buf) + ".\n";
        }
        for (const EngineFileWritten& f : run.Files)
            out += "Output written to " + f.File + " (logical unit " + std::to_string(f.Unit) +
                   "): " + std::to_string(f.Rows) + " rows of " + std::to_string(f.Columns) +
                   " columns.\n";
    }
    out += std::to_string(d.Errors()) + " error(s), " + std::to_string(d.Warnings()) +
           " warning(s).\n";
    return out;
}

} // namespace

std::string EngineListing(const EngineDeck& d, const std::string& deckName, const EngineRun& run) {
    std::string out = ListingHead(deckName);
    for (size_t i = 0; i < d.Lines.size(); ++i)
        out += ListingLine(i + 1, d.Lines[i]);
    return out + ListingTail(d, run);
}

int RunEngine(const std::string& deckName) {
    // The deck is read twice, a line at a time: once for the run, once into the listing; no
    // more than a line of it is held in memory.
    constexpr size_t LineMax = 100000;
    TTextLineReader reader(LineMax);
    if (IsDirectory(deckName) || !reader.Open(deckName)) {
        std::fprintf(stderr, "KOLVAN32: the deck %s cannot be read\n", deckName.c_str());
        return 2;
    }
    EngineDeck deck;
    ReadEngineDeck(EngineLineSource([&reader](std::string& l) { return reader.Next(l); }), deck);
    CheckEngineAssignments(deck, deckName);
    const EngineRun run = RunEngineDeck(deck, ExtractFileDir(AbsolutePath(deckName)));
    const std::string listing = EngineListingName(deckName);
    const bool written = WriteFileAtomic(listing, [&](const TFileWriter& put) {
        TTextLineReader again(LineMax);
        std::string text = ListingHead(deckName), line;
        size_t number = 0;
        again.Open(deckName);
        while (again.Next(line)) {
            text += ListingLine(++number, line);
            if (text.size() >= 65536 && !put(text)) return false;
            if (text.size() >= 65536) text.clear();
        }
        return put(text + ListingTail(deck, run));
    });
    if (!written) {
        std::fprintf(stderr, "KOLVAN32: the listing %s cannot be written\n", listing.c_str());
        return 2;
    }
    return deck.Errors() ? 1 : 0;
}

} // namespace kolshell
