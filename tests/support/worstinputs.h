// The worst inputs of each reader, as the scaling tests and the reader benchmark use them:
// a prefix, a unit repeated up to the size wanted, and a suffix, fed to the reader through
// the call its fuzz target makes.
#pragma once

#include <string>
#include <vector>

struct TWorstInput {
    const char* Name;
    const char* Reader; // the fuzz target
    const char *Prefix, *Unit, *Suffix;
};

inline const std::vector<TWorstInput>& WorstInputs() {
    static const std::vector<TWorstInput> inputs = {
        {"output: rows of one value", "output", "", "1\n", ""},
        {"output: one row of values", "output", "", "1 ", "\n"},
        {"output: named columns", "output", "T A B\n S M M\n", "1 2 3\n", ""},
        {"output: blank lines", "output", "T\n S\n1\n", "\n", ""},
        {"output in two parts", "output_split", "", "1 2\n", ""},
        {"form: annotated constants", "kolsed", "*KOLSED\n",
         "CONSTANTS 1\nC@=1\n*|Value @|m|m|0|1|0|10|\n", "END\n"},
        {"form: headings", "kolsed", "*KOLSED\n", "*|*Heading @|x|4\n", "END\n"},
        {"deck scan", "deckscan", "", "CONSTANTS 1\nC@=1\n", ""},
        {"deck scan: one statement", "deckscan", "CONSTANTS 99999999\n", "C@=1\n", ""},
        {"generator: units", "generator", "", "UNIT @ TYPE 7 U\nPARAMETERS 1\n1\n",
         "END\n----\nTYPE 7\n\nP\nfirst\nm m 0 1 0 10\n"},
        {"generator: same names", "generator", "", "CONSTANTS 1\nC=1\n", "END\n"},
        {"generator: mode units", "generator", "CONSTANTS 1\nM=1\n",
         "CONSTANTS 1\nK@=1\nUNIT @ TYPE 7 U\nPARAMETERS 1\nM\n",
         "END\n----\nTYPE 7\nPARMOD 1\nMODE 1-1\n\nP\nfirst\nm m 0 1 0 10\n"},
        {"help file", "help", "", ".TOPIC=@\nsome words of help\n", ""},
        {"index file", "index", "KOLSHELL\nintro\n", "Project @\nP@.DCK P@.BMP P@.TXT\n", ""},
        {"engine: equation chain", "engine_deck", "", "EQUATIONS 1\nE@=E^+1\n",
         "SIMULATION 0 1 1\nEND\n"},
        {"engine: constants", "engine_deck", "", "CONSTANTS 1\nC@=@\n", "SIMULATION 0 1 1\nEND\n"},
        {"engine: expression", "engine_expr", "", "1+", "1"},
        {"slurm: squeue lines", "slurm", "7\n----\n", "7_@|RUNNING|n1\n", ""},
        {"slurm: sacct lines", "slurm", "7\n----\n", "7_@|COMPLETED|0:0|n1\n", ""},
        {"command line: program words", "cmdline", "", "exe ", ""},
        {"command line: arguments", "cmdline", "exe ", "a ", ""},
        {"command line: no program named", "cmdline", "", "a ", ""},
        {"table paste", "tablepaste", "\x05\x27\x01\x01\x01\x01", "1\t2\t3\n", ""},
        {"editor load: empty lines", "editload", "", "\n", ""},
        {"editor load: lone CRs", "editload", "", "x\r", ""},
        {"output: wide rows", "output", "", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n",
         ""},
        {"form: tabs and fonts", "kolsed", "*KOLSED\n", "*|<TAB1>2.5 CM\n*|<FONT1> ARIAL 12\n",
         "END\n"},
        {"form: check blocks", "kolsed", "*KOLSED\n", "*|{CHECKS|Options\n*|Heat @|H@\n*|}\n",
         "END\n"},
        {"generator: one long unit", "generator", "UNIT 1 TYPE 7 U\nPARAMETERS 99999999\n",
         "1 2 3 4\n", "END\n----\nTYPE 7\n\nREP\nP\nfirst\nm m 0 1 0 10\n"},
        {"engine: printers", "engine_deck", "ASSIGN F.OUT 7\n",
         "UNIT @ TYPE 25 P\nPARAMETERS 2\n1 7\nINPUTS 1\nTIME\nT\n", "SIMULATION 0 1 1\nEND\n"},
        {"engine: integrators", "engine_deck", "",
         "UNIT @ TYPE 2 I\nPARAMETERS 2\n1 0\nINPUTS 1\n^,1\n0\n", "SIMULATION 0 1 1\nEND\n"},
        {"slurm: pending ranges", "slurm", "7\n----\n", "7_[@-^]|PENDING|\n", ""},
        {"help file: one topic", "help", "", ".TOPIC=1\n", ""},
        {"editor load: one line", "editload", "", "x", ""},
        {"form: groups switched off", "kolsed", "*KOLSED\n",
         "*|#*|[G@|Group @\nCONSTANTS 1\nC@=1\n*|Value|m|m|0|1|0|10|\n*|]\n", "END\n"},
        {"list file", "kolsedlist", "999999\n", "a@,b,c\n", ""},
    };
    return inputs;
}

// prefix, then unit over and over up to about `bytes` in all, then suffix; in each unit "@"
// stands for its number and "^" for the next.
inline std::string Repeated(const std::string& prefix, const std::string& unit,
                            const std::string& suffix, size_t bytes) {
    std::string out = prefix;
    for (size_t k = 1; out.size() < bytes; ++k) {
        for (char c : unit)
            out += c == '@'   ? std::to_string(k)
                   : c == '^' ? std::to_string(k + 1)
                              : std::string(1, c);
    }
    return out + suffix;
}
