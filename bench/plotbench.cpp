// Drawing a big plot: a year of minutely engine output (525,600 rows, 25 columns), 24 lines,
// offscreen, in a window of 1600 x 1000. Two kinds of data: smooth waves with noise and spikes,
// and the worst case, values uniformly random over the whole range, so that every pixel column
// spans the frame's height. Each figure beside the old drawing (the reduced path drawn through
// the painter, symbols stamped one by one) measured in the same run; pictures of the worst-case
// plot from koltool plot-image against the previous koltool (OLD-KOLTOOL) and gnuplot.
// Usage: plotbench [DIR] [PAINTS] [OLD-KOLTOOL] [NEW-KOLTOOL] [window|shots|profile|pictures]
#include "plot/tableruns.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotexport.h"
#include "plot/widgets/plotform.h"
#include "plot/widgets/plotpainter.h"

#include "common/widgets/printjob.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kolshell;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The processor time of the whole process (all its threads), in ms: on a machine that other
// work shares, wall-clock figures grow with the load; this does not.
double CpuMs() {
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

double LastCpu = 0; // the median processor time of the last Median

template <typename F> double Median(int n, F f) {
    std::vector<double> t, cpu;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        f();
        t.push_back(Ms(t0));
        cpu.push_back(CpuMs() - c0);
    }
    std::sort(t.begin(), t.end());
    std::sort(cpu.begin(), cpu.end());
    LastCpu = cpu[cpu.size() / 2];
    return t[t.size() / 2];
}

// Engine output as written: names, units, "%13.4E" columns; slow waves, noise, and a
// one-sample spike now and then.
void Generate(const std::string& name, int rows, bool worst) {
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
            if (c > 0 && worst) {
                v = 100.0 * double((seed >> 8) & 0xFFFFFF) / double(0x1000000);
            } else if (c > 0) {
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

// One paint of the plot's window picture, by the new drawing or the old one.
void Paint(TPlotForm& plot, TPlotCache& cache, QImage& image, bool old) {
    image.fill(Qt::white);
    QPainter p(&image);
    TPlotPainter painter(p, plot.Def(), plot.FrameValues(), 1.0, false);
    painter.UseCache(&cache);
    painter.PaintOnly(old);
    painter.Draw();
}

// Seconds a program takes from start to end; -1 when it fails.
// Seconds a program takes from start to end, and the processor time it used; -1 when it fails.
struct Timing {
    double Wall = -1, Cpu = -1;
};
double ChildrenCpu() {
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
Timing Run(const QString& program, const QStringList& args) {
    QElapsedTimer t;
    t.start();
    const double cpu = ChildrenCpu();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) return {};
    return {t.elapsed() / 1000.0, ChildrenCpu() - cpu};
}
// The run of median wall-clock time of three.
Timing Run3(const QString& program, const QStringList& args) {
    std::vector<Timing> t;
    for (int i = 0; i < 3; ++i)
        t.push_back(Run(program, args));
    std::sort(t.begin(), t.end(), [](const Timing& a, const Timing& b) { return a.Wall < b.Wall; });
    return t[1];
}

// The plot's values as columns of text, for gnuplot.
void WriteColumns(const TPlotDef& d, const std::string& name) {
    FILE* f = std::fopen(name.c_str(), "wb");
    for (int k = 0; k < d.Lines[0].NPoints; ++k) {
        std::fprintf(f, "%.6g", double(DecodeReal48(d.Lines[0].XValues[size_t(k)])));
        for (int i = 0; i < d.NLines; ++i)
            std::fprintf(f, " %.6g", double(DecodeReal48(d.Lines[size_t(i)].YValues[size_t(k)])));
        std::fprintf(f, "\n");
    }
    std::fclose(f);
}

TPlotDef Build(const std::string& file) {
    TPlotSetup setup;
    setup.FormActivate(file, false, nullptr);
    for (int i = 1; i < setup.ListBoxY->count(); ++i)
        setup.ListBoxY->item(i)->setSelected(true);
    emit setup.ListBoxY->itemClicked(setup.ListBoxY->item(1));
    setup.OKBtnClick();
    TPlotDef d = setup.TakeNewPlot();
    setup.done(QDialog::Accepted);
    return d;
}

// Wall-clock figures beside the old drawing's, and the new one's processor time.
void Ratio(const char* what, double now, double nowCpu, double old) {
    std::printf("  %-30s %8.2f ms (cpu %7.2f ms), old %8.2f ms: %6.1f x faster\n", what, now,
                nowCpu, old, old / now);
}

// Window paints, with lines and with symbols, and the end of a frame move.
void Window(const std::string& kind, const TPlotDef& def, int paints) {
    std::printf("%s data, window 1600 x 1000:\n", kind.c_str());
    TPlotForm plot;
    plot.SetPlot("Plot 1", def);
    plot.resize(1600, 1000);
    plot.show();
    plot.SetFrame(100, 20, 1400, 880);
    QImage image(1600, 1000, QImage::Format_RGB32);
    for (bool symbols : {false, true}) {
        for (int i = 0; i < plot.Def().NLines; ++i)
            plot.Def().Lines[size_t(i)].Symbol = symbols ? 1 + i % 15 : 0;
        TPlotCache cache;
        Paint(plot, cache, image, false);
        const double now = Median(paints, [&] { Paint(plot, cache, image, false); });
        const double nowCpu = LastCpu;
        const double old =
            Median(std::max(1, paints / 4), [&] { Paint(plot, cache, image, true); });
        Ratio(symbols ? "paint, 24 lines with symbols" : "paint, 24 lines", now, nowCpu, old);
    }
    for (int i = 0; i < plot.Def().NLines; ++i)
        plot.Def().Lines[size_t(i)].Symbol = 0;
    plot.SetPlot("Plot 1", plot.Def());
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    canvas->grab();
    int step = 0;
    const double moved = Median(paints, [&] {
        ++step;
        plot.MouseDown(QPoint(500, 300));
        plot.MouseMove(QPoint(500 + step % 7, 300 + step % 5));
        plot.MouseUp(QPoint(500 + step % 7, 300 + step % 5));
        canvas->grab();
    });
    const double movedCpu = LastCpu;
    TPlotCache cache;
    Paint(plot, cache, image, true);
    const double oldMove =
        Median(std::max(1, paints / 4), [&] { Paint(plot, cache, image, true); });
    Ratio("end of a frame move", moved, movedCpu, oldMove);
    // A zoom step: the reductions of the new range worked out and the plot drawn.
    int zooms = 0;
    const double zoom = Median(paints, [&] {
        if (++zooms % 2)
            plot.ZoomTo(QRect(400, 200, 600, 400));
        else
            plot.ZoomOut();
        canvas->grab();
    });
    std::printf("  %-30s %8.2f ms (cpu %7.2f ms over both threads)\n",
                "zoom step (reductions again)", zoom, LastCpu);
    // The values under the pointer: the nearest point of each line, its X column searched.
    plot.ResetZoom();
    plot.SetPlot("Plot 1", plot.Def()); // nothing known of the lines yet
    const auto t0 = Clock::now();
    plot.MouseMove(QPoint(700, 400));
    const double first = Ms(t0);
    int x = 0;
    const double lookup =
        Median(paints, [&] { plot.MouseMove(QPoint(200 + (x += 37) % 1100, 400)); });
    std::printf("  %-30s %8.2f ms (cpu %7.2f ms), the first %.2f ms\n", "read-out of 24 lines",
                lookup, LastCpu, first);
}

// Only the new paints of the worst-case plot with symbols, and zoom steps: what a profiler
// is to look at.
int Profile(const TPlotDef& def, int paints) {
    TPlotForm plot;
    plot.SetPlot("Plot 1", def);
    plot.resize(1600, 1000);
    plot.show();
    plot.SetFrame(100, 20, 1400, 880);
    for (int i = 0; i < plot.Def().NLines; ++i)
        plot.Def().Lines[size_t(i)].Symbol = 1 + i % 15;
    QImage image(1600, 1000, QImage::Format_RGB32);
    TPlotCache cache;
    Paint(plot, cache, image, false);
    size_t marks = 0;
    for (int i = 1; i <= plot.Def().NLines; ++i)
        marks += cache.Line(plot.Def(), i, 1300, -860, 1.0).Marks.size();
    std::printf("%zu symbol positions\n", marks);
    std::printf("paint with symbols %.2f ms\n",
                Median(paints, [&] { Paint(plot, cache, image, false); }));
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    for (bool symbols : {true, false}) {
        for (int i = 0; i < plot.Def().NLines; ++i)
            plot.Def().Lines[size_t(i)].Symbol = symbols ? 1 + i % 15 : 0;
        plot.SetPlot("Plot 1", plot.Def());
        int zooms = 0;
        std::printf("zoom step%s %.2f ms\n", symbols ? " with symbols" : "", Median(paints, [&] {
                        if (++zooms % 2)
                            plot.ZoomTo(QRect(400, 200, 600, 400));
                        else
                            plot.ZoomOut();
                        canvas->grab();
                    }));
    }
    return 0;
}

// A tank's level over a day for one run of a table: fills at QPUMP, drains through AREA.
void WriteRun(const std::string& name, double qpump, double area) {
    FILE* f = std::fopen(name.c_str(), "wb");
    std::fprintf(f, "TIME LEVEL\n S M\n");
    double level = 1;
    for (int r = 0; r <= 1440; ++r) {
        std::fprintf(f, "%13.4E%13.4E\n", r * 60.0, level);
        level += 60 * (qpump - 0.0004 * area * std::sqrt(std::max(0.0, level))) / area;
    }
    std::fclose(f);
}

// Pictures as files for a report: a 24-line plot as PNG, a Plot Table Runs plot of 24 runs
// of two variables as PDF, and that plot printed to a PDF page.
void Pictures(const std::string& dir) {
    TPlotDef year;
    TPlotSetup setup;
    setup.FormActivate(dir + "/YEAR.OUT", false, nullptr);
    for (int i = 1; i < setup.ListBoxY->count(); ++i)
        setup.ListBoxY->item(i)->setSelected(true);
    emit setup.ListBoxY->itemClicked(setup.ListBoxY->item(1));
    setup.ToRowV->setText("20000");
    setup.LegendBox->setChecked(true);
    setup.OKBtnClick();
    year = setup.TakeNewPlot();
    year.AxisMax[0] = 1200000; // the X axis over those rows
    setup.done(QDialog::Accepted);
    std::string error;
    const QSize client(PlotClientWidth, PlotClientHeight);
    ExportPlot(year, PlotFrame{}, client, dir + "/lines24.png",
               PlotClientFor(year, PlotFrame{}, client), error);
    ExportPlot(year, PlotFrame{}, client, dir + "/lines24-1600.png", QSize(1600, 1000), error);
    std::vector<RunLine> runs;
    const double pumps[] = {0.002, 0.005, 0.01}, areas[] = {2.5, 5, 10, 20, 40, 80, 120, 200};
    for (int r = 0; r < 24; ++r) {
        const double q = pumps[r / 8], a = areas[r % 8];
        const std::string file = dir + "/RUN" + std::to_string(r + 1) + ".OUT";
        WriteRun(file, q, a);
        char legend[80];
        std::snprintf(legend, sizeof legend, "run %d: QPUMP=%g, AREA=%g", r + 1, q, a);
        runs.push_back({r + 1, file, legend});
    }
    TPlotDef table;
    if (!BuildRunsPlot(runs, 1, 2, table, error)) std::printf("%s\n", error.c_str());
    ExportPlot(table, PlotFrame{}, client, dir + "/tableruns.pdf",
               PlotClientFor(table, PlotFrame{}, client), error);
    TPlotForm plot;
    plot.SetPlot("Plot 2: table runs of TANK.DCK", table);
    plot.show();
    plot.findChild<QWidget*>("PlotCanvas")->grab();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir + "/printed.pdf"));
    TPrintJob job(&printer);
    plot.Print(job);
    job.Text(job.PrintX(), job.PrintY(), "Text printed after the plot.");
}

// Pictures of the window on a screen (run under Xvfb): the worst-case plot maximised, and a
// zoomed region with the values under the pointer.
int Shots(const TPlotDef& def, const std::string& dir) {
    TPlotForm plot;
    TPlotDef d = def;
    d.ShowLegend = 1;
    plot.SetPlot("Plot 1: worst case", d);
    plot.resize(1600, 1000); // maximised on a 1600 x 1000 screen
    plot.show();
    QApplication::processEvents();
    plot.grab().save(QString::fromStdString(dir + "/maximised.png"));
    const QRect f = plot.Frame();
    plot.ZoomTo(
        QRect(f.left() + f.width() / 3, f.top() + f.height() / 3, f.width() / 40, f.height() / 4));
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    plot.MouseDown(f.center() - QPoint(100, 0));
    plot.MouseUp(f.center() - QPoint(100, 0));
    plot.MouseDown(f.center() + QPoint(100, 0));
    plot.MouseUp(f.center() + QPoint(100, 0));
    QMouseEvent move(QEvent::MouseMove, f.center(), canvas->mapToGlobal(f.center()), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QApplication::processEvents();
    plot.grab().save(QString::fromStdString(dir + "/zoomed.png"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!(argc > 5 && std::string(argv[5]) == "shots")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : "/tmp/plotbench";
    const int paints = argc > 2 ? std::atoi(argv[2]) : 20;
    const QString oldTool = argc > 3 ? argv[3] : "/work/main/build/bin/koltool";
    const QString newTool =
        argc > 4 ? argv[4] : QCoreApplication::applicationDirPath() + "/koltool";
    const int rows = 525600;
    mkdir(dir.c_str(), 0777);
    TPlotDef worst;
    const std::string mode = argc > 5 ? argv[5] : "";
    for (bool isWorst : {false, true}) {
        const std::string file = dir + (isWorst ? "/WORST.OUT" : "/YEAR.OUT");
        struct stat st;
        if (stat(file.c_str(), &st) != 0) Generate(file, rows, isWorst);
        const bool only = mode == "shots" || mode == "profile";
        if ((only && !isWorst) || mode == "pictures") continue;
        TPlotDef def = Build(file);
        if (!only) Window(isWorst ? "worst-case" : "smooth", def, paints);
        if (isWorst) worst = std::move(def);
    }
    if (mode == "window") return 0;
    if (mode == "shots") return Shots(worst, dir);
    if (mode == "pictures") return Pictures(dir), 0;
    if (mode == "profile") return Profile(worst, paints);
    const std::string ksp = dir + "/WORST.KSP", cols = dir + "/WORST.DAT";
    SavePlotFile(ksp, "Plot 1", worst);
    WriteColumns(worst, cols);
    std::printf("worst-case plot file, 1600 x 1000 pictures, whole process:\n");
    const QString size = "1600x1000";
    for (const char* ext : {"png", "svg", "pdf"}) {
        const QString out = QString::fromStdString(dir) + "/worst." + ext;
        const Timing now =
            Run3(newTool, {"plot-image", QString::fromStdString(ksp), out, "--size", size});
        const Timing old = Run3(oldTool, {"plot-image", QString::fromStdString(ksp),
                                          out + ".old." + ext, "--size", size});
        std::printf("  koltool plot-image %s: %.2f s (cpu %.2f s), old %.2f s (cpu %.2f s): "
                    "%.1f x faster\n",
                    ext, now.Wall, now.Cpu, old.Wall, old.Cpu, old.Wall / now.Wall);
    }
    const std::string gp = "set terminal png size 1600,1000; set output '" + dir +
                           "/gnuplot.png'; set key outside; plot for [i=2:25] '" + cols +
                           "' using 1:i with lines notitle\n";
    FILE* script = std::fopen((dir + "/worst.gp").c_str(), "wb");
    std::fputs(gp.c_str(), script);
    std::fclose(script);
    const Timing png = Run3(newTool, {"plot-image", QString::fromStdString(ksp),
                                      QString::fromStdString(dir) + "/worst.png", "--size", size});
    const Timing gnuplot = Run("gnuplot", {QString::fromStdString(dir + "/worst.gp")});
    std::printf("  gnuplot png terminal: %.2f s (cpu %.2f s); koltool plot-image png %.2f s "
                "(cpu %.2f s): %.1f x faster\n",
                gnuplot.Wall, gnuplot.Cpu, png.Wall, png.Cpu, gnuplot.Wall / png.Wall);
    {
        TPlotForm plot;
        plot.SetPlot("Plot 1", worst);
        plot.resize(1600, 1000);
        plot.show();
        plot.SetFrame(100, 20, 1400, 880);
        plot.findChild<QWidget*>("PlotCanvas")->grab();
        QPrinter printer(QPrinter::HighResolution);
        printer.setResolution(300);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir) + "/print.pdf");
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs();
        {
            TPrintJob job(&printer);
            plot.Print(job);
        }
        std::printf("  print to PDF at 300 dpi: %.2f s (cpu %.2f s)\n", t.elapsed() / 1000.0,
                    (CpuMs() - cpu) / 1000);
    }
    return 0;
}
