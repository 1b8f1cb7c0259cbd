#include "common/widgets/childform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>

namespace kolshell {

QPointer<TChildForm> CurrentChild;

TChildForm::TChildForm(TWindowKind kind, QWidget* parent) : QMdiSubWindow(parent), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("WindowKind", int(kind));
    setWindowIcon(ProgramIcon());
}

QIcon ProgramIcon() {
    return QIcon::fromTheme("kolshell", QApplication::windowIcon());
}

namespace {
const QString MarkPlace = QStringLiteral("[*]");
}

void TChildForm::SetCaption(const QString& caption) {
    setWindowTitle(caption + MarkPlace);
    ShowModified();
}

QString TChildForm::Title() const {
    QString caption = windowTitle();
    return caption.endsWith(MarkPlace) ? caption.chopped(MarkPlace.size()) : caption;
}

void TChildForm::ShowModified() {
    setWindowModified(IsModified());
}

void TChildForm::SetWindowKind(TWindowKind kind) {
    kind_ = kind;
    setProperty("WindowKind", int(kind));
}

bool TChildForm::SupportsEdit(TEditCommand c) const {
    const std::optional<TEditCommands> commands = EditCommands();
    return commands && commands->Has(c);
}

void TChildForm::DoEdit(TEditCommand c, bool findMode, bool replaceMode) {
    if (!SupportsEdit(c)) return;
    switch (c) {
    case TEditCommand::Cut:
        return EditCut();
    case TEditCommand::Copy:
        return EditCopy();
    case TEditCommand::Paste:
        return EditPaste();
    case TEditCommand::Clear:
        return EditClear();
    case TEditCommand::Find:
        return EditFind();
    case TEditCommand::Replace:
        return EditReplace();
    case TEditCommand::SearchAgain:
        return EditSearchAgain(findMode, replaceMode);
    }
}

void TChildForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        QMdiSubWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

} // namespace kolshell
