// Starting a child program: one place that sets up a child's folder, standard streams and
// signal handling, for the local and the Slurm backends alike.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace kolshell {

struct TSpawnOptions {
    std::string Dir;                      // the child's working folder; empty: the caller's
    bool OwnGroup = false;                // the child leads a process group of its own
    bool NullStdin = false;               // standard input reads /dev/null
    std::vector<std::pair<int, int>> Dup; // (from, to): descriptor from becomes descriptor to
};

// Starts program (searched on PATH when it holds no '/') with args, the default handling of
// the signals a shell changes and none blocked, whatever the caller has set up for itself.
// 0 with the child's pid, or the errno of the failed start.
int SpawnProcess(const std::string& program, const std::vector<std::string>& args,
                 const TSpawnOptions& options, pid_t& pid);

} // namespace kolshell
