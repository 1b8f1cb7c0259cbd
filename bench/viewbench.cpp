// Opening a 100 MB output file in the viewer window: time to the first paint, time until the
// whole file is indexed while events keep flowing, a search through all of it, and peak
// memory. Usage: viewbench DIR
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/viewform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <sys/resource.h>

using namespace kolshell;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string name = std::string(argc > 1 ? argv[1] : ".") + "/VIEW100.OUT";
    {
        FILE* f = std::fopen(name.c_str(), "wb");
        std::string line;
        char buf[32];
        for (int c = 0; c < 25; ++c) {
            std::snprintf(buf, sizeof buf, "%13.4E", c * 0.5);
            line += buf;
        }
        line += "\n";
        std::fputs(" TIME A B C\n S M M M\n", f);
        for (size_t n = 0; n < (size_t(100) << 20) / line.size(); ++n)
            std::fputs(line.c_str(), f);
        std::fclose(f);
    }
    QElapsedTimer t;
    t.start();
    TViewForm view;
    view.resize(800, 600);
    view.show();
    view.Open(name);
    view.grab();
    const double firstPaint = t.elapsed() / 1000.0;
    int turns = 0;
    while (!view.Viewer()->Complete()) {
        app.processEvents();
        ++turns;
    }
    const double complete = t.elapsed() / 1000.0;
    view.Viewer()->Search("NOT THERE", false, true);
    const double search = t.elapsed() / 1000.0 - complete;
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    std::printf("first paint %.3f s, indexed %.3f s (%d event-loop turns), %d lines, search "
                "through all %.3f s, peak RSS %.1f MB\n",
                firstPaint, complete, turns, view.Viewer()->LineCount(), search,
                double(use.ru_maxrss) / 1024.0);
    std::remove(name.c_str());
    return 0;
}
