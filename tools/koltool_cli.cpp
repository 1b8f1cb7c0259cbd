#include "tools/koltool_cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Values are only checked here; each command reads its own arguments again and says what is
// missing (the options a command needs are not required here, so that a misspelt one is named
// first).
struct Values {
    std::vector<std::string> Words;
    std::vector<long> Ints;
    std::vector<double> Reals;
    std::string& Word() { return Words.emplace_back(); }
    long& Int() { return Ints.emplace_back(); }
    double& Real() { return Reals.emplace_back(); }
    Values() {
        // Declarations keep references: no reallocation while they are made.
        Words.reserve(64);
        Ints.reserve(64);
        Reals.reserve(64);
    }
};

using Command = CLI::App;

// A value that must be a number: "two is not a number".
CLI::Validator Numeric() {
    return CLI::Validator(
        [](std::string& text) {
            double d = 0;
            return CLI::detail::lexical_cast(text, d) ? std::string() : text + " is not a number";
        },
        "");
}

// A number no smaller than least: "-2 is less than 0".
CLI::Validator AtLeast(long least) {
    return CLI::Validator(
        [least](std::string& text) {
            double d = 0;
            if (CLI::detail::lexical_cast(text, d) && d >= double(least)) return std::string();
            return text + " is less than " + std::to_string(least);
        },
        "");
}

// A value that must be a whole number: "1.5 is not a whole number".
CLI::Validator Whole() {
    return CLI::Validator(
        [](std::string& text) {
            long n = 0;
            return CLI::detail::lexical_cast(text, n) ? std::string()
                                                      : text + " is not a whole number";
        },
        "");
}

void File(Command& c, Values& v, const char* name, const char* what) {
    c.add_option(name, v.Word(), what)->required();
}
void Integer(Command& c, Values& v, const char* name, const char* what) {
    c.add_option(name, v.Int(), what)->check(Whole())->required();
}
void Real(Command& c, Values& v, const char* name, const char* what) {
    c.add_option(name, v.Real(), what)->check(Numeric())->required();
}
void UnitSystem(Command& c, Values& v) {
    c.add_option("--unit-system", v.Int(), "1 primary units, 2 secondary")
        ->check(Whole())
        ->check(Numeric())
        ->check(CLI::Range(1, 2));
}

void FormatReal(Command& c, Values& v) {
    Integer(c, v, "MODE", "number format mode");
    Integer(c, v, "DIGITS", "digits");
    Real(c, v, "VALUE", "the number");
}
void ChooseFormat(Command& c, Values& v) {
    Integer(c, v, "N", "field width");
    Real(c, v, "VALUE", "the number");
}
void StrToReal(Command& c, Values& v) {
    File(c, v, "TEXT", "the text to read as a number");
}
void Dft(Command& c, Values& v) {
    File(c, v, "FILE", "a KOLSHELL.DFT file");
}
void DefaultDft(Command& c, Values& v) {
    File(c, v, "FILE", "the file to write");
}
void Output(Command& c, Values& v) {
    File(c, v, "FILE", "an engine output file");
    c.add_flag("--no-values", "names, units and extremes only");
}
void Scale(Command& c, Values& v) {
    Real(c, v, "DATAMIN", "smallest value");
    Real(c, v, "DATAMAX", "largest value");
    c.add_option("TICKS", v.Int(), "number of ticks")->check(Whole());
    c.add_option("DECIMALS", v.Int(), "decimals")->check(Whole());
}
void Ticks(Command& c, Values& v) {
    Real(c, v, "MIN", "axis start");
    Real(c, v, "MAX", "axis end");
    Integer(c, v, "TICKS", "number of ticks");
    Integer(c, v, "LOG", "1 for a logarithmic axis");
    Integer(c, v, "STYLE", "number style");
    Integer(c, v, "DIGITS", "digits");
    c.add_option("--minor", v.Int(), "minor ticks between majors")
        ->check(Whole())
        ->check(AtLeast(0));
}
void Label(Command& c, Values& v) {
    File(c, v, "TEXT", "an axis label");
}
void OutputFiles(Command& c, Values& v) {
    File(c, v, "FILE", "a deck or output file");
}
void Ksp(Command& c, Values& v) {
    File(c, v, "FILE", "a KOLSHELL plot file (.KSP)");
}
void MakePlot(Command& c, Values& v) {
    File(c, v, "OUTFILE", "an engine output file");
    c.add_option("-o", v.Word(), "the plot file to write (.KSP)");
    c.add_option("--x", v.Int(), "x column")
        ->check(Whole())

        ->check(AtLeast(1));
    c.add_option("--y", v.Word(), "y columns, COL[,COL...]");
    c.add_option("--from", v.Word(), "first row");
    c.add_option("--to", v.Word(), "last row");
    c.add_option("--line", v.Int(), "line style")->check(Whole())->check(AtLeast(0));
    c.add_option("--symbol", v.Int(), "symbol")->check(Whole())->check(AtLeast(0));
    c.add_option("--colour", v.Int(), "colour")->check(Whole())->check(AtLeast(0));
    c.add_flag("--smooth", "smooth lines");
    c.add_flag("--legend", "show the legend");
    c.add_option("--overlay", v.Word(), "add to this existing plot");
}
void PlotImage(Command& c, Values& v) {
    File(c, v, "FILE", "a KOLSHELL plot file (.KSP)");
    File(c, v, "OUT", "the picture to write (.png, .svg or .pdf)");
    c.add_option("--size", v.Word(), "picture size WxH, as 1600x1000");
}
void Table(Command& c, Values& v) {
    File(c, v, "FILE", "a table file (.TBL)");
}
void ScanConstants(Command& c, Values& v) {
    File(c, v, "DECK", "a deck");
    UnitSystem(c, v);
}
void NewTable(Command& c, Values& v) {
    File(c, v, "DECK", "the deck of the runs");
    c.add_option("--runs", v.Int(), "number of runs")
        ->check(Whole())

        ->check(CLI::Range(1, 9999));
    c.add_option("--vars", v.Word(), "variables, A,B,...");
    c.add_option("-o", v.Word(), "the table file to write (.TBL)");
}
void Alter(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file");
    c.add_option("--col", v.Int(), "column")
        ->check(Whole())

        ->check(AtLeast(1));
    c.add_option("--first", v.Int(), "first run")
        ->check(Whole())

        ->check(AtLeast(1));
    c.add_option("--last", v.Int(), "last run")
        ->check(Whole())

        ->check(AtLeast(1));
    c.add_flag("--clear", "empty the cells");
    c.add_option("--set", v.Word(), "the first value");
    c.add_option("--last-value", v.Real(), "the last value, the others in between")
        ->check(Numeric());
    c.add_option("--increment", v.Real(), "added from run to run")->check(Numeric());
    c.add_option("--multiplier", v.Real(), "multiplied from run to run")->check(Numeric());
}
void Runs(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file");
    c.add_option("--insert", v.Int(), "runs to insert")->check(Whole())->check(AtLeast(1));
    c.add_option("--delete", v.Int(), "runs to delete")->check(Whole())->check(AtLeast(1));
    c.add_flag("--top", "at the top");
    c.add_flag("--bottom", "at the bottom");
    c.add_option("--after", v.Int(), "after this run")->check(Whole())->check(AtLeast(0));
}
void Paste(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file; the text comes on stdin");
    c.add_option("--row", v.Int(), "first run")
        ->check(Whole())

        ->check(AtLeast(1));
    c.add_option("--col", v.Int(), "first column")
        ->check(Whole())

        ->check(AtLeast(1));
}
void RunTable(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file");
    c.add_option("--engine-dir", v.Word(), "the engine's folder");
    c.add_option("--parallel", v.Int(), "runs at once")->check(Whole())->check(CLI::Range(1, 1024));
    c.add_flag("--keep-decks", "keep the run decks");
    c.add_flag("--slurm", "run on the Slurm cluster");
    c.add_option("--partition", v.Word(), "Slurm partition");
    c.add_option("--time", v.Int(), "Slurm time limit, minutes")->check(Whole())->check(AtLeast(0));
    c.add_option("--max-at-once", v.Int(), "Slurm runs at once, 0 any")
        ->check(Whole())
        ->check(Numeric())
        ->check(AtLeast(0));
    c.add_option("--sbatch-args", v.Word(), "more sbatch arguments");
    c.add_option("--runs", v.Word(), "only these runs, as 3,5-7");
    c.add_flag("--failed", "only the runs that failed or were stopped the last time");
}
void Results(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file that has been run");
    c.add_option("--file", v.Word(), "the output file of the deck, as DEMO.OUT");
    c.add_option("--column", v.Word(), "COL[,COL...], the columns");
    c.add_option("--stat", v.Word(), "final,min,max,mean,integral,xmax,at=X");
    c.add_flag("--csv", "CSV instead of JSON");
}
void Fill(Command& c, Values& v) {
    File(c, v, "FILE.TBL", "a table file");
    c.add_option("--grid", v.Word(), "NAME=first:last:count[,...], every combination");
    c.add_option("--lhs", v.Int(), "runs of a Latin hypercube")->check(Whole());
    c.add_option("--range", v.Word(), "NAME=first:last[,...], the sampled ranges");
    c.add_option("--seed", v.Int(), "the sampling's seed")->check(Whole());
    c.add_option("--log", v.Word(), "NAME[,...], variables stepped or sampled in decades");
}
void Form(Command& c, Values& v) {
    File(c, v, "FILE", "an annotated deck (.KSD)");
    UnitSystem(c, v);
}
void WriteDeck(Command& c, Values& v) {
    File(c, v, "FILE", "an annotated deck (.KSD)");
    File(c, v, "TARGET", "the deck to write");
    UnitSystem(c, v);
    c.add_option("--set", v.Word(), "INDEX=TEXT, a field's value")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    c.add_option("--button", v.Word(), "INDEX.N=on|off, a button")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}
void MakeKolsed(Command& c, Values& v) {
    File(c, v, "DECK", "a deck");
    c.add_option("--engine-dir", v.Word(), "the engine's folder (type descriptions)");
    c.add_flag("--list", "list the units and their parameters");
    c.add_flag("--header", "include the header");
    c.add_flag("--simulation-card", "include the simulation card");
    c.add_option("--select", v.Word(), "UNIT:p1,i2, the values that become fields")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    c.add_option("-o", v.Word(), "the form to write (.KSD)");
}

struct Declaration {
    const char* Name;
    const char* Help;
    void (*Declare)(Command&, Values&);
};

// One line each in koltool --help; the commands in the order of the manual.
const std::vector<Declaration>& Declarations() {
    static const std::vector<Declaration> d = {
        {"format-real", "print a number as a field shows it", FormatReal},
        {"choose-format", "the format a field of width N gives a number", ChooseFormat},
        {"str-to-real", "read a text as a number", StrToReal},
        {"dft", "a settings file as JSON", Dft},
        {"default-dft", "write the default settings file", DefaultDft},
        {"output", "an engine output file as JSON", Output},
        {"scale", "propose an axis for a range of values", Scale},
        {"ticks", "an axis' ticks and labels", Ticks},
        {"label", "split an axis label", Label},
        {"output-files", "the output files of a deck", OutputFiles},
        {"ksp", "a plot file as JSON", Ksp},
        {"make-plot", "make a plot file from an output file", MakePlot},
        {"plot-image", "draw a plot file as a picture", PlotImage},
        {"table", "a table file as JSON", Table},
        {"scan-constants", "a deck's constants as JSON", ScanConstants},
        {"new-table", "make a table of runs over a deck", NewTable},
        {"alter", "fill a table column", Alter},
        {"runs", "insert or delete runs of a table", Runs},
        {"paste", "paste text into a table", Paste},
        {"run-table", "run a table's runs", RunTable},
        {"results", "statistics of output columns over a table's runs", Results},
        {"fill", "fill a table's runs by a grid or a Latin hypercube", Fill},
        {"form", "an annotated deck's form as JSON", Form},
        {"write-deck", "write the deck a filled-in form makes", WriteDeck},
        {"make-kolsed", "make an annotated deck (form) from a deck", MakeKolsed},
    };
    return d;
}

// "koltool help [COMMAND]" is "koltool [COMMAND] --help". The text of str-to-real and label
// may begin with "-" ("-INF"): it is an argument, not an option.
std::vector<std::string> Words(int argc, char** argv) {
    std::vector<std::string> w(argv + 1, argv + argc);
    if (!w.empty() && w[0] == "help") {
        w.erase(w.begin());
        w.push_back("--help");
    }
    const bool text = w.size() == 2 && (w[0] == "str-to-real" || w[0] == "label");
    if (text && w[1].size() > 1 && w[1][0] == '-' && w[1] != "-h" && w[1] != "--help")
        w.insert(w.begin() + 1, "--");
    return w;
}

} // namespace

int CheckCommandLine(int argc, char** argv, const std::string& version) {
    CLI::App app("koltool: the core of KOLSHELL for batch use. Each command answers on stdout "
                 "(JSON where it has fields); problems go to stderr.",
                 "koltool");
    app.set_version_flag("--version", "koltool " + version);
    app.require_subcommand(1);
    // An option given twice: the last one counts, as it always did.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_formatter()->column_width(44); // an option and its help on one line
    Values v;
    bool known = false;
    const std::vector<std::string> words = Words(argc, argv);
    for (const Declaration& d : Declarations()) {
        d.Declare(*app.add_subcommand(d.Name, d.Help), v);
        known = known || words.empty() || words[0][0] == '-' || words[0] == d.Name;
    }
    if (!known) {
        std::fprintf(stderr, "koltool: unknown command %s\nkoltool: see koltool --help\n",
                     words[0].c_str());
        return 2;
    }
    std::vector<const char*> args{argv[0]};
    for (const std::string& w : words)
        args.push_back(w.c_str());
    try {
        app.parse(int(args.size()), args.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const CLI::App* at = &app;
        for (const CLI::App* sub : app.get_subcommands())
            at = sub;
        const std::string command = at == &app ? "" : at->get_name() + ": ";
        std::string why = e.what();
        if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
            why = "not understood:";
            for (const std::string& w : at->remaining())
                why += " " + w;
        }
        std::fprintf(stderr, "koltool: %s%s\nkoltool: see koltool %s--help\n", command.c_str(),
                     why.c_str(), at == &app ? "" : (at->get_name() + " ").c_str());
        return 2;
    }
    return -1;
}
