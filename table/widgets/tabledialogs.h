// The dialogs that make and reshape the parametric table: New Parametric Table (also the
// Insert/Delete Vars dialog), Alter Table Values, Insert or Delete Table Runs.
#pragma once

#include "table/deckscan.h"
#include "table/tableedits.h"

#include <QDialog>
#include <memory>

class QLineEdit;
class QListWidget;
class QPushButton;
class QLabel;
class QRadioButton;
class QToolButton;

namespace kolshell {

class TNewTableDlg : public QDialog {
    Q_OBJECT
  public:
    // New-table mode lists the deck's constants; change mode (table given) starts from the
    // table's variables, the deck's other constants on the left.
    TNewTableDlg(const std::string& deckName, TTable* table, QWidget* parent = nullptr);

    // The chosen variables in table order, and the run count (new-table mode).
    std::vector<std::string> Chosen() const;
    int Runs() const { return runs_; }

    QLineEdit* RunsEdit;
    QListWidget *SrcList, *DstList;
    QPushButton *IncludeBtn, *IncAllBtn, *ExcludeBtn, *ExAllBtn, *OKBtn, *CancelBtn;
    QLabel *UnitsLabel, *DescriptionLabel;

  private:
    void Move(QListWidget* from, QListWidget* to, bool all);
    void ShowEntry(int entry);
    void SetButtons();
    void OKClick();

    std::unique_ptr<std::vector<DeckConstant>> constants_;
    TTable* table_;
    int runs_ = 0;
};

class TAlterValuesDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAlterValuesDlg(TTable& table, QWidget* parent = nullptr);
    // Runs the fill; false (after a beep, the bad field selected) when a field is bad.
    bool Fill();

    // The run range kept between uses; a new table window resets it.
    static int AlterFirstRun, AlterLastRun;

    QLineEdit *FirstRunV, *LastRunV, *FirstValue, *IncorLast;
    QListWidget* ColumnList;
    QRadioButton *ClearValues, *SetValues;
    QToolButton* LastIncBox;
    QPushButton *OKBtn, *ApplyBtn, *CancelBtn;
    std::function<void()> Changed; // the grid repaints

  private:
    void SetMode(AlterMode mode);
    void ShowSetFields();
    bool Reject(QLineEdit* field);

    TTable& t_;
    AlterMode mode_ = AlterMode::Increment;
    QLabel* firstLabel_;
};

class TInsertRunsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TInsertRunsDlg(TTable& table, QWidget* parent = nullptr);
    RunsResult Result() const { return result_; }
    // The level that stops the dialog: the table's own last step, and what it was.
    int ErrorLevel = 0;
    std::string ErrorStep;

    QRadioButton *InsertRows, *DeleteRows, *AtTop, *AtBottom, *AfterRow;
    QLineEdit *RowsEdit, *AfterRowEdit;
    QPushButton *OKBtn, *CancelBtn;

  private:
    void OKClick();

    TTable& t_;
    RunsResult result_ = RunsResult::Rejected;
};

} // namespace kolshell
