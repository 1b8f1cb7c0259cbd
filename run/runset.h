// The runs of one command (Calculate, a table run, koltool run-table): each run's deck,
// values, state, exit status and times, and the backend that starts, follows and stops them.
// Windows and koltool only look at a run set and call its Stop; a run set knows no window.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kolshell {

enum class TRunState { Waiting, Running, Done, Failed, Stopped, NotRun };

struct TRun {
    int Number = 0;                   // 1-based, as the table counts its runs
    std::string Deck;                 // the deck the engine reads
    std::vector<std::string> Values;  // the run's variable values as its deck holds them
    std::string Listing;              // the listing the engine writes for the deck
    std::vector<std::string> Outputs; // the output files the deck assigns (a table's runs)
    // What is started: the program, its arguments, and the folder it runs in (empty: the
    // caller's own).
    std::string Program;
    std::vector<std::string> Arguments;
    std::string Dir;
    std::string Command; // the command line as the settings spell it, for messages

    TRunState State = TRunState::Waiting;
    int ExitStatus = 0;              // the program's exit status once it has ended
    int Signal = 0;                  // the signal that ended it, 0 when it exited
    int StartError = 0;              // errno of a failed start (State NotRun)
    double Started = -1, Ended = -1; // seconds since the set began; -1 not yet
    // A run on a cluster: the scheduler's own state word ("PENDING", "COMPLETED", ...) and
    // the node it ran on; both empty for a run on this machine.
    std::string Remote, Node;

    bool Finished() const { return State != TRunState::Waiting && State != TRunState::Running; }
    // Seconds it has run by now (the whole run once it has ended).
    double Seconds(double now) const;
};

// The state as the Table Run window and koltool show it: "failed with status 3".
std::string StateText(const TRun& run);
// The state word of koltool's JSON: done, failed, stopped, not run (or waiting, running).
std::string StateWord(TRunState state);
// The message of a program that could not be started (err: errno), named as the command line
// names it: "File X was not found." or "X could not be started: Permission denied.".
std::string StartErrorText(const std::string& commandLine, int err);
// "1-3, 5": run numbers in ranges.
std::string RunNumberList(const std::vector<int>& numbers);

class TRunSet;

// Starts, follows and stops the processes of a run set. One backend per set.
class TRunBackend {
  public:
    virtual ~TRunBackend() = default;
    // Takes in what has ended and starts what may start of the waiting runs.
    virtual void Advance(TRunSet& set) = 0;
    // Asks every started run to end and settles the waiting ones (not run, or cancelled once
    // the cluster has said so).
    virtual void Stop(TRunSet& set) = 0;
    // Blocks for at most ms until a run may have changed (koltool, benches).
    virtual void Wait(TRunSet& set, int ms) = 0;
    // How often a caller that cannot block (the interface) should call Advance.
    virtual int PollMs() const = 0;
    // Ends whatever still runs at once: the set is going away.
    virtual void Abandon(TRunSet& set) = 0;
    // The runs go on when this program ends (a cluster's job), and can be followed again.
    virtual bool OutlivesProgram() const { return false; }
};

class TRunSet {
  public:
    TRunSet(std::vector<TRun> runs, std::unique_ptr<TRunBackend> backend);
    ~TRunSet();
    TRunSet(const TRunSet&) = delete;
    TRunSet& operator=(const TRunSet&) = delete;

    std::vector<TRun>& Runs() { return runs_; }
    const std::vector<TRun>& Runs() const { return runs_; }

    // Starts what can start and takes in what ended; RunChanged is told of each change.
    void Advance();
    // No further run starts; the started ones are asked to end (killed when they will not).
    void Stop();
    bool OutlivesProgram() const { return backend_->OutlivesProgram(); }
    bool StopRequested() const { return stopRequested_; }
    // True when no run waits or runs any more.
    bool Finished() const;
    void Wait(int ms) { backend_->Wait(*this, ms); }
    int PollMs() const { return backend_->PollMs(); }

    double Now() const; // seconds since the set was made
    int Count(TRunState state) const;
    // The highest run number started so far (0: none).
    int LastStarted() const;
    // A table stops when its engine cannot be started: the first such run, or nullptr.
    const TRun* StartFailure() const;

    std::function<void(size_t index)> RunChanged;

  private:
    std::vector<TRun> runs_;
    std::unique_ptr<TRunBackend> backend_;
    std::chrono::steady_clock::time_point t0_;
    bool stopRequested_ = false;
};

// Drives a set until every run has ended; stopWanted is asked between waits and, once true,
// stops the set.
void RunToEnd(TRunSet& set, const std::function<bool()>& stopWanted);

} // namespace kolshell
