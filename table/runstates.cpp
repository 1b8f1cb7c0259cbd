#include "table/runstates.h"
#include "common/lib1.h"

#include "common/paths.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

namespace kolshell {

namespace {

const char* const Signature = "KOLSHELL run states 1";

// One word per state: the file is read back word by word.
const char* StateKey(TRunState s) {
    switch (s) {
    case TRunState::Done:
        return "done";
    case TRunState::Failed:
        return "failed";
    case TRunState::Stopped:
        return "stopped";
    default:
        return "notrun";
    }
}

bool StateOfKey(const std::string& key, TRunState& s) {
    for (TRunState c : {TRunState::Done, TRunState::Failed, TRunState::Stopped, TRunState::NotRun})
        if (key == StateKey(c)) {
            s = c;
            return true;
        }
    return false;
}

bool WholeNumber(const std::string& text, long& v) {
    char* end = nullptr;
    v = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

// "run<TAB>state<TAB>exit status<TAB>value,value,..."
bool ParseRecord(const std::string& line, int& run, TRunRecord& r) {
    const std::vector<std::string> f = SplitAt(line, '\t');
    long number = 0, status = 0;
    if (f.size() != 4 || !WholeNumber(f[0], number) || number < 1 || !StateOfKey(f[1], r.State) ||
        !WholeNumber(f[2], status))
        return false;
    run = int(number);
    r.ExitStatus = int(status);
    r.Values = f[3].empty() ? std::vector<std::string>() : SplitAt(f[3], ',');
    return true;
}

std::string RecordLine(int run, const TRunRecord& r) {
    std::string values;
    for (const std::string& v : r.Values)
        values += (values.empty() ? "" : ",") + v;
    return std::to_string(run) + "\t" + StateKey(r.State) + "\t" + std::to_string(r.ExitStatus) +
           "\t" + values + "\n";
}

} // namespace

std::string RunStateFileName(const std::string& tableFile) {
    return tableFile + ".RUNS";
}

TRunRecords ReadRunStates(const std::string& tableFile) {
    TRunRecords records;
    std::string bytes;
    if (!ReadFileBytes(RunStateFileName(tableFile), bytes)) return records;
    std::istringstream in(bytes);
    std::string line;
    if (!std::getline(in, line) || line != Signature) return records;
    while (std::getline(in, line)) {
        int run = 0;
        TRunRecord r;
        if (ParseRecord(line, run, r)) records[run] = r;
    }
    return records;
}

bool RecordRunStates(const std::string& tableFile, const std::vector<TRun>& runs) {
    TRunRecords records = ReadRunStates(tableFile);
    for (const TRun& run : runs) {
        // A run that never started keeps what it did last; one stopped before it began did not
        // run this time either.
        if (run.State == TRunState::Waiting || run.State == TRunState::Running) continue;
        if (run.State == TRunState::NotRun && !run.StartError && records.count(run.Number))
            continue;
        records[run.Number] = {run.State, run.Signal ? 128 + run.Signal : run.ExitStatus,
                               run.Values};
    }
    std::string text = std::string(Signature) + "\n";
    for (const auto& [number, r] : records)
        text += RecordLine(number, r);
    return WriteFileAtomic(RunStateFileName(tableFile), text);
}

std::vector<int> FailedRuns(const TRunRecords& records) {
    std::vector<int> runs;
    for (const auto& [number, r] : records)
        if (r.State == TRunState::Failed || r.State == TRunState::Stopped) runs.push_back(number);
    return runs;
}

bool ParseRunList(const std::string& text, int runs, std::vector<int>& numbers,
                  std::string& error) {
    std::set<int> chosen;
    for (const std::string& part : SplitAt(text, ',')) {
        const std::vector<std::string> ends = SplitAt(part, '-');
        long first = 0, last = 0;
        if (ends.size() > 2 || !WholeNumber(ends[0], first) || !WholeNumber(ends.back(), last) ||
            first > last) {
            error = "'" + part + "' is not a run number or a range of runs such as 5-7.";
            return false;
        }
        if (first < 1 || last > runs) {
            error = "The table has runs 1 to " + std::to_string(runs) + ": '" + part +
                    "' lies outside them.";
            return false;
        }
        for (long r = first; r <= last; ++r)
            chosen.insert(int(r));
    }
    numbers.assign(chosen.begin(), chosen.end());
    return true;
}

} // namespace kolshell
