// koltool: the program's core for batch use. Each subcommand answers on one line of stdout;
// problems go to stderr with exit status 1.
#include "common/globals.h"
#include "common/json.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "common/settings.h"
#include "plot/axis.h"
#include "plot/outputdata.h"
#include "plot/outputfiles.h"
#include "plot/plotdef.h"
#include "run/cmdline.h"
#include "tools/koltool_cli.h"
#include "tools/koltool_form.h"
#include "tools/koltool_results.h"
#include "tools/koltool_table.h"
#include <algorithm>
#include <climits>
#include <cstdint>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kolshell;

namespace {

bool ParseInt(const std::string& s, long& v) {
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && *end == '\0';
}

bool ParseReal(const std::string& s, Extended& v) {
    return StrToReal(s, v);
}

int FormatRealCmd(const Args& a) {
    long mode, digits;
    Extended x;
    if (a.size() != 3 || !ParseInt(a[0], mode) || !ParseInt(a[1], digits) || !ParseReal(a[2], x))
        return Fail("usage: format-real MODE DIGITS VALUE");
    NumberFormat f{uint8_t(mode), int16_t(std::clamp<long>(digits, INT16_MIN, INT16_MAX))};
    std::printf("%s\n", FormatReal(f, x).c_str());
    return 0;
}

int ChooseFormatCmd(const Args& a) {
    long n;
    Extended x;
    if (a.size() != 2 || !ParseInt(a[0], n) || !ParseReal(a[1], x))
        return Fail("usage: choose-format N VALUE");
    const NumberFormat f = ChooseFormat(int(std::clamp<long>(n, INT_MIN, INT_MAX)), x);
    std::printf("%d %d\n", f.Mode, f.Digits);
    return 0;
}

int StrToRealCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: str-to-real TEXT");
    Extended x = 0;
    if (StrToReal(a[0], x))
        std::printf("ok %.17Lg\n", x);
    else
        std::printf("error\n");
    return 0;
}

int DftCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: dft FILE");
    TSettings s;
    std::string error;
    switch (ReadDFT(a[0], s, &error)) {
    case DftStatus::Missing:
        return Fail("file " + a[0] + " was not found");
    case DftStatus::Damaged:
        return Fail(error);
    case DftStatus::Ok:
        break;
    }
    const TProgramDirs& d = s.ProgramDirs;
    std::vector<std::string> ints, bytes;
    for (int32_t v : d.Ints)
        ints.push_back(std::to_string(v));
    for (uint8_t v : d.Bytes)
        bytes.push_back(std::to_string(v));
    JsonObject o;
    o.Int("UnitSystem", s.Options.UnitSystem)
        .Int("IncludeHeader", s.Options.IncludeHeader)
        .Int("IncludeSimulationCard", s.Options.IncludeSimulationCard)
        .Int("Engine32", s.Options.Engine32)
        .Raw("UserCommands",
             JsonStringArray({s.UserCommands.Compile, s.UserCommands.Rebuild, s.UserCommands.User}))
        .Raw("ProgramDirs", JsonStringArray({d.Dirs.begin(), d.Dirs.end()}))
        .Raw("Links", JsonStringArray({d.Links.begin(), d.Links.end()}))
        .Raw("LinkBitmaps", JsonStringArray({d.LinkBitmaps.begin(), d.LinkBitmaps.end()}))
        .Raw("Ints", JsonArray(ints))
        .Raw("Bytes", JsonArray(bytes));
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

int DefaultDftCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: default-dft FILE");
    if (!WriteDFT(a[0], DefaultSettings())) return Fail("cannot write " + a[0]);
    return 0;
}

std::vector<std::string> ColumnTexts(const std::array<std::string, MaxOutputCols + 1>& a, int n) {
    return std::vector<std::string>(a.begin() + 1, a.begin() + 1 + n);
}

std::string Extremes(const std::array<Real48Bytes, MaxOutputCols + 1>& a, int n) {
    std::vector<std::string> v;
    for (int c = 1; c <= n; ++c)
        v.push_back(JsonNumber(DecodeReal48(a[size_t(c)])));
    return JsonArray(v);
}

int OutputCmd(const Args& a) {
    if (a.empty() || a.size() > 2 || (a.size() == 2 && a[1] != "--no-values"))
        return Fail("usage: output FILE [--no-values]");
    TOutputData d;
    std::string why;
    if (!ReadOutputFile(a[0], d, &why))
        return Fail(why.empty() ? "file " + a[0] + " cannot be read" : why);
    JsonObject o;
    o.Bool("HasNames", d.HasNames)
        .Bool("HasUnits", d.HasUnits)
        .Int("NRows", d.NRows)
        .Int("NCols", d.NCols)
        .Raw("Names", JsonStringArray(ColumnTexts(d.Names, d.NCols)))
        .Raw("Units", JsonStringArray(ColumnTexts(d.Units, d.NCols)))
        .Raw("ColMin", Extremes(d.ColMin, d.NCols))
        .Raw("ColMax", Extremes(d.ColMax, d.NCols));
    if (a.size() == 1) {
        std::vector<std::string> cols;
        for (int c = 1; c <= d.NCols; ++c) {
            std::vector<std::string> v;
            for (int r = 1; r <= d.NRows; ++r)
                v.push_back(JsonNumber(d.Value(c, r)));
            cols.push_back(JsonArray(v));
        }
        o.Raw("Columns", JsonArray(cols));
    }
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

int ScaleCmd(const Args& a) {
    Extended lo, hi;
    long ticks = 5, decimals = 3;
    if ((a.size() != 2 && a.size() != 4) || !ParseReal(a[0], lo) || !ParseReal(a[1], hi) ||
        (a.size() == 4 && (!ParseInt(a[2], ticks) || !ParseInt(a[3], decimals))))
        return Fail("usage: scale DATAMIN DATAMAX [TICKS DECIMALS]");
    const AxisProposal p = ScaleMinMax(lo, hi, int(ticks), int(decimals));
    JsonObject o;
    o.Num("Min", double(p.Min))
        .Num("Max", double(p.Max))
        .Int("Ticks", p.Ticks)
        .Int("Decimals", p.Decimals)
        .Str("MinText", ProposalText(p.Min, p.Decimals))
        .Str("MaxText", ProposalText(p.Max, p.Decimals));
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

int TicksCmd(const Args& a) {
    Extended lo, hi;
    long ticks, log, style, digits, minor = 0;
    if ((a.size() != 6 && a.size() != 8) || !ParseReal(a[0], lo) || !ParseReal(a[1], hi) ||
        !ParseInt(a[2], ticks) || !ParseInt(a[3], log) || !ParseInt(a[4], style) ||
        !ParseInt(a[5], digits) || (a.size() == 8 && (a[6] != "--minor" || !ParseInt(a[7], minor))))
        return Fail("usage: ticks MIN MAX TICKS LOG STYLE DIGITS [--minor K]");
    AxisScale s{lo, hi, int(ticks), int(minor), log != 0, int(style), int(digits)};
    const std::vector<AxisTick> ticksOut = MajorTicks(s, 0, 1000);
    std::vector<std::string> items, pixels;
    for (const AxisTick& t : ticksOut) {
        JsonObject o;
        o.Num("Value", double(t.Value))
            .Bool("Labelled", t.Labelled)
            .Str("Label", t.Label)
            .Bool("Last", t.Last);
        items.push_back(o.Text());
        pixels.push_back(std::to_string(t.Pixel));
    }
    size_t minorCount = 0;
    for (size_t i = 1; !s.LogAxis && i < ticksOut.size(); ++i)
        minorCount +=
            MinorTickPixels(ticksOut[i - 1].Pixel, ticksOut[i].Pixel, s.MinorTicks).size();
    JsonObject o;
    o.Raw("Ticks", JsonArray(items))
        .Int("Minor", long(minorCount))
        .Raw("Pixels", JsonArray(pixels));
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

int LabelCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: label TEXT");
    const LabelParts p = SplitLabel(a[0]);
    JsonObject o;
    o.Str("Mantissa", p.Mantissa).Bool("Times", p.Times);
    if (!p.Base.empty()) o.Str("Base", p.Base);
    o.Str("Exponent", p.Exponent);
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

int OutputFilesCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: output-files FILE");
    const OutputFileList l = ListOutputFiles(a[0]);
    JsonObject o;
    o.Raw("Files", JsonStringArray(l.Files))
        .Raw("Selected", l.Selected < 0 ? "null" : JsonString(l.Files[size_t(l.Selected)]));
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

std::string Points(const PlotValues& v) {
    std::vector<std::string> out;
    for (const Real48Bytes& b : v)
        out.push_back(JsonNumber(DecodeReal48(b)));
    return JsonArray(out);
}

std::string LineJson(const TPlotLine& l) {
    JsonObject o;
    o.Int("NPoints", l.NPoints)
        .Int("SourceRows", l.SourceRows)
        .Int("RowsEditable", l.RowsEditable)
        .Int("LineNo", l.LineNo)
        .Int("XCol", l.XCol)
        .Int("YCol", l.YCol)
        .Raw("ColName", JsonStringArray({l.ColName[0], l.ColName[1]}))
        .Raw("ColUnits", JsonStringArray({l.ColUnits[0], l.ColUnits[1]}))
        .Int("FromRow", l.FromRow)
        .Int("ToRow", l.ToRow)
        .Int("LineStyle", l.LineStyle)
        .Int("Symbol", l.Symbol)
        .Int("Colour", l.Colour)
        .Bool("Smooth", l.Smooth)
        .Raw("XValues", Points(l.XValues))
        .Raw("YValues", Points(l.YValues));
    return o.Text();
}

template <typename T> std::string Pair(const std::array<T, 2>& a) {
    return JsonArray({JsonNumber(double(a[0])), JsonNumber(double(a[1]))});
}

int KspCmd(const Args& a) {
    if (a.size() != 1) return Fail("usage: ksp FILE");
    std::string caption, error;
    TPlotDef d;
    if (!OpenPlotFile(a[0], caption, d, error)) return Fail(error);
    std::vector<std::string> lines;
    for (int i = 0; i < d.NLines; ++i)
        lines.push_back(LineJson(d.Lines[size_t(i)]));
    JsonObject o;
    o.Str("Caption", caption)
        .Int("NLines", d.NLines)
        .Raw("AxisTitle", JsonStringArray({d.AxisTitle[0], d.AxisTitle[1]}))
        .Raw("AxisMin", Pair(d.AxisMin))
        .Raw("AxisMax", Pair(d.AxisMax))
        .Raw("Grid", Pair(d.Grid))
        .Raw("MinorTicks", Pair(d.MinorTicks))
        .Raw("Ticks", Pair(d.Ticks))
        .Raw("LogAxis", Pair(d.LogAxis))
        .Raw("NumStyle", Pair(d.NumStyle))
        .Raw("NumDigits", Pair(d.NumDigits))
        .Bool("ShowLegend", d.ShowLegend)
        .Raw("Lines", JsonArray(lines));
    std::printf("%s\n", o.Text().c_str());
    return 0;
}

// Options of make-plot: "--name value" pairs and the flags --smooth and --legend.
bool ParseMakePlot(const Args& a, std::map<std::string, std::string>& opt) {
    return ParseOptions(a, 1, {"--smooth", "--legend"}, opt) && opt.count("-o") &&
           opt.count("--x") && opt.count("--y");
}

std::vector<int> ColumnList(const std::string& s) {
    std::vector<int> v;
    size_t start = 0;
    while (start <= s.size()) {
        const size_t comma = s.find(',', start);
        v.push_back(std::atoi(s.substr(start, comma - start).c_str()));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return v;
}

void ProposeAxes(TPlotDef& w, const TOutputData& d, const PlotChoices& c) {
    const bool xOk = c.XCol >= 1 && c.XCol <= d.NCols;
    const AxisProposal px =
        ScaleMinMax(xOk ? d.Min(c.XCol) : 9.0e30, xOk ? d.Max(c.XCol) : -9.0e30, 5, 3);
    Extended lo = 9.0e30L, hi = -9.0e30L;
    for (int y : c.YCols)
        if (y >= 1 && y <= d.NCols)
            lo = std::min<Extended>(lo, d.Min(y)), hi = std::max<Extended>(hi, d.Max(y));
    const AxisProposal py = ScaleMinMax(lo, hi, 5, 3);
    int a = 0;
    for (const AxisProposal& p : {px, py}) {
        // The fields show the ends as text; OK reads them back.
        Extended mn = p.Min, mx = p.Max;
        StrToReal(ProposalText(p.Min, p.Decimals), mn);
        StrToReal(ProposalText(p.Max, p.Decimals), mx);
        w.AxisMin[size_t(a)] = mn;
        w.AxisMax[size_t(a)] = mx;
        w.Ticks[size_t(a)] = p.Ticks;
        w.NumStyle[size_t(a)] = 1;
        w.NumDigits[size_t(a)] = int16_t(p.Decimals);
        w.MinorTicks[size_t(a)] = 1;
        w.Grid[size_t(a)] = 0;
        w.LogAxis[size_t(a)] = 0;
        ++a;
    }
}

int MakePlotCmd(const Args& a) {
    std::map<std::string, std::string> opt;
    if (!ParseMakePlot(a, opt))
        return Fail("usage: make-plot OUTFILE -o FILE.KSP --x COL --y COL[,COL...] [--from N] "
                    "[--to N] [--line N] [--symbol N] [--colour N] [--smooth] [--legend] "
                    "[--overlay EXISTING.KSP]");
    TOutputData d;
    if (!ReadOutputFile(opt["1"], d)) return Fail("file " + opt["1"] + " cannot be read");
    PlotChoices c;
    c.XCol = std::atoi(opt["--x"].c_str());
    c.YCols = ColumnList(opt["--y"]);
    c.FromRow = opt.count("--from") ? opt["--from"] : "1";
    c.ToRow = opt.count("--to") ? opt["--to"] : std::to_string(d.NRows);
    c.LineStyle = opt.count("--line") ? std::atoi(opt["--line"].c_str()) : 1;
    c.Symbol = std::atoi(opt["--symbol"].c_str());
    c.Colour = std::atoi(opt["--colour"].c_str());
    c.Smooth = opt.count("--smooth") > 0;
    c.Legend = opt.count("--legend") > 0;
    std::string caption, error;
    TPlotDef plot;
    if (opt.count("--overlay")) {
        if (!OpenPlotFile(opt["--overlay"], caption, plot, error) ||
            !OverlayPlot(plot, d, c, error))
            return Fail(error);
    } else {
        TPlotDef working;
        ProposeAxes(working, d, c);
        int count = 0;
        caption = NextPlotCaption(count, AbsolutePath(opt["1"]));
        if (!BuildNewPlot(working, d, c, plot, error)) return Fail(error);
    }
    if (!SavePlotFile(opt["-o"], caption, plot)) return Fail("cannot write " + opt["-o"]);
    return 0;
}

// Pictures are drawn by koltool-image beside this program: it alone links the GUI libraries,
// so that every other command starts without loading them.
int PlotImageCmd(const Args& a) {
    const std::string image = JoinPath(Globals().KolshellDir, "koltool-image");
    const TArgv argv(image, a);
    execv(image.c_str(), argv.Data());
    return Fail("cannot start " + image + ": " + std::strerror(errno));
}

const std::map<std::string, std::function<int(const Args&)>>& Commands() {
    static const std::map<std::string, std::function<int(const Args&)>> c = {
        {"format-real", FormatRealCmd},
        {"choose-format", ChooseFormatCmd},
        {"str-to-real", StrToRealCmd},
        {"dft", DftCmd},
        {"default-dft", DefaultDftCmd},
        {"output", OutputCmd},
        {"scale", ScaleCmd},
        {"ticks", TicksCmd},
        {"label", LabelCmd},
        {"output-files", OutputFilesCmd},
        {"ksp", KspCmd},
        {"make-plot", MakePlotCmd},
        {"plot-image", PlotImageCmd},
        {"table", TableCmd},
        {"scan-constants", ScanConstantsCmd},
        {"new-table", NewTableCmd},
        {"alter", AlterCmd},
        {"runs", RunsCmd},
        {"paste", PasteCmd},
        {"run-table", RunTableCmd},
        {"results", ResultsCmd},
        {"fill", FillCmd},
        {"form", FormCmd},
        {"write-deck", WriteDeckCmd},
        {"make-kolsed", MakeKolsedCmd},
    };
    return c;
}

// This program's file, links followed.
std::string ProgramFile(const char* argv0) {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : AbsolutePath(argv0);
}

} // namespace

int main(int argc, char** argv) {
    // The program directory, where the engine lives unless told otherwise: this program's own
    // folder, also when it was started through a link or found on the PATH.
    Globals().KolshellDir = ExtractFileDir(ProgramFile(argv[0]));
    if (const int status = CheckCommandLine(argc, argv, KOLSHELL_VERSION); status >= 0)
        return status;
    const auto it = Commands().find(argv[1]);
    if (it == Commands().end()) return Fail(std::string("unknown command ") + argv[1]);
    try {
        return it->second(Args(argv + 2, argv + argc));
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory for " + std::string(argv[1]));
    } catch (const std::length_error&) {
        return Fail("not enough memory for " + std::string(argv[1]));
    }
}
