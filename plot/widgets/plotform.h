// The plot window: a plot definition drawn into a frame with axes, ticks, labels, titles,
// lines and symbols and a legend; the frame moves and resizes by dragging; the same drawing
// prints scaled to the page.
#pragma once

#include "common/widgets/childform.h"
#include "plot/plotdef.h"
#include "plot/widgets/plotpainter.h"

#include <QRect>
#include <functional>

class QPainter;
class QScrollArea;
class TPlotCanvas;

class TPlotForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TPlotForm(QWidget* parent = nullptr);

    // Shows a plot file; false (after the message) when it cannot be read.
    bool OpenPlot(const std::string& fileName);
    void SetPlot(const std::string& caption, const TPlotDef& def);
    TPlotDef& Def() { return def_; }

    std::string DocumentName() const override { return fileName_; }
    bool SaveDocument(const std::string& name) override;
    // Asked every time the plot closes, changed or not: Yes saves it first, Cancel keeps it.
    bool FormCloseQuery() override;
    bool Print(TPrintJob& job) override;
    int PrintHeight(TPrintJob& job) override;
    std::optional<TEditCommands> EditCommands() const override {
        return TEditCommands{TEditCommand::Copy};
    }

  signals:
    // Double click: the modify dialog for this plot.
    void ModifyRequested();

  public:
    // Draws the whole plot at the drawing scale: 1 on screen, larger on paper.
    void DisplayPlot(QPainter& p, double scale, bool printing);
    QRect Frame() const { return QRect(QPoint(left_, top_), QPoint(right_, bottom_)); }
    void SetFrame(int left, int top, int right, int bottom);
    QRect DrawnExtent() const { return extent_; }

    // Mouse handling of the canvas.
    void MouseDown(const QPoint& at);
    void MouseMove(const QPoint& at);
    void MouseUp(const QPoint& at);
    void DoubleClick();

    // The client area the plot is drawn in, for pictures of the window's size.
    QSize ClientSize() const;
    PlotFrame FrameValues() const { return {left_, top_, right_, bottom_}; }
    // Points reduced by the last paint (0 when it reused its reductions).
    size_t LastPaintWork() const { return lastWork_; }

  private:
    double PrintScale(const TPrintJob& job) const;
    void Repaint();

    std::string caption_, fileName_;
    TPlotDef def_;
    int left_ = 100, right_ = 400, bottom_ = 225, top_ = 20;
    QRect extent_, drag_;
    enum class Drag { None, Moving, Resizing } dragMode_ = Drag::None;
    QPoint last_;
    TPlotCache cache_;
    size_t lastWork_ = 0;
    QScrollArea* scroll_;
    TPlotCanvas* canvas_;
};
