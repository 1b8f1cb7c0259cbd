// The metafile painter: a parsed metafile drawn, object table, mapping and text included, on
// a small picture (the painter's work grows with the records, not the picture).
#include "shell/widgets/wmfpainter.h"
#include "tests/fuzz/fuzztarget.h"

#include <QGuiApplication>
#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(wmfpaint) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz_wmfpaint";
        static char* argv[] = {name, nullptr};
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static QGuiApplication app(argc, argv);
    }
    TWmfFile wmf;
    std::string error;
    if (!ParseWmf(FuzzText(data, size), wmf, error)) return;
    RenderWmf(wmf, WmfPictureSize(wmf).boundedTo(QSize(64, 64)));
}
