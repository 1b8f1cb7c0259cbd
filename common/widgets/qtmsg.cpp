#include "common/widgets/qtmsg.h"

#include "common/messages.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QMessageBox>

namespace kolshell {

namespace {

struct KindLook {
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
    const char* Caption;
};

KindLook LookOf(MsgKind kind) {
    using B = QMessageBox;
    switch (kind) {
    case MsgKind::Information:
        return {B::Information, B::Ok, "Information"};
    case MsgKind::WarningOkCancel:
        return {B::Warning, B::Ok | B::Cancel, "Warning"};
    case MsgKind::ErrorYesNo:
        return {B::Critical, B::Yes | B::No, "Error"};
    case MsgKind::WarningYesNo:
    case MsgKind::WarningYesNo2:
        return {B::Warning, B::Yes | B::No, "Warning"};
    case MsgKind::WarningYesNoCancel:
        return {B::Warning, B::Yes | B::No | B::Cancel, "Warning"};
    case MsgKind::WarningOk:
        return {B::Warning, B::Ok, "Warning"};
    default:
        return {B::Critical, B::Ok, "Error"};
    }
}

MsgAnswer ResultOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Cancel;
    }
}

} // namespace

QMessageBox* MakeMessageBox(const char* text, MsgKind kind) {
    const KindLook look = LookOf(kind);
    auto* box = new QMessageBox(look.Icon, look.Caption, ToQ(text), look.Buttons,
                                QApplication::activeWindow());
    box->setTextInteractionFlags(Qt::TextSelectableByMouse); // names and addresses can be copied
    return box;
}

void InstallMessageBoxes() {
    SetBeepHandler([] { QApplication::beep(); });
    SetMsgHandler([](const MsgRequest& r) {
        if (r.Beep) Beep();
        QMessageBox* box = MakeMessageBox(r.Text.c_str(), r.Kind);
        const int button = box->exec();
        delete box;
        return ResultOf(button);
    });
}

} // namespace kolshell
