// The results of a table's runs: statistics of output columns, one row per run, as the
// Results window, its CSV export and koltool results show them.
#pragma once

#include "plot/outputdata.h"
#include "table/runstates.h"
#include "table/tablemodel.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kolshell {

enum class TStatKind { Final, Min, Max, Mean, Integral, XMax, At };

// A statistic of one column, over the file's first column as X.
struct TStatistic {
    TStatKind Kind = TStatKind::Final;
    double At = 0; // the X of TStatKind::At
    // "final", "min", "max", "mean", "integral", "xmax", "at=1800"
    std::string Name() const;
};

// "final,max,at=1800"; false with the reason for a word that is no statistic.
bool ParseStatistics(const std::string& list, std::vector<TStatistic>& stats, std::string& error);
// A column's values (1-based) as the file's text gave them: each the shortest decimal that
// reads into the 6-byte real the reader holds.
std::vector<double> ColumnValues(const TOutputData& d, int col);
// The statistic of y over x: false with the reason when there is no number for it.
bool ComputeStatistic(const std::vector<double>& x, const std::vector<double>& y,
                      const TStatistic& s, double& value, std::string& why);
// The same for column col (1-based) with column 1 as X.
bool ComputeStatistic(const TOutputData& d, int col, const TStatistic& s, double& value,
                      std::string& why);

// The names and units of an output file's columns, from its first two lines only.
TOutputData ReadOutputHeader(const std::string& fileName);

// What to collect: the output file as run 1 writes it, its columns and the statistics of each.
struct TResultRequest {
    std::string File;
    std::vector<std::string> Columns;
    std::vector<TStatistic> Stats;
};

struct TResultRow {
    int Run = 0;
    TRunState State = TRunState::NotRun;
    std::string Why;                           // why results are missing; empty when none is
    std::vector<std::optional<double>> Values; // one per column and statistic
    bool Read = false;                         // the output has been looked at
};

struct TResults {
    std::vector<std::string> Variables; // the table's variable names
    std::vector<std::string> Results;   // "max LEVEL", one per column and statistic
    std::vector<std::string> Units;     // of each result's column, "" where the file has none
    std::vector<std::vector<Extended>> TableValues; // per row, per variable
    std::vector<TResultRow> Rows;
};

// The output file of a run: run 1's file named with the run's suffix.
std::string RunOutputFile(const TTable& t, const std::string& runOneFile, int run);
// The state a run's results stand on: its last recorded state, unless the table's values have
// changed since (then not run); with no record, done when its output exists.
TRunState RecordedState(const TTable& t, const TRunRecords& records, int run,
                        const std::string& output, std::string& why);
// One row per run with its state and the table's values; no output read yet.
TResults PrepareResults(const TTable& t, const TResultRequest& request, const TRunRecords& records);
// Reads the output of a done run and fills its results (and the units where still unknown).
void ReadRowResults(const TTable& t, const TResultRequest& request, TResultRow& row,
                    std::vector<std::string>* units = nullptr);
// Reads the rows given on up to `threads` threads; progress(count read) is called from them.
// Stops early when cancel becomes true.
void ReadResults(const TTable& t, const TResultRequest& request, TResults& results,
                 const std::vector<size_t>& rows, int threads,
                 const std::function<void(size_t)>& progress = {},
                 const std::atomic<bool>* cancel = nullptr);

// The shortest text that reads back as the same number.
std::string ExactText(double v);
std::string ExactText(long double v);
// "Run", "State", the variables, then "max LEVEL [M]" per result.
std::vector<std::string> ResultHeader(const TResults& r);
// The cells of one row: run, state (with why), table values, results ("" where none).
std::vector<std::string> ResultCells(const TResults& r, size_t row);
// RFC 4180: CR LF line ends, fields quoted where they hold a comma, quote or line break.
std::string ResultsCsv(const TResults& r);
// Tab-separated lines for a spreadsheet.
std::string ResultsTsv(const TResults& r);

} // namespace kolshell
