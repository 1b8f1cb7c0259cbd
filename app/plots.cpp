// The main window's Plot menu: New Plot, Overlay Plot and Modify Plot; and File, Export Plot.
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "common/widgets/waitcursor.h"
#include "plot/outputfiles.h"
#include "plot/tableruns.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotexport.h"
#include "plot/widgets/plotform.h"
#include "run/widgets/runcontrol.h"
#include "table/results.h"
#include "table/rundecks.h"
#include "table/runstates.h"
#include "table/tablemodel.h"
#include "table/widgets/tableform.h"

#include <QAction>

namespace kolshell {

TPlotController::TPlotController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {}

TPlotSetup& TPlotController::PlotSetup() {
    // One set-up dialog for the whole run: it keeps its last choices.
    if (!plotSetup_) plotSetup_ = new TPlotSetup(&main_);
    return *plotSetup_;
}

void TPlotController::NewPlot1Click() {
    TPlotSetup& setup = PlotSetup();
    setup.FormActivate(Globals().InputFileName, false, nullptr);
    main_.ExecDialog(setup);
    if (setup.result() != QDialog::Accepted) return;
    auto* plot = new TPlotForm;
    plot->SetPlot(NextPlotCaption(plotsMade_, setup.ReadFile()), setup.TakeNewPlot());
    main_.AddChild(plot);
    main_.UpdateMenu();
}

void TPlotController::ShowNewPlot(const std::string& caption, const TPlotDef& def) {
    auto* plot = new TPlotForm;
    plot->SetPlot("Plot " + std::to_string(++plotsMade_) + ": " + caption, def);
    main_.AddChild(plot);
    main_.UpdateMenu();
}

void TPlotController::OverlayPlot1Click() {
    TPlotForm* target = nullptr;
    int plots = 0;
    for (TChildForm* c : main_.Children())
        if (auto* p = qobject_cast<TPlotForm*>(c)) target = p, ++plots;
    if (!target) return;
    if (plots > 1) Beep(), Beep();
    TPlotSetup& setup = PlotSetup();
    setup.FormActivate(Globals().PlotDefName, true, target);
    main_.ExecDialog(setup);
}

void TPlotController::ModifyPlot(TPlotForm* plot) {
    TModPlot dialog(plot, &main_);
    main_.ExecDialog(dialog);
    // Its last line deleted, the plot closes as any plot does: asking first.
    if (dialog.PlotEmptied()) main_.DisposeChild(plot);
    main_.UpdateMenu();
}

void TPlotController::ModifyPlot1Click() {
    if (auto* plot = qobject_cast<TPlotForm*>(CurrentChild.data())) ModifyPlot(plot);
}

void TPlotController::UpdateItems(TWindowKind kind) {
    if (QAction* a = main_.Action("ExportPlot1")) a->setEnabled(kind == TWindowKind::Plot);
    if (QAction* a = main_.Action("PlotTableRuns1"))
        a->setEnabled(main_.Tables().CurrentTable() &&
                      !RunOneFiles(main_.Tables().CurrentTable()->Table().DeckName).empty());
    for (const char* zoom : {"ZoomOut1", "ResetZoom1"})
        if (QAction* a = main_.Action(zoom)) a->setEnabled(kind == TWindowKind::Plot);
}

void TPlotController::ZoomOut1Click() {
    if (auto* plot = qobject_cast<TPlotForm*>(CurrentChild.data())) plot->ZoomOut();
}

void TPlotController::ResetZoom1Click() {
    if (auto* plot = qobject_cast<TPlotForm*>(CurrentChild.data())) plot->ResetZoom();
}

namespace {

// "run 2: AREA=2.5, FLOW=10" from the table's values of run r; a partial run's state before
// the colon ("run 2 (stopped, partial): ...").
std::string RunLegend(const TTable& t, int r, const std::string& partial) {
    std::string text = "run " + std::to_string(r) + (partial.empty() ? "" : " (" + partial + ")");
    text += ":";
    for (int c = 1; c < t.ColCount; ++c)
        text += (c > 1 ? ", " : " ") + GetS(t, c, 0) + "=" + GetS(t, c, r);
    return text;
}

// "Run 3 has" / "Runs 3, 5 have" and the rest of the sentence.
std::string RunsSentence(const std::vector<int>& runs, const char* one, const char* many) {
    std::string s;
    for (int r : runs)
        s += (s.empty() ? "" : ", ") + std::to_string(r);
    return (runs.size() == 1 ? "Run " : "Runs ") + s + (runs.size() == 1 ? one : many);
}

// What run r's output stands on now: the run of the table going on, else what its last run
// left (recorded beside the table).
TRunState RunStateNow(const TTable& t, const TRunRecords& records, int r, const std::string& file) {
    if (TRunController* run = TRunController::Active())
        if (run->RunKind() == TRunController::Kind::Table)
            for (const TRun& going : run->Set().Runs())
                if (going.Number == r && going.State == TRunState::Running &&
                    IsRunOfTable(t, going))
                    return TRunState::Running;
    std::string why;
    return RecordedState(t, records, r, file, why);
}

// The words a partial run's legend carries; empty for a complete one.
std::string PartialWords(TRunState state) {
    switch (state) {
    case TRunState::Failed:
        return "failed, partial";
    case TRunState::Stopped:
        return "stopped, partial";
    case TRunState::Running:
        return "running, partial";
    default:
        return {};
    }
}

} // namespace

void TPlotController::PlotTableRuns1Click() {
    TTableForm* tableForm = main_.Tables().CurrentTable();
    if (!tableForm) return;
    const TTable& t = tableForm->Table();
    const std::string dir = ExtractFileDir(t.DeckName);
    std::vector<std::string> files;
    for (const std::string& f : RunOneFiles(t.DeckName))
        files.push_back(JoinPath(dir, f));
    if (files.empty()) return;
    TPlotTableRuns dialog(files, &main_);
    main_.ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.XCol() < 1 || dialog.YCol() < 1) return;
    const std::string base = UpStr(ExtractFileName(t.DeckName));
    const TRunRecords records = ReadRunStates(t.TableFileName);
    std::vector<RunLine> runs;
    std::vector<int> missing, partial, outdated;
    for (int r = 1; r <= t.Runs(); ++r) {
        const std::string file =
            RunFileName(dialog.File(), base.substr(0, base.find('.')), RunSuffix(r));
        const TRunState state = RunStateNow(t, records, r, file);
        const std::string words = PartialWords(state);
        if (!FileExists(file))
            missing.push_back(r);
        else if (state == TRunState::NotRun) // run with values the table no longer has
            outdated.push_back(r);
        else
            runs.push_back({r, file, RunLegend(t, r, words), !words.empty()});
        if (!words.empty() && FileExists(file)) partial.push_back(r);
    }
    TPlotDef def;
    std::string error;
    bool built = false;
    {
        WaitCursor wait;
        built = BuildRunsPlot(runs, dialog.XCol(), dialog.YCol(), def, error);
    }
    if (!built) {
        ShowMsg(error, MsgKind::Error, true);
        return;
    }
    std::string notes;
    if (!missing.empty())
        notes +=
            RunsSentence(missing, " has no output file and is", " have no output file and are") +
            " left out of the plot.";
    if (!outdated.empty())
        notes += std::string(notes.empty() ? "" : "  ") +
                 RunsSentence(outdated,
                              " has an output file from other values than the table's now and is",
                              " have output files from other values than the table's now and are") +
                 " left out of the plot.";
    if (!partial.empty())
        notes += std::string(notes.empty() ? "" : "  ") +
                 RunsSentence(partial, " did not finish: its line shows",
                              " did not finish: their lines show") +
                 " partial outputs, dotted and marked in the legend.";
    if (!notes.empty()) ShowMsg(notes, MsgKind::Information, false);
    auto* plot = new TPlotForm;
    plot->SetPlot(NextPlotCaption(plotsMade_, dialog.File()) + ", every run", def);
    main_.AddChild(plot);
    main_.UpdateMenu();
}

void TPlotController::ExportPlot1Click() {
    auto* plot = qobject_cast<TPlotForm*>(CurrentChild.data());
    if (!plot) return;
    const std::string base =
        plot->DocumentName().empty() ? "PLOT" : ChangeFileExt(plot->DocumentName(), "");
    int filter = 1;
    const QString picked = AskSaveName(
        &main_, "Export Plot", ToQ(base + ".png"), PlotPictureFilter, &filter,
        [](const QString& name, int index) { return ToQ(PlotPictureName(FromQ(name), index)); });
    if (picked.isEmpty()) return;
    const std::string name = FromQ(picked);
    const QSize window = plot->ClientSize();
    bool ok = false;
    const QString text = Dialogs().InputText(
        &main_, "Export Plot", "Picture &size, width x height (for a PDF the page in points):",
        QString("%1 x %2").arg(window.width()).arg(window.height()), &ok);
    if (!ok) return;
    QSize size;
    if (!ParsePictureSize(FromQ(text), size)) {
        ShowMsg("'" + FromQ(text) + "' is not a picture size: give width x height, as 800 x 500.",
                MsgKind::Error, true);
        return;
    }
    std::string error;
    bool written = false;
    {
        WaitCursor wait;
        written = ExportPlot(plot->Def(), plot->FrameValues(), window, name, size, error);
    }
    if (!written) ShowMsg(error, MsgKind::Error, true);
    main_.UpdateMenu();
}

void TPlotController::Plot1Popup() {
    main_.Action("NewPlot1")->setEnabled(HasOutputFiles(Globals().InputFileName));
    main_.UpdateMenu();
}

TChildForm* TPlotController::CreatePlotForm(const std::string& name) {
    auto* plot = new TPlotForm;
    if (!plot->OpenPlot(name)) {
        delete plot;
        return nullptr;
    }
    main_.AddChild(plot);
    return plot;
}

bool TPlotController::ClosePlots() {
    return main_.QueryDisposeKinds({TWindowKind::Plot}) &&
           main_.DisposeKOLVANWindows(TWindowKind::Plot);
}

} // namespace kolshell
