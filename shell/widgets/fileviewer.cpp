#include "shell/widgets/fileviewer.h"

#include "common/widgets/fonts.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace kolshell {

namespace {
constexpr size_t FirstSlice = size_t(1) << 20;
constexpr size_t Slice = size_t(8) << 20;
constexpr size_t ShownChars = 4096;
constexpr int CopyLimit = 1 << 24;

// Tabs shown as blanks to the next multiple of eight.
QString Shown(const std::string& bytes) {
    const QString raw = ToQ(bytes);
    if (!raw.contains('\t')) return raw;
    QString s;
    for (QChar c : raw) {
        if (c == '\t')
            s += QString(8 - s.size() % 8, ' ');
        else
            s += c;
    }
    return s;
}
} // namespace

TFileViewer::TFileViewer(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("Viewer");
    setFont(TerminalFont());
    viewport()->setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &TFileViewer::IndexSlice);
}

bool TFileViewer::SetActive(bool on) {
    slices_.stop();
    index_.Close();
    anchor_ = caret_ = Pos();
    if (on) {
        if (!index_.Open(fileName_.toStdString())) return false;
        index_.IndexStep(FirstSlice); // enough for the first screen at once
        if (!index_.Complete()) slices_.start();
    }
    UpdateScrollBars();
    viewport()->update();
    return true;
}

void TFileViewer::IndexSlice() {
    if (!index_.IndexStep(Slice)) {
        slices_.stop();
        emit Indexed();
    }
    UpdateScrollBars();
    viewport()->update();
}

QString TFileViewer::Line(int i) const {
    if (alignHeads_ && i <= 2 && index_.LineCount() >= 3) {
        std::vector<std::string> first;
        for (size_t l = 0; l < 3; ++l)
            first.push_back(index_.Line(l, ShownChars));
        AlignHeaderLines(first);
        return Shown(first[size_t(i - 1)]);
    }
    return Shown(index_.Line(size_t(i - 1), ShownChars));
}

int TFileViewer::LineHeight() const {
    return fontMetrics().height();
}

int TFileViewer::CharWidth() const {
    return std::max(1, fontMetrics().horizontalAdvance('M'));
}

void TFileViewer::UpdateScrollBars() {
    const int page = std::max(1, viewport()->height() / LineHeight());
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setRange(0, std::max(0, LineCount() - page));
    const int width = int(std::min(index_.LongestLine(), ShownChars)) * CharWidth();
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(CharWidth());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width() + CharWidth()));
}

void TFileViewer::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().base());
    const int h = LineHeight(), cw = CharWidth();
    const int first = verticalScrollBar()->value();
    const int x0 = -horizontalScrollBar()->value() + 2;
    const Pos a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    for (int row = 0, line = first; row * h < viewport()->height() && line < LineCount();
         ++row, ++line) {
        const QString text = Line(line + 1);
        const int y = row * h;
        if (HasSelection() && line >= a.Line && line <= b.Line) {
            const int from = line == a.Line ? a.Column : 0;
            const int to = line == b.Line ? b.Column : int(text.size()) + 1;
            p.fillRect(x0 + from * cw, y, std::max(0, to - from) * cw, h, palette().highlight());
        }
        p.setPen(palette().text().color());
        p.drawText(x0, y + fontMetrics().ascent(), text);
    }
}

void TFileViewer::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

TFileViewer::Pos TFileViewer::PosAt(const QPoint& pt) const {
    Pos p;
    p.Line = std::clamp(verticalScrollBar()->value() + pt.y() / LineHeight(), 0,
                        std::max(0, LineCount() - 1));
    p.Column = std::max(0, (pt.x() + horizontalScrollBar()->value()) / CharWidth());
    p.Column = std::min(p.Column, int(Line(p.Line + 1).size()));
    return p;
}

void TFileViewer::mousePressEvent(QMouseEvent* event) {
    caret_ = PosAt(event->pos());
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = caret_;
    viewport()->update();
}

void TFileViewer::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    caret_ = PosAt(event->pos());
    EnsureVisible(caret_);
    viewport()->update();
}

void TFileViewer::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    QScrollBar* v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up:
        v->setValue(v->value() - 1);
        break;
    case Qt::Key_Down:
        v->setValue(v->value() + 1);
        break;
    case Qt::Key_PageUp:
        v->setValue(v->value() - v->pageStep());
        break;
    case Qt::Key_PageDown:
        v->setValue(v->value() + v->pageStep());
        break;
    case Qt::Key_Home:
        v->setValue(0);
        break;
    case Qt::Key_End:
        v->setValue(v->maximum());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
}

void TFileViewer::EnsureVisible(const Pos& p) {
    QScrollBar* v = verticalScrollBar();
    if (p.Line < v->value() || p.Line >= v->value() + v->pageStep())
        v->setValue(p.Line - v->pageStep() / 2);
    QScrollBar* hs = horizontalScrollBar();
    const int x = p.Column * CharWidth();
    if (x < hs->value() || x > hs->value() + viewport()->width() - CharWidth())
        hs->setValue(x - viewport()->width() / 2);
}

void TFileViewer::SelectRange(int line1, int col1, int line2, int col2) {
    anchor_ = {line1 - 1, col1 - 1};
    caret_ = {line2 - 1, col2 - 1};
    EnsureVisible(caret_);
    viewport()->update();
}

bool TFileViewer::Search(const QString& text, bool backward, bool matchCase) {
    const Pos from = backward ? std::min(anchor_, caret_) : std::max(anchor_, caret_);
    const TLineIndex::Match m =
        index_.Search(FromQ(text), size_t(from.Line), size_t(from.Column), backward, matchCase, [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    if (!m.Found) return false;
    SelectRange(int(m.Line) + 1, int(m.Column) + 1, int(m.Line) + 1,
                int(m.Column) + int(text.size()) + 1);
    return true;
}

QString TFileViewer::SelectedText() const {
    const Pos a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    QString s;
    for (int l = a.Line; l <= b.Line && s.size() < CopyLimit; ++l) {
        const QString text = Line(l + 1);
        const int from = l == a.Line ? a.Column : 0;
        const int to = l == b.Line ? b.Column : int(text.size());
        s += text.mid(from, to - from);
        if (l != b.Line) s += "\r\n";
    }
    return s;
}

void TFileViewer::CopyToClipboard() const {
    if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

} // namespace kolshell
