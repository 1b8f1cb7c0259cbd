// Moving lines between the two lists of a choose-and-order dialog (">" ">>" "<" "<<").
#pragma once

class QListWidget;

// Moves the selected lines (or all) to the end of `to`; selected lines are taken from the
// last to the first when `reverse`. The list that lost lines gets the focus, with the line
// at the first moved position current (the last line when that is past the end).
void MoveListItems(QListWidget* from, QListWidget* to, bool all, bool reverse);
