#include "shell/widgets/diagramform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/printjob.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/wmfpainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <cmath>

namespace kolshell {

TDiagramForm::TDiagramForm(QWidget* parent) : TChildForm(TWindowKind::Diagram, parent) {
    setObjectName("DiagramForm");
    setWindowTitle("Diagram");
    setProperty("HelpContext", 83);
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName("ScrollBox1");
    image_ = new QLabel(scrollBox_);
    image_->setObjectName("Image");
    scrollBox_->setWidget(image_);
    setWidget(scrollBox_);
    resize(400, 300);
}

bool TDiagramForm::LoadPicture(const std::string& fileName) {
    std::string error;
    QImage picture;
    metafile_ = ExtOf(fileName) == ".WMF";
    bool ok;
    if (metafile_) {
        ok = LoadWmfImage(fileName, picture, error);
    } else {
        std::string bytes;
        ok = !IsDirectory(fileName) && ReadFileBytes(fileName, bytes);
        QByteArray data(bytes.data(), qsizetype(bytes.size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        ok = ok && reader.read(&picture);
        error = ok ? "" : "it is not a picture this program can read";
    }
    if (!ok) {
        ShowMsg("Diagram " + fileName + " cannot be shown: " + error + ".", MsgKind::Error, true);
        return false;
    }
    picture_ = picture;
    file_ = fileName;
    image_->setPixmap(QPixmap::fromImage(picture_));
    image_->resize(picture_.size());
    return true;
}

bool TDiagramForm::SavePicture(const std::string& fileName) {
    bool ok;
    if (metafile_ && ExtOf(fileName) == ".WMF") {
        std::string bytes;
        ok = ReadFileBytes(file_, bytes) && WriteFileAtomic(fileName, bytes);
    } else {
        const std::string ext = ExtOf(fileName);
        const char* format = ext == ".PNG" ? "PNG" : ext == ".JPG" ? "JPG" : "BMP";
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        ok = picture_.save(&buffer, format) &&
             WriteFileAtomic(fileName, std::string(data.constData(), size_t(data.size())));
    }
    if (!ok)
        ShowMsg(WriteFailureText(fileName, "File " + fileName + " could not be written."),
                MsgKind::Error, true);
    return ok;
}

void TDiagramForm::FitToPicture(const QSize& screen) {
    // The frame around the client area stays as it is; only the client follows the picture.
    const QSize frame = size() - scrollBox_->viewport()->size();
    QSize client = scrollBox_->viewport()->size();
    if (picture_.width() < screen.width()) client.setWidth(picture_.width());
    if (picture_.height() < screen.height()) client.setHeight(picture_.height());
    resize(client + frame);
}

// One screen inch of the picture becomes one margin on paper.
bool TDiagramForm::Print(TPrintJob& job) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double scale = job.Margin() / (screen ? screen->logicalDotsPerInch() : 96.0);
    const int w = int(std::lround(picture_.width() * scale));
    const int h = int(std::lround(picture_.height() * scale));
    job.Canvas().drawImage(QRect(job.PrintX(), job.PrintY(), w, h), picture_);
    job.Advance(h);
    return true;
}

} // namespace kolshell
