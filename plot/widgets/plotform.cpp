#include "plot/widgets/plotform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "plot/axis.h"
#include "plot/plotextension.h"

#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <set>

namespace kolshell {

namespace {
std::set<TPlotForm*>& LivePlots() {
    static std::set<TPlotForm*> plots;
    return plots;
}
int Round(double x) {
    return int(std::lround(x));
}
// Reductions of more points than this take long enough to show the wait cursor.
constexpr size_t WaitPoints = 400000;
} // namespace

// The drawing surface: keeps the last picture of the plot, so that exposing the window or
// dragging the frame outline over it draws no plot again.
class TPlotCanvas : public QWidget {
  public:
    explicit TPlotCanvas(TPlotForm* form) : form_(form) {
        setObjectName("PlotCanvas");
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QRect Drag;
    bool Dragging = false;
    QPoint Pan;             // the picture inside the frame shifted while panning
    std::vector<int> Marks; // pinned markers, pixel columns
    bool Grip = false;      // the pointer is over the frame's corner
    // The plot changed: the next paint draws it again.
    void Invalidate() {
        stale_ = true;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const qreal dpr = devicePixelRatioF();
        const QSize need = size() * dpr;
        if (stale_ || picture_.size() != need) {
            stale_ = false;
            picture_ = QImage(need, QImage::Format_RGB32);
            picture_.setDevicePixelRatio(dpr);
            picture_.fill(Qt::white);
            QPainter pp(&picture_);
            form_->DisplayPlot(pp, 1.0, false);
        }
        QPainter p(this);
        p.drawImage(0, 0, picture_);
        const QRect frame = form_->Frame().normalized();
        if (!Pan.isNull()) {
            p.setClipRect(frame.adjusted(1, 1, -1, -1));
            p.fillRect(frame, Qt::white);
            p.drawImage(Pan, picture_);
            p.setClipping(false);
        }
        // Markers in white and black dashes: seen over any line colour.
        for (const QPen& pen : {QPen(Qt::white, 1), QPen(Qt::black, 1, Qt::DashLine)}) {
            p.setPen(pen);
            for (int x : Marks)
                if (x > frame.left() && x < frame.right())
                    p.drawLine(x, frame.top(), x, frame.bottom());
        }
        if (Grip) {
            const QPoint c(form_->Frame().right(), form_->Frame().bottom());
            p.setPen(QPen(QColor(0, 0, 0), 1));
            p.setBrush(QColor(128, 128, 128));
            p.drawRect(QRect(c - QPoint(5, 5), QSize(10, 10)));
        }
        if (Dragging) {
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(Drag.normalized());
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        form_->MouseDown(e->pos(), e->button(), e->modifiers());
    }
    void mouseMoveEvent(QMouseEvent* e) override { form_->MouseMove(e->pos()); }
    void mouseReleaseEvent(QMouseEvent* e) override { form_->MouseUp(e->pos()); }
    void mouseDoubleClickEvent(QMouseEvent*) override { form_->DoubleClick(); }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120 + e->angleDelta().x() / 120;
        if (steps != 0) form_->Wheel(e->position().toPoint(), steps, e->modifiers());
        e->accept();
    }
    void leaveEvent(QEvent*) override {
        Grip = false;
        update();
    }

  private:
    TPlotForm* form_;
    QImage picture_;
    bool stale_ = true;
};

TPlotForm::TPlotForm(QWidget* parent) : TChildForm(TWindowKind::Plot, parent) {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    scroll_ = new QScrollArea(body);
    canvas_ = new TPlotCanvas(this);
    canvas_->resize(480, 300);
    scroll_->setWidget(canvas_);
    readoutLabel_ = new QLabel(body);
    readoutLabel_->setObjectName("PlotReadout");
    readoutLabel_->setWordWrap(true);
    readoutLabel_->setMargin(4);
    // A fixed height: the plot above does not jump as the values change (all of them are in
    // the tool tip).
    readoutLabel_->setFixedHeight(4 * readoutLabel_->fontMetrics().lineSpacing() + 8);
    readoutLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    readoutLabel_->hide();
    layout->addWidget(scroll_, 1);
    layout->addWidget(readoutLabel_);
    setWidget(body);
    resize(500, 340);
    lastSize_ = size();
    // Whoever retitles the window (Save as does) retitles the plot: the caption saved and
    // printed is the one shown.
    connect(this, &QWidget::windowTitleChanged, this, [this] {
        if (!titling_ && ToQ(caption_) != Title()) caption_ = FromQ(Title());
    });
    LivePlots().insert(this);
}

TPlotForm::~TPlotForm() {
    LivePlots().erase(this);
}

// Plot files often share a stored caption ("Plot 1" of some earlier run): windows that would
// show the same caption show their file's name beside it.
void TPlotForm::ShowCaption() {
    auto title = [](TPlotForm* f, bool withFile) {
        f->titling_ = true;
        f->SetCaption(
            ToQ(withFile ? f->caption_ + " (" + ExtractFileName(f->fileName_) + ")" : f->caption_));
        f->titling_ = false;
    };
    bool shared = false;
    for (TPlotForm* other : LivePlots())
        if (other != this && other->caption_ == caption_ && !other->fileName_.empty()) {
            shared = true;
            title(other, true);
        }
    title(this, shared && !fileName_.empty());
}

bool TPlotForm::OpenPlot(const std::string& fileName) {
    std::string caption, error;
    TPlotDef def;
    WaitCursor wait;
    if (!OpenPlotWithLegends(fileName, caption, def, error)) {
        ShowMsg(error, MsgKind::Error, true);
        return false;
    }
    ShareEqualXValues(def);
    fileName_ = fileName;
    SetPlot(caption, def);
    changed_ = false;
    ShowModified();
    return true;
}

void TPlotForm::SetPlot(const std::string& caption, const TPlotDef& def) {
    caption_ = caption;
    changed_ = true;
    if (&def != &def_) def_ = def;
    cache_.Clear(); // the lines may have changed in place
    increasing_.clear();
    ShowCaption();
    FitLegend();
    Repaint();
}

void TPlotForm::Repaint() {
    canvas_->Marks.clear();
    for (Extended m : markers_)
        canvas_->Marks.push_back(ValueToPixel(ScaleOf(def_, 0), m, left_, right_ - left_));
    canvas_->Invalidate();
}

// A new window is made wide enough for its legend.
void TPlotForm::FitLegend() {
    if (std::exchange(fitted_, true) || !def_.ShowLegend) return;
    const int need =
        LegendExtent(def_, FrameValues(), ClientSize().width() - LegendMargin).right() +
        LegendMargin + (width() - ClientSize().width());
    if (need <= width()) return;
    lastSize_ = QSize(need, height()); // the frame stays as it is
    resize(need, height());
}

// The canvas: the window's client area, or more when the plot reaches past it.
QSize TPlotForm::ClientSize() const {
    return canvas_->size();
}

bool TPlotForm::SaveDocument(const std::string& name) {
    if (!SavePlotWithLegends(name, caption_, def_)) {
        ShowMsg(WriteFailureText(name, "File " + name + " could not be written."), MsgKind::Error,
                true);
        return false;
    }
    fileName_ = name;
    changed_ = false;
    ShowModified();
    return true;
}

std::optional<std::string> TPlotForm::UnsavedBytes() {
    if (!changed_) return std::nullopt;
    return PlotFileBytes(caption_, def_);
}

void TPlotForm::RestoredAs(const std::string& name) {
    fileName_ = name; // empty for a plot that was never saved: Save asks for a name
    changed_ = true;
    ShowCaption();
    emit MenuChanged();
}

bool TPlotForm::FormCloseQuery() {
    // A plot not yet saved is named by its caption ("Plot 1: from RUN.OUT").
    const std::string name = fileName_.empty() ? FromQ(Title()) : fileName_;
    switch (ShowMsg(name + " has been changed.  Save it?", MsgKind::WarningYesNoCancel, false)) {
    case MsgAnswer::Yes:
        if (!fileName_.empty()) return MayWrite() && SaveDocument(fileName_);
        emit SaveAsRequested();
        return !fileName_.empty(); // Save as cancelled or failed: the plot stays
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void TPlotForm::SetFrame(int left, int top, int right, int bottom) {
    left_ = left, top_ = top, right_ = right, bottom_ = bottom;
    Repaint();
}

void TPlotForm::DisplayPlot(QPainter& p, double s, bool printing) {
    TPlotPainter painter(p, def_, FrameValues(), s, printing);
    // The legend's font steps down to keep the legend in the window's view; paper takes the
    // window's picture.
    if (!printing)
        legendFont_ =
            LegendFontFor(def_, FrameValues(), scroll_->viewport()->width() - LegendMargin);
    painter.SetLegendFont(legendFont_);
    if (!printing) {
        // Reductions are kept for the window; paper gets its own at its resolution.
        painter.UseCache(&cache_);
        size_t pending = 0;
        for (int i = 1; i <= std::min(def_.NLines, MaxPlotLines); ++i)
            pending += size_t(std::max(0, def_.Lines[size_t(i - 1)].NPoints));
        std::optional<WaitCursor> wait;
        if (pending > WaitPoints && cache_.Pending(def_, right_ - left_, top_ - bottom_, s))
            wait.emplace();
        painter.Draw();
        lastWork_ = cache_.TakeWork();
    } else {
        TPlotCache paper; // worked out over the cores, X columns once
        painter.UseCache(&paper);
        WaitCursor wait;
        painter.Draw();
    }
    if (printing) return;
    extent_ = painter.Extent;
    // A plot that fits the window shows no scroll bars; one that reaches past it gets a margin.
    const QSize room = scroll_->viewport()->size();
    const auto reach = [](int extent, int room) { return extent < room ? room : extent + 50; };
    const QSize need(reach(extent_.right(), room.width()), reach(extent_.bottom(), room.height()));
    if (canvas_->size() != need) canvas_->resize(need);
}

// The plot as wide as the page's printable width, and no taller than the page.
double TPlotForm::PrintScale(const TPrintJob& job) const {
    const QRect ext = extent_.isValid() ? extent_ : Frame();
    const double wide = double(job.PageWidth() - 4 * job.PrintX()) / std::max(1, ext.width());
    const int ph = job.PageHeight();
    const double high =
        double(ph - ph / 11 - 2 * job.LineHeight()) / std::max(1, bottom_ - top_ + 100);
    return std::max(0.01, std::min(wide, high));
}

int TPlotForm::PrintHeight(TPrintJob& job) {
    return Round((bottom_ - top_ + 100) * PrintScale(job));
}

// The plot scaled to the page and centred across it, below its caption.
bool TPlotForm::Print(TPrintJob& job) {
    const double s = PrintScale(job);
    QPainter& p = job.Canvas();
    p.save(); // what is printed after the plot keeps the job's own pen and font
    const int l = left_, r = right_, t = top_, b = bottom_;
    const QRect ext = extent_.isValid() ? extent_ : Frame();
    auto mx = [&](int x) { return int(std::trunc((x - ext.left()) * s)) + 2 * job.PrintX(); };
    auto my = [&](int y) { return int(std::trunc((y - ext.top()) * s)) + job.PrintY(); };
    const int shift = ((job.PageWidth() - 2 * job.PrintX()) - Round(ext.width() * s)) / 2;
    left_ = mx(l) + shift, right_ = mx(r) + shift;
    top_ = my(t) + Round(20 * s), bottom_ = my(b) + Round(20 * s);
    QFont f("Arial");
    f.setPixelSize(std::max(1, Round(12 * s)));
    p.setFont(f);
    p.setPen(Qt::black);
    const QString caption = ToQ(caption_);
    job.Text((left_ + right_ - p.fontMetrics().horizontalAdvance(caption)) / 2, job.PrintY(),
             caption);
    DisplayPlot(p, s, true);
    p.restore();
    left_ = l, right_ = r, top_ = t, bottom_ = b;
    job.Advance(PrintHeight(job));
    return true;
}

namespace {
// A press that moves less than this is a click.
constexpr int ClickSlack = 3;

QRect Handle(const QRect& frame) {
    return QRect(frame.right() - 10, frame.bottom() - 10, 20, 20);
}
} // namespace

void TPlotForm::MouseDown(const QPoint& at, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
    const bool inFrame = Frame().normalized().contains(at);
    const bool left = button == Qt::LeftButton;
    if ((button == Qt::RightButton || (left && (keys & Qt::ControlModifier))) && inFrame) {
        dragMode_ = Drag::Zooming;
    } else if ((button == Qt::MiddleButton || (left && (keys & Qt::ShiftModifier))) && inFrame) {
        dragMode_ = Drag::Panning;
        canvas_->setCursor(Qt::ClosedHandCursor);
    } else if (left && Handle(Frame()).contains(at)) {
        dragMode_ = Drag::Resizing;
        canvas_->setCursor(Qt::SizeFDiagCursor);
    } else if (left && inFrame) {
        dragMode_ = Drag::Moving;
        canvas_->setCursor(Qt::SizeAllCursor);
    } else {
        return;
    }
    last_ = pressed_ = at;
    canvas_->Drag = dragMode_ == Drag::Zooming ? QRect(at, at) : Frame();
    canvas_->Dragging = dragMode_ != Drag::Panning;
    canvas_->update(); // the outline only: the plot is drawn again when the drag ends
}

void TPlotForm::MouseMove(const QPoint& at) {
    switch (dragMode_) {
    case Drag::None: {
        const bool grip = Handle(Frame()).contains(at);
        canvas_->setCursor(grip                                ? Qt::SizeFDiagCursor
                           : Frame().normalized().contains(at) ? Qt::CrossCursor
                                                               : Qt::ArrowCursor);
        if (grip != canvas_->Grip) canvas_->Grip = grip, canvas_->update();
        ShowValues(at);
        return;
    }
    case Drag::Moving:
        canvas_->Drag.translate(at - last_);
        break;
    case Drag::Resizing:
    case Drag::Zooming:
        canvas_->Drag.setBottomRight(at);
        break;
    case Drag::Panning:
        canvas_->Pan = at - pressed_;
        break;
    }
    last_ = at;
    canvas_->update();
}

void TPlotForm::MouseUp(const QPoint& at) {
    const Drag mode = std::exchange(dragMode_, Drag::None);
    canvas_->Dragging = false;
    canvas_->Pan = QPoint();
    canvas_->setCursor(Qt::ArrowCursor);
    const bool click = (at - pressed_).manhattanLength() < ClickSlack;
    if (mode == Drag::Moving && click) {
        // A click pins a marker; a third starts a new pair.
        if (markers_.size() >= 2) markers_.clear();
        markers_.push_back(PixelToValue(ScaleOf(def_, 0), at.x(), left_, right_ - left_));
        ShowValues(at);
        Repaint();
        return;
    }
    if (mode == Drag::Moving) {
        const QRect d = canvas_->Drag;
        left_ = d.left(), right_ = d.right(), top_ = d.top(), bottom_ = d.bottom();
    } else if (mode == Drag::Resizing) {
        right_ = at.x(), bottom_ = at.y();
    } else if (mode == Drag::Zooming && !click) {
        ZoomTo(QRect(pressed_, at).normalized());
        return;
    } else if (mode == Drag::Panning && !click) {
        Zoom({ShiftedView(ScaleOf(def_, 0), at.x() - pressed_.x(), right_ - left_),
              ShiftedView(ScaleOf(def_, 1), at.y() - pressed_.y(), top_ - bottom_)});
        return;
    }
    Repaint();
}

// Qt delivers the second press of a double click as the double click itself, so no drag
// starts from it.
void TPlotForm::DoubleClick() {
    dragMode_ = Drag::None;
    canvas_->Dragging = false;
    emit ModifyRequested();
}

void TPlotForm::Wheel(const QPoint& at, int steps, Qt::KeyboardModifiers keys) {
    if (!Frame().normalized().contains(at)) return;
    const double factor = std::pow(steps > 0 ? 0.5 : 2.0, std::abs(steps));
    Views v{ViewOf(def_, 0), ViewOf(def_, 1)};
    const AxisScale xs = ScaleOf(def_, 0), ys = ScaleOf(def_, 1);
    if (!(keys & Qt::ControlModifier))
        v[0] = ScaledView(xs, PixelToValue(xs, at.x(), left_, right_ - left_), factor);
    if (!(keys & Qt::ShiftModifier))
        v[1] = ScaledView(ys, PixelToValue(ys, at.y(), bottom_, top_ - bottom_), factor);
    Zoom(v);
}

void TPlotForm::ZoomTo(const QRect& r) {
    if (r.width() < ClickSlack || r.height() < ClickSlack) return;
    const AxisScale xs = ScaleOf(def_, 0), ys = ScaleOf(def_, 1);
    Zoom({ZoomedView(xs, PixelToValue(xs, r.left(), left_, right_ - left_),
                     PixelToValue(xs, r.right(), left_, right_ - left_)),
          ZoomedView(ys, PixelToValue(ys, r.bottom(), bottom_, top_ - bottom_),
                     PixelToValue(ys, r.top(), bottom_, top_ - bottom_))});
}

void TPlotForm::Zoom(const Views& v) {
    const Views now{ViewOf(def_, 0), ViewOf(def_, 1)};
    if (v[0] == now[0] && v[1] == now[1]) return;
    if (!(v[0].Min < v[0].Max) || !(v[1].Min < v[1].Max)) return;
    zooms_.push_back(now);
    ShowViews(v);
}

void TPlotForm::ZoomOut() {
    if (zooms_.empty()) return;
    const Views v = zooms_.back();
    zooms_.pop_back();
    ShowViews(v);
}

void TPlotForm::ResetZoom() {
    if (zooms_.empty()) return;
    const Views v = zooms_.front();
    zooms_.clear();
    ShowViews(v);
}

// The axes shown are the plot's own: what is saved is what is seen.
void TPlotForm::ShowViews(const Views& v) {
    SetView(def_, 0, v[0]);
    SetView(def_, 1, v[1]);
    Repaint();
}

namespace {
QString Number(const TPlotDef& d, int axis, Extended v) {
    const NumberFormat f{d.NumStyle[size_t(axis)] == 1 ? uint8_t(1) : uint8_t(0),
                         int16_t(std::clamp(int(d.NumDigits[size_t(axis)]), 0, MaxLabelDigits))};
    return ToQ(FormatReal(f, v));
}
} // namespace

// Whether line i's X values never fall, worked out once for each X column the lines share.
bool TPlotForm::Increasing(int i) {
    const TPlotLine& l = def_.Lines[size_t(i)];
    for (int j = 0; j < i && !increasing_[size_t(i)]; ++j)
        if (def_.Lines[size_t(j)].XValues.data() == l.XValues.data() &&
            def_.Lines[size_t(j)].NPoints == l.NPoints)
            increasing_[size_t(i)] = increasing_[size_t(j)];
    if (!increasing_[size_t(i)]) increasing_[size_t(i)] = XIncreasing(l);
    return *increasing_[size_t(i)];
}

// The status bar shows X and Y at the pointer; the line under the plot, for each line, the
// point nearest the pointer's X, and with two markers the differences between them.
void TPlotForm::ShowValues(const QPoint& at) {
    const AxisScale xs = ScaleOf(def_, 0), ys = ScaleOf(def_, 1);
    const int n = std::min(def_.NLines, MaxPlotLines);
    if (!Frame().normalized().contains(at) || n < 1) return;
    const Extended x = PixelToValue(xs, at.x(), left_, right_ - left_);
    values_ = "X = " + Number(def_, 0, x) +
              "   Y = " + Number(def_, 1, PixelToValue(ys, at.y(), bottom_, top_ - bottom_));
    if (auto* main = qobject_cast<QMainWindow*>(window())) main->statusBar()->showMessage(values_);
    increasing_.resize(size_t(n));
    auto point = [&](int i, Extended at) {
        const TPlotLine& l = def_.Lines[size_t(i)];
        const int k = NearestPoint(l, at, Increasing(i));
        return k < 0 ? std::pair<Extended, Extended>(0, 0)
                     : std::pair<Extended, Extended>(DecodeReal48(l.XValues[size_t(k)]),
                                                     DecodeReal48(l.YValues[size_t(k)]));
    };
    QStringList rows;
    for (int i = 0; i < n; ++i) {
        const auto [px, py] = point(i, x);
        QString row = ToQ(LegendText(def_, i + 1)) + ": X = " + Number(def_, 0, px) +
                      ", Y = " + Number(def_, 1, py);
        if (markers_.size() == 2) {
            const auto a = point(i, markers_[0]), b = point(i, markers_[1]);
            row += QString::fromUtf8(", \u0394X = ") + Number(def_, 0, b.first - a.first) +
                   QString::fromUtf8(", \u0394Y = ") + Number(def_, 1, b.second - a.second);
        }
        rows << row;
    }
    readout_ = rows.join("\n");
    // Under the plot the lines' values run on, wrapped, so that the plot keeps its room.
    readoutLabel_->setText(rows.join(";   "));
    if (readoutLabel_->isHidden()) {
        readoutLabel_->show(); // the frame keeps its margin above it
        FollowSize(QSize(0, -readoutLabel_->height()));
    }
    canvas_->setToolTip(readout_);
}

QString TPlotForm::Readout() const {
    return readout_;
}

// The frame keeps its margins to the window's right and bottom edges as the window changes.
void TPlotForm::resizeEvent(QResizeEvent* e) {
    TChildForm::resizeEvent(e);
    const QSize d = size() - lastSize_;
    lastSize_ = size();
    FollowSize(d);
}

void TPlotForm::FollowSize(const QSize& d) {
    if (d.isNull()) return;
    // Shrinking stops at a small frame; a frame dragged inside out stays as it is.
    right_ = std::max(std::min(right_, left_ + 20), right_ + d.width());
    bottom_ = std::max(std::min(bottom_, top_ + 20), bottom_ + d.height());
    Repaint();
}

} // namespace kolshell
