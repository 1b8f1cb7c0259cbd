#include "common/widgets/listmoves.h"

#include <QListWidget>
#include <algorithm>

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
