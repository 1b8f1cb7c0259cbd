#include "plot/widgets/plotpainter.h"

#include "common/paths.h"
#include "common/widgets/qtext.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <system_error>
#include <thread>

namespace kolshell {

namespace {

constexpr int AxisColour = 0, GridColour = 9, FontSize = 12;

int Round(double x) {
    return int(std::lround(x));
}

QPen PlotPen(int kind, const QColor& c, double s) {
    const int w = std::max(1, int(std::trunc(s)) - 1);
    QPen pen(c, w, Qt::SolidLine);
    switch (kind) {
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setWidth(std::min(5, std::max(1, int(std::trunc(2 * s)))));
        break;
    case 4:
        pen.setStyle(Qt::DashLine);
        break;
    case 5:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 6:
        pen.setWidth(1);
        break;
    default:
        break;
    }
    return pen;
}

// The pen of a line style: 1 solid, 2 thick, 3 dotted; 0 draws no line.
int StylePenKind(int lineStyle) {
    return lineStyle == 2 ? 3 : lineStyle == 3 ? 2 : 1;
}

QFont SlotFont(double s, bool bold = false, int extra = 0) {
    QFont f("Arial");
    f.setPixelSize(std::max(1, Round((FontSize + extra) * s)));
    f.setBold(bold);
    return f;
}

QFont SuperscriptFont(const QFont& normal) {
    QFont small = normal;
    small.setPixelSize(SuperscriptPixelSize(normal.pixelSize()));
    return small;
}

// A label as set: plain, or mantissa "x" 10 with a raised exponent.
int LabelWidth(QPainter& p, const std::string& label) {
    const LabelParts parts = SplitLabel(label);
    if (parts.Base.empty()) return p.fontMetrics().horizontalAdvance(ToQ(label));
    return p.fontMetrics().horizontalAdvance(
               ToQ(parts.Mantissa + (parts.Times ? "x" : "") + parts.Base)) +
           QFontMetrics(SuperscriptFont(p.font())).horizontalAdvance(ToQ(parts.Exponent));
}

// Sets a label with its left end at x and its baseline at y.
void DrawLabel(QPainter& p, const std::string& label, int x, int baseline, double s) {
    const LabelParts parts = SplitLabel(label);
    if (parts.Base.empty()) {
        p.drawText(x, baseline, ToQ(label));
        return;
    }
    const QString head = ToQ(parts.Mantissa + (parts.Times ? "x" : "") + parts.Base);
    p.drawText(x, baseline, head);
    const QFont normal = p.font();
    const QFontMetrics fm(normal);
    const int raise = SuperscriptRaise(fm.boundingRect(QStringLiteral("10")).height(), s);
    p.setFont(SuperscriptFont(normal));
    p.drawText(x + fm.horizontalAdvance(head), baseline - raise, ToQ(parts.Exponent));
    p.setFont(normal);
}

// The bounds of a label set at (x, baseline).
QRect LabelRect(QPainter& p, int x, int baseline, int width) {
    const QFontMetrics fm = p.fontMetrics();
    return QRect(x, baseline - fm.ascent(), width, fm.ascent() + fm.descent());
}

// The 6-byte real as a double, by its bits: exact, as DecodeReal48 is.
inline double Real48Value(const Real48Bytes& b) {
    if (b[0] == 0) return 0.0;
    // Loaded as a word and a byte put together in a register: five bytes copied into a word
    // in memory and read back at once stall the load, a third of the whole reduction's time.
    uint32_t low;
    std::memcpy(&low, b.data() + 1, 4);
    uint64_t frac = low | uint64_t(b[5]) << 32;
    const uint64_t sign = (frac >> 39) & 1;
    frac &= (uint64_t(1) << 39) - 1;
    const uint64_t bits = (sign << 63) | (uint64_t(int(b[0]) - 129 + 1023) << 52) | (frac << 13);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

// Where a path is broken (around points a logarithmic axis cannot show), and the X pixel of
// such a point.
constexpr int BreakPixel = INT_MIN;
const QPoint PathBreak(BreakPixel, BreakPixel);

// Value to pixel relative to the axis origin, as ValueToPixel maps it.
struct AxisMap {
    AxisMap(const AxisScale& a, int span) {
        log_ = a.LogAxis && a.AxisMin > 0 && a.AxisMax > 0;
        lo_ = log_ ? std::log10(double(a.AxisMin)) : double(a.AxisMin);
        const double hi = log_ ? std::log10(double(a.AxisMax)) : double(a.AxisMax);
        k_ = span / (hi - lo_);
    }
    // A value a logarithmic axis cannot show: the line is broken there.
    bool Hidden(double v) const { return log_ && !(v > 0); }
    // The pixel unrounded, for outputs that take fractions.
    double Exact(double v) const {
        if (log_) v = v > 0 ? std::log10(v) : lo_ - 2.0 * PixelLimit / k_;
        const double f = (v - lo_) * k_;
        return f == f ? std::clamp(f, -2.0 * PixelLimit, 2.0 * PixelLimit) : 0.0;
    }
    int operator()(double v) const {
        if (log_) {
            if (!(v > 0)) return BreakPixel;
            v = std::log10(v);
        }
        const double f = (v - lo_) * k_;
        if (!(f == f)) return 0;
        // Rounds to nearest, ties to even, as nearbyint does, without a library call.
        constexpr double Magic = 6755399441055744.0; // 1.5 * 2^52
        const double c = std::clamp(f, -2.0 * PixelLimit, 2.0 * PixelLimit);
        return int((c + Magic) - Magic);
    }
    bool log_;
    double lo_, k_;
};

int Clamped(int v) {
    return std::clamp(v, -PixelLimit, PixelLimit);
}

bool IsBreak(const QPoint& p) {
    return p == PathBreak;
}
bool IsBreak(const QPointF& p) {
    return p.x() != p.x();
}
// A point relative to the origin at its place, kept to the pixel range.
QPoint Placed(const QPoint& rel, const QPoint& origin) {
    return QPoint(Clamped(rel.x() + origin.x()), Clamped(rel.y() + origin.y()));
}
QPointF Placed(const QPointF& rel, const QPoint& origin) {
    return QPointF(std::clamp(rel.x() + origin.x(), -1.0 * PixelLimit, 1.0 * PixelLimit),
                   std::clamp(rel.y() + origin.y(), -1.0 * PixelLimit, 1.0 * PixelLimit));
}

// A path drawn as polylines between its breaks, moved by origin.
template <typename P>
void DrawPieces(QPainter& p, const std::vector<P>& path, const QPoint& origin) {
    std::vector<P> piece;
    for (size_t k = 0; k <= path.size(); ++k) {
        if (k < path.size() && !IsBreak(path[k])) {
            piece.push_back(Placed(path[k], origin));
            continue;
        }
        if (piece.size() > 1) p.drawPolyline(piece.data(), int(piece.size()));
        piece.clear();
    }
}

// The picture of one symbol, stamped at every position on a raster target.
class SymbolStamp {
  public:
    SymbolStamp(int symbol, const QColor& c, double s) : half_(Round(3 * s) + 3) {
        image_ = QImage(2 * half_ + 1, 2 * half_ + 1, QImage::Format_ARGB32_Premultiplied);
        image_.fill(Qt::transparent);
        QPainter p(&image_);
        DrawPlotSymbol(p, half_, half_, symbol, c, s);
    }
    void Draw(QPainter& p, const QPoint& at) const {
        p.drawImage(at.x() - half_, at.y() - half_, image_);
    }
    const QImage& Image() const { return image_; }

  private:
    int half_;
    QImage image_;
};

bool RasterTarget(const QPainter& p) {
    const int t = p.device()->devType();
    return t == QInternal::Image || t == QInternal::Pixmap || t == QInternal::Widget;
}

// A picture's pixels written column run by column run, the topmost drawing first: a pixel
// once written is covered and never written again, so the work is bounded by the pixels.
// What is covered is kept as one bit a pixel, column by column, and looked at a word at a time.
class SpanWriter {
  public:
    SpanWriter(QImage& image, const QRect& clip)
        : clip_(clip.intersected(image.rect())), bits_(image.bits()), stride_(image.bytesPerLine()),
          words_((size_t(std::max(0, clip_.height())) + 63) / 64),
          covered_(size_t(std::max(0, clip_.width())) * words_),
          open_(size_t(std::max(0, clip_.width())), std::max(0, clip_.height())),
          notFull_(open_.size() + 1),
          uncovered_(int64_t(std::max(0, clip_.width())) * std::max(0, clip_.height())) {
        Refresh();
    }
    bool Full() const { return uncovered_ <= 0; }
    // Whether every pixel of the columns x0 to x1 is covered: first by the count of columns not
    // full when last refreshed (what was full then still is), then column by column.
    bool ColumnsFull(int x0, int x1) const {
        x0 = std::max(x0, clip_.left()) - clip_.left();
        x1 = std::min(x1, clip_.right()) - clip_.left();
        if (x0 > x1 || notFull_[size_t(x1) + 1] == notFull_[size_t(x0)]) return true;
        for (int c = x0; c <= x1; ++c)
            if (open_[size_t(c)] > 0) return false;
        return true;
    }
    void Refresh() {
        for (size_t c = 0; c < open_.size(); ++c)
            notFull_[c + 1] = notFull_[c] + (open_[c] > 0 ? 1 : 0);
    }
    // Writes what is not covered yet of column x from lo to hi, colourAt(y) giving each pixel.
    template <typename C> void Fill(int x, int lo, int hi, C colourAt) {
        if (x < clip_.left() || x > clip_.right()) return;
        lo = std::max(lo, clip_.top()) - clip_.top(),
        hi = std::min(hi, clip_.bottom()) - clip_.top();
        if (lo > hi) return;
        uint64_t* column = covered_.data() + size_t(x - clip_.left()) * words_;
        for (int w = lo >> 6; w <= hi >> 6; ++w) {
            const int from = std::max(lo, w * 64) - w * 64, to = std::min(hi, w * 64 + 63) - w * 64;
            const uint64_t mask = (~uint64_t(0) >> (63 - to + from)) << from;
            uint64_t fresh = mask & ~column[w];
            if (!fresh) continue;
            column[w] |= fresh;
            const int n = __builtin_popcountll(fresh);
            uncovered_ -= n;
            open_[size_t(x - clip_.left())] -= n;
            for (; fresh; fresh &= fresh - 1) {
                const int y = clip_.top() + w * 64 + __builtin_ctzll(fresh);
                reinterpret_cast<uint32_t*>(bits_ + ptrdiff_t(y) * stride_)[x] = colourAt(y);
            }
        }
    }

  private:
    QRect clip_;
    uchar* bits_;
    qsizetype stride_;
    size_t words_;
    std::vector<uint64_t> covered_;
    std::vector<int> open_;       // pixels not covered, per column
    std::vector<size_t> notFull_; // columns not full before each column, when last refreshed
    int64_t uncovered_;
};

// A symbol as runs of its opaque pixels per column, for writing into a picture.
class SymbolRuns {
  public:
    SymbolRuns(int symbol, const QColor& c, double s) {
        const SymbolStamp stamp(symbol, c, s);
        const QImage& im = stamp.Image();
        half_ = im.width() / 2;
        for (int x = 0; x < im.width(); ++x)
            for (int y = 0; y < im.height();) {
                if (qAlpha(im.pixel(x, y)) < 255) {
                    ++y;
                    continue;
                }
                Run r{x - half_, y - half_, y - half_, {}};
                for (; y < im.height() && qAlpha(im.pixel(x, y)) == 255; ++y)
                    r.Colours.push_back(im.pixel(x, y)), r.Hi = y - half_;
                runs_.push_back(std::move(r));
            }
    }
    // The columns of its first and last pixel, from its centre.
    int Left() const { return runs_.empty() ? 0 : runs_.front().Dx; }
    int Right() const { return runs_.empty() ? -1 : runs_.back().Dx; }
    void Write(SpanWriter& w, const QPoint& at) const {
        for (const Run& r : runs_) {
            const int base = at.y() + r.Lo;
            w.Fill(at.x() + r.Dx, base, at.y() + r.Hi,
                   [&](int y) { return r.Colours[size_t(y - base)]; });
        }
    }

  private:
    struct Run {
        int Dx, Lo, Hi;
        std::vector<QRgb> Colours;
    };
    std::vector<Run> runs_;
    int half_ = 0;
};

// The picture behind a painter whose pixels may be written directly, with the painter's shift.
QImage* WritableImage(const QPainter& p, QPoint& shift) {
    if (!p.device() || p.device()->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(p.device());
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::trunc(t.dx()) ||
        t.dy() != std::trunc(t.dy()))
        return nullptr;
    shift = QPoint(int(t.dx()), int(t.dy()));
    return image;
}

} // namespace

int SuperscriptPixelSize(int size) {
    return std::max(1, size <= 15 ? size - 2 : size * 2 / 3);
}

int SuperscriptRaise(int heightOf10, double s) {
    return heightOf10 * 3 / 8 - Round(s);
}

QColor PlotColour(int index) {
    static const QColor table[] = {{0, 0, 0},     {0, 0, 255},   {255, 0, 0},     {0, 128, 0},
                                   {128, 0, 128}, {128, 0, 0},   {255, 255, 0},   {0, 255, 0},
                                   {128, 128, 0}, {0, 255, 255}, {128, 128, 128}, {255, 0, 255},
                                   {0, 0, 128},   {0, 128, 128}, {192, 192, 192}, {255, 255, 0}};
    return index >= 0 && index < 16 ? table[index] : QColor(0, 0, 0);
}

void DrawPlotSymbol(QPainter& p, int x, int y, int symbol, const QColor& c, double s) {
    symbol = DrawnSymbol(symbol);
    if (symbol == 0) return;
    const int r = Round(3 * s);
    p.setPen(PlotPen(1, c, s));
    p.setBrush(symbol >= 8 && symbol <= 14 ? QBrush(c) : QBrush(Qt::white));
    const int shape = symbol >= 8 && symbol <= 14 ? symbol - 7 : symbol;
    auto polygon = [&](std::initializer_list<QPoint> pts) { p.drawPolygon(QPolygon(pts)); };
    switch (shape) {
    case 1:
        p.drawEllipse(QPoint(x, y), r, r);
        break;
    case 2:
        p.drawRect(QRect(QPoint(x - r, y - r), QPoint(x + r, y + r)));
        break;
    case 3:
        polygon({{x, y - r}, {x - r, y + r}, {x + r, y + r}});
        break;
    case 4:
        polygon({{x - r, y + r}, {x + r, y - r}, {x + r, y + r}, {x - r, y - r}});
        break;
    case 5:
        polygon({{x, y + r}, {x - r, y - r}, {x + r, y - r}});
        break;
    case 6:
        polygon({{x - r, y - r}, {x + r, y + r}, {x - r, y + r}, {x + r, y - r}});
        break;
    case 7:
        polygon({{x, y + r}, {x - r, y}, {x, y - r}, {x + r, y}});
        break;
    case 15:
        p.drawLine(x - r, y - r, x + r, y + r);
        p.drawLine(x - r, y + r, x + r, y - r);
        break;
    default:
        break;
    }
    p.setBrush(Qt::NoBrush);
}

AxisScale ScaleOf(const TPlotDef& d, int a) {
    AxisScale s;
    s.AxisMin = d.AxisMin[size_t(a)];
    s.AxisMax = d.AxisMax[size_t(a)];
    s.Ticks = d.Ticks[size_t(a)];
    s.MinorTicks = d.MinorTicks[size_t(a)];
    s.LogAxis = d.LogAxis[size_t(a)] != 0;
    s.NumStyle = d.NumStyle[size_t(a)];
    s.NumDigits = d.NumDigits[size_t(a)];
    return s;
}

// ---- Reduction ----

bool ReducedLine::Key::operator==(const Key& o) const {
    return Width == o.Width && Height == o.Height && Radius == o.Radius && XMin == o.XMin &&
           XMax == o.XMax && YMin == o.YMin && YMax == o.YMax && XLog == o.XLog && YLog == o.YLog &&
           Path == o.Path && Marks == o.Marks && Fine == o.Fine && XData == o.XData &&
           YData == o.YData && Points == o.Points;
}

ReducedLine::Key ReductionKey(const TPlotDef& def, const TPlotLine& line, int width, int height,
                              double s, bool fine) {
    ReducedLine::Key k;
    k.Width = width, k.Height = height, k.Radius = Round(3 * s);
    k.XMin = def.AxisMin[0], k.XMax = def.AxisMax[0], k.XLog = def.LogAxis[0] != 0;
    k.YMin = def.AxisMin[1], k.YMax = def.AxisMax[1], k.YLog = def.LogAxis[1] != 0;
    k.Path = line.LineStyle > 0;
    k.Marks = line.Symbol > 0;
    k.Fine = fine;
    k.XData = line.XValues.data(), k.YData = line.YValues.data();
    k.Points = size_t(
        std::max(0, std::min({line.NPoints, int(line.XValues.size()), int(line.YValues.size())})));
    return k;
}

namespace {

// Collects the path: within one pixel column only the first, lowest, highest and last point
// matter, as every segment between them is vertical.
class PathReducer {
  public:
    // at, when given, gets the index of each point put into the path (NoPoint at a break):
    // a point on the same pixel as the one before is left out, less than a pixel away.
    explicit PathReducer(std::vector<QPoint>& out, std::vector<size_t>* at = nullptr)
        : out_(out), at_(at) {}
    void Break() {
        Flush();
        if (out_.empty() || out_.back() == PathBreak) return;
        out_.push_back(PathBreak);
        if (at_) at_->push_back(NoPoint);
    }
    void Add(int x, int y, size_t k) {
        if (!open_ || x != x_) {
            Flush();
            open_ = true;
            x_ = x;
            first_ = lo_ = hi_ = last_ = y;
            firstAt_ = loAt_ = hiAt_ = lastAt_ = k;
            return;
        }
        if (y < lo_) lo_ = y, loAt_ = k;
        if (y > hi_) hi_ = y, hiAt_ = k;
        last_ = y, lastAt_ = k;
    }
    void Flush() {
        if (!open_) return;
        Put(first_, firstAt_);
        if (loAt_ <= hiAt_)
            Put(lo_, loAt_), Put(hi_, hiAt_);
        else
            Put(hi_, hiAt_), Put(lo_, loAt_);
        Put(last_, lastAt_);
        open_ = false;
    }
    static constexpr size_t NoPoint = size_t(-1);

  private:
    void Put(int y, size_t k) {
        const QPoint pt(x_, y);
        if (!out_.empty() && out_.back() == pt) return;
        out_.push_back(pt);
        if (at_) at_->push_back(k);
    }
    std::vector<QPoint>& out_;
    std::vector<size_t>* at_;
    bool open_ = false;
    int x_ = 0, first_ = 0, lo_ = 0, hi_ = 0, last_ = 0;
    size_t firstAt_ = 0, loAt_ = 0, hiAt_ = 0, lastAt_ = 0;
};

// The points of a path at their own places, unrounded; a break is a point of no number.
std::vector<QPointF> FinePath(const TPlotLine& line, const std::vector<size_t>& at,
                              const AxisMap& mx, const AxisMap& my) {
    std::vector<QPointF> fine;
    fine.reserve(at.size());
    const double none = std::numeric_limits<double>::quiet_NaN();
    for (size_t k : at)
        fine.push_back(k == PathReducer::NoPoint ? QPointF(none, none)
                                                 : QPointF(mx.Exact(Real48Value(line.XValues[k])),
                                                           my.Exact(Real48Value(line.YValues[k]))));
    return fine;
}

// Each visible symbol position once, in the order of its last drawing: the points are walked
// from the last one back, and a position seen once is not taken again. points gets the index
// of the point drawn at each.
std::vector<QPoint> UniqueMarks(const int* px, const Real48Bytes* ys, size_t from, size_t to,
                                const AxisMap& my, int width, int height, int r,
                                std::vector<size_t>& points) {
    const int x0 = std::min(0, width) - r, x1 = std::max(0, width) + r;
    const int y0 = std::min(0, height) - r, y1 = std::max(0, height) + r;
    const size_t w = size_t(x1 - x0 + 1), h = size_t(y1 - y0 + 1);
    std::vector<bool> seen(w * h);
    std::vector<QPoint> marks;
    for (size_t k = to; k-- > from;) {
        const int x = px[k];
        if (x < x0 || x > x1) continue;
        const int y = my(Real48Value(ys[k]));
        if (y < y0 || y > y1) continue;
        const size_t at = size_t(y - y0) * w + size_t(x - x0);
        if (seen[at]) continue;
        seen[at] = true;
        marks.emplace_back(x, y);
        points.push_back(k);
    }
    std::reverse(marks.begin(), marks.end());
    std::reverse(points.begin(), points.end());
    return marks;
}

// The path on a linear Y axis: of each run of points in one pixel column only the first, the
// lowest, the highest and the last value are mapped to pixels.
void ReduceRuns(const int* px, const Real48Bytes* ys, size_t from, size_t to, const AxisMap& my,
                PathReducer& path) {
    for (size_t k = from; k < to;) {
        const int x = px[k];
        if (x == BreakPixel) {
            path.Break();
            ++k;
            continue;
        }
        const double first = Real48Value(ys[k]);
        double lo = first, hi = first, last = first;
        size_t loAt = k, hiAt = k, e = k + 1;
        for (; e < to && px[e] == x; ++e) {
            last = Real48Value(ys[e]);
            if (last < lo) lo = last, loAt = e;
            if (last > hi) hi = last, hiAt = e;
        }
        path.Add(x, my(first), k);
        if (loAt <= hiAt)
            path.Add(x, my(lo), loAt), path.Add(x, my(hi), hiAt);
        else
            path.Add(x, my(hi), hiAt), path.Add(x, my(lo), loAt);
        path.Add(x, my(last), e - 1);
        k = e;
    }
}

// The path point by point, where a point may be left out (at or below zero on a logarithmic
// Y axis).
void ReducePoints(const int* px, const Real48Bytes* ys, size_t from, size_t to, const AxisMap& my,
                  PathReducer& path) {
    for (size_t k = from; k < to; ++k) {
        const int x = px[k], y = my(Real48Value(ys[k]));
        if (x == BreakPixel || y == BreakPixel)
            path.Break();
        else
            path.Add(x, y, k);
    }
}

} // namespace

namespace {

// The part of the join from a to b that lies in column c: from where the segment enters the
// column to where it leaves it, no further than its ends.
ColumnSpan JoinPart(const QPoint& a, const QPoint& b, int c) {
    const double k = double(b.y() - a.y()) / double(b.x() - a.x());
    auto yAt = [&](double x) {
        const double t =
            std::clamp(x, double(std::min(a.x(), b.x())), double(std::max(a.x(), b.x())));
        return a.y() + (t - a.x()) * k;
    };
    const int y0 = Round(yAt(c - 0.5)), y1 = Round(yAt(c + 0.5));
    return {c, std::min(y0, y1), std::max(y0, y1)};
}

void AddJoin(std::vector<ColumnSpan>& out, const QPoint& a, const QPoint& b, int x0, int x1) {
    const int from = std::max(std::min(a.x(), b.x()), x0),
              to = std::min(std::max(a.x(), b.x()), x1);
    for (int c = from; c <= to; ++c)
        out.push_back(JoinPart(a, b, c));
}

} // namespace

std::vector<ColumnSpan> PathSpans(const std::vector<QPoint>& path, int width) {
    const int x0 = std::min(0, width), x1 = std::max(0, width);
    std::vector<ColumnSpan> out;
    for (size_t k = 0; k < path.size();) {
        if (path[k] == PathBreak) {
            ++k;
            continue;
        }
        const int x = path[k].x();
        size_t e = k;
        int lo = path[k].y(), hi = lo;
        while (e + 1 < path.size() && path[e + 1].x() == x) {
            ++e;
            lo = std::min(lo, path[e].y()), hi = std::max(hi, path[e].y());
        }
        if (k > 0 && path[k - 1] != PathBreak) AddJoin(out, path[k - 1], path[k], x0, x1);
        if (x >= x0 && x <= x1) out.push_back({x, lo, hi});
        k = e + 1;
    }
    return out;
}

std::vector<int> XPixels(const TPlotLine& line, size_t points, const AxisScale& x, int width) {
    const AxisMap mx(x, width);
    std::vector<int> px(points);
    for (size_t k = 0; k < points; ++k)
        px[k] = mx(Real48Value(line.XValues[k]));
    return px;
}

namespace {
// The points that can show: with X pixels in order, those over the frame and one more on
// either side (the segments into the frame); otherwise all of them.
std::pair<size_t, size_t> ShownPoints(const int* px, size_t n, int width, int r) {
    if (!px || width <= 0 || !std::is_sorted(px, px + n)) return {0, n};
    const size_t first = size_t(std::lower_bound(px, px + n, -r) - px);
    const size_t last = size_t(std::upper_bound(px, px + n, width + r) - px);
    return {first > 0 ? first - 1 : 0, std::min(n, last + 1)};
}
} // namespace

ReducedLine ReduceLine(const TPlotLine& line, const ReducedLine::Key& key, const AxisScale& x,
                       const AxisScale& y, const int* xPixels) {
    ReducedLine r;
    r.For = key;
    std::vector<int> own;
    if (!xPixels) own = XPixels(line, key.Points, x, key.Width), xPixels = own.data();
    const AxisMap mx(x, key.Width), my(y, key.Height);
    const Real48Bytes* ys = line.YValues.data();
    const auto [from, to] = ShownPoints(xPixels, key.Points, key.Width, key.Radius);
    std::vector<size_t> at;
    if (key.Path) {
        PathReducer path(r.Path, key.Fine ? &at : nullptr);
        if (my.log_)
            ReducePoints(xPixels, ys, from, to, my, path);
        else
            ReduceRuns(xPixels, ys, from, to, my, path);
        path.Flush();
        if (key.Fine)
            r.FinePath = FinePath(line, at, mx, my);
        else
            r.Spans = PathSpans(r.Path, key.Width);
    }
    if (key.Marks) {
        at.clear();
        r.Marks = UniqueMarks(xPixels, ys, from, to, my, key.Width, key.Height, key.Radius, at);
        if (key.Fine) r.FineMarks = FinePath(line, at, mx, my);
    }
    return r;
}

const ReducedLine& TPlotCache::Line(const TPlotDef& def, int i, int width, int height, double s,
                                    bool fine) {
    Prepare(def, width, height, s, fine);
    return lines_[size_t(i - 1)];
}

namespace {
// Runs job(0 .. n-1) on two threads when there is more than one core and a thread to be had.
template <typename F> void OnCores(size_t n, F job) {
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k; (k = next++) < n;)
            job(k);
    };
    std::thread second;
    if (n > 1 && std::thread::hardware_concurrency() > 1) try {
            second = std::thread(work);
        } catch (const std::system_error&) { // one thread it is
        }
    work();
    if (second.joinable()) second.join();
}
} // namespace

// Works out the lines whose reductions no longer fit, the X pixels once per X column.
void TPlotCache::Prepare(const TPlotDef& def, int width, int height, double s, bool fine) {
    const int n = std::min(def.NLines, MaxPlotLines);
    if (lines_.size() < size_t(n)) lines_.resize(size_t(n));
    std::vector<int> stale;
    std::vector<ReducedLine::Key> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        keys[size_t(i)] = ReductionKey(def, def.Lines[size_t(i)], width, height, s, fine);
        if (!(lines_[size_t(i)].For == keys[size_t(i)])) stale.push_back(i);
    }
    if (stale.empty()) return;
    const AxisScale xs = ScaleOf(def, 0), ys = ScaleOf(def, 1);
    // One X column serves many lines: its pixels are worked out once.
    struct XColumn {
        const TPlotLine* Line;
        std::vector<int> Pixels;
    };
    std::map<std::pair<const Real48Bytes*, size_t>, XColumn> xPixels;
    for (int i : stale)
        xPixels.insert(
            {{keys[size_t(i)].XData, keys[size_t(i)].Points}, {&def.Lines[size_t(i)], {}}});
    std::vector<std::pair<const std::pair<const Real48Bytes*, size_t>, XColumn>*> columns;
    for (auto& e : xPixels)
        columns.push_back(&e);
    OnCores(columns.size(), [&](size_t t) {
        columns[t]->second.Pixels =
            XPixels(*columns[t]->second.Line, columns[t]->first.second, xs, width);
    });
    OnCores(stale.size(), [&](size_t k) {
        const int i = stale[k];
        const ReducedLine::Key& key = keys[size_t(i)];
        const auto x = xPixels.find({key.XData, key.Points});
        lines_[size_t(i)] = ReduceLine(def.Lines[size_t(i)], key, xs, ys, x->second.Pixels.data());
    });
    for (int i : stale)
        work_ += keys[size_t(i)].Points;
}

bool TPlotCache::Pending(const TPlotDef& def, int width, int height, double s, bool fine) const {
    for (int i = 1; i <= std::min(def.NLines, MaxPlotLines); ++i) {
        const TPlotLine& line = def.Lines[size_t(i - 1)];
        if (lines_.size() < size_t(i) ||
            !(lines_[size_t(i - 1)].For == ReductionKey(def, line, width, height, s, fine)))
            return true;
    }
    return false;
}

// ---- Drawing ----

TPlotPainter::TPlotPainter(QPainter& p, const TPlotDef& def, const PlotFrame& f, double s,
                           bool printing)
    : p_(p), def_(def), left_(f.Left), right_(f.Right), bottom_(f.Bottom), top_(f.Top), s_(s),
      printing_(printing) {}

void TPlotPainter::Draw() {
    WidestYLabel = 0;
    Labels.clear();
    const QRect frame = QRect(QPoint(left_, top_), QPoint(right_, bottom_));
    p_.fillRect(frame, Qt::white);
    Extent = frame;
    const int n = std::min(def_.NLines, MaxPlotLines);
    if (n >= 1) DrawXAxis(), DrawYAxis(), DrawTitles();
    for (int i = 1; i <= n;) {
        int j = i;
        while (j <= n && Writable(j))
            ++j;
        if (j > i) {
            WriteLines(i, j - 1);
            i = j;
        } else {
            DrawLine(i++);
        }
    }
    if (n < 1) DrawXAxis(), DrawYAxis();
    DrawFrameOutline();
    if (def_.ShowLegend) DrawLegend();
}

void TPlotPainter::DrawXAxis() {
    const AxisScale xs = ScaleOf(def_, 0);
    p_.setFont(SlotFont(s_));
    const int L = Round(4 * s_), m = Round(3 * s_);
    const int h = Round(1.5 * p_.fontMetrics().height());
    bool first = true;
    int endMarker = 0, lastEnd = 0, prev = 0;
    const std::vector<AxisTick> ticks = MajorTicks(xs, left_, right_ - left_);
    for (size_t k = 0; k < ticks.size(); ++k) {
        const AxisTick& t = ticks[k];
        if (t.Labelled) {
            const int w = LabelWidth(p_, t.Label);
            // A plain label is left out when the previous one's end marker lies past its
            // tick, one in exponent form when it starts less than half its width past it; and
            // none overprints the one before.
            const int start = t.Pixel - w / 2;
            const bool exponent = !SplitLabel(t.Label).Base.empty();
            const bool clear = exponent ? start - endMarker >= w / 2 : endMarker <= t.Pixel;
            if (first || (clear && start > lastEnd)) {
                const int baseline = bottom_ + h - p_.fontMetrics().descent();
                p_.setPen(Qt::black);
                DrawLabel(p_, t.Label, start, baseline, s_);
                Labels.push_back(LabelRect(p_, start, baseline, w));
                endMarker = exponent ? start + w : t.Pixel + w;
                lastEnd = start + w;
                Grow(QPoint(start + w, bottom_ + h));
                first = false;
            }
        }
        if (def_.Grid[0] && t.Pixel > left_ && t.Pixel < right_) {
            p_.setPen(PlotPen(6, PlotColour(GridColour), s_));
            p_.drawLine(t.Pixel, top_, t.Pixel, bottom_ - 1);
        } else if (!def_.Grid[0]) {
            p_.setPen(PlotPen(1, PlotColour(AxisColour), s_));
            p_.drawLine(t.Pixel, bottom_, t.Pixel, bottom_ - L);
            p_.drawLine(t.Pixel, top_, t.Pixel, top_ + L);
        }
        p_.setPen(PlotPen(1, PlotColour(AxisColour), s_));
        if (k > 0 && !xs.LogAxis)
            for (int x : MinorTickPixels(prev, t.Pixel, xs.MinorTicks)) {
                p_.drawLine(x, bottom_, x, bottom_ - m);
                p_.drawLine(x, top_, x, top_ + m);
            }
        prev = t.Pixel;
    }
}

void TPlotPainter::DrawYAxis() {
    const AxisScale ys = ScaleOf(def_, 1);
    p_.setFont(SlotFont(s_));
    const int L = Round(4 * s_), m = Round(3 * s_);
    int lastY = -100, prev = 0;
    // The lowest Y label stays clear of the X labels below the frame.
    const int xLabelsTop = Labels.empty() ? bottom_ + PixelLimit : Labels.front().top();
    const std::vector<AxisTick> ticks = MajorTicks(ys, bottom_, top_ - bottom_);
    for (size_t k = 0; k < ticks.size(); ++k) {
        const AxisTick& t = ticks[k];
        if (t.Labelled && std::abs(t.Pixel - lastY) > 10) {
            const int w = LabelWidth(p_, t.Label);
            const int x = left_ - Round(3 * s_) - w;
            const QFontMetrics fm = p_.fontMetrics();
            const int baseline =
                std::min(Round(t.Pixel - s_) + fm.ascent() / 2, xLabelsTop - 1 - fm.descent());
            p_.setPen(Qt::black);
            DrawLabel(p_, t.Label, x, baseline, s_);
            Labels.push_back(LabelRect(p_, x, baseline, w));
            WidestYLabel = std::max(WidestYLabel, w);
            Grow(QPoint(x, t.Pixel));
            lastY = t.Pixel;
        }
        const bool inside = t.Pixel < bottom_ && t.Pixel > top_;
        if (def_.Grid[1] && inside) {
            p_.setPen(PlotPen(6, PlotColour(GridColour), s_));
            p_.drawLine(right_ - 1, t.Pixel, left_ + 1, t.Pixel);
        } else if (!def_.Grid[1]) {
            p_.setPen(PlotPen(1, PlotColour(AxisColour), s_));
            p_.drawLine(left_, t.Pixel, left_ + L, t.Pixel);
            p_.drawLine(right_, t.Pixel, right_ - L, t.Pixel);
        }
        p_.setPen(PlotPen(1, PlotColour(AxisColour), s_));
        if (k > 0 && !ys.LogAxis)
            for (int y : MinorTickPixels(prev, t.Pixel, ys.MinorTicks)) {
                p_.drawLine(left_, y, left_ + m, y);
                p_.drawLine(right_, y, right_ - m, y);
            }
        prev = t.Pixel;
    }
}

void TPlotPainter::DrawTitles() {
    p_.setFont(SlotFont(s_, true, 2));
    p_.setPen(Qt::black);
    const QFontMetrics fm = p_.fontMetrics();
    const QString x = ToQ(def_.AxisTitle[0]), y = ToQ(def_.AxisTitle[1]);
    const int top = bottom_ + Round(2 * QFontMetrics(SlotFont(s_)).height());
    p_.drawText((left_ + right_ - fm.horizontalAdvance(x)) / 2, top + fm.ascent(), x);
    Grow(QPoint((left_ + right_ + fm.horizontalAdvance(x)) / 2, top + fm.height()));
    const int yx = left_ - WidestYLabel - Round(30 * s_);
    p_.save();
    p_.translate(yx, (bottom_ + top_ + fm.horizontalAdvance(y)) / 2);
    p_.rotate(-90);
    p_.drawText(0, fm.ascent(), y);
    p_.restore();
    Grow(QPoint(yx, top_));
}

void TPlotPainter::DrawLine(int i) {
    const TPlotLine& line = def_.Lines[size_t(i - 1)];
    const QColor colour = PlotColour(line.Colour);
    p_.save();
    p_.setClipRect(QRect(QPoint(left_, top_), QPoint(right_, bottom_)).normalized(),
                   Qt::IntersectClip);
    if (everyPoint_)
        DrawPoints(line, colour);
    else
        DrawReduced(i, line, colour);
    p_.restore();
}

// Every point as it stands: the reference the reduced drawing is measured against.
void TPlotPainter::DrawPoints(const TPlotLine& line, const QColor& colour) {
    const AxisScale xs = ScaleOf(def_, 0), ys = ScaleOf(def_, 1);
    const AxisMap hx(xs, 1), hy(ys, 1);
    const int n = std::min({line.NPoints, int(line.XValues.size()), int(line.YValues.size())});
    std::vector<QPoint> points;
    p_.setPen(PlotPen(StylePenKind(line.LineStyle), colour, s_));
    auto flush = [&] {
        if (line.LineStyle > 0 && points.size() > 1)
            p_.drawPolyline(points.data(), int(points.size()));
        if (line.Symbol > 0)
            for (const QPoint& pt : points)
                DrawPlotSymbol(p_, pt.x(), pt.y(), line.Symbol, colour, s_);
        points.clear();
        p_.setPen(PlotPen(StylePenKind(line.LineStyle), colour, s_));
    };
    for (int k = 0; k < n; ++k) {
        const Extended x = DecodeReal48(line.XValues[size_t(k)]);
        const Extended y = DecodeReal48(line.YValues[size_t(k)]);
        if (hx.Hidden(double(x)) || hy.Hidden(double(y))) {
            flush();
            continue;
        }
        points.emplace_back(ValueToPixel(xs, x, left_, right_ - left_),
                            ValueToPixel(ys, y, bottom_, top_ - bottom_));
    }
    flush();
}

const ReducedLine& TPlotPainter::Reduced(int i) {
    const int width = right_ - left_, height = top_ - bottom_;
    // Paper and vector pictures take the lines at their own places, not at whole pixels.
    const bool fine = !RasterTarget(p_);
    if (cache_) return cache_->Line(def_, i, width, height, s_, fine);
    if (own_.empty()) {
        TPlotCache work;
        work.Prepare(def_, width, height, s_, fine);
        for (int k = 1; k <= std::min(def_.NLines, MaxPlotLines); ++k)
            own_.push_back(work.Line(def_, k, width, height, s_, fine));
    }
    return own_[size_t(i - 1)];
}

bool TPlotPainter::Writable(int i) const {
    QPoint shift;
    const int style = def_.Lines[size_t(i - 1)].LineStyle;
    return !everyPoint_ && !paintOnly_ && (style == 0 || style == 1 || style == 2) &&
           WritableImage(p_, shift);
}

void TPlotPainter::WriteLines(int from, int to) {
    QPoint shift;
    QImage* image = WritableImage(p_, shift);
    const QRect frame = QRect(QPoint(left_, top_), QPoint(right_, bottom_)).normalized();
    SpanWriter w(*image, frame.translated(shift));
    const QPoint origin = QPoint(left_, bottom_) + shift;
    for (int i = to; i >= from && !w.Full(); --i) {
        const TPlotLine& line = def_.Lines[size_t(i - 1)];
        const ReducedLine& r = Reduced(i);
        const QRgb colour = PlotColour(line.Colour).rgba();
        if (line.Symbol > 0 && !r.Marks.empty()) {
            const SymbolRuns stamp(line.Symbol, PlotColour(line.Colour), s_);
            w.Refresh();
            // Symbols of one column come one after the other: while nothing is written, the
            // columns full under one of them are full under the next.
            int fullAt = INT_MIN;
            for (auto m = r.Marks.rbegin(); m != r.Marks.rend(); ++m) {
                const QPoint at = *m + origin;
                if (at.x() == fullAt) continue;
                if (w.ColumnsFull(at.x() + stamp.Left(), at.x() + stamp.Right())) {
                    fullAt = at.x();
                    continue;
                }
                stamp.Write(w, at);
            }
        }
        if (line.LineStyle <= 0) continue;
        const int pen = PlotPen(StylePenKind(line.LineStyle), Qt::black, s_).width();
        const int before = (pen - 1) / 2, after = pen / 2;
        for (const ColumnSpan& c : r.Spans)
            for (int x = c.X - before; x <= c.X + after; ++x)
                w.Fill(x + origin.x(), c.Lo + origin.y() - before, c.Hi + origin.y() + after,
                       [colour](int) { return colour; });
    }
}

void TPlotPainter::DrawReduced(int i, const TPlotLine& line, const QColor& colour) {
    const ReducedLine* r = &Reduced(i);
    const QPoint origin(left_, bottom_);
    if (line.LineStyle > 0) {
        p_.setPen(PlotPen(StylePenKind(line.LineStyle), colour, s_));
        if (r->For.Fine)
            DrawPieces(p_, r->FinePath, origin);
        else
            DrawPieces(p_, r->Path, origin);
    }
    if (line.Symbol <= 0 || r->Marks.empty()) return;
    if (r->For.Fine) {
        // Each symbol as drawn at its whole pixel, moved by the fraction.
        for (const QPointF& rel : r->FineMarks) {
            const QPointF at = Placed(rel, origin);
            const QPoint whole = at.toPoint();
            p_.translate(at - whole);
            DrawPlotSymbol(p_, whole.x(), whole.y(), line.Symbol, colour, s_);
            p_.translate(whole - at);
        }
    } else {
        const SymbolStamp stamp(line.Symbol, colour, s_);
        for (const QPoint& rel : r->Marks)
            stamp.Draw(p_, Placed(rel, origin));
    }
}

void TPlotPainter::DrawFrameOutline() {
    p_.setPen(PlotPen(1, PlotColour(AxisColour), s_));
    p_.drawLine(left_, bottom_, right_, bottom_);
    p_.drawLine(right_, bottom_, right_, top_);
    p_.drawLine(left_, bottom_, left_, top_);
    p_.drawLine(left_, top_, right_, top_);
}

std::string LegendText(const TPlotDef& def, int i) {
    const int n = std::min(def.NLines, MaxPlotLines);
    std::set<std::string> files;
    for (int k = 0; k < n; ++k)
        if (!def.Lines[size_t(k)].SourceFile.empty()) files.insert(def.Lines[size_t(k)].SourceFile);
    const TPlotLine& line = def.Lines[size_t(i - 1)];
    const std::string& name = line.Legend.empty() ? line.ColName[1] : line.Legend;
    if (files.size() < 2 || line.SourceFile.empty()) return name;
    return name + " (" + ExtractFileName(line.SourceFile) + ")";
}

namespace {
QFont LegendFont(int size, double s) {
    return SlotFont(s, true, size - FontSize);
}
} // namespace

LegendLayout LayOutLegend(const TPlotDef& def, const PlotFrame& f, double s, int size) {
    LegendLayout l;
    l.FontSize = size;
    const QFontMetrics fm(LegendFont(size, s));
    const int n = std::min(def.NLines, MaxPlotLines);
    l.Step = std::max(Round(20 * s), fm.height() + Round(2 * s));
    const int top = std::min(f.Top, f.Bottom), height = std::abs(f.Bottom - f.Top);
    const int rows = std::max(1, (height - Round(6 * s)) / l.Step);
    const int pad = Round(6 * s), sample = Round(25 * s), gap = Round(10 * s);
    int x = std::max(f.Left, f.Right) + Round(10 * s) + pad;
    for (int first = 0; first < n; first += rows) {
        int widest = 0;
        for (int i = first; i < std::min(n, first + rows); ++i)
            widest = std::max(widest, fm.horizontalAdvance(ToQ(LegendText(def, i + 1))));
        for (int i = first; i < std::min(n, first + rows); ++i)
            l.Entries.emplace_back(x, top + pad + (i - first) * l.Step, sample + widest, l.Step);
        x += sample + widest + gap;
    }
    const int used = std::min(n, rows);
    l.Box = QRect(QPoint(std::max(f.Left, f.Right) + Round(10 * s), top),
                  QPoint(x - gap + pad, top + 2 * pad + used * l.Step));
    return l;
}

int LegendFontFor(const TPlotDef& def, const PlotFrame& frame, int room) {
    int size = LegendFontSize;
    while (size > SmallestLegendFontSize && LayOutLegend(def, frame, 1.0, size).Box.right() > room)
        --size;
    return size;
}

QRect LegendExtent(const TPlotDef& def, const PlotFrame& frame, int room) {
    return LayOutLegend(def, frame, 1.0, LegendFontFor(def, frame, room)).Box;
}

// The legend box and its entries: for each line its symbol and a piece of its line, then its
// name, in its colour.
void TPlotPainter::DrawLegend() {
    const PlotFrame f{left_, top_, right_, bottom_};
    const LegendLayout l = LayOutLegend(def_, f, s_, legendFont_);
    p_.setFont(LegendFont(l.FontSize, s_));
    if (!printing_) {
        p_.setPen(PlotPen(1, Qt::black, s_));
        p_.setBrush(Qt::white);
        p_.drawRect(l.Box);
        p_.setBrush(Qt::NoBrush);
    }
    Grow(l.Box.bottomRight());
    const QFontMetrics fm = p_.fontMetrics();
    for (size_t i = 0; i < l.Entries.size(); ++i) {
        const TPlotLine& line = def_.Lines[i];
        const QRect& e = l.Entries[i];
        const int x0 = e.left() + Round(10 * s_), y0 = e.top() + e.height() / 2;
        const QColor c = PlotColour(line.Colour);
        p_.setPen(line.LineStyle > 0 ? PlotPen(StylePenKind(line.LineStyle), c, s_)
                                     : PlotPen(1, c, s_));
        p_.drawLine(x0 - Round(6 * s_), y0, x0 + Round(6 * s_), y0);
        DrawPlotSymbol(p_, x0, y0, line.Symbol, c, s_);
        p_.setPen(c);
        p_.drawText(e.left() + Round(25 * s_), y0 + (fm.ascent() - fm.descent()) / 2,
                    ToQ(LegendText(def_, int(i) + 1)));
        Grow(e.bottomRight());
    }
}

PlotLayout FitPlot(const PlotFrame& f, const QSize& client, const QSize& target) {
    PlotLayout l;
    const double sx = double(target.width()) / std::max(1, client.width());
    const double sy = double(target.height()) / std::max(1, client.height());
    l.Scale = std::min(sx, sy);
    const double dx = (target.width() - client.width() * l.Scale) / 2;
    const double dy = (target.height() - client.height() * l.Scale) / 2;
    auto mx = [&](int x) { return Round(x * l.Scale + dx); };
    auto my = [&](int y) { return Round(y * l.Scale + dy); };
    l.Frame = {mx(f.Left), my(f.Top), mx(f.Right), my(f.Bottom)};
    return l;
}

void ShareEqualXValues(TPlotDef& def) {
    for (int i = 1; i < std::min(def.NLines, MaxPlotLines); ++i) {
        PlotValues& x = def.Lines[size_t(i)].XValues;
        for (int k = 0; k < i; ++k) {
            const PlotValues& before = def.Lines[size_t(k)].XValues;
            if (before.Source() == x.Source()) break;
            if (before.size() == x.size() && !x.empty() &&
                std::memcmp(before.data(), x.data(), 6 * x.size()) == 0) {
                x = before;
                break;
            }
        }
    }
}

} // namespace kolshell
