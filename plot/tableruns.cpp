#include "plot/tableruns.h"

#include "common/paths.h"
#include "common/textfile.h"
#include "plot/axis.h"
#include "plot/outputdata.h"
#include "plot/outputfiles.h"

#include <algorithm>
#include <cctype>

namespace kolshell {

namespace {

bool StartsWithBase(const std::string& name, const std::string& base) {
    return !base.empty() && name.size() > base.size() && UpStr(name.substr(0, base.size())) == base;
}

// The deck's base name, upper-cased, without directory and extension.
std::string BaseOf(const std::string& deckName) {
    const std::string name = UpStr(ExtractFileName(deckName));
    return name.substr(0, name.find('.'));
}

} // namespace

std::vector<std::string> RunOneFiles(const std::string& deckName) {
    const std::string base = BaseOf(deckName);
    std::vector<std::string> files;
    for (const std::string& f : ListOutputFiles(deckName).Files)
        if (StartsWithBase(f, base) && !std::isdigit(uint8_t(f[base.size()]))) files.push_back(f);
    return files;
}

std::string RunFileName(const std::string& runOneFile, const std::string& base,
                        const std::string& suffix) {
    const std::string dir = ExtractFileDir(runOneFile), name = ExtractFileName(runOneFile);
    if (!StartsWithBase(name, UpStr(base))) return runOneFile;
    return JoinPath(dir, name.substr(0, base.size()) + suffix + name.substr(base.size()));
}

bool BuildRunsPlot(const std::vector<RunLine>& runs, int xCol, int yCol, TPlotDef& plot,
                   std::string& error) {
    if (runs.size() > size_t(MaxPlotLines)) {
        error = "A plot holds at most 50 lines: the " + std::to_string(runs.size()) +
                " runs with output files do not fit.";
        return false;
    }
    TPlotDef d;
    double lo[2] = {9.0e30, 9.0e30}, hi[2] = {-9.0e30, -9.0e30};
    for (const RunLine& run : runs) {
        TOutputData data;
        ReadOutputFile(run.File, data);
        if (xCol > data.NCols || yCol > data.NCols || data.NRows < 1) continue;
        PlotChoices c;
        c.XCol = xCol;
        c.YCols = {yCol};
        c.FromRow = "1";
        c.LineStyle = run.Partial ? 3 : 1; // 3 draws dotted
        c.Colour = d.NLines;               // the k-th line gets colour k - 1, as overlays do
        c.Legend = true;
        if (!AddPlotLines(d, d.NLines + 1, data, c, error)) return false;
        ++d.NLines;
        TPlotLine& l = d.Lines[size_t(d.NLines - 1)];
        l.ColName[1] = run.Legend.substr(0, OutputNameMax); // what the name field holds
        l.Legend = run.Legend;
        if (d.NLines == 1)
            for (int a = 0; a < 2; ++a) {
                const int col = a == 0 ? xCol : yCol;
                d.AxisTitle[size_t(a)] =
                    CutCharacters(data.Names[size_t(col)] + " " + data.Units[size_t(col)], 30);
            }
        for (int a = 0; a < 2; ++a) {
            const int col = a == 0 ? xCol : yCol;
            lo[a] = std::min(lo[a], data.Min(col));
            hi[a] = std::max(hi[a], data.Max(col));
        }
    }
    if (d.NLines == 0) {
        error = "No run's output file holds the columns chosen.";
        return false;
    }
    for (int a = 0; a < 2; ++a) {
        const AxisProposal p = ScaleMinMax(lo[a], hi[a], 5, 3);
        d.AxisMin[size_t(a)] = p.Min;
        d.AxisMax[size_t(a)] = p.Max;
        d.Ticks[size_t(a)] = p.Ticks;
        d.MinorTicks[size_t(a)] = 1;
        d.NumStyle[size_t(a)] = 1;
        d.NumDigits[size_t(a)] = int16_t(std::clamp(p.Decimals, 0, 9));
    }
    d.ShowLegend = 1;
    plot = std::move(d);
    return true;
}

} // namespace kolshell
