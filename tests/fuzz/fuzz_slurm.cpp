// What Slurm's commands answer and what the user types for sbatch: squeue and sacct lines
// of a job of 50 runs, and the extra sbatch options split as a shell would.
#include "run/slurmbackend.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(slurm) {
    const auto [job, text] = FuzzParts(FuzzText(data, size));
    const std::string id = job.substr(0, job.find('\n'));
    for (const auto& [task, t] : ParseSqueue(id, text, 50))
        if (task < 1 || task > 50) std::abort();
    for (const auto& [task, t] : ParseSacct(id, text, 50))
        if (task < 1 || task > 50) std::abort();
    std::vector<std::string> words;
    if (SplitShellWords(text, words)) {
        std::string joined;
        for (const std::string& w : words)
            joined += ShellQuote(w) + " ";
        std::vector<std::string> again;
        if (!SplitShellWords(joined, again) || again != words) std::abort();
    }
}
