#include "plot/plotdef.h"

#include "common/layout.h"
#include "common/paths.h"
#include "common/textfile.h"
#include "plot/outputdata.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace kolshell {

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

// Where a plot file's bytes come from: bytes in memory, or a file read part by part, so that
// the points go from the file straight into the lines' values.
class PlotBytes {
  public:
    virtual ~PlotBytes() = default;
    virtual size_t Left() const = 0;
    // The next n bytes into to; false when they cannot be had.
    virtual bool Take(void* to, size_t n) = 0;
};

class MemoryBytes : public PlotBytes {
  public:
    explicit MemoryBytes(std::string_view bytes) : bytes_(bytes) {}
    size_t Left() const override { return bytes_.size() - pos_; }
    bool Take(void* to, size_t n) override {
        if (n > Left()) return false;
        if (n > 0) std::memcpy(to, bytes_.data() + pos_, n);
        pos_ += n;
        return true;
    }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

class FileBytes : public PlotBytes {
  public:
    FileBytes(int fd, size_t size) : fd_(fd), left_(size) {}
    ~FileBytes() override { ::close(fd_); }
    size_t Left() const override { return left_; }
    bool Take(void* to, size_t n) override {
        if (n > left_) return false;
        auto* p = static_cast<char*>(to);
        for (size_t done = 0; done < n;) {
            const ssize_t got = ::read(fd_, p + done, n - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false; // the file grew shorter while read
            done += size_t(got);
        }
        left_ -= n;
        return true;
    }

  private:
    int fd_;
    size_t left_;
};

bool ReadPoints(PlotBytes& in, PlotValues& values, int32_t n) {
    values.resize(size_t(n));
    return n <= 0 || in.Take(values.begin(), 6 * size_t(n));
}

// A part of the file (the caption and definition, or a line's record) read and laid out.
template <typename F> bool ReadPart(PlotBytes& in, size_t size, F layout) {
    std::string part(size, '\0');
    if (!in.Take(part.data(), size)) return false;
    TLayoutReader r(part);
    layout(r);
    return true;
}

bool Decode(PlotBytes& in, const std::string& fileName, std::string& caption, TPlotDef& def,
            std::string& error) {
    const auto bad = [&](const std::string& why) {
        error = "The plot file " + fileName + " cannot be opened: " + why + ".";
        return false;
    };
    if (in.Left() < PlotCaptionSize + PlotDefSize)
        return bad("it is shorter than a plot definition");
    std::string title;
    TPlotDef d;
    if (!ReadPart(in, PlotCaptionSize + PlotDefSize, [&](TLayoutReader& r) {
            r.Str(title, 255);
            PlotDefLayout(r, d);
        }))
        return bad("it could not be read");
    if (d.NLines < 1 || d.NLines > MaxPlotLines)
        return bad("it holds " + std::to_string(d.NLines) + " lines (1 to 50 are possible)");
    for (int i = 0; i < d.NLines; ++i) {
        if (in.Left() < PlotLineSize) return bad("line " + std::to_string(i + 1) + " is missing");
        TPlotLine l;
        if (!ReadPart(in, PlotLineSize, [&](TLayoutReader& r) { PlotLineLayout(r, l); }))
            return bad("it could not be read");
        if (l.NPoints < 0 || size_t(l.NPoints) > in.Left() / 12)
            return bad("the points of line " + std::to_string(i + 1) + " do not fit in the file");
        if (!ReadPoints(in, l.XValues, l.NPoints) || !ReadPoints(in, l.YValues, l.NPoints))
            return bad("it could not be read");
        d.Lines[size_t(i)] = std::move(l);
    }
    caption = title;
    def = std::move(d);
    return true;
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
    MemoryBytes in(bytes);
    return Decode(in, fileName, caption, def, error);
}

bool SavePlotFile(const std::string& fileName, const std::string& caption, const TPlotDef& def) {
    return WriteFileAtomic(fileName, EncodePlotFile(caption, def));
}

bool OpenPlotFile(const std::string& fileName, std::string& caption, TPlotDef& def,
                  std::string& error, std::string* trailer) {
    const int fd = OpenRegularFile(fileName);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        error = "File " + fileName + " was not found.";
        return false;
    }
    try {
        FileBytes in(fd, size_t(std::max<off_t>(0, st.st_size)));
        if (!Decode(in, fileName, caption, def, error)) return false;
        if (trailer) {
            trailer->resize(std::min(in.Left(), MaxPlotTrailer));
            if (!in.Take(trailer->data(), trailer->size())) trailer->clear();
        }
        return true;
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

} // namespace kolshell
