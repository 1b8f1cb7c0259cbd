// The main window's document handling: which window a file opens in, the companions of the
// input deck in the Windows menu, the recent-file entries, and the Open and Save commands.
#include "app/docrules.h"
#include "app/kolshellform.h"
#include "app/watching.h"
#include "common/programfiles.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/printdlg.h"
#include "table/widgets/makekolseddlg.h"
#include "table/widgets/tableform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "shell/editlimits.h"
#include "shell/widgets/diagramform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/indexdlg.h"
#include "shell/widgets/viewform.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>

namespace kolshell {

namespace {

QString MenuText(const std::string& text) {
    return ToQ(text).replace("&", "&&");
}

// A name typed without an extension gets the dialog's default one.
std::string WithDefaultExt(const std::string& name, const std::string& ext) {
    if (name.empty() || ext.empty() || !ExtractFileExt(name).empty() || FileExists(name))
        return name;
    return name + "." + ext;
}

// A command-line name made absolute against the start folder (the current one when unknown).
std::string StartName(const std::string& argument) {
    std::string name = NativePath(argument); // any case finds the file
    if (!IsSeparator(name[0])) {
        const std::string& start = Globals().StartDir;
        name = JoinPath(start.empty() ? GetCurrentDir() : start, name);
    }
    return AbsolutePath(FromQ(QDir::cleanPath(ToQ(name))));
}

} // namespace

TDocumentController::TDocumentController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {}

TChildForm* TDocumentController::CreateEditor(const std::string& name, TWindowKind kind) {
    const std::string tooLarge = TooLargeToEdit(name);
    if (!tooLarge.empty())
        return ShowMsg(tooLarge, MsgKind::Information, false),
               CreateViewer(name, TWindowKind::Listing);
    auto* editor = new TEditForm;
    main_.AddChild(editor);
    if (!editor->Open(name)) {
        main_.DisposeChild(editor);
        return nullptr;
    }
    if (kind != TWindowKind::None) editor->SetWindowKind(kind);
    return editor;
}

TChildForm* TDocumentController::CreateKolsedForm(const std::string& name) {
    auto* form = new TKOLSEDForm;
    if (main_.Compiling()) main_.Compiling()->show();
    const bool ok = form->ReadDeck(name, main_.Compiling());
    if (main_.Compiling()) main_.Compiling()->hide();
    if (!ok) {
        delete form;
        return nullptr;
    }
    main_.AddChild(form);
    form->FrameWindow();
    return form;
}

TChildForm* TDocumentController::CreateViewer(const std::string& name, TWindowKind kind) {
    auto* viewer = new TViewForm;
    viewer->SetWindowKind(kind);
    main_.AddChild(viewer);
    if (!viewer->Open(name)) {
        main_.DisposeChild(viewer);
        return nullptr;
    }
    return viewer;
}

void TDocumentController::InputOpened(const std::string& name) {
    main_.SetCompanionItem("Input1", "Input " + name);
    Globals().CurrentDeckName = name;
    Globals().InputFileName = name;
}

TChildForm* TDocumentController::WindowShowing(const std::string& name) const {
    for (TChildForm* c : main_.Children())
        if (!c->isHidden() && SameFile(ShownFile(c), name)) return c;
    return nullptr;
}

void TDocumentController::LookUpCompanions(const std::string& name) {
    GetDGMFile(name);
    GetLSTFile(name, false);
    GetOUTFile(name, false);
    GetTBLFile(name, false);
    GetPLTFile(name, false);
}

// A file opened again comes forward in the window that shows it, so that no second window
// writes over the first one's edits; a deck opened again is the input once more.
bool TDocumentController::ShowIfOpen(const std::string& name) {
    QPointer<TChildForm> shown = WindowShowing(name);
    if (!shown) return false;
    if (IsInputExt(OpeningExt(name))) {
        const std::string deck = ShownFile(shown);
        LookUpCompanions(deck);
        InputOpened(deck);
    }
    if (shown) main_.BringForward(shown);
    return true;
}

void TDocumentController::ReadaFile(const std::string& name) {
    const std::string ext = OpeningExt(name);
    FileNameList.Add(name);
    FixFileNameList();
    if (Globals().KolsedOnlyMode && ext != ".KSD")
        ShowMsg(name + " is not a KOLSED file.", MsgKind::Error, true);
    if (ShowIfOpen(name)) {
        main_.UpdateMenu();
        return;
    }
    // Opening a deck or a table disposes of the table window.
    const bool tableGoes = IsInputExt(ext) || ext == ".TBL";
    if (tableGoes && !main_.Runs().QueryStopRun(true)) return;
    // A new deck or form takes the old one's window, table and plots with it: each asks
    // before any goes, and Cancel stops here.
    if (!main_.QueryDisposeKinds(KindsClosedByOpening(ext))) return;
    {
        WaitCursor wait;
        if (ext == ".DCK" || ext == ".DEK") {
            main_.DisposeKOLVANWindows(TWindowKind::Deck);
            LookUpCompanions(name);
            if (CreateEditor(name, TWindowKind::None)) InputOpened(name);
        } else if (ext == ".KSD") {
            main_.DisposeKOLVANWindows(TWindowKind::Form);
            GetDGMFile(name);
            GetPLTFile(name, false);
            GetLSTFile(name, false);
            GetOUTFile(name, false);
            GetTBLFile(name, false);
            if (CreateKolsedForm(name)) InputOpened(name);
        } else if (ext == ".KSP") {
            main_.Plots().CreatePlotForm(name);
        } else if (ext == ".BMP" || ext == ".WMF" || ext == ".DGM") {
            GetDGMFile(name);
        } else if (ext == ".TBL") {
            GetTBLFile(name, true);
        } else if (ext == ".PLT") {
            GetPLTFile(name, true);
        } else if (ext == ".LST") {
            GetLSTFile(name, true);
        } else {
            CreateEditor(name, TWindowKind::None);
        }
    }
    FixFileNameList();
    main_.UpdateMenu();
}

void TDocumentController::GetLSTFile(const std::string& name, bool show) {
    main_.DisposeKOLVANWindows(TWindowKind::Listing);
    const std::string listing = CompanionName(name, ".LST");
    if (!FileExists(listing)) {
        main_.ResetCompanionItem("Listing1", "Listing");
        return;
    }
    if (show) CreateViewer(listing, TWindowKind::Listing);
    main_.SetCompanionItem("Listing1", "Listing " + listing);
}

void TDocumentController::GetOUTFile(const std::string& name, bool show) {
    main_.DisposeKOLVANWindows(TWindowKind::Output);
    QMenu* sub = main_.Action("Output1")->menu();
    sub->clear();
    main_.Action("Output1")->setEnabled(true);
    // Entries keep the full name: the current directory may change before one is chosen.
    const std::string pattern = AbsolutePath(BaseName(name) + ".O*");
    const std::string dir = ExtractFileDir(pattern);
    const std::vector<std::string> found = FindFiles(dir, ExtractFileName(pattern));
    for (const std::string& file : found) {
        QAction* entry = sub->addAction(MenuText(file));
        entry->setProperty("KindCode", int(TWindowKind::Output));
        entry->setProperty("FileName", ToQ(JoinPath(dir, file)));
        connect(entry, &QAction::triggered, this, [this, entry] { OpenOutFile(entry); });
        if (show) CreateViewer(JoinPath(dir, file), TWindowKind::Output);
    }
    if (found.empty()) main_.ResetCompanionItem("Output1", "Output");
}

void TDocumentController::GetPLTFile(const std::string& name, bool show) {
    main_.Plots().ClosePlots(); // a plot the user keeps stays open
    const std::string plotter = CompanionName(name, ".PLT");
    if (!FileExists(plotter)) {
        Globals().PlotDefName.clear();
        return;
    }
    Globals().PlotDefName = plotter;
    if (show) CreateViewer(plotter, TWindowKind::Listing);
}

void TDocumentController::GetTBLFile(const std::string& name, bool show) {
    if (!main_.DisposeKOLVANWindows(TWindowKind::Table)) return; // the user keeps the table
    const std::string table = CompanionName(name, ".TBL");
    if (!FileExists(table)) {
        main_.ResetCompanionItem("Table1", "Table");
        return;
    }
    if (show) main_.Tables().CreateTableForm(table);
    main_.SetCompanionItem("Table1", "Table " + table);
}

void TDocumentController::GetDGMFile(const std::string& name) {
    main_.DisposeKOLVANWindows(TWindowKind::Diagram);
    if (!FileNameHasDot(name)) return;
    const std::string bitmap = CompanionName(name, ".BMP");
    const std::string metafile = CompanionName(name, ".WMF");
    // A metafile chosen by its own name is shown, though a bitmap lies beside it.
    const bool isBitmap = ExtOf(name) != ".WMF" && FileExists(bitmap);
    const std::string picture = isBitmap ? bitmap : metafile;
    if (!isBitmap && !FileExists(metafile)) {
        main_.ResetCompanionItem("Diagram1", "Diagram");
        return;
    }
    auto* diagram = new TDiagramForm;
    if (!diagram->LoadPicture(picture)) {
        delete diagram;
        main_.ResetCompanionItem("Diagram1", "Diagram");
        return;
    }
    main_.AddChild(diagram);
    diagram->setWindowTitle(ToQ(picture));
    if (isBitmap) diagram->FitToPicture(main_.screen() ? main_.screen()->size() : QSize(1024, 768));
    main_.SetCompanionItem("Diagram1", "Diagram " + picture);
}

void TDocumentController::OpenOutFile(QAction* sender) {
    if (!sender || sender->property("KindCode").toInt() != int(TWindowKind::Output)) return;
    const std::string name = FromQ(sender->property("FileName").toString());
    if (!FileExists(name)) {
        ShowMsg(name + " no longer exists", MsgKind::WarningOk, true);
        return;
    }
    if (name.find_first_of("\\:/") != std::string::npos) SetCurrentDir(ExtractFileDir(name));
    if (TChildForm* shown = WindowShowing(name))
        main_.BringForward(shown);
    else
        CreateViewer(name, TWindowKind::Output);
    main_.UpdateMenu();
}

void TDocumentController::FixFileNameList() {
    QMenu* file = main_.Menu("File1");
    // The menu's own items end with Exit; the entries follow after a separator.
    const int own = int(file->actions().indexOf(main_.Action("Exit1"))) + 1;
    while (file->actions().size() > own + 1) {
        QAction* last = file->actions().last();
        file->removeAction(last);
        last->deleteLater();
    }
    if (file->actions().size() == own) file->addSeparator();
    const std::vector<std::string>& names = FileNameList.Names();
    const std::vector<std::string> captions = RecentEntryCaptions(names);
    for (size_t i = 0; i < captions.size(); ++i) {
        QAction* entry = file->addAction(MenuText(captions[i]));
        entry->setProperty("ListIndex", int(names.size() - 1 - i));
        connect(entry, &QAction::triggered, this, [this, entry] {
            OpenFileItem(entry);
            main_.CommandEnded();
        });
    }
}

void TDocumentController::OpenFileItem(QAction* sender) {
    const int index = sender ? sender->property("ListIndex").toInt() : -1;
    const std::vector<std::string>& names = FileNameList.Names();
    if (index < 0 || size_t(index) >= names.size()) return;
    const std::string entry = names[size_t(index)];
    Globals().CurrentDeckName = entry;
    if (FileExists(entry)) {
        // A deck or table opened closes the one open: its unsaved changes are asked about first.
        const std::string ext = OpeningExt(entry);
        if ((IsInputExt(ext) || ext == ".TBL") && !QueryCloseInputs()) return;
        SetCurrentDir(ExtractFileDir(entry));
        ReadaFile(entry);
        main_.UpdateMenu();
        return;
    }
    ShowMsg(entry + " no longer exists", MsgKind::WarningOk, true);
    FileNameList.Remove(entry);
    FixFileNameList();
}

bool TDocumentController::QueryCloseInputs() {
    return main_.QueryDisposeKinds(
        {TWindowKind::Deck, TWindowKind::AnnotatedText, TWindowKind::Form, TWindowKind::Table});
}

// The folder the file dialogs start in: the current deck's, else that of the last file chosen,
// else the one the program was started from (never the program directory by itself).
std::string TDocumentController::OpenFolder() const {
    for (const std::string& name : {Globals().InputFileName, openName_, ksdName_})
        if (IsSeparator(name[0]) && IsDirectory(ExtractFileDir(name))) return ExtractFileDir(name);
    return Globals().StartDir.empty() ? GetCurrentDir() : Globals().StartDir;
}

bool TDocumentController::ChooseOpenFile(std::string& chosen) {
    std::string defaultExt = "DCK";
    QString filter = OpenFilter;
    if (IndexFileFound()) {
        defaultExt = "IDX";
        openFilter_ = 4;
        if (openName_.compare(0, 1, "*") == 0) {
            openName_ = "*.IDX";
        } else {
            openFilter_ = OpenFilterIndexFor(ExtOf(openName_));
            openName_ = "*" + ExtractFileExt(openName_);
        }
    }
    if (Globals().KolsedOnlyMode) {
        const bool index = IndexFileFound();
        defaultExt = index ? "IDX" : "KSD";
        openFilter_ = 1;
        filter = index ? "Index files|*.IDX|KOLSED files|*.KSD" : "KOLSED files|*.KSD";
        if (openName_.compare(0, 1, "*") == 0) openName_ = index ? "*.IDX" : "*.KSD";
    }
    const QString start = ToQ(JoinPath(OpenFolder(), ExtractFileName(openName_)));
    const QString name = Dialogs().OpenFileName(&main_, "Open", start, filter, &openFilter_);
    if (name.isEmpty()) return false;
    chosen = WithDefaultExt(FromQ(name), defaultExt);
    openName_ = chosen;
    return true;
}

void TDocumentController::OpenIndex(const std::string& indexFile) {
    TIndexDlg dlg(indexFile, &main_);
    dlg.OpenProject = [this](const std::string& project) { ReadaFile(project); };
    dlg.exec();
}

void TDocumentController::Open1Click() {
    if (!QueryCloseInputs()) return;
    main_.DisposeKOLVANWindows(TWindowKind::Output);
    if (Globals().KolsedOnlyMode && IndexFileFound() && FirstOpen) {
        OpenIndex(indexFileName_);
        FirstOpen = false;
        main_.UpdateMenu();
        return;
    }
    std::string chosen;
    if (ChooseOpenFile(chosen)) {
        SetCurrentDir(ExtractFileDir(chosen));
        if (ExtOf(chosen) == ".IDX")
            OpenIndex(chosen);
        else
            ReadaFile(chosen);
    }
    main_.UpdateMenu();
}

void TDocumentController::EditKOLSEDfile1Click() {
    const QString start = ToQ(JoinPath(OpenFolder(), ExtractFileName(ksdName_)));
    int filterIndex = 1;
    const QString picked =
        Dialogs().OpenFileName(&main_, "Open", start, OpenKSDFilter, &filterIndex);
    if (picked.isEmpty()) return;
    const std::string name = WithDefaultExt(FromQ(picked), "KSD");
    ksdName_ = name;
    // A file shown as text already comes forward; a form on it, like the other windows closed
    // below, asks its save question first.
    const TChildForm* shown = WindowShowing(name);
    const bool asText = shown && shown->WindowKind() != TWindowKind::Form;
    if (OpeningExt(name) == ".KSD" && !(asText && ShowIfOpen(name)) &&
        main_.Runs().QueryStopRun(true) && QueryCloseInputs() && main_.Plots().ClosePlots()) {
        main_.DisposeKOLVANWindows(TWindowKind::Form);
        main_.DisposeKOLVANWindows(TWindowKind::Deck);
        Globals().InputFileName = name;
        GetDGMFile(name); // before the editor, which then is the window in front
        CreateEditor(name, TWindowKind::AnnotatedText);
        GetPLTFile(name, false);
        GetLSTFile(name, false);
        GetOUTFile(name, false);
        GetTBLFile(name, false);
    }
    main_.UpdateMenu();
}

void TDocumentController::WindowSaveAs(TChildForm* child) {
    const auto k = child->WindowKind();
    const std::string proposed = k == TWindowKind::Plot            ? "*.KSP"
                                 : k == TWindowKind::AnnotatedText ? "*.KSD"
                                                                   : "*.DCK";
    int filterIndex = k == TWindowKind::Plot ? SaveAsTypeIndex(".KSP") : 1;
    const QString picked = AskSaveName(&main_, "Saving window " + child->Title(), ToQ(proposed),
                                       SaveFilter, &filterIndex);
    if (picked.isEmpty()) return;
    std::string name = FromQ(picked);
    if (k == TWindowKind::Plot) {
        name = WithDefaultExt(name, "KSP");
        child->SetCaption(ToQ(name));
        child->SaveDocument(name);
    } else if (auto* editor = qobject_cast<TEditForm*>(child)) {
        editor->SetFileName(name);
        editor->Save();
    }
}

bool TDocumentController::SaveDeckWindow(TChildForm* c, const std::string& deck) {
    if (!main_.Watching().MaySave(c)) return false;
    if (c->WindowKind() == TWindowKind::Form) return c->SaveDocument(deck);
    if (auto* editor = qobject_cast<TEditForm*>(c)) return editor->Save();
    return true;
}

void TDocumentController::SaveChild(TChildForm* c) {
    if (c->IsModified() && !main_.Watching().MaySave(c)) return;
    switch (c->WindowKind()) {
    case TWindowKind::Deck:
    case TWindowKind::AnnotatedText:
    case TWindowKind::Text:
        if (c->FileName().empty())
            WindowSaveAs(c);
        else if (auto* editor = qobject_cast<TEditForm*>(c); editor && editor->IsModified())
            editor->Save();
        break;
    case TWindowKind::Form:
        if (c->CheckActiveInput() && c->IsModified())
            c->SaveDocument(c->FileName()); // follows Save as
        break;
    case TWindowKind::Plot:
        if (c->DocumentName().empty())
            WindowSaveAs(c);
        else
            c->SaveDocument(c->DocumentName());
        break;
    case TWindowKind::Table:
        if (c == main_.Tables().CurrentTable() && c->IsModified()) {
            std::string name = c->DocumentName();
            if (ExtOf(name) != ".TBL" && FileNameHasDot(name)) name = BaseName(name) + ".TBL";
            c->SaveDocument(name);
        }
        break;
    default:
        break;
    }
}

void TDocumentController::New1Click() {
    main_.AddChild(new TEditForm);
    main_.UpdateMenu();
}

// Every window in turn; only what holds unsaved changes is written (plots are always
// written), and a window without a name is asked for one.
void TDocumentController::Save1Click() {
    for (TChildForm* c : main_.Children())
        SaveChild(c);
    main_.UpdateMenu();
}

void TDocumentController::Saveas1Click() {
    TChildForm* c = CurrentChild;
    if (!c) return;
    const auto k = c->WindowKind();
    std::string proposed;
    if (IsEditorKind(k)) {
        proposed = c->FileName();
    } else if (k == TWindowKind::Form) {
        if (!c->CheckActiveInput()) return;
        proposed = Globals().InputFileName;
    } else if (k == TWindowKind::Plot) {
        const std::string& deck =
            Globals().InputFileName.empty() ? Globals().PlotDefName : Globals().InputFileName;
        proposed = PlotSaveAsName(c->DocumentName(), deck);
    }
    int filterIndex = 1;
    const int row = SaveAsTypeIndex(k == TWindowKind::Plot ? ".KSP" : ExtOf(proposed));
    if (row) {
        filterIndex = row;
        const auto kind = SaveAsTypeAt(row).Kind;
        if ((kind == TWindowKind::Deck || kind == TWindowKind::Text) && IsEditorKind(k))
            c->SetWindowKind(kind);
    }
    const QString picked = AskSaveName(
        &main_, "Save As", ToQ(proposed), SaveFilter, &filterIndex, [row](const QString& n, int) {
            if (!row || !ExtractFileExt(FromQ(n)).empty() || !*SaveAsTypeAt(row).Ext) return n;
            return ToQ(WithDefaultExt(FromQ(n), std::string(SaveAsTypeAt(row).Ext + 1)));
        });
    if (picked.isEmpty()) {
        main_.UpdateMenu();
        return;
    }
    const std::string name = FromQ(picked);
    const auto kindNow = c->WindowKind();
    if (auto* editor = qobject_cast<TEditForm*>(c)) {
        if (kindNow == TWindowKind::Text && ExtOf(name) == ".DCK")
            editor->SetWindowKind(TWindowKind::Deck);
        if (ExtOf(name) == ".KSD") editor->SetWindowKind(TWindowKind::AnnotatedText);
        editor->SetFileName(name);
        editor->Save();
    } else if (kindNow == TWindowKind::Form || kindNow == TWindowKind::Plot) {
        c->SetCaption(ToQ(name));
        c->SaveDocument(name);
    } else if (kindNow == TWindowKind::Table) {
        if (TTableForm* table = main_.Tables().CurrentTable())
            table->SaveAs(name); // asked about replacing
    } else if (auto* diagram = qobject_cast<TDiagramForm*>(c)) {
        diagram->SavePicture(name);
    } else if (auto* viewer = qobject_cast<TViewForm*>(c)) {
        viewer->SaveDocument(name);
    }
    main_.UpdateMenu();
}

void TDocumentController::OpenStartFile(const std::string& argument) {
    if (argument.empty()) {
        if (Globals().KolsedOnlyMode) Open1Click();
        return;
    }
    // A relative name is the user's, from the folder the program was started in.
    const std::string full = StartName(argument);
    if (FileExists(full)) {
        // Output files are found relative to the current directory: make it the deck's.
        SetCurrentDir(ExtractFileDir(full));
        ReadaFile(full);
    } else {
        ShowMsg("File " + full + " was not found.", MsgKind::Error, true);
        if (Globals().KolsedOnlyMode) Open1Click();
    }
}

void TDocumentController::MakeKOLSEDfile1Click() {
    TChildForm* c = CurrentChild.data();
    // A plain deck: a ".DCK" or FLOWDRAW's ".DEK", which opens as a text editor.
    const std::string ext = c ? ExtOf(c->FileName()) : std::string();
    if (!c || !IsEditorKind(c->WindowKind()) || (ext != ".DCK" && ext != ".DEK")) return;
    std::string engineDir = ProgramDirs().Dirs[pdEngine];
    if (!IsDirectory(engineDir)) engineDir = Globals().KolshellDir;
    // The generator reads the deck from disk: unsaved changes are offered for saving first.
    if (!c->FormCloseQuery()) return;
    const std::string deck = c->FileName();
    TMakeKOLSEDDlg dialog(&main_);
    dialog.MakeDeck(deck, engineDir);
    main_.ExecDialog(dialog);
    if (!dialog.WrittenName().empty()) ReadaFile(dialog.WrittenName());
}

void TDocumentController::SaveAs(TChildForm* child) {
    CurrentChild = child;
    Saveas1Click();
}

void TDocumentController::Print1Click() {
    TPrintDlg dialog(&main_);
    dialog.FormActivate(main_.Children(), CurrentChild.data());
    main_.ExecDialog(dialog);
}

void TDocumentController::PrintSetup1Click() {
    Dialogs().PrinterSetup(&main_);
    main_.UpdateMenu();
}

void TDocumentController::LoadFileNameList() {
    const std::string fnl = StateFileToRead("KOLSHELL.FNL");
    if (FileExists(fnl)) FileNameList.Load(fnl);
    FixFileNameList();
}

// However the program ends (Exit or the close box), the recent-file list is kept.
void TDocumentController::SaveFileNameList() {
    std::string why;
    const std::string fnl = StateFileToWrite("KOLSHELL.FNL", &why);
    if (fnl.empty())
        ShowMsg(why, MsgKind::Error, true);
    else if (!FileNameList.Save(fnl))
        ShowMsg("File " + fnl + " could not be written: the recent-file list is not kept.",
                MsgKind::Error, true);
}

// The project index offered by the first Open of the KOLSED program: the user's (start folder,
// configuration folder) before the program's.
void TDocumentController::FindIndexFile() {
    indexFileName_.clear();
    for (const std::string& dir : {Globals().StartDir, UserConfigDir(), Globals().KolshellDir}) {
        const std::vector<std::string> idx =
            dir.empty() ? std::vector<std::string>() : FindFiles(dir, "*.IDX");
        if (idx.empty()) continue;
        indexFileName_ = JoinPath(dir, idx.back());
        break;
    }
}

void TDocumentController::ConvertAllForms(int fromSystem, int toSystem) {
    for (TChildForm* c : main_.Children())
        if (c->WindowKind() == TWindowKind::Form) {
            c->ConvertUnits(fromSystem, toSystem);
            c->update();
        }
}

void TDocumentController::ChooseUnitSystem(int system) {
    const int old = Options().UnitSystem;
    QAction* si = main_.Action("SIUnits"); // the menu items exist in KOLSED-only mode
    QAction* eng = main_.Action("EngUnits");
    if (si && eng) {
        si->setChecked(system == 1);
        eng->setChecked(system == 2);
    }
    if (old != system) {
        Options().UnitSystem = system;
        ConvertAllForms(old, system);
    }
    main_.UpdateMenu();
}

} // namespace kolshell
