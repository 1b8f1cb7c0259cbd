#include "tools/koltool_results.h"

#include "common/json.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "table/fill.h"
#include "table/results.h"
#include "table/runstates.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <thread>

using namespace kolshell;

namespace {

std::vector<std::string> CommaList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = Trimmed(text.substr(start, comma - start));
        if (!item.empty()) items.push_back(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

// A bare file name is one of the deck's outputs, beside the deck.
std::string OutputFileOf(const TTable& t, const std::string& name) {
    if (ExtractFileDir(name).empty()) return JoinPath(ExtractFileDir(t.DeckName), name);
    return AbsolutePath(name);
}

// The shortest number that reads back as the value (as the CSV gives it); null for none.
template <typename T> std::string NumberJson(std::optional<T> v) {
    return v && std::isfinite(*v) ? ExactText(*v) : "null";
}

std::string RunJson(const TResults& r, size_t i) {
    const TResultRow& row = r.Rows[i];
    JsonObject values, results;
    for (size_t k = 0; k < r.Variables.size(); ++k) {
        const Extended v = r.TableValues[i][k];
        values.Raw(r.Variables[k], NumberJson(v == UndefinedValue || v == BlankValue
                                                  ? std::nullopt
                                                  : std::optional<long double>(v)));
    }
    for (size_t k = 0; k < r.Results.size(); ++k)
        results.Raw(r.Results[k], NumberJson(row.Values[k]));
    return JsonObject()
        .Int("Run", row.Run)
        .Str("State", StateWord(row.State))
        .Str("Why", row.Why)
        .Raw("Values", values.Text())
        .Raw("Results", results.Text())
        .Text();
}

std::string ResultsJson(const TResults& r, const std::string& file) {
    std::vector<std::string> runs;
    for (size_t i = 0; i < r.Rows.size(); ++i)
        runs.push_back(RunJson(r, i));
    return JsonObject()
        .Str("File", file)
        .Raw("Variables", JsonStringArray(r.Variables))
        .Raw("Results", JsonStringArray(r.Results))
        .Raw("Units", JsonStringArray(r.Units))
        .Raw("Runs", JsonArray(runs))
        .Text();
}

int Threads() {
    return int(std::max(1u, std::min(8u, std::thread::hardware_concurrency())));
}

} // namespace

int ResultsCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseOptions(a, 1, {"--csv"}, opt) || !opt.count("--file") || !opt.count("--column") ||
        !opt.count("--stat"))
        return Fail("usage: results FILE.TBL --file OUTFILE --column COL[,COL...] --stat "
                    "final,min,max,mean,integral,xmax[,at=X] [--csv]");
    TResultRequest request;
    std::string error;
    if (!ParseStatistics(opt["--stat"], request.Stats, error)) return Fail(error);
    request.Columns = CommaList(opt["--column"]);
    if (request.Columns.empty() || request.Stats.empty())
        return Fail("no column or no statistic given");
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    request.File = OutputFileOf(t, opt["--file"]);
    TResults r = PrepareResults(t, request, ReadRunStates(opt["1"]));
    std::vector<size_t> rows;
    for (size_t i = 0; i < r.Rows.size(); ++i)
        rows.push_back(i);
    ReadResults(t, request, r, rows, Threads());
    if (opt.count("--csv"))
        std::fputs(ResultsCsv(r).c_str(), stdout);
    else
        std::printf("%s\n", ResultsJson(r, request.File).c_str());
    return 0;
}

namespace {

bool ParseSeed(const std::string& text, uint64_t& seed) {
    char* end = nullptr;
    seed = std::strtoull(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && text[0] != '-';
}

bool ParseSampleCount(const std::string& text, int& n) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 1 || v > MaxTableRuns) return false;
    n = int(v);
    return true;
}

} // namespace

int FillCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    const char* usage = "usage: fill FILE.TBL (--grid NAME=first:last:count[,...] | --lhs N "
                        "--range NAME=first:last[,...] --seed S) [--log NAME[,...]]";
    if (!ParseOptions(a, 1, {}, opt)) return Fail(usage);
    const bool grid = opt.count("--grid") > 0;
    const bool lhs = opt.count("--lhs") && opt.count("--range") && opt.count("--seed");
    if (grid == lhs || (grid && (opt.count("--lhs") || opt.count("--range"))) ||
        (lhs && opt.count("--grid")))
        return Fail(usage);
    int runs = 0;
    uint64_t seed = 0;
    if (lhs && (!ParseSampleCount(opt["--lhs"], runs) || !ParseSeed(opt["--seed"], seed)))
        return Fail(usage);
    std::vector<TFillVar> vars;
    std::string error;
    if (!ParseFillVars(grid ? opt["--grid"] : opt["--range"], grid, opt["--log"], vars, error))
        return Fail(error);
    TTable t;
    if (!LoadTable(opt["1"], t)) return 1;
    const bool filled =
        grid ? FillGrid(t, vars, error) : FillLatinHypercube(t, vars, runs, seed, error);
    if (!filled) return Fail(error);
    return SaveTable(t, opt["1"]) ? 0 : Fail("cannot write " + opt["1"]);
}
