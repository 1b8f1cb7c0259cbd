#include "run/widgets/compiling.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

namespace kolshell {

TCompiling::TCompiling(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("Compiling");
    setFixedSize(219, 58);
    Ticks = [] { return QDateTime::currentMSecsSinceEpoch(); };
    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(0, 0, 219, 58);
    auto* bevel = new QFrame(panel);
    bevel->setObjectName("Bevel1");
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(8, 8, 203, 42);
    label_ = new QLabel("Reading line ", bevel);
    label_->setObjectName("Label1");
    label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    number_ = new QLabel("0", bevel);
    number_->setObjectName("LineNumber");
    auto* row = new QHBoxLayout(bevel);
    row->addWidget(label_, 1);
    row->addWidget(number_, 1);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TCompiling::Update(int n) {
    const qint64 now = Ticks();
    if (now - lastPaint_ <= 100) return;
    label_->setText(n < 1 ? "KOLVAN Run " : "Reading line ");
    number_->setText(QString::number(n < 0 ? -qint64(n) : qint64(n)));
    label_->repaint();
    number_->repaint();
    // The caller is busy in a loop: let the window system show what was painted.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    lastPaint_ = now;
}

bool TCompiling::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        label_->repaint();
        number_->repaint();
        lastPaint_ = Ticks();
    } else if (event->type() == QEvent::WindowDeactivate) {
        hide();
    }
    return QWidget::event(event);
}

} // namespace kolshell
