// Keyboard and wheel manners shared by the program's dialogs and forms.
#pragma once

#include <initializer_list>

class QPushButton;
class QWidget;

// Combo boxes and spin boxes under root change with the wheel only while they have the
// keyboard focus; otherwise the wheel goes on to what holds them (a scroll area scrolls).
// Widgets added to root later need another call; calling twice does no harm.
void GuardWheel(QWidget* root);

// Makes button the one Enter presses in its dialog: the dialog's other push buttons stop
// taking over as default when they have the focus or were clicked last.
void MakeDefaultButton(QPushButton* button);

// Tab goes through the widgets in this order (the order the layout shows them).
void SetTabOrder(std::initializer_list<QWidget*> order);
