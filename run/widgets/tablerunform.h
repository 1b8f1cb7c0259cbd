// The Table Run window: one line per run of a table run (number, run deck, values, state,
// elapsed time, listing, output files) and a summary line. It only looks at the run set; Stop asks
// the controller. It stays after the run so the result can be read, and can close at any time.
#pragma once

#include "run/widgets/runcontrol.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kolshell {

class TTableRunForm : public QWidget {
    Q_OBJECT
  public:
    enum Column {
        colRun,
        colDeck,
        colValues,
        colState,
        colElapsed,
        colListing,
        colOutputs,
        colCount
    };
    TTableRunForm(TRunController* controller, const std::string& tableName,
                  QWidget* parent = nullptr);

    QTreeWidget* RunList() const { return list_; }
    QLabel* Summary() const { return summary_; }
    QPushButton* StopBtn() const { return stop_; }
    // Run Failed Again: once the runs have ended, runs the failed and stopped ones through this.
    QPushButton* RunAgainBtn() const { return again_; }
    std::function<void(const std::vector<int>&)> RunAgain;
    // A double click on a finished run opens its listing through this.
    std::function<void(const std::string&)> OpenListing;

    // A table run on a cluster shows its job id in the title, a note on the job script and
    // the shared filesystem, and the backend's warning line as the runs go on.
    QLabel* Note() const { return note_; }
    QLabel* WarningLine() const { return warning_; }

    TRunController* Controller() const { return controller_; }

    // "N of M runs done, K failed, elapsed T".
    static QString SummaryText(const TRunSet& set);
    // "Slurm job 77: 2 of 5 runs done, 1 failed, 1 running, 1 pending".
    static QString JobLineText(const std::string& jobId, const TRunSet& set);
    // A run's output files by name, marked for what they hold: "partial (stopped): T1.OUT"
    // after a run that did not finish, "being written: ..." while it runs, "not written"
    // when it never started.
    static QString OutputsText(const TRun& run);

  private:
    void ShowJob(const TRunController::ClusterJob& job);
    void SizeColumns();
    void ShowRun(int index);
    // Every run; the running ones' elapsed times; the summary, Stop and the warning line.
    void ShowAll();
    void ShowTicking();
    void ShowProgress();
    void RunDoubleClicked(QTreeWidgetItem* item);

    std::shared_ptr<TRunSet> set_;
    QPointer<TRunController> controller_;
    QTreeWidget* list_;
    QLabel* summary_;
    QPushButton* stop_;
    QPushButton* again_;
    QLabel* note_;
    QLabel* warning_;
    std::function<std::string()> warningText_;
    QTimer clock_;
};

} // namespace kolshell
