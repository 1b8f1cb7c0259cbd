#include "tools/koltool_table.h"

#include "common/codecs.h"
#include "common/globals.h"
#include "common/json.h"
#include "common/paths.h"
#include "shell/cmdline.h"
#include "table/deckscan.h"
#include "table/rundecks.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"

#include <cstdlib>
#include <iostream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

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

namespace {

// Reads the table named by the first word; false after the message.
bool LoadTable(const std::string& name, TTable& t) {
    std::string message;
    const bool ok = ReadTable(t, name, Options().UnitSystem, message);
    if (!message.empty()) std::fprintf(stderr, "koltool: %s\n", message.c_str());
    return ok;
}

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

// Runs a command line as the shell's runner would, and waits for it.
class ProcessRunner : public TTableRunner {
  public:
    bool Run(const std::string& commandLine) override {
        const TCommandLine c = SplitCommandLine(
            commandLine, [](const std::string& p) { return FileExists(p) && !IsDirectory(p); });
        std::vector<std::string> words{NativePath(c.Program)};
        for (const std::string& w : c.Arguments)
            words.push_back(w);
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(&w[0]);
        argv.push_back(nullptr);
        pid_t pid;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            std::fprintf(stderr, "koltool: File %s was not found.\n", c.Program.c_str());
            failed = true;
            return false;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return true;
    }
    void Progress(int run, int runs) override {
        std::fprintf(stderr, "KOLVAN Run %d of %d\n", run, runs);
    }
    bool failed = false;
};

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
    if (!AlterValues(t, r)) return r.TooLarge ? 1 : Fail("no such column"); // the message is out
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
    const int saved = Save(t, opt["1"]); // cells pasted before a bad number stay
    return message.empty() ? saved : Fail(message);
}

int RunTableCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseOptions(a, 1, {"--keep-decks"}, opt))
        return Fail("usage: run-table FILE.TBL [--engine-dir DIR] [--keep-decks]");
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    TTableRunOptions o;
    o.EngineDir = opt.count("--engine-dir") ? opt["--engine-dir"] : Globals().KolshellDir;
    o.DefaultEngineDir = Globals().KolshellDir;
    o.KeepDecks = opt.count("--keep-decks") > 0;
    ProcessRunner runner;
    std::string message;
    const bool ok = RunTable(t, runner, o, message);
    SaveTable(t, opt["1"]); // the run deck names are kept with the table
    if (!ok)
        return Fail(message.empty() ? "KOLVAN32.exe was not found in " + o.EngineDir : message);
    return runner.failed ? 1 : 0;
}
