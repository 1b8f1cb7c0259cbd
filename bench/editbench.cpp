// Opening big decks as File, Open does: a 20 MB deck of empty lines (sent to the viewer),
// the biggest deck the editor still takes (20 MB in as many lines as it takes), and the
// viewer's line index over 200 MB of empty lines, in bytes a line. Usage: editbench DIR
#include "shell/editlimits.h"
#include "shell/lineindex.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/viewform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <sys/resource.h>

namespace {

void Write(const std::string& name, const std::string& line, size_t bytes) {
    FILE* f = std::fopen(name.c_str(), "wb");
    for (size_t n = 0; n < bytes / line.size(); ++n)
        std::fputs(line.c_str(), f);
    std::fclose(f);
}

double PeakMB() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string empty = dir + "/EMPTY20.DCK", full = dir + "/FULL19.DCK";
    Write(empty, "\n", 20000000);
    // As many lines as the editor takes, sharing the most bytes it takes.
    const size_t width = size_t(EditBytesMax / EditLinesMax) - 2;
    Write(full, std::string(width, 'x') + "\r\n", size_t(EditLinesMax) * (width + 2));
    QElapsedTimer t;
    t.start();
    std::string why = TooLargeToEdit(empty);
    TViewForm view;
    view.Open(empty);
    while (!view.Viewer()->Complete())
        app.processEvents();
    std::printf("20 MB of empty lines: %s %.3f s to the whole index, peak RSS %.1f MB\n",
                why.c_str(), t.elapsed() / 1000.0, PeakMB());
    t.restart();
    why = TooLargeToEdit(full);
    TEditForm edit;
    edit.Open(full);
    edit.grab();
    std::printf("%llu lines of %zu characters in the editor: %s%.3f s to the first paint, peak "
                "RSS %.1f MB\n",
                (unsigned long long)EditLinesMax, width, why.c_str(), t.elapsed() / 1000.0,
                PeakMB());
    const std::string big = dir + "/EMPTY200.LST";
    Write(big, "\n", 200000000);
    TLineIndex index;
    index.Open(big);
    while (index.IndexStep(1 << 20)) {
    }
    std::printf("line index over 200 MB of empty lines: %zu lines, %.2f bytes a line\n",
                index.LineCount(), double(index.IndexBytes()) / double(index.LineCount()));
    std::remove(empty.c_str());
    std::remove(full.c_str());
    std::remove(big.c_str());
    return 0;
}
