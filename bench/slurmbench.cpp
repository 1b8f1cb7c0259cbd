// A 9999-run table submitted to Slurm and followed, with fake sbatch and squeue on PATH: the
// time to write the run decks and the job script and submit (one sbatch call), in a new folder
// and again in one that holds an earlier run's listings and outputs (for the same table and
// for a new one), and what one poll costs (one squeue call answering for all 9999 tasks, read
// and taken in).
// Usage: slurmbench DIR [RUNS] [POLLS]
#include "common/paths.h"
#include "run/slurmbackend.h"
#include "table/rundecks.h"
#include "table/tableedits.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace kolshell;

namespace {

double Clock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WriteProgram(const std::string& name, const std::string& body) {
    std::ofstream(name) << "#!/bin/sh\n" << body;
    chmod(name.c_str(), 0755);
}

// The fake commands: sbatch answers job 5, squeue prints the answer file for every task.
void FakeSlurm(const std::string& bin, int runs) {
    mkdir(bin.c_str(), 0755);
    WriteProgram(bin + "/sbatch", "echo 5\n");
    WriteProgram(bin + "/squeue", "cat " + bin + "/ANSWER\n");
    WriteProgram(bin + "/sacct", "exit 1\n");
    std::ofstream answer(bin + "/ANSWER");
    for (int r = 1; r <= runs; ++r)
        answer << "5_" << r << (r % 3 ? "|RUNNING|node" + std::to_string(r % 40) : "|PENDING|")
               << "\n";
    // A stand-in engine file: the run checks that one is there.
    std::ofstream(bin + "/KOLVAN32.exe") << "";
    chmod((bin + "/KOLVAN32.exe").c_str(), 0755);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    if (argc < 2) {
        std::fprintf(stderr, "usage: slurmbench DIR [RUNS] [POLLS]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9999;
    const int polls = argc > 3 ? std::atoi(argv[3]) : 20;
    const std::string bin = dir + "/slurmbench-bin";
    FakeSlurm(bin, runs);
    setenv("PATH", (bin + ":" + std::getenv("PATH")).c_str(), 1);
    const std::string deck = dir + "/SB.DCK";
    std::ofstream(deck) << "* SB.DCK - the tank.\nCONSTANTS 2\nQPUMP = 0.012\nCVALVE = 0.004\n"
                           "EQUATIONS 1\nLEVEL = [1,1]\nSIMULATION 0 10 1\nEND\n";
    TTable t = NewDeckTable(deck, {"QPUMP"}, runs);
    for (int r = 1; r <= runs; ++r)
        t.Columns[0].Values[size_t(r)] = 0.010 + 0.000001 * r;
    t.TableFileName = dir + "/SB.TBL";

    auto submit = [&](const char* where, std::vector<TRun>& list) {
        const double t0 = Clock();
        TTableRunOptions o;
        o.EngineDir = o.DefaultEngineDir = bin;
        o.Parallel = 2;
        TTableRunHost host;
        std::string message;
        if (!PrepareTableRun(t, host, o, list, message)) {
            std::fprintf(stderr, "slurmbench: %s\n", message.c_str());
            std::exit(1);
        }
        const double decks = Clock() - t0;
        TSlurmOptions so;
        so.TableName = t.TableFileName;
        auto backend = std::make_unique<TSlurmBackend>(so);
        if (!backend->Submit(list, message)) {
            std::fprintf(stderr, "slurmbench: %s\n", message.c_str());
            std::exit(1);
        }
        const double submitted = Clock() - t0;
        std::printf("%d runs, %s: run decks %.2f s, job script and sbatch %.2f s, submit in all "
                    "%.2f s\n",
                    runs, where, decks, submitted - decks, submitted);
        return backend;
    };
    std::vector<TRun> list;
    submit("new folder", list);
    // What the runs leave: a listing and an output per run, the run decks gone.
    DeleteRunDecks(list);
    for (const TRun& r : list) {
        std::ofstream(r.Listing) << "listing\n";
        std::ofstream(r.Listing.substr(0, r.Listing.size() - 4) + ".OUT") << "T\n0\n";
    }
    submit("beside an earlier run's files", list);
    // A new table on the same deck: the run deck names are not yet the table's own.
    DeleteRunDecks(list);
    t.RunDeckNames.clear();
    auto backend = submit("new table beside them", list);
    TSlurmBackend& slurm = *backend;

    slurm.SetPollMs(3600000); // polled when the bench says so
    TRunSet set(std::move(list), std::move(backend));
    double wall = 0;
    for (int p = 0; p < polls; ++p) {
        const double p0 = Clock();
        slurm.PollNow();
        set.Advance();
        while (slurm.Polling()) {
            set.Wait(100);
            set.Advance();
        }
        wall += Clock() - p0;
    }
    std::printf("one poll (one squeue call for %d tasks, read and taken in): %.1f ms, "
                "%d polls\n",
                runs, wall * 1000 / polls, polls);
    DeleteRunDecks(set.Runs());
    slurm.DeleteRunFiles(set.Runs());
    for (const TRun& r : set.Runs()) {
        std::remove(r.Listing.c_str());
        std::remove((r.Listing.substr(0, r.Listing.size() - 4) + ".OUT").c_str());
    }
    return 0;
}
