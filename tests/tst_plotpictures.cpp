// Plot pictures as files: what a PDF page and an SVG picture of a plot hold, read back from
// their bytes (the plot file built by hand, the PDF taken apart here, not by the writer).
#include "plot/plotextension.h"
#include "plot/widgets/plotexport.h"
#include "plot/widgets/plotform.h"

#include "common/widgets/printjob.h"
#include "tests/support/bytes.h"

#include <QPdfWriter>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <map>

using namespace kolshell;

namespace {

// A plot file of one red line through (0,0), (1,1), (2,2), (3,3) on axes from 0 to 3 in three
// steps, titles "TIME S" and "LEVEL M", with its legend: a third of the frame is no whole
// number of pixels at any size.
std::string DiagonalPlotFile() {
    std::string f(256 + 8220, '\0');
    PutStr(f, 0, "Plot 1: from RUN.OUT");
    const size_t d = 256;
    Put32(f, d, 1);
    PutStr(f, d + 260, "TIME S");
    PutStr(f, d + 291, "LEVEL M");
    for (size_t max : {342, 352}) { // AxisMax X and Y = 3.0: significand 0xC0..., 2^1
        f[d + max + 7] = char(0xC0);
        f[d + max + 8] = char(0x00);
        f[d + max + 9] = char(0x40);
    }
    Put32(f, d + 372, 3);
    Put32(f, d + 376, 3);
    f[d + 382] = 1; // fixed style, no decimals
    f[d + 386] = 1;
    f[d + 390] = 1; // legend
    std::string l(156, '\0');
    Put32(l, 0, 4);  // NPoints
    Put32(l, 4, 4);  // SourceRows
    Put32(l, 12, 1); // LineNo
    Put32(l, 20, 1); // YCol
    PutStr(l, 24, "TIME");
    PutStr(l, 45, "LEVEL");
    Put32(l, 116, 1); // FromRow
    Put32(l, 120, 4); // ToRow
    Put32(l, 124, 1); // thin solid line
    Put32(l, 132, 2); // red
    f.replace(d + 392, 156, l);
    std::string points;
    for (int axis = 0; axis < 2; ++axis)
        for (int k = 0; k < 4; ++k)
            points += R48(k);
    return f + l + points;
}

// ---- Taking a PDF apart ----

struct PdfObject {
    QByteArray Dictionary, Stream;
};

// The objects of a PDF by number, their streams inflated where they are compressed.
std::map<int, PdfObject> PdfObjects(const QByteArray& pdf) {
    std::map<int, PdfObject> objects;
    const QRegularExpression start("(\\d+) 0 obj\\s*");
    for (auto it = start.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        const auto m = it.next();
        const qsizetype at = m.capturedEnd();
        const qsizetype end = pdf.indexOf("endobj", at);
        const qsizetype streamAt = pdf.indexOf("stream", at);
        PdfObject o;
        if (streamAt >= 0 && streamAt < end) {
            o.Dictionary = pdf.mid(at, streamAt - at);
            qsizetype from = streamAt + 6;
            if (pdf[from] == '\r') ++from;
            if (pdf[from] == '\n') ++from;
            const qsizetype to = pdf.indexOf("endstream", from);
            o.Stream = pdf.mid(from, to - from);
            if (o.Dictionary.contains("/FlateDecode")) {
                // zlib data; qUncompress wants the length first, any large enough will do.
                QByteArray sized(4, '\0');
                const quint32 hint = quint32(o.Stream.size()) * 50 + 1024;
                for (int i = 0; i < 4; ++i)
                    sized[i] = char((hint >> (24 - 8 * i)) & 0xFF);
                o.Stream = qUncompress(sized + o.Stream);
            }
        } else {
            o.Dictionary = pdf.mid(at, end - at);
        }
        objects[m.captured(1).toInt()] = o;
    }
    return objects;
}

int Reference(const QByteArray& dictionary, const QString& key) {
    const auto m =
        QRegularExpression(key + "\\s+(\\d+) 0 R").match(QString::fromLatin1(dictionary));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Glyph code to character, from a font's ToUnicode map (ranges with a list or a first value,
// and single codes).
std::map<int, QChar> ToUnicode(const QByteArray& cmap) {
    std::map<int, QChar> map;
    const QString text = QString::fromLatin1(cmap);
    const QRegularExpression list("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*\\[([^\\]]*)\\]");
    for (auto it = list.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        int code = m.captured(1).toInt(nullptr, 16);
        const auto chars = QRegularExpression("<([0-9A-Fa-f]+)>").globalMatch(m.captured(3));
        for (auto c = chars; c.hasNext(); ++code)
            map[code] = QChar(c.next().captured(1).toInt(nullptr, 16));
    }
    const QRegularExpression pair("^<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>",
                                  QRegularExpression::MultilineOption);
    for (auto it = pair.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const int from = m.captured(1).toInt(nullptr, 16), to = m.captured(2).toInt(nullptr, 16);
        for (int code = from; code <= to; ++code)
            map[code] = QChar(m.captured(3).toInt(nullptr, 16) + code - from);
    }
    return map;
}

struct PdfPage {
    QString MediaBox;
    QStringList Texts; // each text object's characters
    QByteArray Content;
};

PdfPage FirstPage(const QByteArray& pdf) {
    const std::map<int, PdfObject> objects = PdfObjects(pdf);
    PdfPage page;
    for (const auto& [number, o] : objects) {
        if (!QRegularExpression("/Type\\s*/Page[^s]")
                 .match(QString::fromLatin1(o.Dictionary))
                 .hasMatch())
            continue;
        page.MediaBox = QRegularExpression("/MediaBox\\s*\\[([^\\]]*)\\]")
                            .match(QString::fromLatin1(o.Dictionary))
                            .captured(1)
                            .simplified();
        page.Content = objects.at(Reference(o.Dictionary, "/Contents")).Stream;
        const QByteArray resources = objects.at(Reference(o.Dictionary, "/Resources")).Dictionary;
        std::map<QString, std::map<int, QChar>> fonts;
        const auto names = QRegularExpression("/(F\\d+)\\s+(\\d+) 0 R")
                               .globalMatch(QString::fromLatin1(resources));
        for (auto it = names; it.hasNext();) {
            const auto m = it.next();
            const PdfObject& font = objects.at(m.captured(2).toInt());
            fonts[m.captured(1)] =
                ToUnicode(objects.at(Reference(font.Dictionary, "/ToUnicode")).Stream);
        }
        const QString content = QString::fromLatin1(page.Content);
        const QRegularExpression block("BT(.*?)ET", QRegularExpression::DotMatchesEverythingOption);
        for (auto it = block.globalMatch(content); it.hasNext();) {
            const QString b = it.next().captured(1);
            const auto& font = fonts[QRegularExpression("/(F\\d+)").match(b).captured(1)];
            QString text;
            const auto shown = QRegularExpression("<([0-9A-Fa-f]+)>\\s*Tj").globalMatch(b);
            for (auto s = shown; s.hasNext();) {
                const QString hex = s.next().captured(1);
                for (int i = 0; i + 4 <= hex.size(); i += 4) {
                    const auto c = font.find(hex.mid(i, 4).toInt(nullptr, 16));
                    text += c == font.end() ? QChar('?') : c->second;
                }
            }
            page.Texts << text.simplified(); // the writer maps a blank to a tab
        }
        break;
    }
    return page;
}

// The points of the first path stroked in red: "x y m", then "x y l" each.
std::vector<QPointF> RedPath(const QByteArray& content) {
    std::vector<QPointF> points;
    const qsizetype red = content.indexOf("\n1 0 0 SCN");
    if (red < 0) return points;
    const QString rest = QString::fromLatin1(content.mid(red, content.indexOf("\nS\n", red) - red));
    const QRegularExpression point("([-0-9.]+) ([-0-9.]+) [ml]$",
                                   QRegularExpression::MultilineOption);
    for (auto it = point.globalMatch(rest); it.hasNext();) {
        const auto m = it.next();
        points.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return points;
}

bool Whole(double v) {
    return std::abs(v - std::round(v)) < 1e-6;
}

// The middle points of the diagonal at a third and two thirds of the way between its ends, as
// exactly as the output's numbers go, and not all on whole units.
void CheckDiagonal(const std::vector<QPointF>& p) {
    QCOMPARE(int(p.size()), 4);
    for (int k = 1; k <= 2; ++k) {
        const QPointF expected = p[0] + (p[3] - p[0]) * (k / 3.0);
        QVERIFY2(
            std::abs(p[size_t(k)].x() - expected.x()) < 0.01 &&
                std::abs(p[size_t(k)].y() - expected.y()) < 0.01,
            qPrintable(
                QString("point %1 at %2, %3").arg(k).arg(p[size_t(k)].x()).arg(p[size_t(k)].y())));
    }
    QVERIFY(!Whole(p[1].x()) || !Whole(p[1].y()) || !Whole(p[2].x()) || !Whole(p[2].y()));
}

} // namespace

class TestPlotPictures : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void pdfPage();
    void svgPicture();
    void printedPage();

  private:
    QTemporaryDir dir_;
    TPlotDef def_;
};

void TestPlotPictures::init() {
    const std::string name = dir_.path().toStdString() + "/DIAG.KSP";
    QFile f(QString::fromStdString(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(DiagonalPlotFile()));
    f.close();
    std::string caption, error;
    QVERIFY2(OpenPlotWithLegends(name, caption, def_, error), error.c_str());
}

// A PDF of the plot: a valid file of one page of the size asked for, its tick labels, titles
// and legend as text, and the line through its points at their own places.
void TestPlotPictures::pdfPage() {
    const std::string out = dir_.path().toStdString() + "/DIAG.pdf";
    std::string error;
    QVERIFY(ExportPlot(def_, PlotFrame{}, QSize(480, 300), out, QSize(960, 600), error));
    QFile f(QString::fromStdString(out));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QVERIFY(pdf.startsWith("%PDF-1."));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    QVERIFY(pdf.contains("startxref"));
    const PdfPage page = FirstPage(pdf);
    QCOMPARE(page.MediaBox, QString("0 0 960.000000 600.000000"));
    for (const char* text : {"0", "1", "2", "3", "TIME S", "LEVEL M", "LEVEL"})
        QVERIFY2(page.Texts.contains(text), qPrintable(page.Texts.join(" | ")));
    CheckDiagonal(RedPath(page.Content));
}

// An SVG of the plot: the line's points as fractions of the picture's pixels.
void TestPlotPictures::svgPicture() {
    const std::string out = dir_.path().toStdString() + "/DIAG.svg";
    std::string error;
    QVERIFY(ExportPlot(def_, PlotFrame{}, QSize(480, 300), out, QSize(960, 600), error));
    QFile f(QString::fromStdString(out));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QString red;
    std::vector<QPointF> points;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("g")) red = xml.attributes().value("stroke").toString();
        if (xml.name() != QLatin1String("polyline") || red != "#ff0000" || !points.empty())
            continue;
        for (const QString& pair :
             xml.attributes().value("points").toString().split(' ', Qt::SkipEmptyParts))
            points.emplace_back(pair.section(',', 0, 0).toDouble(),
                                pair.section(',', 1, 1).toDouble());
    }
    QVERIFY(!xml.hasError());
    CheckDiagonal(points);
}

// A printed page (to a PDF file): the plot's caption above it, and its line as smooth as on a
// PDF picture.
void TestPlotPictures::printedPage() {
    TPlotForm plot;
    plot.SetPlot("Plot 1: from RUN.OUT", def_);
    plot.show();
    plot.findChild<QWidget*>("PlotCanvas")->grab();
    const QString out = dir_.path() + "/printed.pdf";
    {
        QPdfWriter pdf(out);
        TPrintJob job(&pdf);
        QVERIFY(plot.Print(job));
    }
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const PdfPage page = FirstPage(f.readAll());
    QVERIFY2(page.Texts.contains("Plot 1: from RUN.OUT"), qPrintable(page.Texts.join(" | ")));
    CheckDiagonal(RedPath(page.Content));
}

QTEST_MAIN(TestPlotPictures)
#include "tst_plotpictures.moc"
