// The diagram window: a deck's ".BMP" or ".WMF" picture in a scroll box.
#pragma once

#include "common/widgets/childform.h"

#include <QImage>

class QLabel;
class QScrollArea;

namespace kolshell {

class TDiagramForm : public TChildForm {
    Q_OBJECT
  public:
    explicit TDiagramForm(QWidget* parent = nullptr);

    // Loads a bitmap (or any picture Qt reads) or a metafile; false with a message when the
    // file cannot be shown.
    bool LoadPicture(const std::string& fileName);
    const QImage& Picture() const { return picture_; }
    std::string PictureFile() const { return file_; }
    // Writes the picture: a metafile is copied as it is to a ".WMF" name; anything else is
    // written in the format the name's extension gives (a bitmap by default).
    bool SavePicture(const std::string& fileName);
    // Sizes the window so that the picture shows whole, as far as the screen allows.
    void FitToPicture(const QSize& screen);
    bool Print(TPrintJob& job) override;

  private:
    QScrollArea* scrollBox_;
    QLabel* image_;
    QImage picture_;
    std::string file_;
    bool metafile_ = false;
};

} // namespace kolshell
