// The Results window of a table: one row per run with its state, the table's values and the
// chosen statistics of an output file's columns. The outputs are read on worker threads; rows
// of a table run going on fill in as its runs end. Copy, Export as CSV and a response plot
// take the results out.
#pragma once

#include "plot/plotdef.h"
#include "table/results.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace kolshell {

class TRunController;
class TTableForm;

class TResultsForm : public QWidget {
    Q_OBJECT
  public:
    explicit TResultsForm(TTableForm* table, QWidget* parent = nullptr);
    ~TResultsForm() override;

    TTableForm* Table() const { return tableForm_; }
    const TResults& Results() const { return results_; }
    bool Reading() const { return busy_; }
    // Reads the outputs again with the choices shown (the Show button).
    void ShowResults();
    void CopyResults();
    void ExportCsv();
    void PlotResponse();
    // Makes the plot window of a response plot: its caption and definition.
    std::function<void(const std::string&, const TPlotDef&)> ShowPlot;

    QComboBox *FileBox, *PlotY, *PlotX, *PlotFamily;
    QListWidget* ColumnList;
    std::map<std::string, QCheckBox*> StatBoxes; // "final", "min", ..., "at"
    QLineEdit* AtEdit;
    QTableWidget* Grid;
    QLabel* Progress;
    QPushButton *ShowBtn, *CopyBtn, *ExportBtn, *PlotBtn;

  signals:
    // Every output asked for has been read and shown.
    void ResultsShown();

  private:
    QWidget* ChoiceControls();
    QWidget* PlotControls();
    void FillFiles();
    void FillColumns();
    bool ChosenRequest(TResultRequest& request);
    void ShowHeader();
    void SizeColumns();
    void ShowRow(size_t i);
    void FillPlotChoices();
    void Read(std::vector<size_t> rows);
    void ReadingDone(const TResults& read, const std::vector<size_t>& rows, unsigned generation);
    void StopReading();
    void ShowProgress(size_t done, size_t count);
    void WatchRuns();
    void RunChanged(int index);
    void TakeRunState(size_t row, const TRun& run);

    QPointer<TTableForm> tableForm_;
    TTable table_; // as it was when the results were asked for
    TResultRequest request_;
    TResults results_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool busy_ = false;
    unsigned generation_ = 0;
    std::vector<size_t> queued_;
    double started_ = 0;
    std::pair<qint64, qint64> stamp_; // of the runs' states file when they were read
    QPointer<TRunController> followed_;
    QTimer watch_;
};

} // namespace kolshell
