#include "common/widgets/dialogkeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QWheelEvent>

namespace kolshell {

namespace {

class TWheelGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = static_cast<QWidget*>(watched);
        if (event->type() != QEvent::Wheel || w->hasFocus()) return false;
        PassOn(w, *static_cast<QWheelEvent*>(event));
        return true;
    }

  private:
    // Hands the turn to the widgets holding w, the innermost first, until one takes it.
    static void PassOn(QWidget* w, const QWheelEvent& e) {
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
            QWheelEvent on(p->mapFromGlobal(e.globalPosition()), e.globalPosition(), e.pixelDelta(),
                           e.angleDelta(), e.buttons(), e.modifiers(), e.phase(), e.inverted(),
                           e.source());
            on.setAccepted(true); // handlers ignore what they do not use
            QCoreApplication::sendEvent(p, &on);
            if (on.isAccepted() || p->isWindow()) return;
        }
    }
};

QObject* WheelGuard() {
    static QPointer<TWheelGuard> guard;
    if (!guard) guard = new TWheelGuard(qApp);
    return guard;
}

} // namespace

void GuardWheel(QWidget* root) {
    QObject* guard = WheelGuard();
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractSpinBox*>(w)) continue;
        w->setFocusPolicy(Qt::StrongFocus); // a wheel turn no longer takes the focus
        w->removeEventFilter(guard);
        w->installEventFilter(guard);
    }
}

void MakeDefaultButton(QPushButton* button) {
    for (QPushButton* other : button->window()->findChildren<QPushButton*>())
        if (other != button) other->setAutoDefault(false), other->setDefault(false);
    button->setAutoDefault(true);
    button->setDefault(true);
}

void SetTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QString WithAccessKey(const QString& text, const QString& taken) {
    QString marked;
    bool keyed = false;
    for (const QChar c : text) {
        if (!keyed && c.isLetterOrNumber() && !taken.contains(c.toUpper())) {
            marked += '&';
            keyed = true;
        }
        marked += c;
        if (c == '&') marked += '&';
    }
    return marked;
}

} // namespace kolshell
