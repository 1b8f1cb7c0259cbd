#include "table/tableedits.h"

#include "common/messages.h"
#include "common/paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kolshell {

namespace {
TableColumn UndefinedColumn(int number, const std::string& name, int rows) {
    TableColumn c;
    c.Number = int16_t(number);
    c.Name = name.substr(0, TableNameMax);
    c.Values.assign(size_t(rows), UndefinedValue);
    return c;
}

void SetRun(TTable& t, std::vector<Extended>& values, int run, Extended v) {
    if (values[size_t(run)] == v) return;
    values[size_t(run)] = v;
    t.TableChanged = true;
}

std::vector<std::string> ColumnNames(const TTable& t) {
    std::vector<std::string> names;
    for (const TableColumn& c : t.Columns)
        names.push_back(c.Name);
    return names;
}
} // namespace

bool ParseRunCount(const std::string& text, int& runs, std::string& message) {
    std::string s = text;
    TrimBlanks(s, ShortStringMax);
    int n = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || n < 1 ||
        n > MaxTableRuns) {
        message = "The number of runs must be a whole number from 1 to 9999.";
        return false;
    }
    runs = n;
    return true;
}

TTable NewDeckTable(const std::string& deckName, const std::vector<std::string>& names, int runs) {
    TTable t = NewTable(names, runs);
    t.DeckName = deckName;
    t.TableFileName = FileNameHasDot(deckName) ? BaseName(deckName) + ".TBL" : deckName;
    t.TableChanged = true;
    return t;
}

void ChangeVariables(TTable& t, const std::vector<std::string>& names) {
    const std::vector<std::string> before = ColumnNames(t);
    for (TableColumn& c : t.Columns)
        c.Mark = 0;
    for (size_t i = 0; i < names.size(); ++i)
        for (TableColumn& c : t.Columns)
            if (c.Name == names[i].substr(0, TableNameMax) && c.Mark == 0) {
                c.Mark = int16_t(i + 1);
                break;
            }
    std::vector<TableColumn> columns;
    for (size_t i = 0; i < names.size(); ++i) {
        auto kept = std::find_if(t.Columns.begin(), t.Columns.end(),
                                 [&](const TableColumn& c) { return c.Mark == int(i + 1); });
        columns.push_back(
            kept != t.Columns.end() ? *kept : UndefinedColumn(int(i + 1), names[i], t.RowCount));
        columns.back().Number = int16_t(i + 1);
    }
    t.Columns = std::move(columns);
    t.ColCount = int32_t(t.Columns.size()) + 1;
    if (ColumnNames(t) != before) t.TableChanged = true;
}

bool AlterValues(TTable& t, AlterRequest& r, TDiagnostics& diagnostics) {
    r.FirstRun = std::max(1, std::min(r.FirstRun, t.Runs()));
    r.LastRun = std::max(r.FirstRun, std::min(r.LastRun, t.Runs()));
    if (r.Column < 1 || r.Column >= t.ColCount) return false;
    std::vector<Extended>& v = t.Columns[size_t(r.Column - 1)].Values;
    if (r.Clear) {
        for (int run = r.FirstRun; run <= r.LastRun; ++run)
            SetRun(t, v, run, UndefinedValue);
        return true;
    }
    const int span = r.LastRun - r.FirstRun;
    std::vector<Extended> series;
    Extended x = r.First;
    for (int run = r.FirstRun; run <= r.LastRun; ++run) {
        if (!std::isfinite(x)) {
            r.TooLarge = true;
            ReportError(diagnostics, "The value is too large.", false);
            return false;
        }
        series.push_back(x);
        switch (r.Mode) {
        case AlterMode::LastValue:
            x += span > 0 ? (r.Second - r.First) / span : 0;
            break;
        case AlterMode::Increment:
            x += r.Second;
            break;
        case AlterMode::Multiplier:
            x *= r.Second;
            break;
        }
    }
    for (size_t k = 0; k < series.size(); ++k)
        SetRun(t, v, r.FirstRun + int(k), series[k]);
    return true;
}

RunsResult InsertDeleteRuns(TTable& t, int n, RunPosition where, int after, int errorLevel,
                            std::string& message) {
    const int runs = t.Runs();
    if (n <= -runs) return RunsResult::CloseTable;
    if (errorLevel != 0) {
        message = "Error #" + std::to_string(errorLevel);
        return RunsResult::Rejected;
    }
    // In a wider type: a count typed near the limits of int cannot overflow the check.
    if ((long long)runs + n > MaxTableRuns) {
        message = "A table holds at most 9999 runs.";
        return RunsResult::Rejected;
    }
    // A position past the last run counts as the last run; deleting stops at the table's end.
    int a = where == RunPosition::Top ? 0 : where == RunPosition::Bottom ? runs : after;
    a = std::max(0, std::min(a, runs));
    if (n < 0) a = std::min(a, runs + n);
    const int newRuns = runs + n;
    // Every column is made before any is replaced: running out of memory leaves the table whole.
    std::vector<std::vector<Extended>> columns;
    columns.reserve(t.Columns.size());
    for (const TableColumn& c : t.Columns) {
        std::vector<Extended> v(size_t(newRuns + 1), UndefinedValue);
        for (int k = 1; k <= std::min(a, newRuns); ++k)
            v[size_t(k)] = c.Values[size_t(k)];
        for (int k = (n > 0 ? a + n + 1 : a + 1); k <= newRuns; ++k)
            v[size_t(k)] = c.Values[size_t(k - n)];
        v[0] = c.Values[0];
        columns.push_back(std::move(v));
    }
    t.RunDeckNames.resize(size_t(newRuns + 1));
    for (size_t i = 0; i < columns.size(); ++i)
        t.Columns[i].Values = std::move(columns[i]);
    t.RowCount = newRuns + 1;
    if (n != 0) t.TableChanged = true;
    return RunsResult::Done;
}

} // namespace kolshell
