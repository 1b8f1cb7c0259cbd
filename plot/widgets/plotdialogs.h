// Plot Setup (a new plot from an output file, or lines laid over a plot) and Modify (a
// plot's axes and the style of one of its lines).
#pragma once

#include "plot/outputdata.h"
#include "plot/plotdef.h"

#include <QDialog>
#include <QWidget>
#include <array>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace kolshell {

class TPlotForm;

// A spinner with its preview: down moves to the next value, up to the previous, wrapping.
class TSpinChoice : public QWidget {
    Q_OBJECT
  public:
    enum Kind { LineStyle, Symbol, Colour };
    TSpinChoice(Kind kind, const QString& name, QWidget* parent);
    int Value() const { return value_; }
    void SetValue(int v);
    void Up();
    void Down();
    QToolButton *UpBtn, *DownBtn;
    QLabel* Preview;

  private:
    void Paint();
    Kind kind_;
    int value_ = 0, count_;
};

// The axis controls both dialogs share, for X (0) or Y (1).
struct TAxisControls {
    QLineEdit *Min, *Max, *Ticks;
    QRadioButton *Linear, *Log;
    QComboBox *Style, *Digits;
};

class TPlotSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TPlotSetup(QWidget* parent = nullptr);
    // Opens on a deck's output files (new plot) or on a plotter file over a plot (overlay).
    void FormActivate(const std::string& fileName, bool overlay, TPlotForm* target);
    void OKBtnClick();
    // The plot made by OK in new-plot mode.
    const TPlotDef& NewPlot() const { return plot_; }
    // The same, handed over: the dialog then holds none of its columns.
    TPlotDef TakeNewPlot() { return std::exchange(plot_, TPlotDef()); }
    std::string FileName() const { return fileName_; }
    // The output file the plot was made from.
    std::string ReadFile() const { return readFile_; }

    QComboBox* PlotFileList;
    QListWidget *ListBoxX, *ListBoxY;
    TAxisControls Axis[2];
    QLineEdit *FromRowV, *ToRowV;
    TSpinChoice *SpinLine, *SpinSymbol, *SpinColor;
    QCheckBox *SmoothingBox, *LegendBox;
    QPushButton *OKBtn, *CancelBtn;

  private:
    void PlotFileListChange();
    void MinMax(int axis);
    void ShowPlotAxis(int axis);
    void SetButtons();
    bool ReadAxes(TPlotDef& def);

    TOutputData data_;
    bool overlay_ = false;
    TPlotForm* target_ = nullptr;
    std::string fileName_, openedWith_, readFile_;
    TPlotDef plot_;
    int ticks_[2] = {5, 5}, decimals_[2] = {3, 3};
};

class TModPlot : public QDialog {
    Q_OBJECT
  public:
    explicit TModPlot(TPlotForm* plot, QWidget* parent = nullptr);
    void OKBtnClick();
    void DeleteClick();
    // The plot lost its last line and is to close.
    bool PlotEmptied() const { return emptied_; }

    QComboBox* PlotLineBox;
    QLineEdit *XAxisLabel, *YAxisLabel, *FromRowV, *ToRowV;
    QCheckBox *XGridlines, *YGridLines, *SmoothingBox, *LegendBox;
    TAxisControls Axis[2];
    TSpinChoice *SpinLine, *SpinSymbol, *SpinColor;
    QPushButton *Delete, *OKBtn, *CancelBtn;

  private:
    void SetPlotLineInfo();
    TPlotForm* plot_;
    QLabel *fromLabel_, *toLabel_;
    bool emptied_ = false;
    // What the controls showed when the dialog opened or the line was chosen.
    int shownStyle_[2] = {1, 1}, shownDigits_[2] = {0, 0};
    std::array<int, 3> shownLine_{};
};

// Plot Table Runs: an output file of the deck (as run 1 writes it), an X and one Y column.
class TPlotTableRuns : public QDialog {
    Q_OBJECT
  public:
    // files: full names of run 1's output files.
    TPlotTableRuns(const std::vector<std::string>& files, QWidget* parent = nullptr);
    std::string File() const;
    int XCol() const; // 1-based, 0 when none
    int YCol() const;

    QComboBox* PlotFileList;
    QListWidget *ListBoxX, *ListBoxY;
    QPushButton *OKBtn, *CancelBtn;

  private:
    void PlotFileListChange();
};

} // namespace kolshell
