// File, Setup: the settings records and the engine's switch file in five notebook pages, and
// the program's own run settings in a sixth.
#pragma once

#include "shell/cnfgkv.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace kolshell {

class TSetupDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSetupDlg(QWidget* parent = nullptr);

    // Called with the old and new unit system after OK; forms convert their values.
    std::function<void(int, int)> UnitsChanged;
    // Ends the program through the main window's normal close path.
    std::function<void()> EndProgram;

    // Fills the pages and shows the dialog modally; false when it could not be shown. OK and
    // Store take over what the pages show; Cancel and Escape leave the settings and the
    // switch file as they were.
    bool Execute();

    bool FormActivate();
    void TabSetClick(int index);
    void OKBtnClick();
    void StoreClick();
    void SpeedButton1Click(int code);

  private:
    QWidget* MakeConfigurePage();
    QWidget* MakeKolsedPage();
    QWidget* MakeCompilerPage();
    QWidget* MakeDirectoriesPage();
    QWidget* MakeLinksPage();
    QWidget* MakeRunsPage();
    void LoadButtonGlyph(int row);

    QStackedWidget* notebook_;
    QTabBar* tabSet_;
    std::array<QCheckBox*, EngineSwitchCount> switches_{};
    QRadioButton* primaryUnits_;
    QRadioButton* secondaryUnits_;
    QCheckBox* header_;
    QCheckBox* simulationCard_;
    QRadioButton* bit16_;
    QRadioButton* bit32_;
    std::array<QLineEdit*, 3> commands_{};
    std::array<QLineEdit*, 6> dirs_{};
    QLabel* flowdrawLabel_;
    std::array<QLineEdit*, 4> links_{};
    std::array<QToolButton*, 4> linkButtons_{};
    std::array<QString, 4> linkBitmaps_;
    QSpinBox* runsAtOnce_;
    QComboBox* runTablesOn_;
    QLineEdit* partition_;
    QSpinBox* slurmTime_;
    QSpinBox* slurmAtOnce_;
    QLineEdit* sbatchArgs_;
    QCheckBox* keepRunFiles_;
    void ShowRunPlace();
    void AddSlurmRows(QGridLayout* grid, int row);
};

} // namespace kolshell
