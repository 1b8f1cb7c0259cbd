#include "shell/widgets/aboutbox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kolshell {

QPixmap ProgramPicture() {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 64, 128));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 2, 60, 60, 8, 8);
    p.setPen(QPen(QColor(255, 200, 0), 3));
    // A small plot line over a grid: the engine's results.
    p.drawPolyline(
        QPolygon({QPoint(8, 50), QPoint(20, 36), QPoint(30, 42), QPoint(42, 18), QPoint(56, 12)}));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(8, 56, 56, 56);
    p.drawLine(8, 56, 8, 8);
    return pm;
}

TAboutBox::TAboutBox(bool kolsedOnly, QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About KOLSHELL");
    auto* grid = new QGridLayout(this);
    auto* picture = new QLabel;
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(ProgramPicture());
    auto* product = new QLabel(kolsedOnly ? "KOLSED" : "KOLSHELL");
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    product->setFont(big);
    auto* subtitle = new QLabel(kolsedOnly ? "An Editor Program for KOLVAN"
                                           : "An Environment Program for KOLVAN");
    subtitle->setObjectName("Comments");
    auto* bits = new QLabel("32-bit");
    bits->setObjectName("Copyright");
    auto* version = new QLabel(QString("Version ") + "2.011" + "    " + "03/10/99");
    version->setObjectName("Version");
    auto* ok = new QPushButton("OK");
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(picture, 0, 0, 2, 1);
    grid->addWidget(product, 0, 1);
    grid->addWidget(subtitle, 1, 1);
    grid->addWidget(bits, 2, 1);
    grid->addWidget(version, 3, 1);
    grid->addWidget(ok, 4, 0, 1, 2, Qt::AlignHCenter);
}

} // namespace kolshell
