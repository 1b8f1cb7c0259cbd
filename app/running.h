// The runs of the program: the engine on the active deck (Calculate), table runs followed in
// the Table Run window and on the status line, Stop Run, the compile, rebuild and user
// commands, and the companion programs of the Utilities menu.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QTimer;
class QWidget;

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;
class TRunController;
class TRunSet;
class TSlurmBackend;
class TTableRunForm;
struct TRun;
struct TRunResult;
struct TEngineEnd;

class TRunningController : public QObject {
    Q_OBJECT
  public:
    explicit TRunningController(TKOLSHELLFORM& main);

    void Calculate1Click();
    void CompileModule1Click();
    void RebuildKOLVAN1Click();
    void ExecuteCommand1Click();
    void FLOWDRAW1Click();
    void ZONEKIT1Click();
    void ZONER1Click();
    void MODLIB1Click();
    void DEBUG1Click();
    void Utilities1Popup();
    // Stop Run: the run going on ends (its engines terminated, killed after 3 seconds).
    void StopRun1Click();
    // Windows, Table Run: the Table Run window of the table run going on.
    void TableRun1Click();
    // Before a command that would end a run going on: false when the user keeps the run (and
    // the command is cancelled). tableOnly: only a table run whose table window would go.
    bool QueryStopRun(bool tableOnly);
    // False, after a message, while a run goes on.
    bool RefuseWhileRunning();
    // The items that follow the run going on: Table Run.
    void UpdateItems();
    // At Exit: the Table Run windows and the progress window close with the main window.
    void CloseRunWindows();

    void StartTableRun(std::vector<TRun> runs, int parallel, const std::string& table);
    // The table window asks before it closes during a table run.
    void GuardTableClose(TChildForm* table);
    // The current table's line about the cluster job of its run.
    void ShowTableRunLine();
    // A table file whose last cluster job is remembered: "Follow job N again?".
    void OfferToFollowJob(const std::string& tableFile);

  private:
    bool SaveBeforeRun(TChildForm* child, const std::string& deck);
    // The deck Calculate runs; empty when there is none.
    std::string DeckToRun() const;
    // The open window holding the deck, if any.
    TChildForm* DeckWindow(const std::string& deck) const;
    void RunCompanion(int dir, const char* executable, const char* program);
    void RunActivityChanged();
    void ShowRunStatus();
    void ReportEngineEnd(const TRunResult& result, const std::string& deck);
    // The status line's word on an engine run that ended; a notification when it took long
    // and the user looks elsewhere.
    void TellRunEnd(const TEngineEnd& end);
    // A table run followed in the Table Run window and the table's run line until it ends;
    // slurm: its backend when it is a cluster's job.
    void FollowTableRun(std::shared_ptr<TRunSet> set, const std::string& table,
                        TSlurmBackend* slurm);
    void ShowTableRunWindow(TRunController* run, const std::string& table);
    void TableRunEnded(TRunController* run, bool keepRunFiles = false);
    void BringBack(QWidget* window);
    void PlaceOverMain(QWidget& window) const;
    void PlaceProgress(QWidget& progress) const;

    TKOLSHELLFORM& main_;
    std::string tableRunName_;   // the table of the table run going on
    QTimer* runClock_ = nullptr; // the status line's elapsed seconds
    QLabel* runStatus_ = nullptr;
    QPointer<TTableRunForm> lastTableRun_; // until it is closed
    QString lastEnd_; // how the last engine run went, until the next run starts
};

} // namespace kolshell
