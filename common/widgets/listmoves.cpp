#include "common/widgets/listmoves.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <algorithm>

namespace kolshell {

void MoveListItems(QListWidget* from, QListWidget* to, bool all, bool reverse) {
    std::vector<int> rows;
    for (int i = 0; i < from->count(); ++i)
        if (all || from->item(i)->isSelected()) rows.push_back(i);
    if (rows.empty()) return;
    const int first = rows.front();
    if (reverse && !all) std::reverse(rows.begin(), rows.end());
    std::vector<QListWidgetItem*> items;
    for (int r : rows)
        items.push_back(from->item(r));
    for (QListWidgetItem* item : items) {
        from->takeItem(from->row(item));
        item->setSelected(false);
        to->addItem(item);
    }
    if (to->isSortingEnabled()) to->sortItems();
    from->setFocus();
    from->clearSelection();
    if (from->count() > 0) {
        from->setCurrentRow(std::min(first, from->count() - 1));
        from->currentItem()->setSelected(true);
    }
}

TMoveList::TMoveList(QWidget* parent) : QListWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void TMoveList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == Partner)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMoveList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == Partner)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMoveList::dropEvent(QDropEvent* event) {
    if (event->source() != Partner) return event->ignore();
    event->setDropAction(Qt::IgnoreAction); // the move below, not Qt's copy, takes the lines
    event->accept();
    if (Dropped) Dropped();
}

} // namespace kolshell
