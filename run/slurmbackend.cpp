#include "run/slurmbackend.h"

#include "common/paths.h"
#include "run/spawn.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kolshell {

bool SplitShellWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) return false;
            word += line.substr(i + 1, end - i - 1);
            inWord = true;
            i = end;
        } else if (c == '"') {
            size_t j = i + 1;
            for (; j < line.size() && line[j] != '"'; ++j) {
                if (line[j] == '\\' && j + 1 < line.size() &&
                    std::string("\"\\$`").find(line[j + 1]) != std::string::npos)
                    ++j;
                word += line[j];
            }
            if (j >= line.size()) return false;
            inWord = true;
            i = j;
        } else if (c == '\\') {
            if (i + 1 >= line.size()) return false;
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return true;
}

std::string ShellQuote(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

namespace {

std::string FolderOf(const TRun& run) {
    return run.Dir.empty() ? "." : run.Dir;
}

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A file name as sbatch's --output takes it: "%" starts a pattern there, "%%" is a "%".
std::string PatternEscaped(const std::string& name) {
    std::string out;
    for (char c : name)
        out += c == '%' ? std::string("%%") : std::string(1, c);
    return out;
}

// A whole number of digits only within int; false for anything else.
bool ReadNumber(const std::string& s, int& v) {
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// The task number of "12_3" when it belongs to job 12 and is one of its runs; 0 otherwise.
int TaskOf(const std::string& jobId, const std::string& id, int runs) {
    if (id.compare(0, jobId.size() + 1, jobId + "_") != 0) return 0;
    int task = 0;
    return ReadNumber(id.substr(jobId.size() + 1), task) && task >= 1 && task <= runs ? task : 0;
}

// "[3-5,8%2]" of a pending record: every task it names, of tasks 1 to runs.
std::vector<int> TaskRange(const std::string& jobId, const std::string& id, int runs) {
    std::vector<int> tasks;
    const std::string head = jobId + "_[";
    if (id.compare(0, head.size(), head) != 0) return tasks;
    std::string list = id.substr(head.size());
    list = list.substr(0, list.find_first_of("%]"));
    std::stringstream parts(list);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const size_t dash = part.find('-');
        int a = 0, b = 0;
        if (!ReadNumber(part.substr(0, dash), a)) continue;
        if (dash == std::string::npos)
            b = a;
        else if (!ReadNumber(part.substr(dash + 1), b))
            continue;
        for (int t = std::max(a, 1); t <= std::min(b, runs); ++t)
            tasks.push_back(t);
    }
    return tasks;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
        f.push_back(line.substr(start, bar - start));
    if (start < line.size()) f.push_back(line.substr(start));
    return f;
}

// Spawns program with stdout (and stderr, when err is -1, into the same pipe) read by the
// caller; the child's pid or -1 with errno in error.
pid_t SpawnReading(const std::string& program, const std::vector<std::string>& args, int& out,
                   int& err, bool separateErr, int& error) {
    int o[2], e[2] = {-1, -1};
    if (pipe2(o, O_CLOEXEC) != 0 || (separateErr && pipe2(e, O_CLOEXEC) != 0)) {
        error = errno;
        return -1;
    }
    TSpawnOptions options;
    options.NullStdin = true;
    options.Dup = {{o[1], STDOUT_FILENO}, {separateErr ? e[1] : o[1], STDERR_FILENO}};
    pid_t pid = -1;
    error = SpawnProcess(program, args, options, pid);
    close(o[1]);
    if (separateErr) close(e[1]);
    if (error) {
        close(o[0]);
        if (separateErr) close(e[0]);
        return -1;
    }
    out = o[0];
    err = e[0];
    return pid;
}

// Reads what a file holds now; false at its end.
bool ReadSome(int fd, std::string& text) {
    char buf[65536];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) text.append(buf, size_t(n));
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

// Reads what a non-blocking pipe holds now; false at its end.
bool ReadAvailable(int fd, std::string& text) {
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            text.append(buf, size_t(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

bool ReadExitCode(const std::string& file, int& code) {
    std::string text;
    if (!ReadFileBytes(file, text)) return false; // a FIFO in the folder is never waited on
    std::istringstream in(text);
    return bool(in >> code);
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

} // namespace

TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args) {
    TCommandResult r;
    int out = -1, err = -1;
    const pid_t pid = SpawnReading(program, args, out, err, true, r.Error);
    if (pid < 0) return r;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out : -1, POLLIN, 0}, {errOpen ? err : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (outOpen && fds[0].revents) outOpen = ReadSome(out, r.Out);
        if (errOpen && fds[1].revents) errOpen = ReadSome(err, r.Err);
    }
    close(out);
    close(err);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

std::string SlurmStem(const std::string& tableName) {
    std::string base = ExtractFileName(tableName);
    const size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

std::string SlurmScriptName(const std::string& tableName) {
    const std::string base = ExtractFileName(tableName);
    return tableName.substr(0, tableName.size() - base.size()) + SlurmStem(tableName) + ".SLURM.sh";
}

std::string SlurmStatusName(const TRun& run, const std::string& stem) {
    return FolderOf(run) + "/" + stem + std::to_string(run.Number) + ".slurm.status";
}

std::string SlurmLogName(const TRun& run, const std::string& stem) {
    return FolderOf(run) + "/" + stem + std::to_string(run.Number) + ".slurm.log";
}

std::string SlurmJobScript(const std::vector<TRun>& runs, const std::string& stem) {
    std::string s = "#!/bin/sh\n"
                    "# KOLSHELL table run: array task r runs the engine on run deck r.\n"
                    "case \"$SLURM_ARRAY_TASK_ID\" in\n";
    for (const TRun& r : runs) {
        s += std::to_string(r.Number) + ") cd " + ShellQuote(FolderOf(r)) + " || exit 1\n";
        s += "  " + ShellQuote(r.Program);
        for (const std::string& a : r.Arguments)
            s += " " + ShellQuote(a);
        s += "\n  status=$?\n  echo $status >" + ShellQuote(SlurmStatusName(r, stem)) +
             "\n  exit $status ;;\n";
    }
    s += "*) echo \"no run $SLURM_ARRAY_TASK_ID in this table\" >&2; exit 2 ;;\nesac\n";
    return s;
}

bool SbatchArguments(const TSlurmOptions& o, const std::vector<TRun>& runs,
                     std::vector<std::string>& args, std::string& message) {
    std::vector<std::string> extra;
    if (!SplitShellWords(o.ExtraArgs, extra)) {
        message = "The extra sbatch options have an unfinished quote: " + o.ExtraArgs;
        return false;
    }
    const std::string stem = SlurmStem(o.TableName);
    // The array's task ids are the run numbers: a table run of some runs only keeps them.
    std::vector<int> numbers;
    for (const TRun& r : runs)
        numbers.push_back(r.Number);
    std::string array = "--array=" + RunNumberList(numbers);
    array.erase(std::remove(array.begin(), array.end(), ' '), array.end());
    if (o.MaxAtOnce > 0) array += "%" + std::to_string(o.MaxAtOnce);
    const std::string folder = runs.empty() ? "." : FolderOf(runs.front());
    args = {"--parsable", array, "--job-name=KOLSHELL-" + stem,
            "--output=" + PatternEscaped(folder + "/" + stem) + "%a.slurm.log"};
    if (!o.Partition.empty()) args.push_back("--partition=" + o.Partition);
    if (o.TimeMinutes > 0) args.push_back("--time=" + std::to_string(o.TimeMinutes));
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(SlurmScriptName(o.TableName));
    return true;
}

std::map<int, TSlurmTask> ParseSqueue(const std::string& jobId, const std::string& text, int runs) {
    std::map<int, TSlurmTask> tasks;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Fields(Trim(line));
        if (f.size() < 2) continue;
        TSlurmTask t;
        t.State = f[1].substr(0, f[1].find(' ')); // "CANCELLED by 0"
        t.Node = f.size() > 2 ? f[2] : "";
        if (const int task = TaskOf(jobId, f[0], runs))
            tasks[task] = t;
        else
            for (int r : TaskRange(jobId, f[0], runs))
                tasks[r] = t;
    }
    return tasks;
}

std::map<int, TSlurmTask> ParseSacct(const std::string& jobId, const std::string& text, int runs) {
    std::map<int, TSlurmTask> tasks;
    for (auto& [task, t] : ParseSqueue(jobId, text, runs))
        tasks[task] = t;
    // The exit code is the third field, "3:0".
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Fields(Trim(line));
        if (f.size() < 4) continue;
        const int task = TaskOf(jobId, f[0], runs);
        int code = -1;
        if (!task) continue;
        tasks[task].ExitCode = ReadNumber(f[2].substr(0, f[2].find(':')), code) ? code : -1;
        tasks[task].Node = f[3] == "None assigned" ? "" : f[3];
    }
    return tasks;
}

TSlurmBackend::TSlurmBackend(TSlurmOptions o)
    : o_(std::move(o)), stem_(SlurmStem(o_.TableName)), script_(SlurmScriptName(o_.TableName)) {}

TSlurmBackend::~TSlurmBackend() {
    for (Child* c : {&squeue_, &sacct_, &scancel_})
        Kill(*c);
}

bool TSlurmBackend::Submit(const std::vector<TRun>& given, std::string& message) {
    // The nodes start in their own folder: every name the script holds is made whole here.
    std::vector<TRun> runs = given;
    std::map<std::string, std::string> whole; // the runs of a table share folder and engine
    const auto made = [&whole](const std::string& name) -> const std::string& {
        auto it = whole.find(name);
        if (it != whole.end()) return it->second;
        std::error_code ec;
        return whole[name] = std::filesystem::absolute(name, ec).lexically_normal().string();
    };
    for (TRun& r : runs) {
        r.Dir = made(FolderOf(r));
        if (r.Program.find('/') != std::string::npos) r.Program = made(r.Program);
    }
    std::vector<std::string> args;
    if (!SbatchArguments(o_, runs, args, message)) return false;
    {
        std::ofstream out(script_, std::ios::binary | std::ios::trunc);
        out << SlurmJobScript(runs, stem_);
        if (!out.flush()) {
            message = "Cannot write the job script " + script_ + ".";
            std::remove(script_.c_str());
            return false;
        }
    }
    const TCommandResult r = RunCommand("sbatch", args);
    if (r.Status != 0) {
        message = r.Status < 0 ? "Slurm's sbatch was not found on this computer."
                               : Trim(r.Err.empty() ? r.Out : r.Err);
        if (message.empty())
            message = "sbatch refused the job (status " + std::to_string(r.Status) + ").";
        std::remove(script_.c_str());
        return false;
    }
    // --parsable: "12" or "12;cluster".
    jobId_ = Trim(r.Out).substr(0, Trim(r.Out).find(';'));
    return true;
}

bool TSlurmBackend::Start(Child& c, const std::string& program,
                          const std::vector<std::string>& args) {
    int err = -1, error = 0;
    c.Text.clear();
    c.Pid = SpawnReading(program, args, c.Out, err, false, error);
    if (c.Pid < 0) return false;
    fcntl(c.Out, F_SETFL, O_NONBLOCK);
    return true;
}

bool TSlurmBackend::Finished(Child& c, std::string& text, int& status) {
    if (c.Pid < 0) return false;
    if (ReadAvailable(c.Out, c.Text)) return false;
    close(c.Out);
    int st = 0;
    while (waitpid(c.Pid, &st, 0) < 0 && errno == EINTR) {
    }
    c.Pid = -1;
    status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    text = Trim(c.Text);
    return true;
}

void TSlurmBackend::Kill(Child& c) {
    if (c.Pid < 0) return;
    kill(c.Pid, SIGKILL);
    waitpid(c.Pid, nullptr, 0);
    close(c.Out);
    c.Pid = -1;
}

void TSlurmBackend::Warn(const std::string& text) {
    warning_ = text;
    ++warnings_;
}

namespace {

bool IsPending(const std::string& s) {
    return s == "PENDING" || s == "REQUEUED" || s == "CONFIGURING" || s == "REQUEUE_HOLD" ||
           s == "REQUEUE_FED" || s == "RESV_DEL_HOLD";
}

bool IsRunning(const std::string& s) {
    return s == "RUNNING" || s == "COMPLETING" || s == "SUSPENDED" || s == "STAGE_OUT" ||
           s == "SIGNALING" || s == "STOPPED" || s == "RESIZING";
}

bool UnknownJob(const std::string& text) {
    return text.find("Invalid job id") != std::string::npos;
}

} // namespace

void TSlurmBackend::Settle(TRunSet& set, TRun& run, const TSlurmTask* task) {
    if (run.Finished()) return;
    std::string state = task ? task->State : "";
    if (task && !task->Node.empty()) run.Node = task->Node;
    const bool started = run.Started >= 0;
    if (IsPending(state)) {
        run.State = TRunState::Waiting;
        run.Remote = state;
        return;
    }
    if (IsRunning(state)) {
        run.State = TRunState::Running;
        if (!started) run.Started = set.Now();
        run.Remote = state;
        return;
    }
    // Ended: the status file the task wrote tells its exit code, else what Slurm kept. A
    // task of a job Slurm has forgotten that left neither can only be said to have ended.
    int code = -1;
    const bool hasCode = ReadExitCode(SlurmStatusName(run, stem_), code);
    if (task && task->ExitCode >= 0 && !hasCode) code = task->ExitCode;
    if (state.empty())
        state = hasCode      ? (code == 0 ? "COMPLETED" : "FAILED")
                : forgotten_ ? "UNKNOWN"
                             : "CANCELLED";
    if (state == "COMPLETED" && hasCode && code != 0) state = "FAILED";
    run.ExitStatus = code < 0 ? (state == "COMPLETED" ? 0 : -1) : code;
    run.State = state == "COMPLETED"   ? TRunState::Done
                : state == "CANCELLED" ? TRunState::Stopped
                                       : TRunState::Failed;
    // A run first seen ended (between two polls, or before it was followed) ran for a time
    // nobody saw: it gets no start of its own, and no elapsed time.
    run.Ended = set.Now();
    run.Remote = state;
}

void TSlurmBackend::TakeIn(TRunSet& set, const std::map<int, TSlurmTask>& tasks) {
    gone_.clear();
    for (TRun& run : set.Runs()) {
        if (run.Finished()) continue;
        const auto it = tasks.find(run.Number);
        if (it != tasks.end()) {
            missing_.erase(run.Number);
            Settle(set, run, &it->second);
        } else {
            gone_.push_back(run.Number);
        }
    }
    if (gone_.empty()) return;
    if (!accounting_ ||
        !Start(sacct_, "sacct",
               {"-n", "-P", "-X", "-j", jobId_, "-o", "JobID,State,ExitCode,NodeList"})) {
        accounting_ = false; // no accounting here: the status files tell
        SettleGone(set, {});
    }
}

void TSlurmBackend::SettleGone(TRunSet& set, const std::map<int, TSlurmTask>& accounted) {
    for (int number : gone_) {
        TRun& run = set.Runs()[size_t(number - 1)];
        const auto it = accounted.find(number);
        int code = 0;
        // A task squeue has forgotten: what accounting kept, or its status file; a task that
        // left neither has been cancelled or lost (given a few polls to show up), unless the
        // whole job is gone from Slurm.
        if (it != accounted.end() && !IsPending(it->second.State) && !IsRunning(it->second.State))
            Settle(set, run, &it->second);
        else if (ReadExitCode(SlurmStatusName(run, stem_), code) || set.StopRequested() ||
                 forgotten_ || ++missing_[number] >= 3)
            Settle(set, run, nullptr);
    }
    gone_.clear();
}

void TSlurmBackend::SqueueAnswered(TRunSet& set, const std::string& text, int status) {
    if (status == 0) {
        if (!forgotten_) warning_.clear();
        TakeIn(set, ParseSqueue(jobId_, text, int(set.Runs().size())));
    } else if (UnknownJob(text)) {
        // Long ended and dropped by the controller: only the runs' own traces are left.
        forgotten_ = true;
        if (!set.Finished())
            Warn("Slurm no longer knows job " + jobId_ +
                 "; the states shown are those its runs left in their status files.");
        TakeIn(set, {});
    } else {
        // The controller does not answer: say so, and ask again at the next poll.
        Warn("Slurm's controller does not answer (squeue: " + text + "); still following job " +
             jobId_ + ".");
    }
}

void TSlurmBackend::SacctAnswered(TRunSet& set, const std::string& text, int status) {
    if (status == 0) {
        SettleGone(set, ParseSacct(jobId_, text, int(set.Runs().size())));
        return;
    }
    // No accounting on this cluster: the status files tell from now on.
    if (text.empty() || text.find("accounting storage is disabled") != std::string::npos)
        accounting_ = false;
    else
        Warn("Slurm's accounting does not answer (sacct: " + text + "); still following job " +
             jobId_ + ".");
    SettleGone(set, {});
}

void TSlurmBackend::ScancelAnswered(TRunSet& set, const std::string& text, int status) {
    if (status != 0 && !UnknownJob(text)) {
        Warn("Slurm's controller does not answer (scancel: " + text + "); job " + jobId_ +
             " is not cancelled yet, trying again.");
        return;
    }
    cancelled_ = true;
    if (!forgotten_) warning_.clear();
    // Pending tasks are gone at once; running ones end as squeue shows them end.
    for (TRun& run : set.Runs())
        if (run.State == TRunState::Waiting) {
            run.State = TRunState::Stopped;
            run.Remote = "CANCELLED";
            run.Ended = set.Now();
        }
    PollNow();
}

void TSlurmBackend::Advance(TRunSet& set) {
    if (jobId_.empty()) return;
    std::string text;
    int status = 0;
    if (Finished(scancel_, text, status)) ScancelAnswered(set, text, status);
    if (Finished(squeue_, text, status)) SqueueAnswered(set, text, status);
    if (Finished(sacct_, text, status)) SacctAnswered(set, text, status);
    if (set.Finished()) return;
    const double now = Seconds();
    // scancel again after a poll's time while the controller did not take it.
    if (cancelWanted_ && !cancelled_ && scancel_.Pid < 0 && now - lastCancel_ >= pollMs_ / 1000.0) {
        lastCancel_ = now;
        if (!Start(scancel_, "scancel", {jobId_}))
            Warn("Slurm's scancel could not be started: job " + jobId_ + " goes on.");
    }
    if (!Polling() && now - lastPoll_ >= pollMs_ / 1000.0) {
        lastPoll_ = now;
        if (!Start(squeue_, "squeue", {"-h", "-r", "-t", "all", "-j", jobId_, "-o", "%i|%T|%N"}))
            Warn("Slurm's squeue could not be started: the runs are not followed.");
    }
}

void TSlurmBackend::Stop(TRunSet& set) {
    if (jobId_.empty()) return;
    cancelWanted_ = true;
    lastCancel_ = -1e9;
    Advance(set);
}

void TSlurmBackend::Wait(TRunSet& set, int ms) {
    (void)set;
    std::vector<pollfd> fds;
    for (const Child* c : {&squeue_, &sacct_, &scancel_})
        if (c->Pid > 0) fds.push_back({c->Out, POLLIN, 0});
    // Nothing to hear from: sleep until the next poll is due.
    if (fds.empty())
        ms = std::max(0, std::min(ms, int((lastPoll_ + pollMs_ / 1000.0 - Seconds()) * 1000)));
    ::poll(fds.data(), nfds_t(fds.size()), ms);
}

void TSlurmBackend::DeleteRunFiles(const std::vector<TRun>& runs) const {
    std::remove(script_.c_str());
    for (const TRun& r : runs) {
        std::remove(SlurmStatusName(r, stem_).c_str());
        if (r.State == TRunState::Done) std::remove(SlurmLogName(r, stem_).c_str());
    }
}

} // namespace kolshell
