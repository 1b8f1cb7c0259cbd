// The plot definition: two axes and up to 50 lines, each with its own copy of the values, and
// the ".KSP" plot file that holds a caption, the definition and the points.
#pragma once

#include "common/codecs.h"
#include "common/lib1.h"
#include "plot/plotvalues.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kolshell {

struct TOutputData;

constexpr int MaxPlotLines = 50;
constexpr size_t PlotLineSize = 156;
constexpr size_t PlotDefSize = 8220;
constexpr size_t PlotCaptionSize = 256;

struct TPlotLine {
    int32_t NPoints = 0, SourceRows = 0, RowsEditable = 0, LineNo = 0, XCol = 0, YCol = 0;
    std::array<std::string, 2> ColName, ColUnits; // [0] X, [1] Y; at most 20 characters
    uint32_t XPtr = 0, YPtr = 0;                  // carried as stored; meaningless on disk
    int32_t FromRow = 0, ToRow = 0, LineStyle = 0, Symbol = 0, Colour = 0;
    uint8_t Smooth = 0, Reserved137 = 0;
    std::array<uint8_t, 16> Reserved140{};
    PlotValues XValues, YValues;
    std::string SourceFile; // the output file it was taken from; not kept in the plot file
    std::string Legend;     // the legend when longer than the name field (plotextension.h)
};

struct TPlotDef {
    int32_t NLines = 0;
    std::array<uint8_t, 256> Reserved4{};
    std::array<std::string, 2> AxisTitle; // at most 30 characters
    std::array<Extended, 2> AxisMin{}, AxisMax{};
    std::array<uint8_t, 2> Grid{};
    std::array<int32_t, 2> MinorTicks{}, Ticks{};
    std::array<uint8_t, 2> LogAxis{}, NumStyle{};
    std::array<int16_t, 2> NumDigits{};
    uint8_t ShowLegend = 0;
    std::array<TPlotLine, MaxPlotLines> Lines; // line i at Lines[i - 1]
    std::array<uint8_t, 28> Reserved8192{};
};

// The plot file: caption, definition, then each line's record with its X and Y values.
std::string EncodePlotFile(const std::string& caption, const TPlotDef& def);
// Rejects, with a message naming the file, a file shorter than its definition says, an NLines
// outside 1..50 or a point count that does not fit; nothing is returned half-read.
bool DecodePlotFile(std::string_view bytes, const std::string& fileName, std::string& caption,
                    TPlotDef& def, std::string& error);
bool SavePlotFile(const std::string& fileName, const std::string& caption, const TPlotDef& def);
// Reads the points from the file straight into the lines. trailer, when given, gets what
// follows the plot in the file (no more than MaxPlotTrailer bytes).
bool OpenPlotFile(const std::string& fileName, std::string& caption, TPlotDef& def,
                  std::string& error, std::string* trailer = nullptr);
constexpr size_t MaxPlotTrailer = 6 + MaxPlotLines * (4 + 0xFFFF);

// The choices of the set-up dialog that a plot is built from.
struct PlotChoices {
    int XCol = 1;               // 1-based, as the column lists show them
    std::vector<int> YCols;     // 1-based, in list order
    std::string FromRow, ToRow; // the row fields' texts
    int LineStyle = 1, Symbol = 0, Colour = 0;
    bool Smooth = false, Legend = false;
    std::string SourceFile; // the output file read
};

// The row range rule: From Row 1 unless a whole number of at least 1 (and at most the row
// count); To Row the row count unless a whole number above From Row and within the rows.
void PlotRowRange(const PlotChoices& c, int32_t rows, int32_t& from, int32_t& to);

// Fills the next lines of def from the output data, starting at slot first (1-based).
// False, with error set, when the lines would pass 50.
bool AddPlotLines(TPlotDef& def, int first, const TOutputData& data, const PlotChoices& c,
                  std::string& error);
// A new plot: the working definition (axes already set) plus the chosen lines and titles.
bool BuildNewPlot(const TPlotDef& working, const TOutputData& data, const PlotChoices& c,
                  TPlotDef& plot, std::string& error);
// Lines laid over an existing plot in slots n+1..n+m; titles untouched.
bool OverlayPlot(TPlotDef& plot, const TOutputData& data, const PlotChoices& c, std::string& error);
// Removes line i; false when it was the only line (the plot window then closes).
bool DeletePlotLine(TPlotDef& plot, int i);
// The symbol shape a line's Symbol draws: 0 none, 1..15; above 15 reduced by 15 until it is
// at most 15 (computed at once, whatever a file says).
int DrawnSymbol(int symbol);
// Captions "Plot " + n + ": from " + file, numbered by a count that only goes up.
std::string NextPlotCaption(int& plotCount, const std::string& fileName);

} // namespace kolshell
