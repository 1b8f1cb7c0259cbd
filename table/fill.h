// Filling a table's runs for chosen variables: a full-factorial grid of values, or a Latin
// hypercube sample. The variables not chosen keep run 1's value in every run.
#pragma once

#include "table/tablemodel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kolshell {

struct TFillVar {
    std::string Name;
    Extended First = 0, Last = 0;
    int Count = 0;    // grid points; unused by a sample
    bool Log = false; // logarithmic steps, or a log-uniform range
};

// "AREA=1:3:5,QPUMP=0.005:0.02:4" (withCount) or "AREA=1:3,QPUMP=0.005:0.02"; logNames
// ("QPUMP,...") marks the logarithmic ones. False with the reason.
bool ParseFillVars(const std::string& text, bool withCount, const std::string& logNames,
                   std::vector<TFillVar>& vars, std::string& error);
// The values of one grid variable: Count values from First to Last, linear or logarithmic.
std::vector<Extended> GridValues(const TFillVar& v);
// The runs a grid makes: the product of the counts (saturating above the table's limit).
long long GridRunCount(const std::vector<TFillVar>& vars);
// Checks names, ranges and counts against the table; false with the reason.
bool CheckFill(const TTable& t, const std::vector<TFillVar>& vars, bool grid, int runs,
               std::string& error);
// Every combination once, the first variable changing slowest. False (the table unchanged)
// with the reason when the request is not valid.
bool FillGrid(TTable& t, const std::vector<TFillVar>& vars, std::string& error);
// runs runs; each variable's range cut into runs equal strata (in the logarithm for a log
// range), every stratum used by exactly one run, the order random from the seed. Values are
// those the run decks will hold (five significant digits).
bool FillLatinHypercube(TTable& t, const std::vector<TFillVar>& vars, int runs, uint64_t seed,
                        std::string& error);

} // namespace kolshell
