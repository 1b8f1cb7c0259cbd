#include "run/localbackend.h"

#include "run/spawn.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kolshell {

namespace {

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// A failed start as errno; 0 when the program started.
int Spawn(const TRun& run, bool stdoutToStderr, pid_t& pid) {
    TSpawnOptions options;
    options.Dir = run.Dir;
    options.OwnGroup = true;
    if (stdoutToStderr) options.Dup.emplace_back(STDERR_FILENO, STDOUT_FILENO);
    return SpawnProcess(run.Program, run.Arguments, options, pid);
}

} // namespace

TLocalBackend::TLocalBackend(int atOnce, bool stdoutToStderr)
    : atOnce_(std::max(1, atOnce)), stdoutToStderr_(stdoutToStderr) {}

TLocalBackend::~TLocalBackend() {
    for (Process& p : live_) {
        kill(-p.Pid, SIGKILL);
        waitpid(p.Pid, nullptr, 0);
        if (p.PidFd >= 0) close(p.PidFd);
    }
}

void TLocalBackend::Start(TRunSet& set, size_t index) {
    TRun& run = set.Runs()[index];
    pid_t pid = 0;
    run.Started = set.Now();
    if (const int err = Spawn(run, stdoutToStderr_, pid)) {
        run.State = TRunState::NotRun;
        run.StartError = err;
        run.Ended = run.Started;
        return;
    }
    run.State = TRunState::Running;
    live_.push_back({index, pid, OpenPidFd(pid), -1, false});
}

// True when the process has ended; its run then holds the result.
bool TLocalBackend::Reap(TRunSet& set, Process& p) {
    int status = 0;
    const pid_t got = waitpid(p.Pid, &status, WNOHANG);
    if (got == 0) {
        const double now = set.Now();
        if (p.TerminatedAt >= 0 && !p.Killed && now - p.TerminatedAt >= KillAfterSeconds) {
            kill(-p.Pid, SIGKILL);
            p.Killed = true;
        }
        return false;
    }
    TRun& run = set.Runs()[p.Run];
    run.Ended = set.Now();
    if (got < 0) { // not ours any more: nothing can be said of it
        run.State = TRunState::Failed;
        run.ExitStatus = -1;
    } else if (WIFSIGNALED(status)) {
        run.Signal = WTERMSIG(status);
        run.State = p.TerminatedAt >= 0 ? TRunState::Stopped : TRunState::Failed;
    } else {
        run.ExitStatus = WEXITSTATUS(status);
        if (run.ExitStatus == 0)
            run.State = TRunState::Done;
        else
            run.State = p.TerminatedAt >= 0 ? TRunState::Stopped : TRunState::Failed;
    }
    // Whatever the engine started in its group goes with it.
    if (p.TerminatedAt >= 0) kill(-p.Pid, SIGKILL);
    if (p.PidFd >= 0) close(p.PidFd);
    return true;
}

void TLocalBackend::Advance(TRunSet& set) {
    live_.erase(
        std::remove_if(live_.begin(), live_.end(), [&](Process& p) { return Reap(set, p); }),
        live_.end());
    if (set.StopRequested() || set.StartFailure()) return;
    for (size_t i = 0; i < set.Runs().size() && int(live_.size()) < atOnce_; ++i) {
        if (set.Runs()[i].State != TRunState::Waiting) continue;
        Start(set, i);
        if (set.Runs()[i].StartError) return;
    }
}

void TLocalBackend::Stop(TRunSet& set) {
    const double now = set.Now();
    for (Process& p : live_) {
        if (p.TerminatedAt >= 0) continue;
        kill(-p.Pid, SIGTERM);
        p.TerminatedAt = now;
    }
    for (TRun& run : set.Runs())
        if (run.State == TRunState::Waiting) run.State = TRunState::NotRun;
}

void TLocalBackend::Wait(TRunSet& set, int ms) {
    (void)set;
    if (live_.empty()) return;
    std::vector<pollfd> fds;
    for (const Process& p : live_)
        if (p.PidFd >= 0) fds.push_back({p.PidFd, POLLIN, 0});
    // Without a handle for every process, look again soon.
    if (fds.size() < live_.size()) ms = std::min(ms, PollMs());
    // A stopped run is looked at again in time to be killed.
    for (const Process& p : live_)
        if (p.TerminatedAt >= 0 && !p.Killed) ms = std::min(ms, 100);
    poll(fds.data(), nfds_t(fds.size()), ms);
}

void TLocalBackend::Abandon(TRunSet& set) {
    for (Process& p : live_) {
        kill(-p.Pid, SIGKILL);
        waitpid(p.Pid, nullptr, 0);
        if (p.PidFd >= 0) close(p.PidFd);
        TRun& run = set.Runs()[p.Run];
        run.State = TRunState::Stopped;
        run.Ended = set.Now();
    }
    live_.clear();
}

} // namespace kolshell
