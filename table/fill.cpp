#include "table/fill.h"

#include "common/lib1.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace kolshell {

namespace {

bool ParseCount(const std::string& text, int& n) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 1 || v > MaxTableRuns) return false;
    n = int(v);
    return true;
}

bool ParseVar(const std::string& item, bool withCount, TFillVar& v, std::string& error) {
    const size_t eq = item.find('=');
    const std::vector<std::string> f =
        SplitAt(eq == std::string::npos ? std::string() : item.substr(eq + 1), ':');
    v.Name = UpStr(Trimmed(item.substr(0, eq)));
    const bool ok = eq != std::string::npos && !v.Name.empty() &&
                    f.size() == (withCount ? 3u : 2u) && StrToReal(f[0], v.First) &&
                    StrToReal(f[1], v.Last) && (!withCount || ParseCount(f[2], v.Count));
    if (!ok)
        error =
            "'" + item + "' is not " + (withCount ? "NAME=first:last:count." : "NAME=first:last.");
    return ok;
}

} // namespace

bool ParseFillVars(const std::string& text, bool withCount, const std::string& logNames,
                   std::vector<TFillVar>& vars, std::string& error) {
    vars.clear();
    for (const std::string& item : SplitAt(text, ',')) {
        TFillVar v;
        if (!ParseVar(item, withCount, v, error)) return false;
        vars.push_back(v);
    }
    for (const std::string& name : SplitAt(logNames, ',')) {
        if (Trimmed(name).empty()) continue;
        auto it = std::find_if(vars.begin(), vars.end(),
                               [&](const TFillVar& v) { return v.Name == UpStr(Trimmed(name)); });
        if (it == vars.end()) {
            error = "--log names " + name + ", which is not filled.";
            return false;
        }
        it->Log = true;
    }
    return true;
}

std::vector<Extended> GridValues(const TFillVar& v) {
    std::vector<Extended> values;
    for (int k = 0; k < v.Count; ++k) {
        const Extended f = v.Count > 1 ? Extended(k) / (v.Count - 1) : 0;
        values.push_back(
            v.Log ? std::exp(std::log(v.First) + f * (std::log(v.Last) - std::log(v.First)))
                  : v.First + f * (v.Last - v.First));
    }
    // The ends exactly as given.
    if (!values.empty()) values.front() = v.First;
    if (v.Count > 1) values.back() = v.Last;
    return values;
}

long long GridRunCount(const std::vector<TFillVar>& vars) {
    long long n = 1;
    for (const TFillVar& v : vars)
        n = std::min<long long>(n * std::max(v.Count, 0), MaxTableRuns + 1LL);
    return vars.empty() ? 0 : n;
}

namespace {

int ColumnOf(const TTable& t, const std::string& name) {
    for (size_t c = 0; c < t.Columns.size(); ++c)
        if (UpStr(Trimmed(t.Columns[c].Name)) == name) return int(c);
    return -1;
}

bool CheckVar(const TTable& t, const TFillVar& v, std::string& error) {
    if (ColumnOf(t, v.Name) < 0) {
        error = v.Name + " is not a variable of the table.";
        return false;
    }
    const Extended limit = 1E20L; // what a table run accepts
    if (std::fabs(v.First) > limit || std::fabs(v.Last) > limit) {
        error = "The values of " + v.Name + " must lie between -1E20 and 1E20.";
        return false;
    }
    if (v.Log && (v.First <= 0 || v.Last <= 0)) {
        error = "A logarithmic range of " + v.Name + " needs values above 0.";
        return false;
    }
    return true;
}

// The table with `runs` runs, each variable's value that of run 1.
void ResizeFromRunOne(TTable& t, int runs) {
    for (TableColumn& c : t.Columns) {
        const Extended first = t.Runs() >= 1 ? c.Values[1] : UndefinedValue;
        const Extended unused = c.Values.empty() ? 0 : c.Values[0]; // kept as it was
        c.Values.assign(size_t(runs + 1), first);
        c.Values[0] = unused;
    }
    t.RowCount = runs + 1;
    t.RunDeckNames.resize(size_t(t.RowCount));
    t.TableChanged = true;
}

} // namespace

bool CheckFill(const TTable& t, const std::vector<TFillVar>& vars, bool grid, int runs,
               std::string& error) {
    std::set<std::string> seen;
    for (const TFillVar& v : vars) {
        if (!CheckVar(t, v, error)) return false;
        if (!seen.insert(v.Name).second) {
            error = v.Name + " is named twice.";
            return false;
        }
    }
    if (vars.empty()) {
        error = "No variable is chosen.";
        return false;
    }
    const long long n = grid ? GridRunCount(vars) : runs;
    if (n < 1 || n > MaxTableRuns) {
        error = "A table holds 1 to 9999 runs; this would make " +
                (n > MaxTableRuns ? std::string("more") : std::to_string(n)) + ".";
        return false;
    }
    return true;
}

bool FillGrid(TTable& t, const std::vector<TFillVar>& vars, std::string& error) {
    if (!CheckFill(t, vars, true, 0, error)) return false;
    const int runs = int(GridRunCount(vars));
    ResizeFromRunOne(t, runs);
    long long stride = runs; // runs between changes of the variable: the first changes slowest
    for (const TFillVar& v : vars) {
        const std::vector<Extended> values = GridValues(v);
        stride /= v.Count;
        std::vector<Extended>& column = t.Columns[size_t(ColumnOf(t, v.Name))].Values;
        for (int r = 0; r < runs; ++r)
            column[size_t(r + 1)] = values[size_t((r / stride) % v.Count)];
    }
    return true;
}

namespace {

// The sample's random numbers from one generator of fixed definition, so that a seed gives the
// same table on every system.
struct TSampler {
    explicit TSampler(uint64_t seed) : gen(seed) {}
    double Unit() { return double(gen() >> 11) * 0x1.0p-53; } // [0, 1)
    size_t Below(size_t n) { return size_t(Unit() * double(n)); }
    std::mt19937_64 gen;
};

// The value the run deck will hold: five significant digits.
Extended AsRun(Extended x) {
    Extended v = x;
    StrToReal(FormatReal(NumberFormat{2, 4}, x), v);
    return v;
}

// The stratum s of n of a range; in the logarithm for a log range.
struct TStrata {
    Extended Lo, Hi;
    bool Log;
    int N;
    Extended At(Extended f) const { // f in [0, 1] over the whole range
        return Log ? std::exp(Lo + f * (Hi - Lo)) : Lo + f * (Hi - Lo);
    }
    // Whether x lies inside stratum s, clear of its edges: a value on an edge would belong to
    // either stratum by a rounding.
    bool Inside(Extended x, int s) const {
        const Extended at = ((Log ? std::log(x) : x) - Lo) / (Hi - Lo) * N - s;
        return at > 1e-6L && at < 1 - 1e-6L;
    }
};

Extended SampleIn(const TStrata& s, int stratum, TSampler& rnd) {
    // Kept off the strata's edges, so that the rounded value stays in its stratum.
    const double u = 0.01 + 0.98 * rnd.Unit();
    Extended x = AsRun(s.At((stratum + u) / s.N));
    if (s.Lo == s.Hi || s.Inside(x, stratum)) return x;
    x = AsRun(s.At((stratum + 0.5L) / s.N));
    return s.Inside(x, stratum) ? x : s.At((stratum + 0.5L) / s.N);
}

} // namespace

bool FillLatinHypercube(TTable& t, const std::vector<TFillVar>& vars, int runs, uint64_t seed,
                        std::string& error) {
    if (!CheckFill(t, vars, false, runs, error)) return false;
    ResizeFromRunOne(t, runs);
    TSampler rnd(seed);
    for (const TFillVar& v : vars) {
        std::vector<int> order(static_cast<size_t>(runs));
        for (int k = 0; k < runs; ++k)
            order[size_t(k)] = k;
        for (size_t k = order.size(); k > 1; --k) // Fisher-Yates
            std::swap(order[k - 1], order[rnd.Below(k)]);
        const TStrata s = {v.Log ? std::log(v.First) : v.First, v.Log ? std::log(v.Last) : v.Last,
                           v.Log, runs};
        std::vector<Extended>& column = t.Columns[size_t(ColumnOf(t, v.Name))].Values;
        for (int r = 0; r < runs; ++r)
            column[size_t(r + 1)] = SampleIn(s, order[size_t(r)], rnd);
    }
    return true;
}

} // namespace kolshell
