// The Results window on the worst cases it is made for: a 1000-run table of the demo (61-row
// outputs) and 10 runs of a year of minutes (525,600-row outputs). Each is timed from opening
// the window to the last row shown, against the baseline of the same outputs read one after
// the other on one thread. Usage: resultsbench DIR
#include "plot/outputdata.h"
#include "table/tableedits.h"
#include "table/widgets/resultsform.h"
#include "table/widgets/tableform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <string>

using namespace kolshell;

namespace {

// An output like the demo's printer writes: TIME, LEVEL, QPUMP, QOUT, FULL.
void WriteOutput(const std::string& name, int rows, int run) {
    FILE* f = std::fopen(name.c_str(), "wb");
    std::fprintf(f, "TIME LEVEL QPUMP QOUT FULL\nS M M3/S M3/S -\n");
    for (int r = 0; r < rows; ++r) {
        const double t = 60.0 * r, level = 0.2 + 3.8 * (1 - 1 / (1 + t / (600.0 + run)));
        std::fprintf(f, "%13.4E%13.4E%13.4E%13.4E%13.4E\n", t, level, 0.012, 0.004 * level, 0.0);
    }
    std::fclose(f);
}

// A table of runs of dir/DEMO.DCK, each with its output written.
TTable MakeTable(const std::string& dir, int runs, int rows) {
    const std::string deck = dir + "/DEMO.DCK";
    FILE* f = std::fopen(deck.c_str(), "wb");
    std::fprintf(f, "CONSTANTS 2\nAREA = 2.5\nQPUMP = 0.012\nASSIGN DEMO.OUT 12\nEND\n");
    std::fclose(f);
    TTable t = NewDeckTable(deck, {"AREA", "QPUMP"}, runs);
    for (int r = 1; r <= runs; ++r) {
        t.Columns[0].Values[size_t(r)] = 1 + r * 0.001;
        t.Columns[1].Values[size_t(r)] = 0.012;
        WriteOutput(dir + "/DEMO" + (r > 1 ? std::to_string(r - 1) : "") + ".OUT", rows, r);
    }
    SaveTable(t, t.TableFileName);
    std::remove((t.TableFileName + ".RUNS").c_str());
    return t;
}

double Baseline(const std::string& dir, int runs) {
    QElapsedTimer timer;
    timer.start();
    for (int r = 1; r <= runs; ++r) {
        TOutputData d;
        ReadOutputFile(dir + "/DEMO" + (r > 1 ? std::to_string(r - 1) : "") + ".OUT", d);
    }
    return timer.nsecsElapsed() / 1e9;
}

double Window(TTableForm* table) {
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    auto* w = new TResultsForm(table);
    QObject::connect(w, &TResultsForm::ResultsShown, &loop, &QEventLoop::quit);
    w->show();
    if (w->Reading()) loop.exec();
    const double s = timer.nsecsElapsed() / 1e9;
    delete w;
    return s;
}

void Case(const std::string& dir, int runs, int rows, double limit) {
    auto* table = new TTableForm;
    table->SetTable(MakeTable(dir, runs, rows));
    const double window = Window(table), baseline = Baseline(dir, runs);
    std::printf("%d runs of %d rows: window %.3f s (limit %.1f s), one-thread read %.3f s, "
                "ratio %.2f\n",
                runs, rows, window, limit, baseline, window / baseline);
    delete table;
    for (int r = 1; r <= runs; ++r)
        std::remove((dir + "/DEMO" + (r > 1 ? std::to_string(r - 1) : "") + ".OUT").c_str());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : ".";
    Case(dir, 1000, 61, 2);
    Case(dir, 10, 525600, 3);
    return 0;
}
