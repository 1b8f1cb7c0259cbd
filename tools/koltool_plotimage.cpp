#include "tools/koltool_plotimage.h"

#include "plot/plotdef.h"
#include "plot/plotextension.h"
#include "plot/widgets/plotexport.h"

#include <QGuiApplication>
#include <cstdio>

using namespace kolshell;

namespace {

// Pictures need fonts, and fonts a GUI application: one without a screen unless asked.
void StartGui() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the platform are not this command's answer.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "koltool";
    static char* argv[] = {name, nullptr};
    // Kept to the end of the process: Qt's own statics go after it.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace

int PlotImageCmd(const Args& a) {
    const char* usage = "usage: plot-image FILE.KSP OUT.(png|svg|pdf) [--size WxH]";
    if (a.size() != 2 && !(a.size() == 4 && a[2] == "--size")) return Fail(usage);
    QSize size;
    if (a.size() == 4 && !ParsePictureSize(a[3], size))
        return Fail("'" + a[3] + "' is not a picture size: give WxH, as 1600x1000");
    std::string caption, error;
    TPlotDef def;
    if (!OpenPlotWithLegends(a[0], caption, def, error)) return Fail(error);
    ShareEqualXValues(def);
    StartGui();
    // Without a size, the picture is the window's, grown to hold the whole legend.
    if (!size.isValid())
        size = PlotClientFor(def, PlotFrame{}, QSize(PlotClientWidth, PlotClientHeight));
    if (!ExportPlot(def, PlotFrame{}, QSize(PlotClientWidth, PlotClientHeight), a[1], size, error))
        return Fail(error);
    return 0;
}
