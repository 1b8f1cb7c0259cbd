// Drawing a big plot: a year of minutely engine output (525,600 rows, 25 columns, 171 MB), 24
// lines in a frame of 800 x 500, offscreen. The window's drawing (per-pixel-column reductions,
// kept between paints) against drawing every point, each measured in the same run.
// Usage: plotbench [DIR] [PAINTS] [EVERY-POINT PAINTS]
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "plot/widgets/plotpainter.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

template <typename F> double Median(int n, F f) {
    std::vector<double> t;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        t.push_back(Ms(t0));
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double RssMB() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return double(rss) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Engine output as written: names, units, "%13.4E" columns; slow waves, noise, and a
// one-sample spike now and then.
void Generate(const std::string& name, int rows) {
    FILE* f = std::fopen(name.c_str(), "wb");
    std::string line = "TIME";
    for (int c = 1; c < 25; ++c)
        line += " VAR" + std::to_string(c);
    std::fprintf(f, "%s\n S", line.c_str());
    for (int c = 1; c < 25; ++c)
        std::fprintf(f, " M");
    std::fprintf(f, "\n");
    unsigned seed = 12345;
    char buf[40];
    for (int r = 0; r < rows; ++r) {
        line.clear();
        for (int c = 0; c < 25; ++c) {
            seed = seed * 1103515245u + 12345u;
            const double noise = double((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
            double v = r * 60.0;
            if (c > 0) {
                v = 10 * c + 5 * std::sin(r * 2 * M_PI / (1440.0 * (c + 1))) + noise;
                if ((r + 977 * c) % 100003 == 0) v += 40; // a spike of one sample
            }
            std::snprintf(buf, sizeof buf, "%13.4E", v);
            line += buf;
        }
        std::fprintf(f, "%s\n", line.c_str());
    }
    std::fclose(f);
}

void Paint(TPlotForm& plot, QImage& image, bool everyPoint) {
    image.fill(Qt::white);
    QPainter p(&image);
    if (!everyPoint) {
        plot.DisplayPlot(p, 1.0, false);
        return;
    }
    TPlotPainter painter(p, plot.Def(), plot.FrameValues(), 1.0, false);
    painter.DrawEveryPoint(true);
    painter.Draw();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : "/tmp/plotbench";
    const int paints = argc > 2 ? std::atoi(argv[2]) : 20;
    const int everyPaints = argc > 3 ? std::atoi(argv[3]) : 20;
    const int rows = 525600;
    mkdir(dir.c_str(), 0777);
    const std::string file = dir + "/YEAR.OUT";
    struct stat st;
    if (stat(file.c_str(), &st) != 0) Generate(file, rows);
    stat(file.c_str(), &st);
    std::printf("file %s: %d rows x 25 columns, %.0f MB\n", file.c_str(), rows, st.st_size / 1e6);

    {
        TOutputData data;
        const auto r0 = Clock::now();
        ReadOutputFile(file, data);
        std::printf("reading alone: %.0f ms\n", Ms(r0));
    }
    const double rss0 = RssMB();
    TPlotSetup setup;
    auto t0 = Clock::now();
    setup.FormActivate(file, false, nullptr);
    for (int i = 1; i < setup.ListBoxY->count(); ++i)
        setup.ListBoxY->item(i)->setSelected(true);
    emit setup.ListBoxY->itemClicked(setup.ListBoxY->item(1));
    setup.OKBtnClick();
    const double build = Ms(t0);
    TPlotForm plot;
    plot.SetPlot("Plot 1: from " + file, setup.TakeNewPlot());
    setup.done(QDialog::Accepted); // the dialog lets its table go
    const double rssPlot = RssMB() - rss0;
    const double table = 6.0 * rows * 25 / 1e6;
    std::printf("Plot Setup, read and build 24 lines: %.0f ms\n", build);
    std::printf("memory held by the plot: %.1f MB, the 6-byte table %.1f MB: %.2f x\n", rssPlot,
                table, rssPlot / table);

    plot.resize(1100, 700);
    plot.show();
    plot.SetFrame(100, 20, 900, 520);
    QImage image(1100, 700, QImage::Format_ARGB32_Premultiplied);
    for (bool symbols : {false, true}) {
        if (symbols)
            for (int i = 0; i < plot.Def().NLines; ++i)
                plot.Def().Lines[size_t(i)].Symbol = 1 + i % 15;
        plot.SetPlot("Plot 1", plot.Def());
        t0 = Clock::now();
        Paint(plot, image, false);
        const double first = Ms(t0);
        const double reduced = Median(paints, [&] { Paint(plot, image, false); });
        const double every = Median(everyPaints, [&] { Paint(plot, image, true); });
        std::printf("%s: first paint (reductions worked out) %.1f ms; later paints %.2f ms; "
                    "every point %.0f ms: %.0f x faster\n",
                    symbols ? "24 lines with symbols" : "24 lines", first, reduced, every,
                    every / reduced);
    }
    // A drag: each step draws the outline over the kept picture; the plot is drawn at the end.
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    canvas->grab();
    plot.MouseDown(QPoint(500, 300));
    int step = 0;
    const double drag = Median(paints, [&] {
        ++step;
        plot.MouseMove(QPoint(500 + step, 300 + step));
        canvas->grab();
    });
    t0 = Clock::now();
    plot.MouseUp(QPoint(500 + step, 300 + step));
    canvas->grab();
    const double moved = Ms(t0);
    plot.MouseDown(QPoint(900 + step, 520 + step));
    plot.MouseMove(QPoint(950, 560));
    t0 = Clock::now();
    plot.MouseUp(QPoint(950, 560));
    canvas->grab();
    const double resized = Ms(t0);
    std::printf("drag step %.2f ms; end of a move %.1f ms; end of a resize (reductions again) "
                "%.1f ms\n",
                drag, moved, resized);
    return 0;
}
