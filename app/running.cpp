// The main window's runs: the engine on the active deck (Calculate), the compile, rebuild and
// user commands, and the companion programs of the Utilities menu.
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/runner.h"

#include <QMdiArea>

namespace {

constexpr int LaunchFailed = 32;

// The directory a program lives in joined to its name with the platform's separator, as the
// settings hold directories ("C:\KOLVAN" style or this platform's own).
std::string InDirectory(const std::string& dir, const std::string& name) {
    if (dir.empty() || IsSeparator(dir.back())) return dir + name;
    return dir + "\\" + name;
}

// Starts a command of the user's without waiting; a failure is reported with the command.
void LaunchUserCommand(const std::string& command) {
    const int result = LaunchProgram(command);
    if (result < LaunchFailed)
        ShowMsg("Error " + std::to_string(result) + " encountered while trying to execute " +
                    command,
                mkError, true);
}

bool IsEditorDeck(int kind) {
    return kind == wkDeck || kind == wkAnnotatedText;
}

} // namespace

bool TKOLSHELLFORM::SaveBeforeRun(TChildForm* c, const std::string& deck) {
    if (!c || !c->IsModified()) return true;
    switch (ShowMsg("Do you wish to save file " + deck + " before calling KOLVAN?",
                    mkWarningYesNoCancel, true)) {
    case mrYes:
        if (c->WindowKind() == wkForm)
            c->SaveDocument(deck);
        else if (auto* editor = qobject_cast<TEditForm*>(c))
            editor->Save();
        return true;
    case mrNo:
        return true;
    default:
        return false;
    }
}

void TKOLSHELLFORM::Calculate1Click() {
    TChildForm* c = mdiArea_->subWindowList().isEmpty() ? nullptr : CurrentChild.data();
    const int kind = c ? c->WindowKind() : wkNone;
    const bool deckWindow = IsEditorDeck(kind) || kind == wkForm;
    const std::string deck = deckWindow ? c->FileName() : std::string();
    if (!SaveBeforeRun(deckWindow ? c : nullptr, deck)) return;
    const std::string remembered = GetCurrentDir();
    std::string& engineDir = ProgramDirs().Dirs[pdEngine];
    if (!IsDirectory(engineDir)) engineDir = Globals().KolshellDir;
    auto finish = [this, &remembered] {
        UpdateMenu();
        SetCurrentDir(remembered);
    };
    if (kind == wkForm && c->BeforeRunCommand().size() > 4 && !RunProgramOK(c->BeforeRunCommand()))
        return finish();
    std::string engine = engineDir + "\\KOLVAN" + "32" + ".exe";
    if (!FileExists(engine)) {
        const QString dir = Dialogs().DirectoryName(this, "Select the KOLVAN directory",
                                                    ToQ(Globals().KolshellDir));
        if (dir.isEmpty()) return finish();
        engineDir = FromQ(dir);
        engine = engineDir + "\\KOLVAN" + "32" + ".exe";
    }
    QPointer<TChildForm> form = c;
    if (!RunProgramOK(engine + " " + deck)) return finish();
    GetLSTFile(deck, false);
    GetOUTFile(deck, false);
    GetPLTFile(deck, false);
    if (kind == wkForm && form && form->AfterRunCommand().size() > 4)
        RunProgramOK(form->AfterRunCommand());
    finish();
}

void TKOLSHELLFORM::CompileModule1Click() {
    const std::string file = CurrentChild ? CurrentChild->FileName() : std::string();
    const int result = LaunchProgram(UserCommands().Compile + " " + file);
    if (result < LaunchFailed)
        ShowMsg("Error " + std::to_string(result) + " encountered while trying to compile " + file,
                mkError, true);
    UpdateMenu();
}

void TKOLSHELLFORM::RebuildKOLVAN1Click() {
    LaunchUserCommand(UserCommands().Rebuild);
    UpdateMenu();
}

void TKOLSHELLFORM::ExecuteCommand1Click() {
    if (Globals().KolsedOnlyMode) {
        bool ok = false;
        const QString text = Dialogs().InputText(this, "User Command", "Execute User Command",
                                                 ToQ(UserCommands().User), &ok);
        if (!ok) return;
        UserCommands().User = FromQ(text);
    }
    LaunchUserCommand(UserCommands().User);
    UpdateMenu();
}

void TKOLSHELLFORM::RunCompanion(int dir, const char* executable, const char* program) {
    const std::string remembered = GetCurrentDir();
    std::string& entry = ProgramDirs().Dirs[size_t(dir)];
    if (!IsDirectory(entry)) {
        const QString chosen = Dialogs().DirectoryName(
            this, QString("Select the %1 directory").arg(program), ToQ(Globals().KolshellDir));
        if (chosen.isEmpty()) return;
        entry = FromQ(chosen);
    }
    SetCurrentDir(entry);
    const int result = LaunchProgram(InDirectory(entry, executable), entry);
    if (result < LaunchFailed)
        ShowMsg("Error " + std::to_string(result) + " encountered while trying to call " + program,
                mkError, true);
    UpdateMenu();
    SetCurrentDir(remembered);
}

void TKOLSHELLFORM::FLOWDRAW1Click() {
    const bool node = Globals().UseNodeStudio;
    RunCompanion(pdFlowdraw, node ? "NodeLaunch.exe" : "FLOWDRAW.exe",
                 node ? "NodeStudio" : "FLOWDRAW");
}

void TKOLSHELLFORM::ZONEKIT1Click() {
    RunCompanion(pdZonekit, "ZONEKIT.exe", "ZONEKIT");
}

void TKOLSHELLFORM::ZONER1Click() {
    RunCompanion(pdZoner, "ZONERWIN.exe", "ZONER");
}

void TKOLSHELLFORM::MODLIB1Click() {
    RunCompanion(pdModlib, "MODLIB.exe", "MODLIB");
}

void TKOLSHELLFORM::DEBUG1Click() {
    RunCompanion(pdGridcalc, "Gridcalc.exe", "KOLGRIDCALC");
}
