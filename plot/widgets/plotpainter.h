// The one drawing routine of a plot: axes, ticks, labels, titles, lines, symbols and legend
// drawn by a QPainter into a frame on any target (window, printer page, picture file). Lines
// with more points than the frame has pixel columns are drawn from a per-pixel-column
// reduction that gives the same picture; a plot window keeps the reductions between paints.
#pragma once

#include "plot/axis.h"
#include "plot/plotdef.h"

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <climits>
#include <utility>
#include <vector>

class QPainter;

namespace kolshell {

// The plot colour table; any other index is black.
QColor PlotColour(int index);
// A plot symbol (0 none, 1..15, above 15 wrapped) centred at (x, y) at drawing scale s.
void DrawPlotSymbol(QPainter& p, int x, int y, int symbol, const QColor& c, double s);
// The exponent of a label in exponent form: two pixels smaller than the label up to 15
// pixels, two thirds above; its baseline raised by 3/8 of the height of "10", less Round(s).
int SuperscriptPixelSize(int labelPixelSize);
int SuperscriptRaise(int heightOf10, double s);

AxisScale ScaleOf(const TPlotDef& d, int axis);

// A run of pixels in one pixel column, lowest y to highest y.
struct ColumnSpan {
    int X, Lo, Hi;
};
// The pixels a thin path covers, as vertical runs: each column's own run, and the joins
// between neighbouring columns split at their middle. Columns outside 0..width are left out.
std::vector<ColumnSpan> PathSpans(const std::vector<QPoint>& path, int width);

// One line as drawn at one frame size, in pixels relative to the frame's left bottom corner:
// the path holds, per pixel column, the first, lowest, highest and last point in their order;
// the spans the same path as runs of pixels; the marks hold each symbol position once (the
// last time it is drawn), inside the frame.
struct ReducedLine {
    struct Key {
        int Width = 0, Height = 0, Radius = 0;
        Extended XMin = 0, XMax = 0, YMin = 0, YMax = 0;
        bool XLog = false, YLog = false, Path = false, Marks = false, Fine = false;
        const Real48Bytes *XData = nullptr, *YData = nullptr;
        size_t Points = 0;
        bool operator==(const Key& o) const;
    } For;
    std::vector<QPoint> Path, Marks;
    // Fine: the path and the marks at their unrounded places, for paper and vector pictures.
    std::vector<QPointF> FinePath, FineMarks;
    std::vector<ColumnSpan> Spans;
};
ReducedLine::Key ReductionKey(const TPlotDef& def, const TPlotLine& line, int width, int height,
                              double s, bool fine = false);
// xPixels, when given, holds the X pixel of every point (worked out once per X column).
ReducedLine ReduceLine(const TPlotLine& line, const ReducedLine::Key& key, const AxisScale& x,
                       const AxisScale& y, const int* xPixels);

// The reductions of a plot's lines, kept until the axes, the frame size or the data change.
class TPlotCache {
  public:
    const ReducedLine& Line(const TPlotDef& def, int i, int width, int height, double s,
                            bool fine = false);
    // Brings every line's reduction up to date, the lines shared out over the cores.
    void Prepare(const TPlotDef& def, int width, int height, double s, bool fine = false);
    void Clear() { lines_.clear(); }
    // Whether some line would have to be reduced again for this frame size and scale.
    bool Pending(const TPlotDef& def, int width, int height, double s, bool fine = false) const;
    // Points reduced since the last call: what the last drawing had to work out.
    size_t TakeWork() { return std::exchange(work_, 0); }

  private:
    std::vector<ReducedLine> lines_;
    size_t work_ = 0;
};

// Where a plot is drawn on its target: the frame, the scale of pens and fonts, and whether it
// goes to paper (which has no legend box).
struct PlotFrame {
    int Left = 100, Top = 20, Right = 400, Bottom = 225;
    QRect Rect() const { return QRect(QPoint(Left, Top), QPoint(Right, Bottom)); }
};

// Where the legend goes beside a frame: its entries in columns as many rows high as fit the
// frame's height, each column as wide as its longest entry, and the box around them, in a
// font of fontSize pixels at scale 1.
struct LegendLayout {
    QRect Box;
    std::vector<QRect> Entries; // each entry's sample and text
    int Step = 20;              // the height of a row
    int FontSize = 12;          // pixels at scale 1
};
constexpr int LegendFontSize = 12, SmallestLegendFontSize = 8;
// What is kept free right of the legend and below it, at scale 1.
constexpr int LegendMargin = 20;
LegendLayout LayOutLegend(const TPlotDef& def, const PlotFrame& frame, double s,
                          int fontSize = LegendFontSize);
// The legend's font at scale 1: 12 pixels, stepping down to 8 while the legend would end past
// room. At 8 it is taken as it comes, and the picture has to grow or the plot to shrink.
int LegendFontFor(const TPlotDef& def, const PlotFrame& frame, int room);
// All that a legend takes beside the frame at scale 1, in that font.
QRect LegendExtent(const TPlotDef& def, const PlotFrame& frame, int room = INT_MAX);

class TPlotPainter {
  public:
    TPlotPainter(QPainter& p, const TPlotDef& def, const PlotFrame& frame, double s, bool printing);
    // Reductions from (and into) a cache; without one they are worked out for this drawing.
    void UseCache(TPlotCache* cache) { cache_ = cache; }
    // Every point drawn as it is, for comparing pictures and timings.
    void DrawEveryPoint(bool on) { everyPoint_ = on; }
    // Lines drawn through the painter even on a picture whose pixels could be written.
    void PaintOnly(bool on) { paintOnly_ = on; }
    // The legend's font, in pixels at scale 1 (LegendFontFor).
    void SetLegendFont(int size) { legendFont_ = size; }
    void Draw();

    QRect Extent;              // all that was drawn
    int WidestYLabel = 0;      // the widest Y tick label
    std::vector<QRect> Labels; // the tick labels set, X then Y

  private:
    void DrawLine(int i);
    void DrawPoints(const TPlotLine& line, const QColor& colour);
    void DrawReduced(int i, const TPlotLine& line, const QColor& colour);
    const ReducedLine& Reduced(int i);
    // Whether line i can be written straight into the picture's pixels.
    bool Writable(int i) const;
    // Lines from..to written into the picture, the last one first and each pixel once.
    void WriteLines(int from, int to);
    void DrawXAxis();
    void DrawYAxis();
    void DrawTitles();
    void DrawLegend();
    void DrawFrameOutline();
    void Grow(const QPoint& at) { Extent = Extent.united(QRect(at, QSize(1, 1))); }

    QPainter& p_;
    const TPlotDef& def_;
    int left_, right_, bottom_, top_;
    double s_;
    bool printing_, everyPoint_ = false, paintOnly_ = false;
    int legendFont_ = LegendFontSize;
    TPlotCache* cache_ = nullptr;
    std::vector<ReducedLine> own_;
};

// Lines of a plot file each bring their own X values, mostly the same column: equal ones are
// kept once, and then reduced once.
void ShareEqualXValues(TPlotDef& def);

// The legend text of line i: its Y column name, followed by its file's name when the plot's
// lines come from more than one file.
std::string LegendText(const TPlotDef& def, int i);

// A plot as the window shows it (frame in a client area of the given size), fitted into a
// target of another size: the frame and the scale to draw it with.
struct PlotLayout {
    PlotFrame Frame;
    double Scale = 1;
    int LegendFont = LegendFontSize; // pixels at scale 1
};
PlotLayout FitPlot(const PlotFrame& frame, const QSize& client, const QSize& target);
// The client area and frame a plot file is drawn in when no window shows it.
constexpr int PlotClientWidth = 480, PlotClientHeight = 300;

} // namespace kolshell
