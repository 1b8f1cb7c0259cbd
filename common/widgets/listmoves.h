// Moving lines between the two lists of a choose-and-order dialog (">" ">>" "<" "<<").
#pragma once

#include <QListWidget>
#include <functional>

namespace kolshell {

// Moves the selected lines (or all) to the end of `to`; selected lines are taken from the
// last to the first when `reverse`. The list that lost lines gets the focus, with the line
// at the first moved position current (the last line when that is past the end).
void MoveListItems(QListWidget* from, QListWidget* to, bool all, bool reverse);

// A list that takes lines dragged from its partner list: the drop runs the same move as the
// ">" or "<" button (Dropped).
class TMoveList : public QListWidget {
    Q_OBJECT
  public:
    explicit TMoveList(QWidget* parent = nullptr);
    QListWidget* Partner = nullptr;
    std::function<void()> Dropped;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace kolshell
