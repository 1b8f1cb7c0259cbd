#include "common/widgets/childform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>

QPointer<TChildForm> CurrentChild;
std::function<void()> TChildForm::UpdateMenuCommand;

TChildForm::TChildForm(int kind, QWidget* parent) : QMdiSubWindow(parent), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("WindowKind", kind);
    setWindowIcon(ProgramIcon());
}

QIcon ProgramIcon() {
    return QIcon::fromTheme("kolshell", QApplication::windowIcon());
}

void TChildForm::SetWindowKind(int kind) {
    kind_ = kind;
    setProperty("WindowKind", kind);
}

void TChildForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        QMdiSubWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}
