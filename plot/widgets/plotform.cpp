#include "plot/widgets/plotform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "plot/axis.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <cmath>

std::function<void(TPlotForm*)> TPlotForm::ModifyRequested;

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

} // namespace

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

namespace {

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

// A label as set: plain, or mantissa "x" 10 with a raised exponent. Returns its width; the
// text is placed with its left end at x and its baseline at y.
int LabelWidth(QPainter& p, const std::string& label) {
    const LabelParts parts = SplitLabel(label);
    if (parts.Base.empty()) return p.fontMetrics().horizontalAdvance(ToQ(label));
    QFont small = p.font();
    small.setPixelSize(std::max(1, small.pixelSize() * 2 / 3));
    return p.fontMetrics().horizontalAdvance(
               ToQ(parts.Mantissa + (parts.Times ? "x" : "") + parts.Base)) +
           QFontMetrics(small).horizontalAdvance(ToQ(parts.Exponent));
}

void DrawLabel(QPainter& p, const std::string& label, int x, int baseline) {
    const LabelParts parts = SplitLabel(label);
    if (parts.Base.empty()) {
        p.drawText(x, baseline, ToQ(label));
        return;
    }
    const QString head = ToQ(parts.Mantissa + (parts.Times ? "x" : "") + parts.Base);
    p.drawText(x, baseline, head);
    const QFont normal = p.font();
    QFont small = normal;
    small.setPixelSize(std::max(1, normal.pixelSize() * 2 / 3));
    p.setFont(small);
    p.drawText(x + QFontMetrics(normal).horizontalAdvance(head),
               baseline - QFontMetrics(normal).ascent() / 2, ToQ(parts.Exponent));
    p.setFont(normal);
}

} // namespace

QColor PlotColour(int index) {
    static const QColor table[] = {{0, 0, 0},     {0, 0, 255},   {255, 0, 0},     {0, 128, 0},
                                   {128, 0, 128}, {128, 0, 0},   {255, 255, 0},   {0, 255, 0},
                                   {128, 128, 0}, {0, 255, 255}, {128, 128, 128}, {255, 0, 255},
                                   {0, 0, 128},   {0, 128, 128}, {192, 192, 192}, {255, 255, 0}};
    return index >= 0 && index < 16 ? table[index] : QColor(0, 0, 0);
}

// The drawing surface: paints the plot and passes the mouse to the window.
class TPlotCanvas : public QWidget {
  public:
    explicit TPlotCanvas(TPlotForm* form) : form_(form) {
        setObjectName("PlotCanvas");
        setMouseTracking(true);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
    }
    QRect Drag;
    bool Dragging = false;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        form_->DisplayPlot(p, 1.0, false);
        if (Dragging) {
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(Drag.normalized());
        }
    }
    void mousePressEvent(QMouseEvent* e) override { form_->MouseDown(e->pos()); }
    void mouseMoveEvent(QMouseEvent* e) override { form_->MouseMove(e->pos()); }
    void mouseReleaseEvent(QMouseEvent* e) override { form_->MouseUp(e->pos()); }
    void mouseDoubleClickEvent(QMouseEvent*) override { form_->DoubleClick(); }

  private:
    TPlotForm* form_;
};

TPlotForm::TPlotForm(QWidget* parent) : TChildForm(wkPlot, parent) {
    scroll_ = new QScrollArea(this);
    canvas_ = new TPlotCanvas(this);
    canvas_->resize(480, 300);
    scroll_->setWidget(canvas_);
    setWidget(scroll_);
    resize(500, 340);
}

bool TPlotForm::OpenPlot(const std::string& fileName) {
    std::string caption, error;
    TPlotDef def;
    if (!OpenPlotFile(fileName, caption, def, error)) {
        ShowMsg(error, mkError, true);
        return false;
    }
    fileName_ = fileName;
    SetPlot(caption, def);
    return true;
}

void TPlotForm::SetPlot(const std::string& caption, const TPlotDef& def) {
    caption_ = caption;
    def_ = def;
    setWindowTitle(ToQ(caption));
    canvas_->update();
}

bool TPlotForm::SaveDocument(const std::string& name) {
    if (!SavePlotFile(name, caption_, def_)) {
        ShowMsg("File " + name + " could not be written.", mkError, true);
        return false;
    }
    fileName_ = name;
    return true;
}

void TPlotForm::SetFrame(int left, int top, int right, int bottom) {
    left_ = left, top_ = top, right_ = right, bottom_ = bottom;
    canvas_->update();
}

void TPlotForm::Grow(const QPoint& at, bool printing) {
    if (!printing) extent_ = extent_.united(QRect(at, QSize(1, 1)));
}

void TPlotForm::DisplayPlot(QPainter& p, double s, bool printing) {
    widestYLabel_ = 0;
    p.fillRect(Frame(), Qt::white);
    if (!printing) extent_ = Frame();
    for (int i = 1; i <= std::min(def_.NLines, MaxPlotLines); ++i)
        DrawLine(p, i, s, printing);
    if (def_.NLines < 1) DrawXAxis(p, s), DrawYAxis(p, s);
    if (def_.ShowLegend) DrawLegend(p, s, printing);
    if (!printing) {
        const QSize need(extent_.right() + 50, extent_.bottom() + 50);
        if (canvas_->size() != need.expandedTo(scroll_->viewport()->size()))
            canvas_->resize(need.expandedTo(scroll_->viewport()->size()));
    }
}

void TPlotForm::DrawXAxis(QPainter& p, double s) {
    const AxisScale xs = ScaleOf(def_, 0);
    p.setFont(SlotFont(s));
    const int L = Round(4 * s), m = Round(3 * s);
    const int h = Round(1.5 * p.fontMetrics().height());
    bool first = true;
    int endMarker = 0, prev = 0;
    const std::vector<AxisTick> ticks = MajorTicks(xs, left_, right_ - left_);
    for (size_t k = 0; k < ticks.size(); ++k) {
        const AxisTick& t = ticks[k];
        if (t.Labelled) {
            const int w = LabelWidth(p, t.Label);
            const bool exponent = !SplitLabel(t.Label).Base.empty();
            const int start = t.Pixel - w / 2;
            const bool fits = exponent ? start - endMarker >= w / 2 : endMarker <= t.Pixel;
            if (first || fits) {
                p.setPen(Qt::black);
                DrawLabel(p, t.Label, start, bottom_ + h - p.fontMetrics().descent());
                endMarker = exponent ? start + w : t.Pixel + w;
                Grow(QPoint(start + w, bottom_ + h), false);
                first = false;
            }
        }
        if (def_.Grid[0] && t.Pixel > left_ && t.Pixel < right_) {
            p.setPen(PlotPen(6, PlotColour(GridColour), s));
            p.drawLine(t.Pixel, top_, t.Pixel, bottom_ - 1);
        } else if (!def_.Grid[0]) {
            p.setPen(PlotPen(1, PlotColour(AxisColour), s));
            p.drawLine(t.Pixel, bottom_, t.Pixel, bottom_ - L);
            p.drawLine(t.Pixel, top_, t.Pixel, top_ + L);
        }
        p.setPen(PlotPen(1, PlotColour(AxisColour), s));
        if (k > 0 && !xs.LogAxis)
            for (int x : MinorTickPixels(prev, t.Pixel, xs.MinorTicks)) {
                p.drawLine(x, bottom_, x, bottom_ - m);
                p.drawLine(x, top_, x, top_ + m);
            }
        prev = t.Pixel;
    }
}

void TPlotForm::DrawYAxis(QPainter& p, double s) {
    const AxisScale ys = ScaleOf(def_, 1);
    p.setFont(SlotFont(s));
    const int L = Round(4 * s), m = Round(3 * s);
    int lastY = -100, prev = 0;
    const std::vector<AxisTick> ticks = MajorTicks(ys, bottom_, top_ - bottom_);
    for (size_t k = 0; k < ticks.size(); ++k) {
        const AxisTick& t = ticks[k];
        if (t.Labelled && std::abs(t.Pixel - lastY) > 10) {
            const int w = LabelWidth(p, t.Label);
            const int x = left_ - Round(3 * s) - w;
            const int baseline = Round(t.Pixel - s) + p.fontMetrics().ascent() / 2;
            p.setPen(Qt::black);
            DrawLabel(p, t.Label, x, baseline);
            if (SplitLabel(t.Label).Base.empty()) widestYLabel_ = std::max(widestYLabel_, w);
            Grow(QPoint(x, t.Pixel), false);
            lastY = t.Pixel;
        }
        const bool inside = t.Pixel < bottom_ && t.Pixel > top_;
        if (def_.Grid[1] && inside) {
            p.setPen(PlotPen(6, PlotColour(GridColour), s));
            p.drawLine(right_ - 1, t.Pixel, left_ + 1, t.Pixel);
        } else if (!def_.Grid[1]) {
            p.setPen(PlotPen(1, PlotColour(AxisColour), s));
            p.drawLine(left_, t.Pixel, left_ + L, t.Pixel);
            p.drawLine(right_, t.Pixel, right_ - L, t.Pixel);
        }
        p.setPen(PlotPen(1, PlotColour(AxisColour), s));
        if (k > 0 && !ys.LogAxis)
            for (int y : MinorTickPixels(prev, t.Pixel, ys.MinorTicks)) {
                p.drawLine(left_, y, left_ + m, y);
                p.drawLine(right_, y, right_ - m, y);
            }
        prev = t.Pixel;
    }
}

void TPlotForm::DrawTitles(QPainter& p, double s) {
    p.setFont(SlotFont(s, true, 2));
    p.setPen(Qt::black);
    const QFontMetrics fm = p.fontMetrics();
    const QString x = ToQ(def_.AxisTitle[0]), y = ToQ(def_.AxisTitle[1]);
    const int top = bottom_ + Round(2 * QFontMetrics(SlotFont(s)).height());
    p.drawText((left_ + right_ - fm.horizontalAdvance(x)) / 2, top + fm.ascent(), x);
    Grow(QPoint((left_ + right_ + fm.horizontalAdvance(x)) / 2, top + fm.height()), false);
    const int yx = left_ - widestYLabel_ - Round(30 * s);
    p.save();
    p.translate(yx, (bottom_ + top_ + fm.horizontalAdvance(y)) / 2);
    p.rotate(-90);
    p.drawText(0, fm.ascent(), y);
    p.restore();
    Grow(QPoint(yx, top_), false);
}

void TPlotForm::DrawLine(QPainter& p, int i, double s, bool printing) {
    const TPlotLine& line = def_.Lines[size_t(i - 1)];
    if (i == 1) {
        DrawXAxis(p, s);
        DrawYAxis(p, s);
        DrawTitles(p, s);
    }
    const AxisScale xs = ScaleOf(def_, 0), ys = ScaleOf(def_, 1);
    const QColor colour = PlotColour(line.Colour);
    const int n = std::min({line.NPoints, int(line.XValues.size()), int(line.YValues.size())});
    std::vector<QPoint> points;
    for (int k = 0; k < n; ++k)
        points.emplace_back(
            ValueToPixel(xs, DecodeReal48(line.XValues[size_t(k)]), left_, right_ - left_),
            ValueToPixel(ys, DecodeReal48(line.YValues[size_t(k)]), bottom_, top_ - bottom_));
    p.save();
    p.setClipRect(Frame().normalized(), Qt::IntersectClip);
    if (line.LineStyle > 0 && points.size() > 1) {
        p.setPen(PlotPen(StylePenKind(line.LineStyle), colour, s));
        p.drawPolyline(points.data(), int(points.size()));
    }
    if (line.Symbol > 0)
        for (const QPoint& pt : points)
            DrawPlotSymbol(p, pt.x(), pt.y(), line.Symbol, colour, s);
    p.restore();
    p.setPen(PlotPen(1, PlotColour(AxisColour), s));
    p.drawLine(left_, bottom_, right_, bottom_);
    p.drawLine(right_, bottom_, right_, top_);
    p.drawLine(left_, bottom_, left_, top_);
    p.drawLine(left_, top_, right_, top_);
    (void)printing;
}

void TPlotForm::DrawLegend(QPainter& p, double s, bool printing) {
    QFont f = SlotFont(s, true);
    p.setFont(f);
    const int n = std::min(def_.NLines, MaxPlotLines);
    if (!printing) {
        int widest = 0;
        for (int i = 0; i < n; ++i)
            widest = std::max(
                widest, p.fontMetrics().horizontalAdvance(ToQ(def_.Lines[size_t(i)].ColName[1])));
        const QRect box(QPoint(right_ + 10, top_), QPoint(right_ + 45 + widest, top_ + 20 * n));
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(box);
        p.setBrush(Qt::NoBrush);
        Grow(box.bottomRight(), printing);
    }
    const int step = Round(20 * s);
    int y = top_ - 20, column = 0;
    for (int i = 0; i < n; ++i) {
        const TPlotLine& line = def_.Lines[size_t(i)];
        y += step;
        if (y + step > bottom_ && i > 0) {
            y = top_;
            ++column;
        }
        const int x0 = right_ + Round((55 * column + 20) * s), y0 = y + Round(6 * s);
        const QColor c = PlotColour(line.Colour);
        DrawPlotSymbol(p, x0, y0, line.Symbol, c, s);
        p.setPen(line.LineStyle > 0 ? PlotPen(StylePenKind(line.LineStyle), c, s) : QPen(c, 1));
        p.drawLine(x0 - Round(6 * s), y0, x0 + Round(6 * s), y0);
        p.setPen(c);
        p.drawText(x0 + Round(15 * s), y + p.fontMetrics().ascent(), ToQ(line.ColName[1]));
    }
}

double TPlotForm::PrintScale(const TPrintJob& job) const {
    const int w = std::max(1, scroll_->viewport()->width()),
              h = std::max(1, scroll_->viewport()->height());
    const int pw = job.PageWidth(), ph = job.PageHeight();
    if (ph >= pw) return double(pw - ph / 11) / w;
    return std::min(double(pw - pw / 11) / w, double(ph - pw / 11) / h);
}

int TPlotForm::PrintHeight(TPrintJob& job) {
    return Round((bottom_ - top_ + 100) * PrintScale(job));
}

// The plot scaled to the page and centred across it, below its caption.
bool TPlotForm::Print(TPrintJob& job) {
    const double s = PrintScale(job);
    QPainter& p = job.Canvas();
    const int l = left_, r = right_, t = top_, b = bottom_;
    const QRect ext = extent_.isValid() ? extent_ : Frame();
    auto mx = [&](int x) { return int(std::trunc((x - ext.left()) * s)) + 2 * job.PrintX(); };
    auto my = [&](int y) { return int(std::trunc((y - ext.top()) * s)) + job.PrintY(); };
    const int shift = ((job.PageWidth() - 2 * job.PrintX()) - Round(ext.width() * s)) / 2;
    left_ = mx(l) + shift, right_ = mx(r) + shift;
    top_ = my(t) + Round(20 * s), bottom_ = my(b) + Round(20 * s);
    p.setFont(SlotFont(s));
    p.setPen(Qt::black);
    const QString caption = ToQ(caption_);
    job.Text((left_ + right_ - p.fontMetrics().horizontalAdvance(caption)) / 2, job.PrintY(),
             caption);
    DisplayPlot(p, s, true);
    left_ = l, right_ = r, top_ = t, bottom_ = b;
    job.Advance(PrintHeight(job));
    return true;
}

void TPlotForm::MouseDown(const QPoint& at) {
    const QRect handle(right_ - 10, bottom_ - 10, 20, 20);
    if (handle.contains(at)) {
        dragMode_ = Drag::Resizing;
        canvas_->setCursor(Qt::SizeFDiagCursor);
    } else if (Frame().normalized().contains(at)) {
        dragMode_ = Drag::Moving;
        canvas_->setCursor(Qt::SizeAllCursor);
    } else {
        return;
    }
    last_ = at;
    canvas_->Drag = Frame();
    canvas_->Dragging = true;
    canvas_->update();
}

void TPlotForm::MouseMove(const QPoint& at) {
    if (dragMode_ == Drag::None) {
        const QRect handle(right_ - 10, bottom_ - 10, 20, 20);
        canvas_->setCursor(handle.contains(at)                 ? Qt::SizeAllCursor
                           : Frame().normalized().contains(at) ? Qt::CrossCursor
                                                               : Qt::ArrowCursor);
        return;
    }
    if (dragMode_ == Drag::Moving)
        canvas_->Drag.translate(at - last_);
    else
        canvas_->Drag.setBottomRight(at);
    last_ = at;
    canvas_->update();
}

void TPlotForm::MouseUp(const QPoint& at) {
    if (dragMode_ == Drag::Moving) {
        const QRect d = canvas_->Drag;
        left_ = d.left(), right_ = d.right(), top_ = d.top(), bottom_ = d.bottom();
    } else if (dragMode_ == Drag::Resizing) {
        right_ = at.x(), bottom_ = at.y();
    }
    dragMode_ = Drag::None;
    canvas_->Dragging = false;
    canvas_->setCursor(Qt::ArrowCursor);
    canvas_->update();
}

// Qt delivers the second press of a double click as the double click itself, so no drag
// starts from it.
void TPlotForm::DoubleClick() {
    dragMode_ = Drag::None;
    canvas_->Dragging = false;
    if (ModifyRequested) ModifyRequested(this);
}
