// The plot window: a plot definition drawn into a frame with axes, ticks, labels, titles,
// lines and symbols and a legend; the frame moves and resizes by dragging; the same drawing
// prints scaled to the page.
#pragma once

#include "common/widgets/childform.h"
#include "plot/plotdef.h"
#include "plot/plotview.h"
#include "plot/widgets/plotpainter.h"

#include <QRect>
#include <array>
#include <functional>
#include <optional>

class QLabel;
class QPainter;
class QScrollArea;

namespace kolshell {

class TPlotCanvas;

class TPlotForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TPlotForm(QWidget* parent = nullptr);
    ~TPlotForm() override;
    // The caption saved with the plot (the title may add the file's name to it).
    const std::string& Caption() const { return caption_; }

    // Shows a plot file; false (after the message) when it cannot be read.
    bool OpenPlot(const std::string& fileName);
    void SetPlot(const std::string& caption, const TPlotDef& def);
    TPlotDef& Def() { return def_; }

    std::string DocumentName() const override { return fileName_; }
    bool SaveDocument(const std::string& name) override;
    // A new plot, or one whose lines or settings changed since it was read or saved; zooming
    // and moving the frame are no change.
    bool IsModified() const override { return changed_; }
    std::optional<std::string> UnsavedBytes() override;
    void RestoredAs(const std::string& name) override;
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

    // Mouse handling of the canvas. Left drags the frame (Ctrl: zooms to a rectangle, Shift:
    // pans), right zooms to a rectangle, middle pans; a left click in the frame pins a marker.
    void MouseDown(const QPoint& at, Qt::MouseButton button = Qt::LeftButton,
                   Qt::KeyboardModifiers keys = {});
    void MouseMove(const QPoint& at);
    void MouseUp(const QPoint& at);
    void DoubleClick();
    // The wheel over the frame: steps in (positive) or out around the pointer; Shift zooms X
    // only, Ctrl Y only.
    void Wheel(const QPoint& at, int steps, Qt::KeyboardModifiers keys);

    // Zooming: the frame's pixel rectangle shown over the whole frame, a step back, and the
    // axes as they were before the first zoom.
    void ZoomTo(const QRect& pixels);
    void ZoomOut();
    void ResetZoom();
    int ZoomDepth() const { return int(zooms_.size()); }
    // The values under the pointer and the pinned markers, as the line under the plot says.
    QString Readout() const;
    std::vector<Extended> Markers() const { return markers_; }

    // The client area the plot is drawn in, for pictures of the window's size.
    QSize ClientSize() const;
    PlotFrame FrameValues() const { return {left_, top_, right_, bottom_}; }
    // Points reduced by the last paint (0 when it reused its reductions).
    size_t LastPaintWork() const { return lastWork_; }

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    double PrintScale(const TPrintJob& job) const;
    void Repaint();
    using Views = std::array<AxisView, 2>;
    void ShowViews(const Views& v);
    void Zoom(const Views& v);
    void ShowValues(const QPoint& at);
    bool Increasing(int line);
    void FitLegend();
    void ShowCaption();
    void FollowSize(const QSize& change);
    void EndGesture(const QPoint& at);

    std::string caption_, fileName_;
    TPlotDef def_;
    int left_ = 100, right_ = 400, bottom_ = 225, top_ = 20;
    QRect extent_, drag_;
    enum class Drag { None, Moving, Resizing, Zooming, Panning } dragMode_ = Drag::None;
    QPoint last_, pressed_;
    std::vector<Views> zooms_; // the axes before each zoom
    std::vector<Extended> markers_;
    std::vector<std::optional<bool>> increasing_; // per line, worked out when first needed
    QString values_, readout_;
    QSize lastSize_; // the window size the frame's margins are kept to
    bool fitted_ = false, titling_ = false, changed_ = false;
    QLabel* readoutLabel_;
    TPlotCache cache_;
    size_t lastWork_ = 0;
    int legendFont_ = LegendFontSize;
    QScrollArea* scroll_;
    TPlotCanvas* canvas_;
};

} // namespace kolshell
