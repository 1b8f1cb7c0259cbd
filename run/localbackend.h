// Runs on this machine: one engine process per run, at most N at once, each in its own
// process group so that stopping it ends whatever it started too.
#pragma once

#include "run/runset.h"

#include <sys/types.h>

namespace kolshell {

class TLocalBackend : public TRunBackend {
  public:
    // atOnce: how many runs may go on at the same time. stdoutToStderr: the programs write
    // their standard output to the caller's standard error (koltool keeps its stdout clean).
    explicit TLocalBackend(int atOnce, bool stdoutToStderr = false);
    ~TLocalBackend() override;

    void Advance(TRunSet& set) override;
    void Stop(TRunSet& set) override;
    void Wait(TRunSet& set, int ms) override;
    int PollMs() const override { return 5; }
    void Abandon(TRunSet& set) override;

    // How long a stopped run may take to end before it is killed.
    static constexpr double KillAfterSeconds = 3;

  private:
    struct Process {
        size_t Run;
        pid_t Pid;
        int PidFd;           // -1 when the system has none: Wait then sleeps briefly
        double TerminatedAt; // when it was asked to end; -1 not yet
        bool Killed;
    };
    void Start(TRunSet& set, size_t index);
    bool Reap(TRunSet& set, Process& p);

    int atOnce_;
    bool stdoutToStderr_;
    std::vector<Process> live_;
};

} // namespace kolshell
