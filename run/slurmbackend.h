// Runs on a Slurm cluster: the whole set as one job array, submitted with sbatch, followed
// with one squeue call per poll (sacct where the cluster keeps accounting, else the status
// file each task writes), stopped with scancel. Every Slurm command is started as a program
// with its own argument vector; no shell reads what we pass.
#pragma once

#include "run/runset.h"

#include <sys/types.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace kolshell {

struct TSlurmOptions {
    std::string Partition; // empty: the cluster's default
    int TimeMinutes = 0;   // per run; 0: the partition's limit
    int MaxAtOnce = 0;     // the array throttle; 0: no limit
    std::string ExtraArgs; // more sbatch options, split as a shell would
    std::string TableName; // the table file: the job script goes beside it
};

// The words of a line split as a shell would (blanks, '...', "...", backslashes); nothing is
// expanded. False for an unfinished quote.
bool SplitShellWords(const std::string& line, std::vector<std::string>& words);
// The text quoted for sh: 'it'\''s'.
std::string ShellQuote(const std::string& text);

// "DEMO" of "/x/DEMO.TBL": names the job, its script, logs and status files.
std::string SlurmStem(const std::string& tableName);
// The job script beside the table: stem + ".SLURM.sh".
std::string SlurmScriptName(const std::string& tableName);
// Where task r writes its exit code: <deck folder>/<stem><r>.slurm.status.
std::string SlurmStatusName(const TRun& run, const std::string& stem);
// Task r's log as sbatch names it from --output: <deck folder>/<stem><r>.slurm.log.
std::string SlurmLogName(const TRun& run, const std::string& stem);

// The job script: task r runs run r's program with its arguments in its folder and writes
// the exit code into its status file.
std::string SlurmJobScript(const std::vector<TRun>& runs, const std::string& stem);
// sbatch's arguments, the script last; false with a message when the extra options do not
// split.
bool SbatchArguments(const TSlurmOptions& o, const std::vector<TRun>& runs,
                     std::vector<std::string>& args, std::string& message);

struct TSlurmTask {
    std::string State, Node;
    int ExitCode = -1; // -1: not known from this source
};
// squeue -h -r -t all -o "%i|%T|%N" of one job, by task number. Tasks still in one pending
// record ("12_[3-5%2]") are each given that record's state. Only tasks 1 to runs count: a
// record naming others, or numbers beyond int, is no task of the job.
std::map<int, TSlurmTask> ParseSqueue(const std::string& jobId, const std::string& text,
                                      int runs = 9999);
// sacct -n -P -X -o JobID,State,ExitCode,NodeList of one job, by task number.
std::map<int, TSlurmTask> ParseSacct(const std::string& jobId, const std::string& text,
                                     int runs = 9999);

// A program run to its end: its exit status (-1: it could not be started, errno in err) and
// what it wrote.
struct TCommandResult {
    int Status = -1;
    int Error = 0;
    std::string Out, Err;
};
TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args);

class TSlurmBackend : public TRunBackend {
  public:
    explicit TSlurmBackend(TSlurmOptions o);
    ~TSlurmBackend() override;

    // Writes the job script and submits it; false with the message ("Slurm's sbatch was not
    // found on this computer.", or sbatch's own), the script then deleted again.
    bool Submit(const std::vector<TRun>& runs, std::string& message);
    // Follows a job submitted earlier.
    void Follow(const std::string& jobId) { jobId_ = jobId; }
    const std::string& JobId() const { return jobId_; }
    const std::string& Stem() const { return stem_; }
    const std::string& ScriptName() const { return script_; }
    // The last trouble reaching Slurm, empty while it answers; counts up per poll. Also says
    // so when Slurm no longer knows the job and the states come from the status files.
    const std::string& Warning() const { return warning_; }
    int WarningCount() const { return warnings_; }

    // squeue, sacct and scancel are never waited for: each call looks whether they have
    // answered and starts what is due.
    void Advance(TRunSet& set) override;
    // scancel on the job; the pending runs become cancelled once it has answered.
    void Stop(TRunSet& set) override;
    void Wait(TRunSet& set, int ms) override;
    // How often a caller should look in; squeue itself is asked every SetPollMs.
    int PollMs() const override { return std::min(pollMs_, 250); }
    // The job goes on on the cluster: it can be followed again.
    void Abandon(TRunSet& set) override { (void)set; }
    bool OutlivesProgram() const override { return true; }
    void SetPollMs(int ms) { pollMs_ = ms; }
    // The next Advance asks squeue at once; Polling while its (or sacct's) answer is awaited,
    // Cancelling while scancel's is.
    void PollNow() { lastPoll_ = -1e9; }
    bool Polling() const { return squeue_.Pid > 0 || sacct_.Pid > 0; }
    bool Cancelling() const { return scancel_.Pid > 0; }

    // Deletes the job script, the status files and the logs of the runs that completed
    // (a failed run's log stays to be read).
    void DeleteRunFiles(const std::vector<TRun>& runs) const;

  private:
    // A Slurm command going on: what it has written so far (stdout and stderr).
    struct Child {
        pid_t Pid = -1;
        int Out = -1;
        std::string Text;
    };
    bool Start(Child& c, const std::string& program, const std::vector<std::string>& args);
    static bool Finished(Child& c, std::string& text, int& status);
    static void Kill(Child& c);
    void Warn(const std::string& text);

    void SqueueAnswered(TRunSet& set, const std::string& text, int status);
    void SacctAnswered(TRunSet& set, const std::string& text, int status);
    void ScancelAnswered(TRunSet& set, const std::string& text, int status);
    void TakeIn(TRunSet& set, const std::map<int, TSlurmTask>& tasks);
    // The runs squeue no longer shows: by accounting where it answered, else the status files.
    void SettleGone(TRunSet& set, const std::map<int, TSlurmTask>& accounted);
    void Settle(TRunSet& set, TRun& run, const TSlurmTask* task);

    TSlurmOptions o_;
    std::string jobId_, stem_, script_, warning_;
    int warnings_ = 0;
    int pollMs_ = 2000;
    double lastPoll_ = -1e9, lastCancel_ = -1e9;
    Child squeue_, sacct_, scancel_;
    bool accounting_ = true; // sacct answers here; false once it says accounting is off
    bool forgotten_ = false; // squeue no longer knows the job
    bool cancelWanted_ = false, cancelled_ = false;
    std::vector<int> gone_;      // runs squeue stopped showing, sacct asked about them
    std::map<int, int> missing_; // task: polls it has been missing from squeue
};

} // namespace kolshell
