#include "plot/plotdef.h"

#include "common/paths.h"
#include "common/textfile.h"
#include "plot/outputdata.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

void PutExt(uint8_t* p, Extended v) {
    const Extended80Bytes b = EncodeExtended(v);
    std::memcpy(p, b.data(), 10);
}

Extended GetExt(const uint8_t* p) {
    Extended80Bytes b{};
    std::memcpy(b.data(), p, 10);
    return DecodeExtended(b);
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(GetInt32(p));
}

} // namespace

std::string EncodePlotLine(const TPlotLine& l) {
    std::string out(PlotLineSize, '\0');
    uint8_t* p = reinterpret_cast<uint8_t*>(out.data());
    const int32_t head[] = {l.NPoints, l.SourceRows, l.RowsEditable, l.LineNo, l.XCol, l.YCol};
    for (int i = 0; i < 6; ++i)
        PutInt32(p + 4 * i, head[i]);
    PutString(p + 24, l.ColName[0], 20);
    PutString(p + 45, l.ColName[1], 20);
    PutString(p + 66, l.ColUnits[0], 20);
    PutString(p + 87, l.ColUnits[1], 20);
    PutInt32(p + 108, int32_t(l.XPtr));
    PutInt32(p + 112, int32_t(l.YPtr));
    const int32_t tail[] = {l.FromRow, l.ToRow, l.LineStyle, l.Symbol, l.Colour};
    for (int i = 0; i < 5; ++i)
        PutInt32(p + 116 + 4 * i, tail[i]);
    p[136] = l.Smooth;
    p[137] = l.Reserved137;
    std::memcpy(p + 140, l.Reserved140.data(), 16);
    return out;
}

TPlotLine DecodePlotLine(const uint8_t* p) {
    TPlotLine l;
    l.NPoints = GetInt32(p);
    l.SourceRows = GetInt32(p + 4);
    l.RowsEditable = GetInt32(p + 8);
    l.LineNo = GetInt32(p + 12);
    l.XCol = GetInt32(p + 16);
    l.YCol = GetInt32(p + 20);
    l.ColName = {GetString(p + 24, 20), GetString(p + 45, 20)};
    l.ColUnits = {GetString(p + 66, 20), GetString(p + 87, 20)};
    l.XPtr = GetU32(p + 108);
    l.YPtr = GetU32(p + 112);
    l.FromRow = GetInt32(p + 116);
    l.ToRow = GetInt32(p + 120);
    l.LineStyle = GetInt32(p + 124);
    l.Symbol = GetInt32(p + 128);
    l.Colour = GetInt32(p + 132);
    l.Smooth = p[136];
    l.Reserved137 = p[137];
    std::memcpy(l.Reserved140.data(), p + 140, 16);
    return l;
}

std::string EncodePlotDef(const TPlotDef& d) {
    std::string out(PlotDefSize, '\0');
    uint8_t* p = reinterpret_cast<uint8_t*>(out.data());
    PutInt32(p, d.NLines);
    std::memcpy(p + 4, d.Reserved4.data(), 256);
    for (int a = 0; a < 2; ++a) {
        PutString(p + 260 + 31 * a, WholeCharactersWithin(d.AxisTitle[size_t(a)], 30), 30);
        PutExt(p + 322 + 10 * a, d.AxisMin[size_t(a)]);
        PutExt(p + 342 + 10 * a, d.AxisMax[size_t(a)]);
        p[362 + a] = d.Grid[size_t(a)];
        PutInt32(p + 364 + 4 * a, d.MinorTicks[size_t(a)]);
        PutInt32(p + 372 + 4 * a, d.Ticks[size_t(a)]);
        p[380 + a] = d.LogAxis[size_t(a)];
        p[382 + 4 * a] = d.NumStyle[size_t(a)];
        PutInt16(p + 384 + 4 * a, d.NumDigits[size_t(a)]);
    }
    p[390] = d.ShowLegend;
    for (int i = 0; i < MaxPlotLines; ++i)
        out.replace(392 + PlotLineSize * size_t(i), PlotLineSize,
                    EncodePlotLine(d.Lines[size_t(i)]));
    std::memcpy(p + 8192, d.Reserved8192.data(), 28);
    return out;
}

TPlotDef DecodePlotDef(const uint8_t* p) {
    TPlotDef d;
    d.NLines = GetInt32(p);
    std::memcpy(d.Reserved4.data(), p + 4, 256);
    for (int a = 0; a < 2; ++a) {
        d.AxisTitle[size_t(a)] = GetString(p + 260 + 31 * a, 30);
        d.AxisMin[size_t(a)] = GetExt(p + 322 + 10 * a);
        d.AxisMax[size_t(a)] = GetExt(p + 342 + 10 * a);
        d.Grid[size_t(a)] = p[362 + a];
        d.MinorTicks[size_t(a)] = GetInt32(p + 364 + 4 * a);
        d.Ticks[size_t(a)] = GetInt32(p + 372 + 4 * a);
        d.LogAxis[size_t(a)] = p[380 + a];
        d.NumStyle[size_t(a)] = p[382 + 4 * a];
        d.NumDigits[size_t(a)] = GetInt16(p + 384 + 4 * a);
    }
    d.ShowLegend = p[390];
    for (int i = 0; i < MaxPlotLines; ++i)
        d.Lines[size_t(i)] = DecodePlotLine(p + 392 + PlotLineSize * size_t(i));
    std::memcpy(d.Reserved8192.data(), p + 8192, 28);
    return d;
}

std::string EncodePlotFile(const std::string& caption, const TPlotDef& def) {
    std::string out(PlotCaptionSize, '\0');
    PutString(reinterpret_cast<uint8_t*>(out.data()), caption, 255);
    out += EncodePlotDef(def);
    for (int i = 0; i < def.NLines && i < MaxPlotLines; ++i) {
        const TPlotLine& l = def.Lines[size_t(i)];
        out += EncodePlotLine(l);
        for (const auto* values : {&l.XValues, &l.YValues})
            for (int k = 0; k < l.NPoints; ++k) {
                const Real48Bytes b =
                    size_t(k) < values->size() ? (*values)[size_t(k)] : Real48Bytes{};
                out.append(reinterpret_cast<const char*>(b.data()), 6);
            }
    }
    return out;
}

bool DecodePlotFile(std::string_view bytes, const std::string& fileName, std::string& caption,
                    TPlotDef& def, std::string& error) {
    const auto bad = [&](const std::string& why) {
        error = "The plot file " + fileName + " cannot be opened: " + why + ".";
        return false;
    };
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < PlotCaptionSize + PlotDefSize)
        return bad("it is shorter than a plot definition");
    TPlotDef d = DecodePlotDef(p + PlotCaptionSize);
    if (d.NLines < 1 || d.NLines > MaxPlotLines)
        return bad("it holds " + std::to_string(d.NLines) + " lines (1 to 50 are possible)");
    size_t pos = PlotCaptionSize + PlotDefSize;
    for (int i = 0; i < d.NLines; ++i) {
        if (bytes.size() - pos < PlotLineSize)
            return bad("line " + std::to_string(i + 1) + " is missing");
        TPlotLine l = DecodePlotLine(p + pos);
        pos += PlotLineSize;
        if (l.NPoints < 0 || size_t(l.NPoints) > (bytes.size() - pos) / 12)
            return bad("the points of line " + std::to_string(i + 1) + " do not fit in the file");
        for (auto* values : {&l.XValues, &l.YValues}) {
            values->resize(size_t(l.NPoints));
            if (l.NPoints > 0) std::memcpy(values->begin(), p + pos, 6 * size_t(l.NPoints));
            pos += 6 * size_t(l.NPoints);
        }
        d.Lines[size_t(i)] = std::move(l);
    }
    caption = GetString(p, 255);
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
