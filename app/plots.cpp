// The main window's Plot menu: New Plot, Overlay Plot and Modify Plot.
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/widgets/qtext.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"

TPlotSetup& TKOLSHELLFORM::PlotSetup() {
    // One set-up dialog for the whole run: it keeps its last choices.
    if (!plotSetup_) plotSetup_ = new TPlotSetup(this);
    return *plotSetup_;
}

void TKOLSHELLFORM::NewPlot1Click() {
    TPlotSetup& setup = PlotSetup();
    setup.FormActivate(Globals().InputFileName, false, nullptr);
    ExecDialog(setup);
    if (setup.result() != QDialog::Accepted) return;
    auto* plot = new TPlotForm;
    plot->SetPlot(NextPlotCaption(PlotsMade, setup.ReadFile()), setup.NewPlot());
    AddChild(plot);
    UpdateMenu();
}

void TKOLSHELLFORM::OverlayPlot1Click() {
    TPlotForm* target = nullptr;
    int plots = 0;
    for (TChildForm* c : Children())
        if (auto* p = qobject_cast<TPlotForm*>(c)) target = p, ++plots;
    if (!target) return;
    if (plots > 1) Beep(), Beep();
    TPlotSetup& setup = PlotSetup();
    setup.FormActivate(Globals().PlotDefName, true, target);
    ExecDialog(setup);
}

void TKOLSHELLFORM::ModifyPlot(TPlotForm* plot) {
    TModPlot dialog(plot, this);
    ExecDialog(dialog);
    // Its last line deleted, the plot closes as any plot does: asking first.
    if (dialog.PlotEmptied() && plot->FormCloseQuery()) DisposeChild(plot);
    UpdateMenu();
}

void TKOLSHELLFORM::ModifyPlot1Click() {
    if (auto* plot = qobject_cast<TPlotForm*>(CurrentChild.data())) ModifyPlot(plot);
}
