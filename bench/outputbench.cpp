// Reading big output files: koltool against numpy.loadtxt as whole processes (best of three,
// wall and CPU time), and the program's reader against a plain one-pass reader, all in the
// same run, on the demo's values and on values of mixed signs and magnitudes.
// Usage: outputbench KOLTOOL [DIR]
#include "plot/outputdata.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kolshell;

namespace {

double Seconds(const std::chrono::steady_clock::time_point& t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// An output file as the engine writes it: names, units, then "%13.4E" columns. The first
// column is the time; the others are either the demo's smooth values or values spread
// uniformly over -500..5000, of mixed signs and magnitudes.
void Generate(const std::string& name, int rows, int cols, bool mixed) {
    FILE* f = std::fopen(name.c_str(), "wb");
    std::string line;
    for (int c = 0; c < cols; ++c)
        line += c ? " COL" + std::to_string(c) : "TIME";
    std::fprintf(f, "%s\n", line.c_str());
    line.clear();
    for (int c = 0; c < cols; ++c)
        line += c ? " M" : "S";
    std::fprintf(f, "%s\n", line.c_str());
    char buf[32];
    uint64_t seed = 12345;
    for (int r = 0; r < rows; ++r) {
        line.clear();
        for (int c = 0; c < cols; ++c) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            const double uniform = -500 + 5500 * (double(seed >> 11) / double(1ull << 53));
            const double demo = (r % 1000) * 0.37 + c;
            std::snprintf(buf, sizeof buf, "%13.4E", c == 0 ? r * 60.0 : mixed ? uniform : demo);
            line += buf;
        }
        std::fprintf(f, "%s\n", line.c_str());
    }
    std::fclose(f);
}

// The baseline: one fread, std::from_chars into double columns, min and max.
double PlainReader(const std::string& name, int cols) {
    FILE* f = std::fopen(name.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    std::vector<char> all(size_t(std::ftell(f)));
    std::rewind(f);
    if (std::fread(all.data(), 1, all.size(), f) != all.size()) return -1;
    std::fclose(f);
    const char* p = all.data();
    const char* end = p + all.size();
    for (int skip = 0; skip < 2; ++skip)
        p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))) + 1;
    std::vector<std::vector<double>> columns(static_cast<size_t>(cols));
    std::vector<double> lo(size_t(cols), 9e30), hi(size_t(cols), -9e30);
    size_t c = 0;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\n'))
            ++p;
        if (p >= end) break;
        double v;
        p = std::from_chars(p, end, v).ptr;
        columns[c].push_back(v);
        lo[c] = std::min(lo[c], v);
        hi[c] = std::max(hi[c], v);
        c = (c + 1) % size_t(cols);
    }
    return lo[0] + hi[0];
}

// The best of three runs: the machine may be shared.
template <typename F> double Time(F f) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, Seconds(t0));
    }
    return best;
}

struct Process {
    double Wall = 1e30, Cpu = 1e30, PeakMB = 0; // best of three wall and CPU times
};

// Runs a shell command three times.
Process Run(const std::string& command) {
    Process p;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage use{};
        wait4(pid, &status, 0, &use);
        p.Wall = std::min(p.Wall, Seconds(t0));
        const auto sec = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
        p.Cpu = std::min(p.Cpu, sec(use.ru_utime) + sec(use.ru_stime));
        p.PeakMB = double(use.ru_maxrss) / 1024.0;
    }
    return p;
}

double Load() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: outputbench KOLTOOL [DIR]\n");
        return 1;
    }
    const std::string koltool = argv[1];
    const std::string dir = argc > 2 ? argv[2] : ".";
    std::printf("load average at the start: %.2f\n", Load());
    for (bool mixed : {false, true}) {
        const int rows = 525600;
        const std::string name =
            dir + "/bench" + std::to_string(rows) + (mixed ? "mixed" : "demo") + ".OUT";
        Generate(name, rows, 25, mixed);
        // The processes first, while this one is small: a child's peak counts what it had
        // before it started the program.
        const Process ours = Run(koltool + " output " + name + " --no-values > /dev/null");
        const Process numpy =
            Run("/usr/bin/python3 -c \"import numpy; numpy.loadtxt('" + name + "', skiprows=2)\"");
        double reader = 0;
        {
            TOutputData d;
            reader = Time([&] { ReadOutputFile(name, d); });
        }
        const double plain = Time([&] { PlainReader(name, 25); });
        std::printf("%d rows x 25, %s values:\n"
                    "  koltool process %.3f s wall, %.3f s CPU, peak %.1f MB for a %.1f MB table\n"
                    "  numpy.loadtxt process %.3f s wall, %.3f s CPU\n"
                    "  koltool is %.2fx faster in wall time, %.2fx in CPU time\n"
                    "  reader in this process %.3f s, plain from_chars %.3f s (%.2fx)\n",
                    rows, mixed ? "mixed (-500..5000)" : "demo", ours.Wall, ours.Cpu, ours.PeakMB,
                    25.0 * 6 * rows / (1024 * 1024), numpy.Wall, numpy.Cpu, numpy.Wall / ours.Wall,
                    numpy.Cpu / ours.Cpu, reader, plain, plain / reader);
    }
    std::printf("load average at the end: %.2f\n", Load());
    return 0;
}
