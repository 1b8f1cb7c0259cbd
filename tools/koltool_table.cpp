#include "tools/koltool_table.h"

#include "common/codecs.h"
#include "common/globals.h"
#include "common/json.h"
#include "common/paths.h"
#include "run/localbackend.h"
#include "run/slurmbackend.h"
#include "table/deckscan.h"
#include "table/rundecks.h"
#include "table/runstates.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tools/koltool_diagnostics.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <iterator>

using namespace kolshell;

bool ParseOptions(const Args& a, size_t positional, const std::set<std::string>& flags,
                  std::map<std::string, std::string>& opt) {
    if (a.size() < positional) return false;
    for (size_t i = 0; i < positional; ++i)
        opt[std::to_string(i + 1)] = a[i];
    for (size_t i = positional; i < a.size(); ++i) {
        if (flags.count(a[i])) {
            opt[a[i]] = "1";
        } else if (a[i].rfind("-", 0) == 0 && i + 1 < a.size()) {
            opt[a[i]] = a[i + 1];
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

namespace {

// The ten bytes of a stored value in file order, as hex digits.
std::string Hex(const Extended80Bytes& b) {
    static const char digits[] = "0123456789abcdef";
    std::string h;
    for (uint8_t x : b)
        h += std::string{digits[x >> 4], digits[x & 15]};
    return h;
}

} // namespace

int TableCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: table FILE");
    TTable t;
    std::string message;
    if (!ReadTable(t, a[0], Options().UnitSystem, message)) return Fail(message);
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    std::vector<std::string> columns;
    for (int c = 1; c < t.ColCount; ++c) {
        const TableColumn& col = t.Columns[size_t(c - 1)];
        std::vector<std::string> values, raw;
        for (int r = 1; r <= t.Runs(); ++r) {
            values.push_back(GetS(t, c, r));
            raw.push_back(Hex(EncodeExtended(col.Values[size_t(r)])));
        }
        columns.push_back(JsonObject()
                              .Int("Number", col.Number)
                              .Str("Name", col.Name)
                              .Int("Kind", col.Format.Mode)
                              .Int("Digits", col.Format.Digits)
                              .Raw("Values", JsonStringArray(values))
                              .Raw("Raw", JsonStringArray(raw))
                              .Text());
    }
    const std::vector<std::string> rect = {
        std::to_string(t.ClientLeft), std::to_string(t.ClientTop), std::to_string(t.ClientRight),
        std::to_string(t.ClientBottom)};
    std::printf("%s\n", JsonObject()
                            .Str("DeckName", t.DeckName)
                            .Int("ColCount", t.ColCount)
                            .Int("RowCount", t.RowCount)
                            .Raw("ClientRect", JsonArray(rect))
                            .Raw("RunDeckNames", JsonStringArray(t.RunDeckNames))
                            .Raw("Columns", JsonArray(columns))
                            .Text()
                            .c_str());
    return 0;
}

int ScanConstantsCmd(const Args& a) {
    if (a.size() != 1 && !(a.size() == 3 && a[1] == "--unit-system"))
        return Fail("usage: scan-constants DECK [--unit-system N]");
    const int system = a.size() == 3 ? std::atoi(a[2].c_str()) : 1;
    const auto list = ScanDeckConstants(a[0], system);
    std::string entries = "null";
    if (list) {
        std::vector<std::string> items;
        for (const DeckConstant& c : *list)
            items.push_back(JsonObject()
                                .Str("Name", c.Name)
                                .Str("Units", c.Units)
                                .Str("Description", c.Description)
                                .Str("Value", c.Value)
                                .Int("Count", c.Count)
                                .Text());
        entries = JsonArray(items);
    }
    std::printf("%s\n", JsonObject().Raw("Constants", entries).Text().c_str());
    return 0;
}

bool LoadTable(const std::string& name, TTable& t) {
    std::string message;
    const bool ok = ReadTable(t, name, Options().UnitSystem, message);
    if (!message.empty()) std::fprintf(stderr, "koltool: %s\n", message.c_str());
    return ok;
}

namespace {

int Save(TTable& t, const std::string& name) {
    return SaveTable(t, name) ? 0 : Fail("cannot write " + name);
}

std::vector<std::string> Names(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        names.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return names;
}

bool Number(const std::string& text, Extended& v) {
    return StrToReal(text, v);
}

// koltool answers the table run's questions itself: no engine directory but the one it was
// given, and one run at a time where runs at once would write one file.
class ToolHost : public TTableRunHost {
  public:
    SharedAnswer SharedFile(const std::string& file) override {
        std::fprintf(stderr,
                     "koltool: File %s is written by every run: the table runs one run at a "
                     "time.\n",
                     file.c_str());
        return SharedAnswer::OneAtATime;
    }
};

volatile std::sig_atomic_t stopSignal = 0;

void StopOnSignal(int) {
    stopSignal = 1;
}

// SIGINT and SIGTERM stop the runs instead of ending koltool at once.
void CatchStopSignals() {
    struct sigaction sa = {};
    sa.sa_handler = StopOnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

std::string SecondsJson(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

// jobId: a cluster run's job, which adds it and each run's node and Slurm state.
std::string RunsJson(const TRunSet& set, const std::string& jobId = {}) {
    std::vector<std::string> items;
    for (const TRun& r : set.Runs()) {
        const bool ended = r.State != TRunState::NotRun && r.Ended >= 0 && r.ExitStatus >= 0;
        const std::string status =
            !ended ? "null" : std::to_string(r.Signal ? 128 + r.Signal : r.ExitStatus);
        JsonObject item;
        item.Int("Run", r.Number)
            .Str("Deck", r.Deck)
            .Str("State", StateWord(r.State))
            .Raw("ExitStatus", status)
            .Raw("Seconds", SecondsJson(r.Seconds(set.Now())));
        if (!jobId.empty()) item.Str("Node", r.Node).Str("SlurmState", r.Remote);
        items.push_back(item.Text());
    }
    JsonObject all;
    if (!jobId.empty()) all.Str("JobId", jobId);
    return all.Raw("Runs", JsonArray(items)).Text();
}

bool ParseParallel(const std::string& text, int& n) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 1 || v > 1024) return false;
    n = int(v);
    return true;
}

} // namespace

int NewTableCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseOptions(a, 1, {}, opt) || !opt.count("--runs") || !opt.count("--vars") ||
        !opt.count("-o"))
        return Fail("usage: new-table DECK --runs N --vars A,B,... -o FILE.TBL");
    int runs = 0;
    std::string message;
    if (!ParseRunCount(opt["--runs"], runs, message)) return Fail(message);
    if (!ScanDeckConstants(opt["1"], Options().UnitSystem))
        return Fail("File " + opt["1"] + " does not have any KOLVAN Comment statements.");
    const std::string unknown = UnknownVariableText(Names(opt["--vars"]), opt["1"]);
    if (!unknown.empty()) return Fail(unknown);
    TTable t = NewDeckTable(opt["1"], Names(opt["--vars"]), runs);
    return Save(t, opt["-o"]);
}

int AlterCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    const char* usage = "usage: alter FILE.TBL --col K --first A --last B (--clear | --set F "
                        "(--last-value P | --increment P | --multiplier P))";
    if (!ParseOptions(a, 1, {"--clear"}, opt) || !opt.count("--col") || !opt.count("--first") ||
        !opt.count("--last") || (opt.count("--clear") == opt.count("--set")))
        return Fail(usage);
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    AlterRequest r;
    r.Column = std::atoi(opt["--col"].c_str());
    r.FirstRun = std::atoi(opt["--first"].c_str());
    r.LastRun = std::atoi(opt["--last"].c_str());
    r.Clear = opt.count("--clear") > 0;
    if (!r.Clear) {
        const char* modes[] = {"--last-value", "--increment", "--multiplier"};
        int mode = -1;
        for (int i = 0; i < 3; ++i)
            if (opt.count(modes[i])) mode = i;
        if (mode < 0 || !Number(opt["--set"], r.First) || !Number(opt[modes[mode]], r.Second))
            return Fail(usage);
        r.Mode = AlterMode(mode);
    }
    TDiagnostics diagnostics;
    if (!AlterValues(t, r, diagnostics))
        return PrintDiagnostics(diagnostics) ? 1 : Fail("no such column");
    return Save(t, opt["1"]);
}

int RunsCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseOptions(a, 1, {"--top", "--bottom"}, opt) ||
        opt.count("--insert") == opt.count("--delete") ||
        opt.count("--top") + opt.count("--bottom") + opt.count("--after") != 1)
        return Fail(
            "usage: runs FILE.TBL (--insert N | --delete N) (--top | --bottom | --after A)");
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    const int n = opt.count("--insert") ? std::atoi(opt["--insert"].c_str())
                                        : -std::atoi(opt["--delete"].c_str());
    const RunPosition where = opt.count("--top")      ? RunPosition::Top
                              : opt.count("--bottom") ? RunPosition::Bottom
                                                      : RunPosition::After;
    std::string message;
    switch (InsertDeleteRuns(t, n, where, std::atoi(opt["--after"].c_str()), Globals().ErrorLevel,
                             message)) {
    case RunsResult::CloseTable:
        return Fail("every run deleted: the table closes");
    case RunsResult::Rejected:
        return Fail(message);
    case RunsResult::Done:
        break;
    }
    return Save(t, opt["1"]);
}

int PasteCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseOptions(a, 1, {}, opt) || !opt.count("--row") || !opt.count("--col"))
        return Fail("usage: paste FILE.TBL --row R --col C < text");
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    const std::string text{std::istreambuf_iterator<char>(std::cin), {}};
    const std::string message =
        PasteText(t, std::atoi(opt["--col"].c_str()), std::atoi(opt["--row"].c_str()), text);
    // All or nothing: a bad number leaves the table file as it was.
    return message.empty() ? Save(t, opt["1"]) : Fail(message);
}

namespace {

bool ParseCount(const std::string& text, int& n) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 0 || v > 1000000) return false;
    n = int(v);
    return true;
}

void NoteRunStates(const std::string& table, const TRunSet& set) {
    if (!RecordRunStates(table, set.Runs()))
        std::fprintf(stderr, "koltool: cannot write %s\n", RunStateFileName(table).c_str());
}

// --runs 3,5-7 or --failed (the runs that failed or were stopped the last time): false after
// the message.
bool ChosenRuns(std::map<std::string, std::string>& opt, const TTable& t, std::vector<int>& only) {
    std::string error;
    if (opt.count("--runs") && !ParseRunList(opt["--runs"], t.Runs(), only, error)) {
        Fail(error);
        return false;
    }
    if (!opt.count("--failed")) return true;
    for (int r : FailedRuns(ReadRunStates(opt["1"])))
        if (r <= t.Runs()) only.push_back(r);
    if (only.empty()) {
        Fail("No run of " + opt["1"] + " failed or was stopped the last time it ran.");
        return false;
    }
    return true;
}

bool SlurmOptions(std::map<std::string, std::string>& opt, TSlurmOptions& s) {
    s.TableName = opt["1"];
    s.Partition = opt.count("--partition") ? opt["--partition"] : "";
    s.ExtraArgs = opt.count("--sbatch-args") ? opt["--sbatch-args"] : "";
    return (!opt.count("--time") || ParseCount(opt["--time"], s.TimeMinutes)) &&
           (!opt.count("--max-at-once") || ParseCount(opt["--max-at-once"], s.MaxAtOnce));
}

// Submits the runs as one job array and follows it to its end; the exit status.
int RunOnSlurm(const TSlurmOptions& so, std::vector<TRun> runs, bool keep,
               const std::string& table) {
    auto backend = std::make_unique<TSlurmBackend>(so);
    std::string message;
    if (!backend->Submit(runs, message)) {
        if (!keep) DeleteRunDecks(runs);
        return Fail(message);
    }
    if (const char* ms = std::getenv("KOLSHELL_SLURM_POLL_MS")) backend->SetPollMs(std::atoi(ms));
    TSlurmBackend& slurm = *backend;
    const std::string jobId = slurm.JobId();
    std::fprintf(stderr,
                 "koltool: submitted job %s (%s); the deck folder and the engine "
                 "directory must be on a filesystem the cluster's nodes share.\n",
                 jobId.c_str(), slurm.ScriptName().c_str());
    CatchStopSignals();
    TRunSet set(std::move(runs), std::move(backend));
    const int count = int(set.Runs().size());
    set.RunChanged = [&set, count](size_t i) {
        const TRun& r = set.Runs()[i];
        if (r.Remote.empty()) return;
        std::string line = "KOLVAN Run " + std::to_string(r.Number) + " of " +
                           std::to_string(count) + ": " + r.Remote;
        if (!r.Node.empty()) line += " on " + r.Node;
        if (r.State == TRunState::Failed && r.ExitStatus > 0)
            line += " (exit code " + std::to_string(r.ExitStatus) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
    };
    int warnings = 0;
    set.Advance();
    while (!set.Finished()) {
        if (!set.StopRequested() && stopSignal) set.Stop();
        set.Wait(200);
        set.Advance();
        if (slurm.WarningCount() != warnings && !slurm.Warning().empty())
            std::fprintf(stderr, "koltool: %s\n", slurm.Warning().c_str());
        warnings = slurm.WarningCount();
    }
    NoteRunStates(table, set);
    if (!keep) {
        DeleteRunDecks(set.Runs());
        slurm.DeleteRunFiles(set.Runs());
    }
    const std::string report = TableRunReport(set);
    if (!report.empty()) std::fprintf(stderr, "koltool: %s\n", report.c_str());
    for (const TRun& r : set.Runs())
        if (r.State == TRunState::Failed)
            std::fprintf(stderr, "koltool: run %d's log: %s\n", r.Number,
                         SlurmLogName(r, slurm.Stem()).c_str());
    std::printf("%s\n", RunsJson(set, jobId).c_str());
    std::fflush(stdout);
    if (set.StopRequested()) return 130;
    const bool allDone = std::all_of(set.Runs().begin(), set.Runs().end(), [](const TRun& r) {
        return r.State == TRunState::Done && r.ExitStatus == 0;
    });
    return allDone ? 0 : 1;
}

} // namespace

int RunTableCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    TTableRunOptions o;
    TSlurmOptions so;
    if (!ParseOptions(a, 1, {"--keep-decks", "--slurm", "--failed"}, opt) ||
        (opt.count("--parallel") && !ParseParallel(opt["--parallel"], o.Parallel)) ||
        !SlurmOptions(opt, so) || (opt.count("--runs") && opt.count("--failed")))
        return Fail("usage: run-table FILE.TBL [--runs 3,5-7 | --failed] [--engine-dir DIR] "
                    "[--parallel N] [--keep-decks] [--slurm [--partition P] [--time MIN] "
                    "[--max-at-once M] [--sbatch-args \"...\"]]");
    const bool slurm = opt.count("--slurm") > 0;
    // Every run has a deck of its own on the cluster: no one-at-a-time runs there.
    if (slurm) o.Parallel = 2;
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    if (!ChosenRuns(opt, t, o.Only)) return 1;
    o.EngineDir = opt.count("--engine-dir") ? opt["--engine-dir"] : Globals().KolshellDir;
    o.DefaultEngineDir = Globals().KolshellDir;
    ToolHost host;
    std::vector<TRun> runs;
    std::string message;
    const bool prepared = PrepareTableRun(t, host, o, runs, message);
    if (!t.RunDeckNames.empty()) SaveTable(t, opt["1"]); // the run deck names stay with it
    if (!prepared)
        return Fail(message.empty() ? "KOLVAN32.exe was not found in " + o.EngineDir : message);
    if (slurm) {
        if (o.Parallel == 1) so.MaxAtOnce = 1; // every run writes one file: one at a time
        return RunOnSlurm(so, std::move(runs), opt.count("--keep-decks") > 0, opt["1"]);
    }
    CatchStopSignals();
    TRunSet set(std::move(runs), std::make_unique<TLocalBackend>(o.Parallel, true));
    const int count = int(set.Runs().size());
    set.RunChanged = [&set, count](size_t i) {
        if (set.Runs()[i].State == TRunState::Running)
            std::fprintf(stderr, "KOLVAN Run %d of %d\n", set.Runs()[i].Number, count);
    };
    RunToEnd(set, [] { return stopSignal != 0; });
    NoteRunStates(opt["1"], set);
    if (!opt.count("--keep-decks")) DeleteRunDecks(set.Runs());
    const std::string report = TableRunReport(set);
    if (!report.empty()) std::fprintf(stderr, "koltool: %s\n", report.c_str());
    std::printf("%s\n", RunsJson(set).c_str());
    std::fflush(stdout);
    if (set.StopRequested()) return 130;
    return set.Count(TRunState::Done) == count ? 0 : 1;
}
