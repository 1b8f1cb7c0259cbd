#include "plot/plotdef.h"

#include "common/layout.h"
#include "common/paths.h"
#include "common/textfile.h"
#include "plot/outputdata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

template <class IO> void PlotLineLayout(IO& io, TPlotLine& l) {
    for (int32_t* v : {&l.NPoints, &l.SourceRows, &l.RowsEditable, &l.LineNo, &l.XCol, &l.YCol})
        io.Int32(*v);
    for (std::string* text : {&l.ColName[0], &l.ColName[1], &l.ColUnits[0], &l.ColUnits[1]})
        io.Str(*text, 20);
    io.Word32(l.XPtr);
    io.Word32(l.YPtr);
    for (int32_t* v : {&l.FromRow, &l.ToRow, &l.LineStyle, &l.Symbol, &l.Colour})
        io.Int32(*v);
    io.Byte(l.Smooth);
    io.Byte(l.Reserved137);
    io.Skip(2);
    io.Raw(l.Reserved140);
}

// The definition: the axes' fields side by side (X then Y), then all 50 line records.
template <class IO> void PlotDefLayout(IO& io, TPlotDef& d) {
    io.Int32(d.NLines);
    io.Raw(d.Reserved4);
    for (std::string& title : d.AxisTitle)
        io.Str(title, 30);
    for (Extended& v : d.AxisMin)
        io.Ext(v);
    for (Extended& v : d.AxisMax)
        io.Ext(v);
    for (uint8_t& v : d.Grid)
        io.Byte(v);
    for (int32_t& v : d.MinorTicks)
        io.Int32(v);
    for (int32_t& v : d.Ticks)
        io.Int32(v);
    for (uint8_t& v : d.LogAxis)
        io.Byte(v);
    for (size_t a = 0; a < 2; ++a) {
        io.Byte(d.NumStyle[a]);
        io.Skip(1);
        io.Int16(d.NumDigits[a]);
    }
    io.Byte(d.ShowLegend);
    io.Skip(1);
    for (TPlotLine& l : d.Lines)
        PlotLineLayout(io, l);
    io.Raw(d.Reserved8192);
}

// A line's points after its record: NPoints X values, then NPoints Y values, 6 bytes each;
// values missing from a line are written as zeros.
void WritePoints(TLayoutWriter& w, const PlotValues& values, int32_t n) {
    const size_t have = std::min(values.size(), size_t(std::max(n, 0)));
    if (have > 0) w.Raw(reinterpret_cast<const uint8_t*>(values.begin()), 6 * have);
    w.Skip(6 * (size_t(std::max(n, 0)) - have));
}

void ReadPoints(TLayoutReader& r, PlotValues& values, int32_t n) {
    values.resize(size_t(n));
    if (n > 0) r.Raw(reinterpret_cast<uint8_t*>(values.begin()), 6 * size_t(n));
}

} // namespace

std::string EncodePlotFile(const std::string& caption, const TPlotDef& def) {
    std::string out;
    TLayoutWriter w(out);
    w.Str(caption, 255);
    TPlotDef& d = const_cast<TPlotDef&>(def); // the writer only reads the fields
    PlotDefLayout(w, d);
    for (int i = 0; i < def.NLines && i < MaxPlotLines; ++i) {
        TPlotLine& l = d.Lines[size_t(i)];
        PlotLineLayout(w, l);
        WritePoints(w, l.XValues, l.NPoints);
        WritePoints(w, l.YValues, l.NPoints);
    }
    return out;
}

bool DecodePlotFile(std::string_view bytes, const std::string& fileName, std::string& caption,
                    TPlotDef& def, std::string& error) {
    const auto bad = [&](const std::string& why) {
        error = "The plot file " + fileName + " cannot be opened: " + why + ".";
        return false;
    };
    if (bytes.size() < PlotCaptionSize + PlotDefSize)
        return bad("it is shorter than a plot definition");
    TLayoutReader r(bytes);
    std::string title;
    r.Str(title, 255);
    TPlotDef d;
    PlotDefLayout(r, d);
    if (d.NLines < 1 || d.NLines > MaxPlotLines)
        return bad("it holds " + std::to_string(d.NLines) + " lines (1 to 50 are possible)");
    for (int i = 0; i < d.NLines; ++i) {
        if (!r.Fits(PlotLineSize)) return bad("line " + std::to_string(i + 1) + " is missing");
        TPlotLine l;
        PlotLineLayout(r, l);
        if (l.NPoints < 0 || size_t(l.NPoints) > (bytes.size() - r.Pos()) / 12)
            return bad("the points of line " + std::to_string(i + 1) + " do not fit in the file");
        ReadPoints(r, l.XValues, l.NPoints);
        ReadPoints(r, l.YValues, l.NPoints);
        d.Lines[size_t(i)] = std::move(l);
    }
    caption = title;
    def = std::move(d);
    return true;
}

bool SavePlotFile(const std::string& fileName, const std::string& caption, const TPlotDef& def) {
    return WriteFileAtomic(fileName, EncodePlotFile(caption, def));
}

bool OpenPlotFile(const std::string& fileName, std::string& caption, TPlotDef& def,
                  std::string& error) {
    try {
        std::string bytes;
        if (!ReadFileBytes(fileName, bytes)) {
            error = "File " + fileName + " was not found.";
            return false;
        }
        return DecodePlotFile(bytes, fileName, caption, def, error);
    } catch (const std::bad_alloc&) {
        error = "Insufficient memory available for opening the plot";
        return false;
    }
}

namespace {
bool WholeNumber(const std::string& text, long& v) {
    Extended x;
    if (!TryStrToReal(text, x) || x != std::trunc(x) || std::fabs(x) > 2e9L) return false;
    v = long(x);
    return true;
}
} // namespace

void PlotRowRange(const PlotChoices& c, int32_t rows, int32_t& from, int32_t& to) {
    long f = 0, t = 0;
    from = WholeNumber(c.FromRow, f) && f >= 1 ? int32_t(f) : 1;
    // A first row past the end would give a line of no points: start at the last row instead.
    if (from > rows) from = rows < 1 ? 1 : rows;
    to = WholeNumber(c.ToRow, t) && t <= rows && t > from ? int32_t(t) : rows;
}

bool AddPlotLines(TPlotDef& def, int first, const TOutputData& data, const PlotChoices& c,
                  std::string& error) {
    if (first - 1 + int(c.YCols.size()) > MaxPlotLines) {
        error = "A plot holds at most 50 lines: " + std::to_string(c.YCols.size()) +
                " more lines do not fit beside the " + std::to_string(first - 1) + " it has.";
        return false;
    }
    int32_t from = 1, to = 0;
    PlotRowRange(c, data.NRows, from, to);
    int k = first;
    for (int y : c.YCols) {
        TPlotLine& l = def.Lines[size_t(k - 1)];
        const int32_t editable = l.RowsEditable;
        l = TPlotLine();
        l.RowsEditable = editable;
        l.LineNo = k;
        l.SourceRows = data.NRows;
        l.XCol = c.XCol - 1;
        l.YCol = y - 1;
        const bool inRange = c.XCol >= 1 && c.XCol <= data.NCols && y >= 1 && y <= data.NCols;
        if (inRange) {
            l.ColName = {data.Names[size_t(c.XCol)], data.Names[size_t(y)]};
            l.ColUnits = {data.Units[size_t(c.XCol)], data.Units[size_t(y)]};
        }
        l.FromRow = from;
        l.ToRow = to;
        l.LineStyle = c.LineStyle;
        l.Symbol = c.Symbol != 0 ? c.Symbol + (k - first) : 0;
        l.Colour = c.Colour + (k - first);
        l.Smooth = c.Smooth ? 1 : 0;
        l.SourceFile = c.SourceFile;
        const auto holds = [&](int col) {
            return data.Columns[size_t(col)] && data.Columns[size_t(col)]->size() >= size_t(to);
        };
        if (inRange && to >= from && holds(c.XCol) && holds(y)) {
            l.NPoints = to - from + 1;
            l.XValues =
                PlotValues(data.Columns[size_t(c.XCol)], size_t(from - 1), size_t(l.NPoints));
            l.YValues = PlotValues(data.Columns[size_t(y)], size_t(from - 1), size_t(l.NPoints));
        }
        ++k;
    }
    def.ShowLegend = c.Legend ? 1 : 0;
    return true;
}

bool BuildNewPlot(const TPlotDef& working, const TOutputData& data, const PlotChoices& c,
                  TPlotDef& plot, std::string& error) {
    if (c.YCols.empty()) {
        error = "No Y column is selected.";
        return false;
    }
    TPlotDef d = working;
    d.NLines = int32_t(c.YCols.size());
    if (!AddPlotLines(d, 1, data, c, error)) return false;
    for (int a = 0; a < 2; ++a)
        d.AxisTitle[size_t(a)] =
            CutCharacters(d.Lines[0].ColName[size_t(a)] + " " + d.Lines[0].ColUnits[size_t(a)], 30);
    plot = std::move(d);
    return true;
}

bool OverlayPlot(TPlotDef& plot, const TOutputData& data, const PlotChoices& c,
                 std::string& error) {
    TPlotDef d = plot;
    const int n = d.NLines;
    d.NLines = n + int32_t(c.YCols.size());
    if (!AddPlotLines(d, n + 1, data, c, error)) return false;
    plot = std::move(d);
    return true;
}

bool DeletePlotLine(TPlotDef& plot, int i) {
    if (plot.NLines <= 1) return false;
    if (i < 1 || i > plot.NLines) return true;
    for (int k = i; k < plot.NLines; ++k)
        plot.Lines[size_t(k - 1)] = std::move(plot.Lines[size_t(k)]);
    plot.Lines[size_t(plot.NLines - 1)] = TPlotLine();
    --plot.NLines;
    return true;
}

int DrawnSymbol(int symbol) {
    if (symbol <= 0) return 0;
    return (symbol - 1) % 15 + 1;
}

std::string NextPlotCaption(int& plotCount, const std::string& fileName) {
    return "Plot " + std::to_string(++plotCount) + ": from " + fileName;
}
