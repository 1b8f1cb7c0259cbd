// Help, About: the program's name, subtitle and version.
#pragma once

#include <QDialog>

namespace kolshell {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(bool kolsedOnly, QWidget* parent = nullptr);
};

// The About box's picture, painted rather than shipped.
QPixmap ProgramPicture();

} // namespace kolshell
