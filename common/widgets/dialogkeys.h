// Keyboard and wheel manners shared by the program's dialogs and forms.
#pragma once

#include <QString>
#include <initializer_list>

class QPushButton;
class QWidget;

namespace kolshell {

// Combo boxes and spin boxes under root change with the wheel only while they have the
// keyboard focus; otherwise the wheel goes on to what holds them (a scroll area scrolls).
// Widgets added to root later need another call; calling twice does no harm.
void GuardWheel(QWidget* root);

// Makes button the one Enter presses in its dialog: the dialog's other push buttons stop
// taking over as default when they have the focus or were clicked last.
void MakeDefaultButton(QPushButton* button);

// Tab goes through the widgets in this order (the order the layout shows them).
void SetTabOrder(std::initializer_list<QWidget*> order);

// A caption read from a file as the text of a label with an access key: its own "&" shown as
// such, and the key on its first letter or digit that is not among taken (upper case); no key
// when every one is taken.
QString WithAccessKey(const QString& text, const QString& taken);

} // namespace kolshell
