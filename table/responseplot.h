// A result plotted against a table variable: one point per run, joined in order of the
// variable, and with a second variable one line per value of it.
#pragma once

#include "plot/plotdef.h"
#include "table/results.h"

#include <string>
#include <vector>

namespace kolshell {

struct TResponseChoice {
    size_t Result = 0; // index into TResults::Results
    size_t X = 0;      // index into TResults::Variables
    int Family = -1;   // a second variable, or -1
};

// "max LEVEL vs AREA"
std::string ResponseLegend(const TResults& r, const TResponseChoice& c);
// The plot; leftOut gets the runs without a value (failed, not run, missing output). False
// with the reason when no run has one, or when the family has more than 50 values.
bool BuildResponsePlot(const TResults& r, const TResponseChoice& c, TPlotDef& plot,
                       std::vector<int>& leftOut, std::string& error);

} // namespace kolshell
