// The plots: New Plot, Overlay Plot, Modify Plot, Plot Table Runs, File, Export Plot, and the
// plot windows of a deck, which go with it.
#pragma once

#include "common/windowkind.h"

#include <QObject>
#include <QPointer>
#include <string>

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;
class TPlotForm;
class TPlotSetup;

class TPlotController : public QObject {
    Q_OBJECT
  public:
    explicit TPlotController(TKOLSHELLFORM& main);

    void NewPlot1Click();
    void OverlayPlot1Click();
    void ModifyPlot1Click();
    // File, Export Plot...: the current plot as a PNG, SVG or PDF picture.
    void ExportPlot1Click();
    // Plot, Plot Table Runs: one column of an output file, one line per run of the table.
    void PlotTableRuns1Click();
    // Plot, Zoom Out and Reset Zoom: the current plot's previous axes, or those before zooming.
    void ZoomOut1Click();
    void ResetZoom1Click();
    void Plot1Popup();
    void ModifyPlot(TPlotForm* plot);
    // A new plot window of a plot made elsewhere (a response plot of the table's results).
    void ShowNewPlot(const std::string& caption, const struct TPlotDef& def);
    // The plot window that has opened a plot file; nullptr (after its message) when the file
    // could not be read.
    TChildForm* CreatePlotForm(const std::string& name);
    // Closes every plot window, each asking first; false, with all of them kept, when one is
    // cancelled.
    bool ClosePlots();
    // The items that follow the current window: Export Plot, Plot Table Runs and the zoom items.
    void UpdateItems(TWindowKind kind);
    TPlotSetup& PlotSetup();

  private:
    TKOLSHELLFORM& main_;
    QPointer<TPlotSetup> plotSetup_;
    int plotsMade_ = 0;
};

} // namespace kolshell
