// One column of an output file plotted over every run of a parametric table: run r writes
// the deck's files with its run suffix after the deck's base name (B.OUT, B1.OUT, ...).
#pragma once

#include "plot/plotdef.h"

#include <string>
#include <vector>

namespace kolshell {

// The output files of the deck's directory that run 1 writes: those named after the deck's
// base name (any case) with no run number after it.
std::vector<std::string> RunOneFiles(const std::string& deckName);
// The name run r gives a file of run 1 (a name without the base name is the same each run).
std::string RunFileName(const std::string& runOneFile, const std::string& base,
                        const std::string& suffix);

struct RunLine {
    int Run = 0;
    std::string File;     // full name
    std::string Legend;   // "run r: NAME=value, ..."
    bool Partial = false; // a run that did not finish (or is going on): its line is dotted
};

// A plot of the Y column over the X column (both 1-based) with one line per run, in the
// colours overlays advance through (partial runs dotted), axes proposed over all runs. False, with
// error set, when there are more than 50 runs or no run file holds the columns.
bool BuildRunsPlot(const std::vector<RunLine>& runs, int xCol, int yCol, TPlotDef& plot,
                   std::string& error);

} // namespace kolshell
