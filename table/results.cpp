#include "table/results.h"

#include "common/lib1.h"
#include "common/paths.h"
#include "plot/tableruns.h"
#include "table/rundecks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace kolshell {

std::string TStatistic::Name() const {
    switch (Kind) {
    case TStatKind::Final:
        return "final";
    case TStatKind::Min:
        return "min";
    case TStatKind::Max:
        return "max";
    case TStatKind::Mean:
        return "mean";
    case TStatKind::Integral:
        return "integral";
    case TStatKind::XMax:
        return "xmax";
    case TStatKind::At:
        return "at=" + ExactText(At);
    }
    return {};
}

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        parts.push_back(Trimmed(text.substr(start, comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

bool ParseNumber(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v);
}

bool ParseStatistic(const std::string& word, TStatistic& s) {
    static const std::pair<const char*, TStatKind> names[] = {
        {"final", TStatKind::Final}, {"min", TStatKind::Min},           {"max", TStatKind::Max},
        {"mean", TStatKind::Mean},   {"integral", TStatKind::Integral}, {"xmax", TStatKind::XMax}};
    for (const auto& [name, kind] : names)
        if (word == name) {
            s.Kind = kind;
            return true;
        }
    s.Kind = TStatKind::At;
    return word.rfind("at=", 0) == 0 && ParseNumber(word.substr(3), s.At);
}

} // namespace

bool ParseStatistics(const std::string& list, std::vector<TStatistic>& stats, std::string& error) {
    stats.clear();
    for (const std::string& word : SplitList(list)) {
        TStatistic s;
        if (!ParseStatistic(word, s)) {
            error =
                "'" + word + "' is not a statistic: final, min, max, mean, integral, xmax or at=X.";
            return false;
        }
        stats.push_back(s);
    }
    return true;
}

namespace {

// The column's value at x, interpolated between the first two rows around it.
bool ValueAt(const std::vector<double>& x, const std::vector<double>& y, double at, double& value) {
    for (size_t r = 0; r < x.size(); ++r) {
        if (x[r] == at) {
            value = y[r];
            return true;
        }
        if (r + 1 == x.size()) break;
        const double x0 = x[r], x1 = x[r + 1];
        if ((x0 < at && at < x1) || (x1 < at && at < x0)) {
            value = double(y[r] + (long double)(at - x0) * (y[r + 1] - y[r]) / (x1 - x0));
            return true;
        }
    }
    return false;
}

double Integral(const std::vector<double>& x, const std::vector<double>& y) {
    long double sum = 0;
    for (size_t r = 1; r < x.size(); ++r)
        sum += (long double)(x[r] - x[r - 1]) * ((long double)y[r - 1] + y[r]) / 2;
    return double(sum);
}

constexpr double Powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// v rounded to `digits` significant decimal digits, as reading that decimal text gives it;
// false where the arithmetic would not be exact.
bool RoundedDecimal(double v, int digits, double& r) {
    int e2 = 0;
    std::frexp(v, &e2);
    // The decimal exponent from the binary one: right, or one too low.
    int e = int(std::floor((e2 - 1) * 0.30102999566398120));
    for (int tries = 0; tries < 2; ++tries, ++e) {
        const int k = digits - 1 - e; // v * 10^k has `digits` digits before the point
        if (k > 22 || k < -22) return false;
        const double scaled = k >= 0 ? v * Powers[k] : v / Powers[-k];
        if (std::fabs(scaled) >= Powers[digits]) continue;
        const double whole = std::nearbyint(scaled);
        r = k >= 0 ? whole / Powers[k] : whole * Powers[-k];
        return true;
    }
    return false;
}

// The value of a 6-byte real as the text it was read from gave it: the shortest decimal that
// reads into the same 6-byte real. So the statistics are those of the file's numbers, and a
// row's value comes out as the file wrote it ("1.5601", not "1.5601000000006").
double AsWritten(const Real48Bytes& b) {
    const double v = DecodeReal48(b);
    if (v == 0 || !std::isfinite(v)) return v;
    double r = 0, held = 0;
    // The engine writes five significant digits: tried first, without any text.
    if (RoundedDecimal(v, 5, r) && (EncodeReal48Fast(r, held), held == v)) return r;
    for (int digits = 1; digits <= 13; ++digits) {
        char text[40];
        std::snprintf(text, sizeof text, "%.*e", digits - 1, v);
        r = std::strtod(text, nullptr);
        if (EncodeReal48(r) == b) return r;
    }
    return v;
}

bool NeedsX(const TStatistic& s) {
    return s.Kind == TStatKind::Integral || s.Kind == TStatKind::XMax || s.Kind == TStatKind::At;
}

} // namespace

std::vector<double> ColumnValues(const TOutputData& d, int col) {
    std::vector<double> v;
    if (col < 1 || col > d.NCols || !d.Columns[size_t(col)]) return v;
    const Real48Column& c = *d.Columns[size_t(col)];
    v.reserve(size_t(d.NRows));
    for (int r = 0; r < d.NRows && size_t(r) < c.size(); ++r)
        v.push_back(AsWritten(c[size_t(r)]));
    return v;
}

bool ComputeStatistic(const std::vector<double>& x, const std::vector<double>& y,
                      const TStatistic& s, double& value, std::string& why) {
    if (y.empty() || (NeedsX(s) && x.size() != y.size())) {
        why = "no values";
        return false;
    }
    size_t best = 0;
    long double sum = 0;
    for (size_t r = 0; r < y.size(); ++r) {
        sum += y[r];
        if (s.Kind == TStatKind::Min ? y[r] < y[best] : y[r] > y[best]) best = r;
    }
    switch (s.Kind) {
    case TStatKind::Final:
        value = y.back();
        return true;
    case TStatKind::Min:
    case TStatKind::Max:
        value = y[best];
        return true;
    case TStatKind::Mean:
        value = double(sum / y.size());
        return true;
    case TStatKind::Integral:
        value = Integral(x, y);
        return true;
    case TStatKind::XMax:
        value = x[best];
        return true;
    case TStatKind::At:
        if (ValueAt(x, y, s.At, value)) return true;
        why = "X " + ExactText(s.At) + " lies outside the output's " +
              ExactText(*std::min_element(x.begin(), x.end())) + " to " +
              ExactText(*std::max_element(x.begin(), x.end()));
        return false;
    }
    return false;
}

bool ComputeStatistic(const TOutputData& d, int col, const TStatistic& s, double& value,
                      std::string& why) {
    return ComputeStatistic(ColumnValues(d, 1), ColumnValues(d, col), s, value, why);
}

TOutputData ReadOutputHeader(const std::string& fileName) {
    TOutputData d;
    std::ifstream in(fileName, std::ios::binary);
    std::string text, line;
    for (int k = 0; k < 2 && std::getline(in, line); ++k)
        text += line + "\n";
    ReadOutputText(text, d);
    return d;
}

std::string RunOutputFile(const TTable& t, const std::string& runOneFile, int run) {
    const std::string name = UpStr(ExtractFileName(t.DeckName));
    return RunFileName(runOneFile, name.substr(0, name.find('.')), RunSuffix(run));
}

TRunState RecordedState(const TTable& t, const TRunRecords& records, int run,
                        const std::string& output, std::string& why) {
    why.clear();
    const auto it = records.find(run);
    if (it == records.end()) {
        if (FileExists(output)) return TRunState::Done;
        why = "no output " + ExtractFileName(output);
        return TRunState::NotRun;
    }
    std::vector<std::string> values;
    if (!RunValueTexts(t, run, values) || values != it->second.Values) {
        why = "the table's values changed since its run";
        return TRunState::NotRun;
    }
    if (it->second.State == TRunState::Failed)
        why = "exit status " + std::to_string(it->second.ExitStatus);
    return it->second.State;
}

namespace {

std::string ColumnKey(const std::string& name) {
    return UpStr(Trimmed(name));
}

// The file's column of that name (any case), or 0.
int FindColumn(const TOutputData& d, const std::string& name) {
    for (int c = 1; c <= d.NCols; ++c)
        if (ColumnKey(d.Names[size_t(c)]) == ColumnKey(name)) return c;
    return 0;
}

void AddWhy(TResultRow& row, const std::string& why) {
    if (row.Why.find(why) != std::string::npos) return;
    row.Why += (row.Why.empty() ? "" : "; ") + why;
}

// A statistic's unit: the column's, the X column's for where the maximum is, their product for
// the integral over X.
std::string StatisticUnit(TStatKind kind, const std::string& y, const std::string& x) {
    if (kind == TStatKind::XMax) return x;
    if (kind == TStatKind::Integral) return y.empty() || x.empty() ? std::string() : y + "*" + x;
    return y;
}

} // namespace

TResults PrepareResults(const TTable& t, const TResultRequest& request,
                        const TRunRecords& records) {
    TResults r;
    for (const TableColumn& c : t.Columns)
        r.Variables.push_back(c.Name);
    for (const std::string& col : request.Columns)
        for (const TStatistic& s : request.Stats) {
            r.Results.push_back(s.Name() + " " + col);
            r.Units.emplace_back();
        }
    for (int run = 1; run <= t.Runs(); ++run) {
        TResultRow row;
        row.Run = run;
        row.State = RecordedState(t, records, run, RunOutputFile(t, request.File, run), row.Why);
        row.Values.assign(r.Results.size(), std::nullopt);
        r.Rows.push_back(std::move(row));
        std::vector<Extended> values;
        for (const TableColumn& c : t.Columns)
            values.push_back(c.Values[size_t(run)]);
        r.TableValues.push_back(std::move(values));
    }
    return r;
}

void ReadRowResults(const TTable& t, const TResultRequest& request, TResultRow& row,
                    std::vector<std::string>* units) {
    row.Read = true;
    std::fill(row.Values.begin(), row.Values.end(), std::nullopt);
    if (row.State != TRunState::Done) return;
    const std::string file = RunOutputFile(t, request.File, row.Run);
    TOutputData d;
    if (!FileExists(file) || !ReadOutputFile(file, d)) {
        AddWhy(row, "no output " + ExtractFileName(file));
        return;
    }
    // X is read only for the statistics over it: a big file's column costs time.
    const bool needX = std::any_of(request.Stats.begin(), request.Stats.end(), NeedsX);
    const std::vector<double> x = needX ? ColumnValues(d, 1) : std::vector<double>();
    size_t k = 0;
    for (const std::string& name : request.Columns) {
        const int col = FindColumn(d, name);
        if (!col) AddWhy(row, "no column " + name + " in " + ExtractFileName(file));
        const std::vector<double> y = col ? ColumnValues(d, col) : std::vector<double>();
        for (const TStatistic& s : request.Stats) {
            double v = 0;
            std::string why;
            if (col && ComputeStatistic(x, y, s, v, why))
                row.Values[k] = v;
            else if (col)
                AddWhy(row, s.Name() + " " + name + ": " + why);
            if (col && units && d.HasUnits && (*units)[k].empty())
                (*units)[k] = StatisticUnit(s.Kind, Trimmed(d.Units[size_t(col)]),
                                            Trimmed(d.Units[size_t(1)]));
            ++k;
        }
    }
}

void ReadResults(const TTable& t, const TResultRequest& request, TResults& results,
                 const std::vector<size_t>& rows, int threads,
                 const std::function<void(size_t)>& progress, const std::atomic<bool>* cancel) {
    std::atomic<size_t> next{0}, done{0};
    // Each thread notes the units it finds; the lowest run's units win.
    std::vector<std::vector<std::string>> units(size_t(std::max(threads, 1)));
    auto work = [&](size_t w) {
        units[w].assign(results.Results.size(), std::string());
        for (size_t i; (i = next++) < rows.size();) {
            if (cancel && *cancel) return;
            ReadRowResults(t, request, results.Rows[rows[i]], &units[w]);
            const size_t count = ++done;
            if (progress) progress(count);
        }
    };
    std::vector<std::thread> pool;
    for (size_t w = 1; w < units.size() && w < rows.size(); ++w)
        pool.emplace_back(work, w);
    work(0);
    for (std::thread& th : pool)
        th.join();
    for (size_t k = 0; k < results.Units.size(); ++k)
        for (const auto& u : units)
            if (results.Units[k].empty() && k < u.size()) results.Units[k] = u[k];
}

std::string ExactText(double v) {
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

std::string ExactText(long double v) {
    char text[80];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

std::vector<std::string> ResultHeader(const TResults& r) {
    std::vector<std::string> h = {"Run", "State"};
    h.insert(h.end(), r.Variables.begin(), r.Variables.end());
    for (size_t k = 0; k < r.Results.size(); ++k)
        h.push_back(r.Results[k] + (r.Units[k].empty() ? "" : " [" + r.Units[k] + "]"));
    return h;
}

namespace {

std::string TableValueText(Extended v) {
    if (v == UndefinedValue || v == BlankValue) return {};
    return ExactText((long double)v);
}

} // namespace

std::vector<std::string> ResultCells(const TResults& r, size_t i) {
    const TResultRow& row = r.Rows[i];
    std::vector<std::string> cells = {
        std::to_string(row.Run), StateWord(row.State) + (row.Why.empty() ? "" : ": " + row.Why)};
    for (Extended v : r.TableValues[i])
        cells.push_back(TableValueText(v));
    for (const std::optional<double>& v : row.Values)
        cells.push_back(v ? ExactText(*v) : std::string());
    return cells;
}

namespace {

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string JoinLine(const std::vector<std::string>& cells, bool csv) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) line += csv ? "," : "\t";
        line += csv ? CsvField(cells[i]) : cells[i];
    }
    return line + (csv ? "\r\n" : "\n");
}

std::string JoinAll(const TResults& r, bool csv) {
    std::string text = JoinLine(ResultHeader(r), csv);
    for (size_t i = 0; i < r.Rows.size(); ++i)
        text += JoinLine(ResultCells(r, i), csv);
    return text;
}

} // namespace

std::string ResultsCsv(const TResults& r) {
    return JoinAll(r, true);
}

std::string ResultsTsv(const TResults& r) {
    return JoinAll(r, false);
}

} // namespace kolshell
