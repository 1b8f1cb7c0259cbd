#include "app/help.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "common/widgets/qtext.h"
#include "kolsed/widgets/kolsedform.h"
#include "shell/widgets/aboutbox.h"
#include "shell/widgets/helpdlg.h"
#include "shell/widgets/helpviewer.h"
#include "shell/widgets/helpwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSettings>

namespace kolshell {

namespace {
const char* const KolvanWebPage = "https://www.kolvan.org/"; // when KOLSHELL.INI names none
} // namespace

THelpController::THelpController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {
    SetHelpContextHandler([this](int context) { HelpWindow()->ShowContext(context); });
    qApp->installEventFilter(this);
}

THelpController::~THelpController() {
    SetHelpContextHandler(nullptr);
    qApp->removeEventFilter(this);
    delete helpWindow_;
}

void THelpController::AboutKOLSHELL1Click() {
    if (main_.AboutBox()) main_.AboutBox()->exec();
}

THelpWindow* THelpController::HelpWindow() {
    if (!helpWindow_) helpWindow_ = new THelpWindow(ToQ(JoinPath(Globals().KolshellDir, "help")));
    return helpWindow_;
}

void THelpController::KOLVANIndex1Click() {
    HelpWindow()->ShowPage(Globals().KolsedOnlyMode ? "kolsed.html" : "index.html");
}

void THelpController::TypesIndex1Click() {
    HelpWindow()->ShowPage("types.html");
}

void THelpController::KOLVANIndex2Click() {
    HelpWindow()->ShowPage("engine.html");
}

void THelpController::KOLVANErrorMessges1Click() {
    HelpWindow()->ShowPage("errors.html");
}

void THelpController::UsingHelp1Click() {
    HelpWindow()->ShowPage("usinghelp.html");
}

// The address of Help, KOLVAN Website: "Website=" in the settings file KOLSHELL.INI.
QString THelpController::WebsiteAddress() const {
    QSettings ini(ToQ(NativePath(ProgramFileToRead("KOLSHELL.INI"))), QSettings::IniFormat);
    return ini.value("Website", KolvanWebPage).toString();
}

void THelpController::WebsiteClick() {
    const QString address = WebsiteAddress();
    if (!OpenUrl(QUrl(address)))
        ShowMsg("No web browser could be started. The KOLVAN website is at " + FromQ(address),
                MsgKind::Information, true);
}

void THelpController::ShowFieldHelp(const std::string& deck, int topic,
                                    const std::string& caption) {
    THelpDlg dialog(deck, topic, caption, &main_);
    main_.ExecDialog(dialog);
}

// F1 shows the help of what it is pressed on: the highlighted menu item (or its menu), else
// the nearest window or dialog that carries a help context, else the dialog's own page.
bool THelpController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return QObject::eventFilter(watched, event);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        QAction* a = menu->activeAction();
        const QVariant c = a && a->property("HelpContext").isValid()
                               ? a->property("HelpContext")
                               : menu->property("HelpContext");
        HelpWindow()->ShowContext(c.toInt());
        return true;
    }
    QWidget* w = qobject_cast<QWidget*>(watched);
    if (!w || qobject_cast<THelpWindow*>(w->window())) return false;
    if (w->window() != &main_ && !qobject_cast<QDialog*>(w->window())) return false;
    for (QWidget* p = w; p; p = p->parentWidget())
        if (qobject_cast<TKOLSEDForm*>(p)) return false; // its fields have their own help
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (p->property("HelpContext").isValid())
            return HelpWindow()->ShowContext(p->property("HelpContext").toInt()), true;
        const QString page = HelpWindow()->PageOfClass(p->metaObject()->className());
        if (!page.isEmpty()) return HelpWindow()->ShowPage(page), true;
    }
    HelpWindow()->ShowContext(1);
    return true;
}

} // namespace kolshell
