#include "plot/widgets/plotform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "plot/axis.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <cmath>
#include <optional>

std::function<void(TPlotForm*)> TPlotForm::ModifyRequested;
std::function<void(TPlotForm*)> TPlotForm::SaveAsCommand;

namespace {
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
            picture_ = QPixmap(need);
            picture_.setDevicePixelRatio(dpr);
            picture_.fill(Qt::white);
            QPainter pp(&picture_);
            form_->DisplayPlot(pp, 1.0, false);
        }
        QPainter p(this);
        p.drawPixmap(0, 0, picture_);
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
    QPixmap picture_;
    bool stale_ = true;
};

TPlotForm::TPlotForm(QWidget* parent) : TChildForm(wkPlot, parent) {
    scroll_ = new QScrollArea(this);
    canvas_ = new TPlotCanvas(this);
    canvas_->resize(480, 300);
    scroll_->setWidget(canvas_);
    setWidget(scroll_);
    resize(500, 340);
    // Whoever retitles the window (Save as does) retitles the plot: the caption saved and
    // printed is the one shown.
    connect(this, &QWidget::windowTitleChanged, this, [this](const QString& title) {
        if (ToQ(caption_) != title) caption_ = FromQ(title);
    });
}

bool TPlotForm::OpenPlot(const std::string& fileName) {
    std::string caption, error;
    TPlotDef def;
    WaitCursor wait;
    if (!OpenPlotFile(fileName, caption, def, error)) {
        ShowMsg(error, mkError, true);
        return false;
    }
    ShareEqualXValues(def);
    fileName_ = fileName;
    // Captioned by its file, as Save as captions a plot: the caption stored in the file is
    // often "Plot 1", the first plot of some earlier run, shared by other plot files.
    SetPlot(fileName, def);
    return true;
}

void TPlotForm::SetPlot(const std::string& caption, const TPlotDef& def) {
    caption_ = caption;
    if (&def != &def_) def_ = def;
    cache_.Clear(); // the lines may have changed in place
    setWindowTitle(ToQ(caption));
    Repaint();
}

void TPlotForm::Repaint() {
    canvas_->Invalidate();
}

// The canvas: the window's client area, or more when the plot reaches past it.
QSize TPlotForm::ClientSize() const {
    return canvas_->size();
}

bool TPlotForm::SaveDocument(const std::string& name) {
    if (!SavePlotFile(name, caption_, def_)) {
        ShowMsg(WriteFailureText(name, "File " + name + " could not be written."), mkError, true);
        return false;
    }
    fileName_ = name;
    return true;
}

bool TPlotForm::FormCloseQuery() {
    // A plot not yet saved is named by its caption ("Plot 1: from RUN.OUT").
    const std::string name = fileName_.empty() ? FromQ(windowTitle()) : fileName_;
    switch (ShowMsg(name + " has been changed.  Save it?", mkWarningYesNoCancel, false)) {
    case mrYes:
        if (!fileName_.empty()) return SaveDocument(fileName_);
        if (SaveAsCommand) SaveAsCommand(this);
        return !fileName_.empty(); // Save as cancelled or failed: the plot stays
    case mrNo:
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
    const QSize need =
        QSize(extent_.right() + 50, extent_.bottom() + 50).expandedTo(scroll_->viewport()->size());
    if (canvas_->size() != need) canvas_->resize(need);
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
    QFont f("Arial");
    f.setPixelSize(std::max(1, Round(12 * s)));
    p.setFont(f);
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
    canvas_->update(); // the outline only: the plot is drawn again when the drag ends
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
    Repaint();
}

// Qt delivers the second press of a double click as the double click itself, so no drag
// starts from it.
void TPlotForm::DoubleClick() {
    dragMode_ = Drag::None;
    canvas_->Dragging = false;
    if (ModifyRequested) ModifyRequested(this);
}
