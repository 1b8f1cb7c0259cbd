#include "plot/widgets/plotexport.h"

#include "common/paths.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace kolshell {

const char* const PlotPictureFilter =
    "PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";

namespace {

const char* const Extensions[] = {".PNG", ".SVG", ".PDF"};

// 0 PNG, 1 SVG, 2 PDF, -1 none of them.
int FormatOf(const std::string& name) {
    const std::string ext = ExtOf(name);
    for (int i = 0; i < 3; ++i)
        if (ext == Extensions[i]) return i;
    return -1;
}

void DrawInto(QPainter& p, const TPlotDef& def, const PlotFrame& frame, const QSize& client,
              const QSize& target) {
    const PlotLayout layout = LayOutPicture(def, frame, client, target);
    p.fillRect(QRect(QPoint(0, 0), target), Qt::white);
    TPlotCache reductions; // worked out over the cores, X columns once
    TPlotPainter painter(p, def, layout.Frame, layout.Scale, false);
    painter.UseCache(&reductions);
    painter.SetLegendFont(layout.LegendFont);
    painter.Draw();
}

// The picture's bytes in the format; empty when the painter could not start.
QByteArray Picture(int format, const TPlotDef& def, const PlotFrame& frame, const QSize& client,
                   const QSize& size) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (format == 0) {
        QImage image(size, QImage::Format_RGB32);
        QPainter p(&image);
        DrawInto(p, def, frame, client, size);
        p.end();
        image.save(&out, "PNG");
    } else if (format == 1) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle("KOLSHELL plot");
        QPainter p;
        if (!p.begin(&svg)) return {};
        DrawInto(p, def, frame, client, size);
    } else {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(300);
        pdf.setCreator("KOLSHELL");
        QPainter p;
        if (!p.begin(&pdf)) return {};
        DrawInto(p, def, frame, client, QSize(pdf.width(), pdf.height()));
    }
    return out.data();
}

} // namespace

QSize PlotClientFor(const TPlotDef& def, const PlotFrame& frame, const QSize& client) {
    if (!def.ShowLegend || def.NLines < 1) return client;
    const QRect legend = LegendExtent(def, frame, client.width() - LegendMargin);
    return client.expandedTo(QSize(legend.right() + LegendMargin, legend.bottom() + LegendMargin));
}

PlotLayout LayOutPicture(const TPlotDef& def, const PlotFrame& frame, const QSize& client,
                         const QSize& target) {
    QSize grown = PlotClientFor(def, frame, client);
    PlotLayout layout = FitPlot(frame, grown, target);
    if (!def.ShowLegend || def.NLines < 1) return layout;
    layout.LegendFont = LegendFontFor(def, frame, grown.width() - LegendMargin);
    // Fonts come in whole pixels: at a small scale the legend may come out wider than its
    // share, and the client then grows by what it lacks.
    for (int k = 0; k < 8; ++k) {
        const QRect box = LayOutLegend(def, layout.Frame, layout.Scale, layout.LegendFont).Box;
        const int over =
            std::max(box.right() - (target.width() - 1), box.bottom() - (target.height() - 1));
        if (over <= 0) break;
        const int more = int(std::ceil(over / layout.Scale)) + 1;
        grown += QSize(box.right() >= target.width() ? more : 0,
                       box.bottom() >= target.height() ? more : 0);
        const int font = layout.LegendFont;
        layout = FitPlot(frame, grown, target);
        layout.LegendFont = font;
    }
    return layout;
}

std::string PlotPictureName(const std::string& name, int filterIndex) {
    if (FormatOf(name) >= 0) return name;
    static const char* const lower[] = {".png", ".svg", ".pdf"};
    return name + lower[std::clamp(filterIndex, 1, 3) - 1];
}

bool ParsePictureSize(const std::string& text, QSize& size) {
    std::string t;
    for (char c : text)
        if (c != ' ' && c != '\t') t += char(std::tolower(uint8_t(c)));
    const size_t x = t.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == t.size()) return false;
    char* end = nullptr;
    const long w = std::strtol(t.c_str(), &end, 10);
    if (end != t.c_str() + x) return false;
    const long h = std::strtol(t.c_str() + x + 1, &end, 10);
    if (*end != '\0') return false;
    if (w < 16 || h < 16 || w > 20000 || h > 20000) return false;
    size = QSize(int(w), int(h));
    return true;
}

bool ExportPlot(const TPlotDef& def, const PlotFrame& frame, const QSize& client,
                const std::string& fileName, const QSize& size, std::string& error) {
    const int format = FormatOf(fileName);
    if (format < 0) {
        error = "A plot is exported as a .png, .svg or .pdf file, not as " + fileName + ".";
        return false;
    }
    const QByteArray bytes = Picture(format, def, frame, client, size);
    if (bytes.isEmpty() || !WriteFileAtomic(fileName, bytes.toStdString())) {
        error = "File " + fileName + " could not be written.";
        return false;
    }
    return true;
}

} // namespace kolshell
