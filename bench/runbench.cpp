// A 200-run table on the stand-in engine, one run at a time and two at once: the wall times,
// their ratio, the engine's CPU per run and what the shell itself spends per run (its own CPU
// time, the gap between one run's end and the next one's start when they run one at a time,
// and the wall time against a plain loop that starts and waits for the same engines). The
// deck's time step is tuned first so that one run takes about 50 ms of CPU.
// Usage: runbench DIR [ENGINE] [RUNS]
#include "common/paths.h"
#include "run/localbackend.h"
#include "table/rundecks.h"
#include "table/tableedits.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace kolshell;

extern char** environ;

namespace {

struct Times {
    double Wall = 0, Self = 0, Children = 0;
};

double Cpu(int who) {
    rusage u{};
    getrusage(who, &u);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

Times Now() {
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return {wall, Cpu(RUSAGE_SELF), Cpu(RUSAGE_CHILDREN)};
}

Times Since(const Times& t0) {
    const Times t = Now();
    return {t.Wall - t0.Wall, t.Self - t0.Self, t.Children - t0.Children};
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

void WriteDeck(const std::string& name, double step) {
    std::ostringstream d;
    d << "* BENCH.DCK - the demonstration tank, run in small time steps.\n"
         "CONSTANTS 4\nAREA = 2.5\nQPUMP = 0.012\nCVALVE = 0.004\nLEVEL0 = 0.2\n"
         "EQUATIONS 3\nLEVEL = [1,1]\nQOUT = CVALVE * SQRT(MAX(LEVEL, 0))\n"
         "NET = QPUMP - QOUT\n"
      << "SIMULATION 0 3600 " << step << "\n"
      << "UNIT 1 TYPE 2 Tank\nPARAMETERS 2\nAREA LEVEL0\nINPUTS 3\nNET 0,0 0,0\n0 0 0\n"
         "UNIT 2 TYPE 25 Printer\nPARAMETERS 2\n600 12\nINPUTS 2\nLEVEL QOUT\n"
         "LEVEL[M] QOUT[M3/S]\nASSIGN BENCH.OUT 12\nEND\n";
    std::ofstream(name, std::ios::binary) << d.str();
}

// Runs the table with n at once; the times, and the mean gap between runs.
Times RunTable(TTable& t, const std::string& engineDir, int n, double& gap) {
    TTableRunOptions o;
    o.EngineDir = o.DefaultEngineDir = engineDir;
    o.Parallel = n;
    TTableRunHost host;
    std::vector<TRun> runs;
    std::string message;
    const Times t0 = Now();
    if (!PrepareTableRun(t, host, o, runs, message)) {
        std::fprintf(stderr, "runbench: %s\n", message.c_str());
        std::exit(1);
    }
    TRunSet set(std::move(runs), std::make_unique<TLocalBackend>(n));
    RunToEnd(set, nullptr);
    DeleteRunDecks(set.Runs());
    const Times spent = Since(t0);
    if (set.Count(TRunState::Done) != int(set.Runs().size())) {
        std::fprintf(stderr, "runbench: not every run was done\n");
        std::exit(1);
    }
    gap = 0;
    for (size_t i = 1; i < set.Runs().size(); ++i)
        gap += set.Runs()[i].Started - set.Runs()[i - 1].Ended;
    gap /= double(set.Runs().size() - 1);
    return spent;
}

// The same runs without the shell: each engine started and waited for in a plain loop, the
// yardstick for what the shell adds.
double PlainLoop(TTable& t, const std::string& engineDir) {
    TTableRunOptions o;
    o.EngineDir = o.DefaultEngineDir = engineDir;
    TTableRunHost host;
    std::vector<TRun> runs;
    std::string message;
    PrepareTableRun(t, host, o, runs, message);
    const Times t0 = Now();
    for (TRun& r : runs) {
        std::vector<char*> argv{&r.Program[0]};
        for (std::string& a : r.Arguments)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addchdir_np(&files, r.Dir.c_str());
        pid_t pid;
        if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) == 0)
            waitpid(pid, nullptr, 0);
        posix_spawn_file_actions_destroy(&files);
    }
    const double wall = Since(t0).Wall;
    DeleteRunDecks(runs);
    return wall;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string engine =
        argc > 2 ? argv[2] : ExtractFileDir(AbsolutePath(argv[0])) + "/KOLVAN32.exe";
    const int runs = argc > 3 ? std::atoi(argv[3]) : 200;
    const std::string engineDir = ExtractFileDir(engine);
    const std::string deck = dir + "/BENCH.DCK";
    std::printf("load average before: %s\n", LoadAverage().c_str());

    // One run's CPU time decides the step: about 50 ms of CPU per run.
    double step = 0.05, cpu = 0;
    for (int i = 0; i < 4; ++i) {
        WriteDeck(deck, step);
        TTable one = NewDeckTable(deck, {"QPUMP"}, 3);
        for (int r = 1; r <= 3; ++r)
            one.Columns[0].Values[size_t(r)] = 0.012;
        double gap;
        cpu = RunTable(one, engineDir, 1, gap).Children / 3;
        if (cpu > 0.04 && cpu < 0.06) break;
        step *= cpu / 0.05;
    }
    std::printf("deck: time step %.4g s, engine CPU %.1f ms per run\n", step, cpu * 1000);

    TTable t = NewDeckTable(deck, {"QPUMP"}, runs);
    for (int r = 1; r <= runs; ++r)
        t.Columns[0].Values[size_t(r)] = 0.010 + 0.00001 * r;
    double gap1 = 0, gap2 = 0;
    const double plain = PlainLoop(t, engineDir);
    const Times one = RunTable(t, engineDir, 1, gap1);
    const Times two = RunTable(t, engineDir, 2, gap2);
    for (const char* pattern : {"BENCH*.OUT", "BENCH*.LST"})
        for (const std::string& f : FindFiles(dir, pattern))
            RemoveFile(dir + "/" + f);
    auto line = [runs](const char* what, const Times& t) {
        std::printf("%s: wall %.2f s, engines %.1f ms CPU per run, shell %.2f ms CPU per run\n",
                    what, t.Wall, t.Children * 1000 / runs, t.Self * 1000 / runs);
    };
    line("one at a time", one);
    line("two at once  ", two);
    std::printf("ratio (one at a time / two at once): %.2f\n", one.Wall / two.Wall);
    std::printf("gap between runs, one at a time: %.2f ms; wall outside the engines: %.2f ms "
                "per run\n",
                gap1 * 1000, (one.Wall - one.Children) * 1000 / runs);
    std::printf("plain loop without the shell: wall %.2f s; the shell adds %.2f ms per run\n",
                plain, (one.Wall - plain) * 1000 / runs);
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
