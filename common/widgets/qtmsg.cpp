#include "common/widgets/qtmsg.h"

#include "common/messages.h"
#include "common/widgets/qtext.h"

#include <QApplication>
#include <QMessageBox>

namespace {

struct KindLook {
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
    const char* Caption;
};

KindLook LookOf(int kind) {
    using B = QMessageBox;
    switch (kind) {
    case 1:
        return {B::Information, B::Ok, "Information"};
    case 2:
        return {B::Warning, B::Ok | B::Cancel, "Warning"};
    case 3:
        return {B::Critical, B::Yes | B::No, "Error"};
    case 5:
    case 6:
        return {B::Warning, B::Yes | B::No, "Warning"};
    case 7:
        return {B::Warning, B::Yes | B::No | B::Cancel, "Warning"};
    case 8:
        return {B::Warning, B::Ok, "Warning"};
    default:
        return {B::Critical, B::Ok, "Error"};
    }
}

int ResultOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    default:
        return mrCancel;
    }
}

} // namespace

QMessageBox* MakeMessageBox(const char* text, int kind) {
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
