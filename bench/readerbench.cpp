// Every reader on its worst inputs of 250 KB and 1 MB (those of the scaling tests), timed:
// the best of three runs of each, and the ratio of the two, which stays near 4 for a reader
// whose time grows with its input (16 for one that grows with its square); a ratio well above
// 4 between small sizes that is near 4 between bigger ones is the caches, not the reader.
// Usage: readerbench [SMALL BIG [NAME]] (bytes; 250000 1000000 and every reader by default)
#include "tests/fuzz/fuzztarget.h"
#include "tests/support/worstinputs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

FuzzFunction Reader(const std::string& name) {
    for (const auto& [target, f] : FuzzTargets())
        if (target == name) return f;
    return nullptr;
}

double BestSeconds(FuzzFunction f, const std::string& input) {
    const auto* data = reinterpret_cast<const uint8_t*>(input.data());
    f(data, input.size()); // the files the target writes are made once
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f(data, input.size());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const size_t sizes[2] = {argc > 2 ? std::stoul(argv[1]) : 250000,
                             argc > 2 ? std::stoul(argv[2]) : 1000000};
    const std::string only = argc > 3 ? argv[3] : "";
    double worst = 0;
    for (const TWorstInput& w : WorstInputs()) {
        const FuzzFunction f = Reader(w.Reader);
        if (!f || (!only.empty() && std::string(w.Name).find(only) == std::string::npos)) continue;
        double s[2];
        for (int i = 0; i < 2; ++i)
            s[i] = BestSeconds(f, Repeated(w.Prefix, w.Unit, w.Suffix, sizes[i]));
        const double ratio = s[1] / std::max(s[0], 1e-6);
        worst = std::max(worst, ratio);
        std::printf("%-32s %8zu B %8.4f s   %8zu B %8.4f s   ratio %5.2f\n", w.Name, sizes[0], s[0],
                    sizes[1], s[1], ratio);
    }
    std::printf("largest ratio %.2f (4 is linear)\n", worst);
    return 0;
}
