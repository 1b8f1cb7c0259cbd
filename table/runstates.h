// What each run of a table did the last time it ran: kept beside the table in a small file of
// its own (the table's name + ".RUNS"), so that the table file itself never changes for it.
#pragma once

#include "run/runset.h"

#include <map>
#include <string>
#include <vector>

namespace kolshell {

struct TRunRecord {
    TRunState State = TRunState::NotRun;
    int ExitStatus = 0;
    std::vector<std::string> Values; // the run's values as its deck held them
};
using TRunRecords = std::map<int, TRunRecord>; // by run number

std::string RunStateFileName(const std::string& tableFile);
// The records of the table's runs; none when the file is missing or unreadable.
TRunRecords ReadRunStates(const std::string& tableFile);
// Notes the finished runs of a table run, keeping what the other runs did before. False when
// the file cannot be written.
bool RecordRunStates(const std::string& tableFile, const std::vector<TRun>& runs);
// The runs that failed or were stopped the last time they ran, in order.
std::vector<int> FailedRuns(const TRunRecords& records);
// "3,5-7": run numbers of a table of `runs` runs, in order, each once; false with the reason.
bool ParseRunList(const std::string& text, int runs, std::vector<int>& numbers, std::string& error);

} // namespace kolshell
