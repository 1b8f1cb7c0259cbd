#include "app/kolshellform.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/helpdlg.h"
#include "shell/widgets/helpviewer.h"
#include "shell/widgets/helpwindow.h"
#include "shell/widgets/printdlg.h"
#include <QDesktopServices>
#include <QUrl>

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "plot/outputfiles.h"
#include "shell/widgets/aboutbox.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/runcontrol.h"
#include "shell/widgets/runsettings.h"
#include "shell/widgets/setupdlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QSettings>

namespace {

const char* const KolvanWebPage = "https://www.kolvan.org/"; // when KOLSHELL.INI names none

TKOLSHELLFORM* mainForm = nullptr;

struct MenuDef {
    const char* Name;
    const char* Caption;
    int HelpContext;
};

struct ItemDef {
    const char* Menu;
    const char* Name; // nullptr for a separator
    const char* Caption;
    const char* Shortcut;
    int HelpContext;
};

const MenuDef Menus[] = {
    {"File1", "&File", 2},
    {"Edit1", "&Edit", 4},
    {"KOLVAN1", "&KOLVAN", 7},
    {"KOLSED1", "K&OLSED", 6},
    {"Parametrics1", "&Parametrics", 9},
    {"Utilities1", "&Utilities", 8},
    {"Plot1", "P&lot", 10},
    {"Windows1", "&Windows", 11},
    {"Help1", "&Help", 12},
};

const ItemDef Items[] = {
    {"File1", "New1", "&New", "Ctrl+N", 34},
    {"File1", "Open1", "&Open", "Ctrl+O", 3},
    {"File1", "Save1", "&Save", "Ctrl+S", 33},
    {"File1", "Saveas1", "Save &as", "", 44},
    {"File1", "ExportPlot1", "&Export Plot...", "", 0},
    {"File1", nullptr, "", "", 0},
    {"File1", "Print1", "&Print", "Ctrl+P", 45},
    {"File1", "PrintSetup1", "Print Setup", "", 24},
    {"File1", nullptr, "", "", 0},
    {"File1", "Setup1", "Se&tup", "", 22},
    {"File1", nullptr, "", "", 0},
    {"File1", "Exit1", "E&xit", "Ctrl+Q", 49},
    {"Edit1", "Cut1", "Cut", "Ctrl+X", 51},
    {"Edit1", "Copy1", "&Copy", "Ctrl+C", 52},
    {"Edit1", "Paste1", "&Paste", "Ctrl+V", 53},
    {"Edit1", "Clear1", "Clear", "", 54},
    {"Edit1", nullptr, "", "", 0},
    {"Edit1", "Find1", "&Find", "Ctrl+F", 55},
    {"Edit1", "Replace1", "&Replace", "", 57},
    {"Edit1", "SearchAgain1", "Search &Again", "", 56},
    {"KOLVAN1", "Calculate1", "&Calculate", "F8", 39},
    {"KOLVAN1", "RunTable1", "&Run Table", "", 40},
    {"KOLVAN1", "StopRun1", "&Stop Run", "Ctrl+Break", 0},
    {"KOLVAN1", nullptr, "", "", 0},
    {"KOLVAN1", "CompileModule1", "&Compile Module", "", 41},
    {"KOLVAN1", "RebuildKOLVAN1", "&Rebuild KOLVAN", "", 42},
    {"KOLVAN1", nullptr, "", "", 0},
    {"KOLVAN1", "ExecuteCommand1", "Execute User Command", "", 116},
    {"KOLSED1", "MakeKOLSEDfile1", "Make KOLSED file", "", 31},
    {"KOLSED1", "EditKOLSEDfile1", "&Edit KOLSED file", "", 35},
    {"Parametrics1", "NewTable1", "&New Table", "", 64},
    {"Parametrics1", "AlterTable1", "&Alter Table", "", 65},
    {"Parametrics1", "InsertDeleteRuns1", "&Insert/Delete Runs", "", 68},
    {"Parametrics1", "InsertDeleteVars1", "Insert/Delete Vars", "", 69},
    {"Utilities1", "FLOWDRAW1", "FLOWDRAW", "", 17},
    {"Utilities1", "ZONEKIT", "ZONEKIT", "", 59},
    {"Utilities1", "ZONER1", "ZONER", "", 60},
    {"Utilities1", "MODLIB1", "MODLIB", "", 61},
    {"Utilities1", "DEBUG1", "GRIDCALC", "", 62},
    {"Plot1", "NewPlot1", "&New Plot", "", 70},
    {"Plot1", "OverlayPlot1", "&Overlay Plot", "", 71},
    {"Plot1", "ModifyPlot1", "&Modify Plot", "", 73},
    {"Plot1", "PlotTableRuns1", "Plot &Table Runs", "", 0},
    {"Windows1", "Input1", "Input", "", 122},
    {"Windows1", "Output1", "Output", "", 81},
    {"Windows1", "Listing1", "Listing", "", 82},
    {"Windows1", "Table1", "Table", "", 79},
    {"Windows1", "TableRun1", "Table &Run", "", 79},
    {"Windows1", "Diagram1", "Diagram", "", 83},
    {"Windows1", nullptr, "", "", 0},
    {"Windows1", "Tile1", "&Tile", "", 124},
    {"Windows1", "Cascade1", "&Cascade", "", 125},
    {"Help1", "KOLVANIndex1", "KOL&SHELL Index", "", 126},
    {"Help1", "TypesIndex1", "Ty&pes Index", "", 127},
    {"Help1", "KOLVANIndex2", "&KOLVAN Index", "", 128},
    {"Help1", "KOLVANErrorMessges1", "KOLVAN &Error Messages", "", 129},
    {"Help1", "UsingHelp1", "&Using Help", "", 12},
    {"Help1", nullptr, "", "", 0},
    {"Help1", "AboutKOLSHELL1", "&About KOLSHELL", "", 1},
    {"Help1", "Website", "KOLVAN Website", "", 0},
};

bool IsEditorKind(int k) {
    return k == wkDeck || k == wkAnnotatedText || k == wkText;
}
bool IsViewerKind(int k) {
    return k == wkListing || k == wkOutput;
}

} // namespace

TKOLSHELLFORM* KOLSHELLFORM() {
    return mainForm;
}

TKOLSHELLFORM::TKOLSHELLFORM(QWidget* parent) : QMainWindow(parent) {
    mainForm = this;
    setObjectName("KOLSHELLFORM");
    setProperty("HelpContext", 1);
    resize(900, 640);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("MdiArea");
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TKOLSHELLFORM::ChildActivated);
    BuildMenus();
    TChildForm::UpdateMenuCommand = [this] { UpdateMenu(); };
    TEditForm::SaveAsCommand = [this](TEditForm* editor) {
        CurrentChild = editor;
        Saveas1Click();
    };
    TKOLSEDForm::HelpRequested = [this](const std::string& deck, int topic,
                                        const std::string& caption) {
        ShowFieldHelp(deck, topic, caption);
    };
    TPlotForm::ModifyRequested = [this](TPlotForm* plot) { ModifyPlot(plot); };
    SetHelpContextHandler([this](int context) { HelpWindow()->ShowContext(context); });
    qApp->installEventFilter(this);
    TRunController::ActivityChanged = [this] { RunActivityChanged(); };
    TPlotForm::SaveAsCommand = [this](TPlotForm* plot) {
        CurrentChild = plot;
        Saveas1Click();
    };
    FormCreate();
}

TKOLSHELLFORM::~TKOLSHELLFORM() {
    // Children closing with the frame must not refresh a menu that is going away.
    disconnect(mdiArea_, nullptr, this, nullptr);
    if (mainForm != this) return;
    mainForm = nullptr;
    TChildForm::UpdateMenuCommand = nullptr;
    TKOLSEDForm::HelpRequested = nullptr;
    TPlotForm::ModifyRequested = nullptr;
    TPlotForm::SaveAsCommand = nullptr;
    TEditForm::SaveAsCommand = nullptr;
    SetHelpContextHandler(nullptr);
    qApp->removeEventFilter(this);
    delete helpWindow_;
    TRunController::ActivityChanged = nullptr;
}

void TKOLSHELLFORM::BuildMenus() {
    for (const MenuDef& m : Menus) {
        QMenu* menu = menuBar()->addMenu(m.Caption);
        menu->setObjectName(m.Name);
        menu->menuAction()->setObjectName(m.Name);
        menu->setProperty("HelpContext", m.HelpContext);
        menus_[m.Name] = menu;
    }
    for (const ItemDef& it : Items) {
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
        actions_[it.Name] = a;
    }
    for (const char* n : {"Input1", "Output1", "Listing1", "Table1", "TableRun1", "Diagram1"})
        actions_[n]->setEnabled(false);

    auto on = [this](const char* name, void (TKOLSHELLFORM::*handler)()) {
        connect(actions_[name], &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    on("Setup1", &TKOLSHELLFORM::Setup1Click);
    on("AboutKOLSHELL1", &TKOLSHELLFORM::AboutKOLSHELL1Click);
    on("PrintSetup1", &TKOLSHELLFORM::PrintSetup1Click);
    on("Print1", &TKOLSHELLFORM::Print1Click);
    on("KOLVANIndex1", &TKOLSHELLFORM::KOLVANIndex1Click);
    on("TypesIndex1", &TKOLSHELLFORM::TypesIndex1Click);
    on("KOLVANIndex2", &TKOLSHELLFORM::KOLVANIndex2Click);
    on("KOLVANErrorMessges1", &TKOLSHELLFORM::KOLVANErrorMessges1Click);
    on("Website", &TKOLSHELLFORM::WebsiteClick);
    on("UsingHelp1", &TKOLSHELLFORM::UsingHelp1Click);
    on("Exit1", &TKOLSHELLFORM::Exit1Click);
    on("Tile1", &TKOLSHELLFORM::Tile1Click);
    on("Cascade1", &TKOLSHELLFORM::Cascade1Click);
    on("Cut1", &TKOLSHELLFORM::Cut1Click);
    on("Copy1", &TKOLSHELLFORM::Copy1Click);
    on("Paste1", &TKOLSHELLFORM::Paste1Click);
    on("Clear1", &TKOLSHELLFORM::Clear1Click);
    on("Find1", &TKOLSHELLFORM::Find1Click);
    on("Replace1", &TKOLSHELLFORM::Replace1Click);
    on("SearchAgain1", &TKOLSHELLFORM::SearchAgain1Click);
    on("Input1", &TKOLSHELLFORM::Input1Click);
    on("Listing1", &TKOLSHELLFORM::Listing1Click);
    on("Table1", &TKOLSHELLFORM::Table1Click);
    on("TableRun1", &TKOLSHELLFORM::TableRun1Click);
    on("Diagram1", &TKOLSHELLFORM::Diagram1Click);
    on("New1", &TKOLSHELLFORM::New1Click);
    on("Open1", &TKOLSHELLFORM::Open1Click);
    on("Calculate1", &TKOLSHELLFORM::Calculate1Click);
    on("CompileModule1", &TKOLSHELLFORM::CompileModule1Click);
    on("RebuildKOLVAN1", &TKOLSHELLFORM::RebuildKOLVAN1Click);
    on("ExecuteCommand1", &TKOLSHELLFORM::ExecuteCommand1Click);
    on("FLOWDRAW1", &TKOLSHELLFORM::FLOWDRAW1Click);
    on("ZONEKIT", &TKOLSHELLFORM::ZONEKIT1Click);
    on("ZONER1", &TKOLSHELLFORM::ZONER1Click);
    on("MODLIB1", &TKOLSHELLFORM::MODLIB1Click);
    on("DEBUG1", &TKOLSHELLFORM::DEBUG1Click);
    on("Save1", &TKOLSHELLFORM::Save1Click);
    on("Saveas1", &TKOLSHELLFORM::Saveas1Click);
    on("EditKOLSEDfile1", &TKOLSHELLFORM::EditKOLSEDfile1Click);
    on("MakeKOLSEDfile1", &TKOLSHELLFORM::MakeKOLSEDfile1Click);
    on("NewTable1", &TKOLSHELLFORM::NewTable1Click);
    on("AlterTable1", &TKOLSHELLFORM::AlterTable1Click);
    on("InsertDeleteRuns1", &TKOLSHELLFORM::InsertDeleteRuns1Click);
    on("InsertDeleteVars1", &TKOLSHELLFORM::InsertDeleteVars1Click);
    on("RunTable1", &TKOLSHELLFORM::RunTable1Click);
    on("StopRun1", &TKOLSHELLFORM::StopRun1Click);
    on("NewPlot1", &TKOLSHELLFORM::NewPlot1Click);
    on("OverlayPlot1", &TKOLSHELLFORM::OverlayPlot1Click);
    on("ModifyPlot1", &TKOLSHELLFORM::ModifyPlot1Click);
    on("ExportPlot1", &TKOLSHELLFORM::ExportPlot1Click);
    on("PlotTableRuns1", &TKOLSHELLFORM::PlotTableRuns1Click);
    connect(menus_["Utilities1"], &QMenu::aboutToShow, this, &TKOLSHELLFORM::Utilities1Popup);
    connect(menus_["Plot1"], &QMenu::aboutToShow, this, &TKOLSHELLFORM::Plot1Popup);
    connect(menus_["Windows1"], &QMenu::aboutToShow, this, &TKOLSHELLFORM::FillWindowList);
}

QAction* TKOLSHELLFORM::Action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* TKOLSHELLFORM::Menu(const QString& name) const {
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
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
    connect(si, &QAction::triggered, this, [this] { SIUnitsClick(); });
    connect(user, &QAction::triggered, this, [this] { ExecuteCommand1Click(); });
    connect(eng, &QAction::triggered, this, [this] { EngUnitsClick(); });
    (Options().UnitSystem == 1 ? si : eng)->setChecked(true);

    QMenu* windows = menus_["Windows1"];
    windows->addSeparator();
    QAction* about = windows->addAction("About KOLSED");
    about->setObjectName("AboutKOLSED1");
    actions_["AboutKOLSED1"] = about;
    connect(about, &QAction::triggered, this, [this] { AboutKOLSHELL1Click(); });
}

void TKOLSHELLFORM::FormCreate() {
    RecentFilesOn = true;
    const std::string dft = ProgramFileToRead("KOLSHELL.DFT");
    std::string error;
    switch (ReadDFT(dft, Globals().Settings, &error)) {
    case DftStatus::Missing:
        ShowMsg("Please copy the KOLSHELL.DFT file into the " + Globals().KolshellDir +
                    " directory.",
                mkError, true);
        startedOk_ = false;
        return;
    case DftStatus::Damaged:
        ShowMsg(error + " The built-in defaults are used; Setup, Store writes a new file.", mkError,
                true);
        break;
    case DftStatus::Ok:
        break;
    }
    // Without one of the user's own, the engine is the one beside the program.
    if (Trimmed(ProgramDirs().Dirs[pdEngine]).empty())
        ProgramDirs().Dirs[pdEngine] = Globals().KolshellDir;
    ReadRunSettings();
    if (Globals().KolsedOnlyMode) {
        QApplication::setApplicationName("KOLSED");
        MakeKolsedOnlyMenus();
    } else {
        setWindowTitle("KOLSHELL 32");
    }
    const std::string fnl = StateFileToRead("KOLSHELL.FNL");
    if (FileExists(fnl)) FileNameList.Load(fnl);
    FixFileNameList();

    TEditForm::EditorsCreated = 0;
    FindMode = ReplaceMode = false;
    Globals().PlotDefName.clear();
    UpdateMenu();
    Globals().InputFileName.clear();

    // A project index of the user's (start folder, configuration folder) before the program's.
    IndexFileName.clear();
    for (const std::string& dir : {Globals().StartDir, UserConfigDir(), Globals().KolshellDir}) {
        const std::vector<std::string> idx =
            dir.empty() ? std::vector<std::string>() : FindFiles(dir, "*.IDX");
        if (idx.empty()) continue;
        IndexFileName = JoinPath(dir, idx.back());
        break;
    }
    IndexFileFound = !IndexFileName.empty();
    PlotsMade = 0;
}

void TKOLSHELLFORM::CreateDialogs() {
    setupDlg_ = new TSetupDlg(this);
    setupDlg_->UnitsChanged = [this](int from, int to) { ConvertAllForms(from, to); };
    setupDlg_->EndProgram = [this] {
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
    };
    aboutBox_ = new TAboutBox(Globals().KolsedOnlyMode, this);
    compiling_ = new TCompiling(this);
}

void TKOLSHELLFORM::AddChild(TChildForm* child) {
    mdiArea_->addSubWindow(child);
    child->show();
    mdiArea_->setActiveSubWindow(child);
}

void TKOLSHELLFORM::DisposeChild(TChildForm* child) {
    // Out of the area first: a window being destroyed must not be activated on its way out.
    mdiArea_->removeSubWindow(child);
    delete child;
}

QList<TChildForm*> TKOLSHELLFORM::Children() const {
    QList<TChildForm*> list;
    for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<TChildForm*>(w)) list << c;
    return list;
}

TChildForm* TKOLSHELLFORM::FirstChildOfKind(int kind) const {
    for (TChildForm* c : Children())
        if (c->WindowKind() == kind) return c;
    return nullptr;
}

void TKOLSHELLFORM::ChildActivated(QMdiSubWindow* window) {
    if (auto* c = qobject_cast<TChildForm*>(window)) CurrentChild = c;
    UpdateMenu();
}

void TKOLSHELLFORM::UpdateMenu() {
    const bool any = !mdiArea_->subWindowList().isEmpty();
    const int kind = (CurrentChild && any) ? CurrentChild->WindowKind() : wkNone;
    const std::string file = kind != wkNone ? CurrentChild->FileName() : std::string();
    UpdateMenuState(menuState_, kind, file);
    ApplyMenuState();
    UpdatePlotItems(kind);
}

void TKOLSHELLFORM::ApplyMenuState() {
    TRunController* run = TRunController::Active();
    const MenuState shown = WithRunState(menuState_, run != nullptr);
    // The Table Run window of a table run going on can be closed and brought back.
    actions_["TableRun1"]->setEnabled(run && run->RunKind() == TRunController::Kind::Table);
    for (int c = 0; c < cmCommandCount; ++c) {
        const QString name = MenuCommandName(MenuCommand(c));
        if (QMenu* m = Menu(name))
            m->menuAction()->setEnabled(shown[size_t(c)]);
        else if (QAction* a = Action(name))
            a->setEnabled(shown[size_t(c)]);
    }
}

void TKOLSHELLFORM::ResetCompanionItem(const char* name, const char* caption) {
    actions_[name]->setText(caption);
    actions_[name]->setEnabled(false);
}

void TKOLSHELLFORM::DisposeKOLVANWindows(int kind) {
    while (TChildForm* c = FirstChildOfKind(kind)) {
        DisposeChild(c);
        switch (kind) {
        case wkDiagram:
            ResetCompanionItem("Diagram1", "Diagram");
            break;
        case wkOutput:
            ResetCompanionItem("Output1", "Output");
            Menu("Windows1")->findChild<QMenu*>("Output1Menu")->clear();
            break;
        case wkTable:
            ResetCompanionItem("Table1", "Table");
            break;
        case wkDeck:
        case wkForm:
            ResetCompanionItem("Input1", "Input");
            Globals().InputFileName.clear();
            break;
        case wkListing:
            ResetCompanionItem("Listing1", "Listing");
            break;
        default:
            break;
        }
    }
}

bool TKOLSHELLFORM::ClosePlots() {
    for (TChildForm* c : Children())
        if (c->WindowKind() == wkPlot && !c->FormCloseQuery()) return false;
    DisposeKOLVANWindows(wkPlot);
    return true;
}

void TKOLSHELLFORM::ConvertAllForms(int fromSystem, int toSystem) {
    for (TChildForm* c : Children())
        if (c->WindowKind() == wkForm) {
            c->ConvertUnits(fromSystem, toSystem);
            c->update();
        }
}

void TKOLSHELLFORM::Setup1Click() {
    if (setupDlg_) setupDlg_->Execute();
    UpdateMenu();
}

void TKOLSHELLFORM::AboutKOLSHELL1Click() {
    if (aboutBox_) aboutBox_->exec();
}

THelpWindow* TKOLSHELLFORM::HelpWindow() {
    if (!helpWindow_) helpWindow_ = new THelpWindow(ToQ(JoinPath(Globals().KolshellDir, "help")));
    return helpWindow_;
}

void TKOLSHELLFORM::KOLVANIndex1Click() {
    HelpWindow()->ShowPage(Globals().KolsedOnlyMode ? "kolsed.html" : "index.html");
}

void TKOLSHELLFORM::TypesIndex1Click() {
    HelpWindow()->ShowPage("types.html");
}

void TKOLSHELLFORM::KOLVANIndex2Click() {
    HelpWindow()->ShowPage("engine.html");
}

void TKOLSHELLFORM::KOLVANErrorMessges1Click() {
    HelpWindow()->ShowPage("errors.html");
}

void TKOLSHELLFORM::UsingHelp1Click() {
    HelpWindow()->ShowPage("usinghelp.html");
}

// The address of Help, KOLVAN Website: "Website=" in the settings file KOLSHELL.INI.
QString TKOLSHELLFORM::WebsiteAddress() const {
    QSettings ini(ToQ(NativePath(ProgramFileToRead("KOLSHELL.INI"))), QSettings::IniFormat);
    return ini.value("Website", KolvanWebPage).toString();
}

void TKOLSHELLFORM::WebsiteClick() {
    const QString address = WebsiteAddress();
    if (!OpenUrl(QUrl(address)))
        ShowMsg("No web browser could be started. The KOLVAN website is at " + FromQ(address),
                mkInformation, true);
}

// F1 shows the help of what it is pressed on: the highlighted menu item (or its menu), else
// the nearest window or dialog that carries a help context, else the dialog's own page.
bool TKOLSHELLFORM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return QMainWindow::eventFilter(watched, event);
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
    if (w->window() != this && !qobject_cast<QDialog*>(w->window())) return false;
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

void TKOLSHELLFORM::ShowFieldHelp(const std::string& deck, int topic, const std::string& caption) {
    THelpDlg dialog(deck, topic, caption, this);
    ExecDialog(dialog);
}

void TKOLSHELLFORM::Print1Click() {
    TPrintDlg dialog(this);
    dialog.FormActivate(Children(), CurrentChild.data());
    ExecDialog(dialog);
}

void TKOLSHELLFORM::PrintSetup1Click() {
    Dialogs().PrinterSetup(this);
    UpdateMenu();
}

void TKOLSHELLFORM::Exit1Click() {
    close();
}

// However the program ends (Exit or the close box), the recent-file list is kept.
void TKOLSHELLFORM::SaveFileNameList() {
    if (!RecentFilesOn) return;
    std::string why;
    const std::string fnl = StateFileToWrite("KOLSHELL.FNL", &why);
    if (fnl.empty())
        ShowMsg(why, mkError, true);
    else if (!FileNameList.Save(fnl))
        ShowMsg("File " + fnl + " could not be written: the recent-file list is not kept.", mkError,
                true);
}

void TKOLSHELLFORM::closeEvent(QCloseEvent* event) {
    if (!QueryStopRun(false)) {
        event->ignore();
        return;
    }
    // Every child asks about its unsaved work before any of them closes; one Cancel keeps
    // the program running with all its windows.
    for (TChildForm* c : Children())
        if (!c->FormCloseQuery()) {
            event->ignore();
            UpdateMenu();
            return;
        }
    for (TChildForm* c : Children())
        DisposeChild(c);
    mdiArea_->closeAllSubWindows();
    event->accept();
    SaveFileNameList();
}

void TKOLSHELLFORM::Tile1Click() {
    mdiArea_->tileSubWindows();
    UpdateMenu();
}

void TKOLSHELLFORM::Cascade1Click() {
    mdiArea_->cascadeSubWindows();
    UpdateMenu();
}

void TKOLSHELLFORM::SIUnitsClick() {
    ChooseUnitSystem(1);
}

void TKOLSHELLFORM::EngUnitsClick() {
    ChooseUnitSystem(2);
}

void TKOLSHELLFORM::ChooseUnitSystem(int system) {
    const int old = Options().UnitSystem;
    if (actions_.count("SIUnits")) { // the menu items exist in KOLSED-only mode
        actions_["SIUnits"]->setChecked(system == 1);
        actions_["EngUnits"]->setChecked(system == 2);
    }
    if (old != system) {
        Options().UnitSystem = system;
        ConvertAllForms(old, system);
    }
    UpdateMenu();
}

namespace {
int KindOf(const QPointer<TChildForm>& c) {
    return c ? c->WindowKind() : wkNone;
}
} // namespace

void TKOLSHELLFORM::Cut1Click() {
    const int k = KindOf(CurrentChild);
    if (IsEditorKind(k) || k == wkForm || k == wkTable) CurrentChild->EditCut();
    UpdateMenu();
}

void TKOLSHELLFORM::Copy1Click() {
    const int k = KindOf(CurrentChild);
    if (IsEditorKind(k) || IsViewerKind(k) || k == wkForm || k == wkTable) CurrentChild->EditCopy();
    UpdateMenu();
}

void TKOLSHELLFORM::Paste1Click() {
    const int k = KindOf(CurrentChild);
    if (IsEditorKind(k) || k == wkForm || k == wkTable) CurrentChild->EditPaste();
    UpdateMenu();
}

void TKOLSHELLFORM::Clear1Click() {
    const int k = KindOf(CurrentChild);
    if (k == wkDeck || k == wkText || k == wkForm || k == wkTable) CurrentChild->EditClear();
    UpdateMenu();
}

void TKOLSHELLFORM::Find1Click() {
    const int k = KindOf(CurrentChild);
    if (IsEditorKind(k) || IsViewerKind(k)) {
        CurrentChild->EditFind();
        FindMode = true;
        ReplaceMode = false;
    }
    UpdateMenu();
}

void TKOLSHELLFORM::Replace1Click() {
    const int k = KindOf(CurrentChild);
    if (IsEditorKind(k)) {
        CurrentChild->EditReplace();
        FindMode = false;
        ReplaceMode = true;
    }
    UpdateMenu();
}

void TKOLSHELLFORM::SearchAgain1Click() {
    const int k = KindOf(CurrentChild);
    if (IsViewerKind(k)) CurrentChild->EditSearchAgain(true, false);
    if (IsEditorKind(k)) CurrentChild->EditSearchAgain(FindMode, ReplaceMode);
    UpdateMenu();
}

void TKOLSHELLFORM::BringForward(TChildForm* child) {
    child->showNormal();
    mdiArea_->setActiveSubWindow(child);
    child->raise();
}

void TKOLSHELLFORM::Input1Click() {
    const std::string name = Globals().InputFileName;
    TChildForm* shown = WindowShowing(name);
    if (shown) BringForward(shown);
    // Closed meanwhile: the input opens again, a ".KSD" as a form.
    if (!shown && !name.empty()) {
        WaitCursor wait;
        if (ExtOf(name) == ".KSD")
            CreateKolsedForm(name);
        else
            CreateEditor(name, 0);
    }
    UpdateMenu();
}

// The first window of the kind comes to the front; without one, the input's companion opens.
void TKOLSHELLFORM::ShowCompanion(int kind, const std::function<void(const std::string&)>& open) {
    if (TChildForm* c = FirstChildOfKind(kind))
        BringForward(c);
    else if (!Globals().InputFileName.empty())
        open(Globals().InputFileName);
    UpdateMenu();
}

void TKOLSHELLFORM::Listing1Click() {
    ShowCompanion(wkListing, [this](const std::string& n) { GetLSTFile(n, true); });
}

void TKOLSHELLFORM::Table1Click() {
    ShowCompanion(wkTable, [this](const std::string& n) { GetTBLFile(n, true); });
}

void TKOLSHELLFORM::Diagram1Click() {
    ShowCompanion(wkDiagram, [this](const std::string& n) { GetDGMFile(n); });
}

void TKOLSHELLFORM::Utilities1Popup() {
    actions_["FLOWDRAW1"]->setText(Globals().UseNodeStudio ? "NodeStudio" : "FLOWDRAW");
}

void TKOLSHELLFORM::Plot1Popup() {
    actions_["NewPlot1"]->setEnabled(HasOutputFiles(Globals().InputFileName));
    UpdateMenu();
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
        QAction* a = windows->addAction(QString("&%1 %2").arg(++n).arg(c->windowTitle()));
        a->setCheckable(true);
        a->setChecked(c == mdiArea_->activeSubWindow());
        QPointer<TChildForm> target = c;
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) BringForward(target);
        });
        windowListActions_ << a;
    }
}
