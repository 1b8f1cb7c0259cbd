// The Fill Runs dialog: fills the table's runs for the variables ticked, as a full-factorial
// grid or a Latin hypercube sample; the other variables keep run 1's value.
#pragma once

#include "table/fill.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kolshell {

class TFillRunsDlg : public QDialog {
    Q_OBJECT
  public:
    enum Column { colFill, colName, colFirst, colLast, colCount, colLog };
    explicit TFillRunsDlg(TTable& table, QWidget* parent = nullptr);
    // Fills the table; false (after the message, the dialog staying open) when a field is bad
    // or the user does not want that many runs.
    bool Fill();

    QRadioButton *GridBtn, *LhsBtn;
    QTableWidget* VarGrid;
    QLineEdit *RunsEdit, *SeedEdit;
    QLabel* RunsLabel;
    QPushButton *OKBtn, *CancelBtn;

  private:
    bool ChosenVars(std::vector<TFillVar>& vars);
    void ShowRunCount();
    void ShowMode();

    TTable& t_;
};

} // namespace kolshell
