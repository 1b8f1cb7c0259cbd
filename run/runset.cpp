#include "run/runset.h"

#include "run/cmdline.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kolshell {

double TRun::Seconds(double now) const {
    if (Started < 0) return 0;
    return (Ended >= 0 ? Ended : now) - Started;
}

namespace {

// A cluster run's state as the scheduler names it, in words: "failed with exit code 3".
std::string RemoteStateText(const TRun& run) {
    const std::string& s = run.Remote;
    if (s == "PENDING") return "pending";
    if (s == "RUNNING") return run.Node.empty() ? "running" : "running on " + run.Node;
    if (s == "COMPLETED") return "completed";
    if (s == "FAILED") return "failed with exit code " + std::to_string(run.ExitStatus);
    if (s == "CANCELLED") return "cancelled";
    if (s == "TIMEOUT") return "timed out";
    if (s == "UNKNOWN") return "ended without a status file";
    std::string lower;
    for (char c : s)
        lower += c == '_' ? ' ' : char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

} // namespace

std::string StateText(const TRun& run) {
    if (!run.Remote.empty()) return RemoteStateText(run);
    if (run.State == TRunState::Failed)
        return run.Signal ? "failed by signal " + std::to_string(run.Signal)
                          : "failed with status " + std::to_string(run.ExitStatus);
    if (run.State == TRunState::NotRun && run.StartError) return "could not be started";
    return StateWord(run.State);
}

std::string StateWord(TRunState state) {
    switch (state) {
    case TRunState::Waiting:
        return "waiting";
    case TRunState::Running:
        return "running";
    case TRunState::Done:
        return "done";
    case TRunState::Failed:
        return "failed";
    case TRunState::Stopped:
        return "stopped";
    case TRunState::NotRun:
        return "not run";
    }
    return {};
}

std::string StartErrorText(const std::string& commandLine, int err) {
    const std::string program = ProgramOfCommand(commandLine);
    if (err == ENOENT || err == ENOTDIR) return "File " + program + " was not found.";
    return program + " could not be started: " + std::strerror(err ? err : ENOEXEC) + ".";
}

std::string RunNumberList(const std::vector<int>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

TRunSet::TRunSet(std::vector<TRun> runs, std::unique_ptr<TRunBackend> backend)
    : runs_(std::move(runs)), backend_(std::move(backend)), t0_(std::chrono::steady_clock::now()) {}

TRunSet::~TRunSet() {
    if (!Finished()) backend_->Abandon(*this);
}

double TRunSet::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0_).count();
}

void TRunSet::Advance() {
    std::vector<std::pair<TRunState, std::string>> before;
    for (const TRun& r : runs_)
        before.emplace_back(r.State, r.Remote);
    backend_->Advance(*this);
    // The engine that could not be started once will not start for the other runs either.
    if (StartFailure())
        for (TRun& r : runs_)
            if (r.State == TRunState::Waiting) r.State = TRunState::NotRun;
    for (size_t i = 0; i < runs_.size(); ++i)
        if (std::make_pair(runs_[i].State, runs_[i].Remote) != before[i] && RunChanged)
            RunChanged(i);
}

void TRunSet::Stop() {
    if (stopRequested_) return;
    stopRequested_ = true;
    std::vector<std::pair<TRunState, std::string>> before;
    for (const TRun& r : runs_)
        before.emplace_back(r.State, r.Remote);
    backend_->Stop(*this);
    for (size_t i = 0; i < runs_.size(); ++i)
        if (std::make_pair(runs_[i].State, runs_[i].Remote) != before[i] && RunChanged)
            RunChanged(i);
    Advance();
}

bool TRunSet::Finished() const {
    return std::all_of(runs_.begin(), runs_.end(), [](const TRun& r) { return r.Finished(); });
}

int TRunSet::Count(TRunState state) const {
    return int(std::count_if(runs_.begin(), runs_.end(),
                             [state](const TRun& r) { return r.State == state; }));
}

int TRunSet::LastStarted() const {
    int last = 0;
    for (const TRun& r : runs_)
        if (r.Started >= 0) last = std::max(last, r.Number);
    return last;
}

const TRun* TRunSet::StartFailure() const {
    for (const TRun& r : runs_)
        if (r.StartError) return &r;
    return nullptr;
}

void RunToEnd(TRunSet& set, const std::function<bool()>& stopWanted) {
    set.Advance();
    while (!set.Finished()) {
        if (!set.StopRequested() && stopWanted && stopWanted()) set.Stop();
        set.Wait(100);
        set.Advance();
    }
}

} // namespace kolshell
