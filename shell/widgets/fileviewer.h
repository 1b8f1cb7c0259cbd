// A read-only viewer of a text file of any size: the file is indexed in slices while the
// interface stays live, and only the lines on screen are read.
#pragma once

#include "shell/lineindex.h"

#include <QAbstractScrollArea>
#include <QTimer>

namespace kolshell {

class TFileViewer : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit TFileViewer(QWidget* parent = nullptr);

    QString FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }
    // The open switch: loads the named file; false when it cannot be read.
    bool SetActive(bool on);
    bool Active() const { return index_.IsOpen(); }
    // A column file (engine output) shows its names and units over their columns.
    void AlignHeads(bool on) { alignHeads_ = on; }

    int LineCount() const { return int(index_.LineCount()); }
    QString Line(int i) const; // 1-based
    bool Complete() const { return index_.Complete(); }

    // From the caret or the selection; selects the match.
    bool Search(const QString& text, bool backward, bool matchCase);
    bool HasSelection() const { return anchor_ != caret_; }
    QString SelectedText() const;
    void CopyToClipboard() const;
    void SelectRange(int line1, int col1, int line2, int col2); // 1-based
    int CaretLine() const { return caret_.Line + 1; }

  signals:
    void Indexed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Pos {
        int Line = 0, Column = 0; // 0-based, in characters of the shown text
        bool operator==(const Pos& o) const { return Line == o.Line && Column == o.Column; }
        bool operator!=(const Pos& o) const { return !(*this == o); }
        bool operator<(const Pos& o) const {
            return Line < o.Line || (Line == o.Line && Column < o.Column);
        }
    };
    void IndexSlice();
    void UpdateScrollBars();
    Pos PosAt(const QPoint& p) const;
    void EnsureVisible(const Pos& p);
    int LineHeight() const;
    int CharWidth() const;

    QString fileName_;
    TLineIndex index_;
    QTimer slices_;
    Pos anchor_, caret_;
    bool alignHeads_ = false;
};

} // namespace kolshell
