// The menu bar, assembled from the command table: the KOLSHELL menus, the reduced menus of the
// KOLSED program, and the window list of the Windows menu.
#include "app/commands.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/widgets/childform.h"

#include <QMdiArea>
#include <QMenuBar>

namespace kolshell {

void TKOLSHELLFORM::BuildMenus() {
    for (const TMenuDef& m : MenuTable()) {
        QMenu* menu = menuBar()->addMenu(m.Caption);
        menu->setObjectName(m.Name);
        menu->menuAction()->setObjectName(m.Name);
        menu->setProperty("HelpContext", m.HelpContext);
        menus_[m.Name] = menu;
    }
    for (const TCommandDef& it : CommandTable()) {
        QMenu* menu = menus_[it.Menu];
        if (!it.Name) {
            menu->addSeparator();
            continue;
        }
        QAction* a;
        if (QString(it.Name) == "Output1") {
            QMenu* sub = menu->addMenu(it.Caption);
            sub->setObjectName("Output1Menu");
            sub->addAction("Name.out");
            a = sub->menuAction();
        } else {
            a = menu->addAction(it.Caption);
        }
        a->setObjectName(it.Name);
        if (*it.Shortcut) a->setShortcut(QKeySequence(it.Shortcut));
        if (it.HelpContext) a->setProperty("HelpContext", it.HelpContext);
        if (it.Enabling.Rule == TEnabling::Companion) a->setEnabled(false);
        if (TCommandHandler handler = it.Handler)
            connect(a, &QAction::triggered, this, [this, handler] {
                handler(*this);
                CommandEnded();
            });
        actions_[it.Name] = a;
    }
    connect(menus_["Utilities1"], &QMenu::aboutToShow, runs_, &TRunningController::Utilities1Popup);
    connect(menus_["Plot1"], &QMenu::aboutToShow, plots_, &TPlotController::Plot1Popup);
    connect(menus_["Windows1"], &QMenu::aboutToShow, this, &TKOLSHELLFORM::FillWindowList);
}

void TKOLSHELLFORM::MakeKolsedOnlyMenus() {
    auto remove = [this](const char* menu, const char* item) {
        menus_[menu]->removeAction(actions_[item]);
    };
    auto removeFirstSeparator = [](QMenu* menu, int from) {
        const QList<QAction*> list = menu->actions();
        for (int i = from; i < list.size(); ++i)
            if (list[i]->isSeparator()) {
                menu->removeAction(list[i]);
                return;
            }
    };
    setWindowTitle("KOLSED");
    remove("Help1", "TypesIndex1");
    remove("Help1", "KOLVANIndex2");
    remove("Help1", "KOLVANErrorMessges1");
    remove("Windows1", "TableRun1");
    actions_["KOLVANIndex1"]->setText("KOLSED Help");
    actions_["AboutKOLSHELL1"]->setText("About KOLSED");
    for (const char* m : {"Utilities1", "KOLSED1", "Edit1"})
        menuBar()->removeAction(menus_[m]->menuAction());

    remove("File1", "New1");
    remove("File1", "Setup1");
    // The separator that stood before Exit: the last one left.
    QList<QAction*> file = menus_["File1"]->actions();
    for (int i = int(file.size()) - 1; i >= 0; --i)
        if (file[i]->isSeparator()) {
            menus_["File1"]->removeAction(file[i]);
            break;
        }

    QMenu* kolvan = menus_["KOLVAN1"];
    remove("KOLVAN1", "CompileModule1");
    remove("KOLVAN1", "RebuildKOLVAN1");
    remove("KOLVAN1", "ExecuteCommand1");
    removeFirstSeparator(kolvan, 0);
    auto insertAt = [kolvan](int pos, QAction* a) {
        const QList<QAction*> list = kolvan->actions();
        kolvan->insertAction(pos < list.size() ? list[pos] : nullptr, a);
    };
    auto* si = new QAction("Primary Units", this);
    si->setObjectName("SIUnits");
    si->setCheckable(true);
    auto* eng = new QAction("Secondary Units", this);
    eng->setObjectName("EngUnits");
    eng->setCheckable(true);
    auto* sep = new QAction(this);
    sep->setSeparator(true);
    auto* user = new QAction("User Command", this);
    user->setObjectName("UserCommand1");
    insertAt(3, si); // after Calculate, Run Table and Stop Run
    insertAt(4, eng);
    insertAt(5, sep);
    insertAt(6, user);
    actions_["SIUnits"] = si;
    actions_["EngUnits"] = eng;
    actions_["UserCommand1"] = user;
    connect(si, &QAction::triggered, documents_, &TDocumentController::SIUnitsClick);
    connect(user, &QAction::triggered, runs_, &TRunningController::ExecuteCommand1Click);
    connect(eng, &QAction::triggered, documents_, &TDocumentController::EngUnitsClick);
    (Options().UnitSystem == 1 ? si : eng)->setChecked(true);

    QMenu* windows = menus_["Windows1"];
    windows->addSeparator();
    QAction* about = windows->addAction("About KOLSED");
    about->setObjectName("AboutKOLSED1");
    actions_["AboutKOLSED1"] = about;
    connect(about, &QAction::triggered, help_, &THelpController::AboutKOLSHELL1Click);
}

void TKOLSHELLFORM::FillWindowList() {
    // The frame's window list: one entry per open child after the fixed items.
    QMenu* windows = menus_["Windows1"];
    for (QAction* a : windowListActions_) {
        windows->removeAction(a);
        a->deleteLater();
    }
    windowListActions_.clear();
    const QList<TChildForm*> children = Children();
    if (children.isEmpty()) return;
    windowListActions_ << windows->addSeparator();
    int n = 0;
    for (TChildForm* c : children) {
        QAction* a = windows->addAction(QString("&%1 %2").arg(++n).arg(c->Title()));
        a->setCheckable(true);
        a->setChecked(c == mdiArea_->activeSubWindow());
        QPointer<TChildForm> target = c;
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) BringForward(target);
        });
        windowListActions_ << a;
    }
}

} // namespace kolshell
