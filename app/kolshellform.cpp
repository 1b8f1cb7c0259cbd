#include "app/kolshellform.h"
#include "app/commands.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "common/widgets/childform.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runsettings.h"
#include "shell/widgets/editform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenuBar>

namespace kolshell {

namespace {

QString MenuText(const std::string& text) {
    return ToQ(text).replace("&", "&&");
}

} // namespace

TKOLSHELLFORM::TKOLSHELLFORM(QWidget* parent) : QMainWindow(parent) {
    setObjectName("KOLSHELLFORM");
    setProperty("HelpContext", 1);
    resize(900, 640);
    menuState_.fill(true);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("MdiArea");
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TKOLSHELLFORM::ChildActivated);
    documents_ = new TDocumentController(*this);
    editing_ = new TEditController(*this);
    runs_ = new TRunningController(*this);
    tables_ = new TTableController(*this);
    plots_ = new TPlotController(*this);
    help_ = new THelpController(*this);
    recovery_ = new TRecovery(*this, JoinPath(UserStateDir(), "recovery"));
    watcher_ = new TWatcher(*this);
    BuildMenus();
    FormCreate();
}

TKOLSHELLFORM::~TKOLSHELLFORM() {
    // Children closing with the frame must not refresh a menu that is going away.
    disconnect(mdiArea_, nullptr, this, nullptr);
    recovery_->Abandon(); // windows going with the frame keep their recovery files
    for (TChildForm* c : Children())
        disconnect(c, nullptr, this, nullptr);
    delete help_; // with the help window
}

QAction* TKOLSHELLFORM::Action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* TKOLSHELLFORM::Menu(const QString& name) const {
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

void TKOLSHELLFORM::FormCreate() {
    const std::string dft = ProgramFileToRead("KOLSHELL.DFT");
    std::string error;
    switch (ReadDFT(dft, Globals().Settings, &error)) {
    case DftStatus::Missing:
        ShowMsg("Please copy the KOLSHELL.DFT file into the " + Globals().KolshellDir +
                    " directory.",
                MsgKind::Error, true);
        startedOk_ = false;
        return;
    case DftStatus::Damaged:
        ShowMsg(error + " The built-in defaults are used; Setup, Store writes a new file.",
                MsgKind::Error, true);
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
    documents_->LoadFileNameList();

    TEditForm::EditorsCreated = 0;
    Globals().PlotDefName.clear();
    UpdateMenu();
    Globals().InputFileName.clear();
    documents_->FindIndexFile();
}

void TKOLSHELLFORM::CreateDialogs() {
    setupDlg_ = new TSetupDlg(this);
    setupDlg_->UnitsChanged = [this](int from, int to) { documents_->ConvertAllForms(from, to); };
    setupDlg_->EndProgram = [this] {
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
    };
    aboutBox_ = new TAboutBox(Globals().KolsedOnlyMode, this);
    compiling_ = new TCompiling(this);
}

void TKOLSHELLFORM::AddChild(TChildForm* child) {
    mdiArea_->addSubWindow(child);
    connect(child, &TChildForm::MenuChanged, this, &TKOLSHELLFORM::UpdateMenu);
    recovery_->Watch(child);
    connect(child, &TChildForm::SaveAsRequested, documents_,
            [this, child] { documents_->SaveAs(child); });
    child->MayWriteOwnFile = [this, child] { return watcher_->MaySave(child); };
    if (auto* plot = qobject_cast<TPlotForm*>(child))
        connect(plot, &TPlotForm::ModifyRequested, plots_,
                [this, plot] { plots_->ModifyPlot(plot); });
    if (auto* form = qobject_cast<TKOLSEDForm*>(child))
        connect(form, &TKOLSEDForm::HelpRequested, help_, &THelpController::ShowFieldHelp);
    child->show();
    mdiArea_->setActiveSubWindow(child);
}

bool TKOLSHELLFORM::DisposeChild(TChildForm* child) {
    if (!closeGuard_.MayClose(child)) return false;
    // Out of the area first: a window being destroyed must not be activated on its way out.
    mdiArea_->removeSubWindow(child);
    delete child;
    return true;
}

bool TKOLSHELLFORM::QueryDisposeChildren(const QList<TChildForm*>& going) {
    return closeGuard_.QueryClose(going);
}

bool TKOLSHELLFORM::QueryDisposeKinds(const std::vector<TWindowKind>& kinds) {
    QList<TChildForm*> going;
    for (TChildForm* c : Children())
        if (std::find(kinds.begin(), kinds.end(), c->WindowKind()) != kinds.end()) going << c;
    return QueryDisposeChildren(going);
}

QList<TChildForm*> TKOLSHELLFORM::Children() const {
    QList<TChildForm*> list;
    for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<TChildForm*>(w)) list << c;
    return list;
}

TChildForm* TKOLSHELLFORM::FirstChildOfKind(TWindowKind kind) const {
    for (TChildForm* c : Children())
        if (c->WindowKind() == kind) return c;
    return nullptr;
}

TChildForm* TKOLSHELLFORM::ActiveChild() const {
    return mdiArea_->subWindowList().isEmpty() ? nullptr : CurrentChild.data();
}

void TKOLSHELLFORM::ChildActivated(QMdiSubWindow* window) {
    if (auto* c = qobject_cast<TChildForm*>(window)) CurrentChild = c;
    UpdateMenu();
}

void TKOLSHELLFORM::UpdateMenu() {
    const bool any = !mdiArea_->subWindowList().isEmpty();
    const auto kind = (CurrentChild && any) ? CurrentChild->WindowKind() : TWindowKind::None;
    const std::string file = kind != TWindowKind::None ? CurrentChild->FileName() : std::string();
    const std::optional<TEditCommands> edits =
        kind != TWindowKind::None ? CurrentChild->EditCommands() : std::nullopt;
    UpdateMenuState(menuState_, kind, file, edits);
    for (TChildForm* c : Children())
        c->ShowModified();
    recovery_->DropSaved();
    watcher_->Refresh();
    ApplyMenuState();
    runs_->UpdateItems();
    plots_->UpdateItems(kind);
    tables_->UpdateItems(kind);
}

void TKOLSHELLFORM::ApplyMenuState() {
    const MenuState shown = WithRunState(menuState_, TRunController::Active() != nullptr);
    for (const TMenuDef& m : MenuTable())
        if (m.Enabling.Rule == TEnabling::ByState)
            menus_[m.Name]->menuAction()->setEnabled(shown[size_t(m.Enabling.Command)]);
    for (const TCommandDef& it : CommandTable())
        if (it.Enabling.Rule == TEnabling::ByState)
            actions_[it.Name]->setEnabled(shown[size_t(it.Enabling.Command)]);
}

void TKOLSHELLFORM::SetCompanionItem(const char* name, const std::string& caption) {
    actions_[name]->setText(MenuText(caption));
    actions_[name]->setEnabled(true);
}

void TKOLSHELLFORM::ResetCompanionItem(const char* name, const char* caption) {
    actions_[name]->setText(caption);
    actions_[name]->setEnabled(false);
}

bool TKOLSHELLFORM::DisposeKOLVANWindows(TWindowKind kind) {
    bool kept = false, gone = false;
    for (TChildForm* c : Children())
        if (c->WindowKind() == kind) (DisposeChild(c) ? gone : kept) = true;
    if (kept) return false;
    if (gone) {
        switch (kind) {
        case TWindowKind::Diagram:
            ResetCompanionItem("Diagram1", "Diagram");
            break;
        case TWindowKind::Output:
            ResetCompanionItem("Output1", "Output");
            Menu("Windows1")->findChild<QMenu*>("Output1Menu")->clear();
            break;
        case TWindowKind::Table:
            ResetCompanionItem("Table1", "Table");
            break;
        case TWindowKind::Deck:
        case TWindowKind::Form:
            ResetCompanionItem("Input1", "Input");
            Globals().InputFileName.clear();
            break;
        case TWindowKind::Listing:
            ResetCompanionItem("Listing1", "Listing");
            break;
        default:
            break;
        }
    }
    return true;
}

void TKOLSHELLFORM::Setup1Click() {
    if (setupDlg_) setupDlg_->Execute();
    UpdateMenu();
}

void TKOLSHELLFORM::Exit1Click() {
    close();
}

void TKOLSHELLFORM::closeEvent(QCloseEvent* event) {
    if (!runs_->QueryStopRun(false)) {
        event->ignore();
        return;
    }
    // Every child asks about its unsaved work before any of them closes; one Cancel keeps
    // the program running with all its windows.
    if (!QueryDisposeChildren(Children())) {
        event->ignore();
        CommandEnded();
        UpdateMenu();
        return;
    }
    for (TChildForm* c : Children())
        DisposeChild(c);
    CommandEnded();
    mdiArea_->closeAllSubWindows();
    event->accept();
    documents_->SaveFileNameList();
    CloseOtherWindows();
}

void TKOLSHELLFORM::CloseOtherWindows() {
    // Nothing the program opened outlives it: Table Run, progress, help and Results windows.
    runs_->CloseRunWindows();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
}

void TKOLSHELLFORM::Tile1Click() {
    mdiArea_->tileSubWindows();
    UpdateMenu();
}

void TKOLSHELLFORM::Cascade1Click() {
    mdiArea_->cascadeSubWindows();
    UpdateMenu();
}

void TKOLSHELLFORM::BringForward(TChildForm* child) {
    child->showNormal();
    mdiArea_->setActiveSubWindow(child);
    child->raise();
}

void TKOLSHELLFORM::Input1Click() {
    const std::string name = Globals().InputFileName;
    TChildForm* shown = documents_->WindowShowing(name);
    if (shown) BringForward(shown);
    // Closed meanwhile: the input opens again, a ".KSD" as a form.
    if (!shown && !name.empty()) {
        WaitCursor wait;
        if (ExtOf(name) == ".KSD")
            documents_->CreateKolsedForm(name);
        else
            documents_->CreateEditor(name, TWindowKind::None);
    }
    UpdateMenu();
}

// The first window of the kind comes to the front; without one, the input's companion opens.
void TKOLSHELLFORM::ShowCompanion(TWindowKind kind,
                                  const std::function<void(const std::string&)>& open) {
    if (TChildForm* c = FirstChildOfKind(kind))
        BringForward(c);
    else if (!Globals().InputFileName.empty())
        open(Globals().InputFileName);
    UpdateMenu();
}

void TKOLSHELLFORM::Listing1Click() {
    ShowCompanion(TWindowKind::Listing,
                  [this](const std::string& n) { documents_->GetLSTFile(n, true); });
}

void TKOLSHELLFORM::Table1Click() {
    ShowCompanion(TWindowKind::Table,
                  [this](const std::string& n) { documents_->GetTBLFile(n, true); });
}

void TKOLSHELLFORM::Diagram1Click() {
    ShowCompanion(TWindowKind::Diagram,
                  [this](const std::string& n) { documents_->GetDGMFile(n); });
}

} // namespace kolshell
