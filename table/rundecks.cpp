#include "table/rundecks.h"

#include "common/codecs.h"
#include "common/deckassign.h"
#include "common/paths.h"
#include "table/deckscan.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <unordered_set>

namespace kolshell {

namespace {

constexpr size_t ValueTextMax = 20, VariableNameMax = 20;

std::string Trim(std::string s) {
    TrimBlanks(s, ShortStringMax);
    return s;
}

// The stem without drive and directories.
std::string BaseOfStem(const std::string& stem) {
    std::string b = stem.size() >= 2 && stem[1] == ':' ? stem.substr(2) : stem;
    const size_t sep = b.find_last_of("\\/");
    return sep == std::string::npos ? b : b.substr(sep + 1);
}

std::string DeckBase(const std::string& deckName) {
    return BaseOfStem(UpStr(BaseName(ExtractFileName(deckName))));
}

bool LineValues(const TTable& t, int run, std::vector<std::string>& names,
                std::vector<std::string>& values, std::string& message) {
    names.clear();
    values.clear();
    for (size_t k = 0; k < t.Columns.size(); ++k) {
        const TableColumn& c = t.Columns[k];
        const Extended v = c.Values[size_t(run)];
        // Not a number and the infinities come only from a damaged file: undefined as well.
        if (!std::isfinite(v) || v > 1E20L) {
            message = "Parameter in the col #" + std::to_string(k + 1) + ", run #" +
                      std::to_string(run) + " isn't defined";
            return false;
        }
        names.push_back(Trim(c.Name.substr(0, VariableNameMax)));
        values.push_back(FormatReal(c.Format, v).substr(0, ValueTextMax));
    }
    return true;
}

// The run decks are the program's own temporary files, named as the disk spells their
// directory: written straight in one write, without looking each name up among thousands of
// others, and without the replace-by-rename that keeps the user's own files whole.
bool WriteRunDeck(const std::string& name, const std::string& text) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false; // nothing was made
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    if (::close(fd) == 0 && done == text.size()) return true;
    ::unlink(name.c_str()); // no half-written deck is left behind
    return false;
}

bool IsAssignLine(const std::string& upperLine) {
    return upperLine.compare(0, 3, "ASS") == 0;
}

std::string RunDeckName(const std::string& stem, int run) {
    return stem + RunSuffix(run) + ".TMP";
}

} // namespace

std::string RunSuffix(int run) {
    return run <= 1 ? std::string() : std::to_string(run - 1);
}

std::string RunDeckStem(const std::string& deckName) {
    const std::string stem = UpStr(BaseName(deckName));
    const size_t sep = stem.find_last_of("\\/");
    if (sep == std::string::npos) return stem;
    // The upper-cased directory is the deck's own, as the disk spells it.
    return NativePath(stem.substr(0, sep)) + "/" + stem.substr(sep + 1);
}

size_t AssignSuffixAt(const std::string& upperLine, const std::string& base) {
    const std::string key = base + ".";
    for (size_t at = upperLine.find(key, 4); at != std::string::npos;
         at = upperLine.find(key, at + 1)) {
        const char before = upperLine[at - 1];
        if (before == ' ' || before == '\t' || before == '\\' || before == '/')
            return at + base.size();
    }
    return std::string::npos;
}

namespace {

// A deck line as every run writes it, with the places where runs differ: the suffix after the
// deck's base name on an ASSIGN line, and the column whose value the line takes.
struct LineTemplate {
    std::string Text;
    size_t SuffixAt = std::string::npos;
    int Column = -1;
};

LineTemplate PrepareLine(const std::string& line, const std::string& base,
                         const std::vector<std::string>& names) {
    LineTemplate l;
    l.Text = UpStr(line);
    if (IsAssignLine(l.Text)) l.SuffixAt = AssignSuffixAt(l.Text, base);
    // A replaced line is NAME=value: later columns of the same name replace it again.
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string& current = l.Column >= 0 ? names[size_t(l.Column)] + "=" : l.Text;
        const size_t eq = current.find('=', 1);
        if (current.find(names[k]) == std::string::npos || eq == std::string::npos) continue;
        if (Trim(current.substr(0, current.find('='))) == names[k]) l.Column = int(k);
    }
    return l;
}

void RenderLine(const LineTemplate& l, const std::string& suffix,
                const std::vector<std::string>& names, const std::vector<std::string>& values,
                std::string& out) {
    if (l.Column >= 0) {
        out += names[size_t(l.Column)] + "=" + values[size_t(l.Column)];
    } else if (l.SuffixAt != std::string::npos) {
        out.append(l.Text, 0, l.SuffixAt);
        out += suffix;
        out.append(l.Text, l.SuffixAt, std::string::npos);
    } else {
        out += l.Text;
    }
}

} // namespace

std::string RunDeckLine(const std::string& line, const std::string& base, const std::string& suffix,
                        const std::vector<std::string>& names,
                        const std::vector<std::string>& values) {
    std::string out;
    RenderLine(PrepareLine(line, base, names), suffix, names, values, out);
    return out;
}

namespace {

// ASSIGN file unit: the file is the word after the statement's own; empty when there is none.
std::string AssignedFile(const std::string& line, const std::string& upper) {
    const size_t start = upper.find_first_not_of(" \t", upper.find_first_of(" \t"));
    if (start == std::string::npos) return {};
    return line.substr(start, upper.find_first_of(" \t", start) - start);
}

// The files of the deck's ASSIGN lines that are (or are not) named after its base name.
std::vector<std::string> AssignedFiles(const std::vector<std::string>& deckLines,
                                       const std::string& base, bool runOwn) {
    std::vector<std::string> files;
    for (const std::string& line : deckLines) {
        const std::string upper = UpStr(line);
        if (!IsAssignLine(upper) || (AssignSuffixAt(upper, base) != std::string::npos) != runOwn)
            continue;
        const std::string file = AssignedFile(line, upper);
        if (!file.empty()) files.push_back(file);
    }
    return files;
}

} // namespace

std::string SharedRunFile(const std::vector<std::string>& deckLines, const std::string& base) {
    const std::vector<std::string> files = AssignedFiles(deckLines, base, false);
    return files.empty() ? std::string() : files.front();
}

std::vector<std::string> RunOwnFiles(const std::string& deckName) {
    std::vector<std::string> lines;
    if (!ReadTextLines(deckName, lines, std::string::npos)) return {};
    return AssignedFiles(lines, DeckBase(deckName), true);
}

bool RunValueTexts(const TTable& t, int run, std::vector<std::string>& values) {
    std::vector<std::string> names;
    std::string message;
    return run >= 1 && run <= t.Runs() && LineValues(t, run, names, values, message);
}

namespace {
// A run of those asked for (sorted), or of all when none were named.
bool IsChosenRun(const std::vector<int>& only, int run) {
    return only.empty() || std::binary_search(only.begin(), only.end(), run);
}
} // namespace

bool IsRunOfTable(const TTable& t, const TRun& run) {
    return run.Number >= 1 && run.Deck == RunDeckName(RunDeckStem(t.DeckName), run.Number);
}

bool WriteTableDeck(TTable& t, std::string& message,
                    std::vector<std::vector<std::string>>* runValues,
                    const std::vector<int>& only) {
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string base = DeckBase(t.DeckName);
    t.RunDeckNames.resize(size_t(t.RowCount));
    if (runValues) runValues->clear();
    std::vector<LineTemplate> deck;
    bool read = false;
    std::string text;
    for (int r = 1; r <= t.Runs(); ++r) {
        if (!IsChosenRun(only, r)) {
            if (runValues) runValues->emplace_back();
            continue;
        }
        std::vector<std::string> names, values;
        if (!LineValues(t, r, names, values, message)) return false;
        const std::string name = RunDeckName(stem, r);
        if (name.size() > RunDeckNameMax) {
            message = "The run deck name " + name + " is longer than 96 characters.";
            return false;
        }
        t.RunDeckNames[size_t(r - 1)] = name;
        if (!read) {
            std::vector<std::string> lines;
            // Deck lines are copied whole, however long.
            if (!ReadTextLines(t.DeckName, lines, std::string::npos)) {
                message = "File " + t.DeckName + " which is used by this table was not found.";
                return false;
            }
            for (const std::string& l : lines)
                deck.push_back(PrepareLine(l, base, names));
            read = true;
        }
        text.clear(); // keeps its room: one allocation for every run deck
        for (const LineTemplate& l : deck) {
            RenderLine(l, RunSuffix(r), names, values, text);
            text += "\r\n";
        }
        if (!WriteRunDeck(name, text)) {
            message = "Error writing table file " + name;
            return false;
        }
        if (runValues) runValues->push_back(values);
    }
    return true;
}

namespace {

// The names of the files (not folders) in a folder, upper-cased: a name looked up among them
// is found whatever its case, as the disk is searched elsewhere.
std::unordered_set<std::string> UpperFileNames(const std::string& folder) {
    std::unordered_set<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!it->is_directory(ec2)) names.insert(UpStr(it->path().filename().string()));
    }
    return names;
}

} // namespace

bool CheckRunDeckNames(const TTable& t, std::string& message) {
    // Every run deck goes into the deck's folder: it is read once, not once per run.
    const std::string stem = RunDeckStem(t.DeckName);
    const size_t stemSep = stem.find_last_of('/');
    const std::string folder = stemSep == std::string::npos ? "." : stem.substr(0, stemSep + 1);
    const std::unordered_set<std::string> present = UpperFileNames(folder);
    const std::unordered_set<std::string> ours(t.RunDeckNames.begin(), t.RunDeckNames.end());
    for (int r = 1; r <= t.Runs(); ++r) {
        const std::string name = RunDeckName(stem, r);
        const std::string file = stemSep == std::string::npos ? name : name.substr(stemSep + 1);
        if (!ours.count(name) && present.count(UpStr(file))) {
            message = "File " + name +
                      " already exists and was not written by a run of this table. Move or "
                      "rename it before running the table.";
            return false;
        }
    }
    return true;
}

namespace {

// The file word of an ASSIGN line (its second word), or empty.
std::string AssignedFile(const std::string& line) {
    const size_t start = line.find_first_not_of(" \t", line.find_first_of(" \t"));
    if (start == std::string::npos) return {};
    return line.substr(start, line.find_first_of(" \t", start) - start);
}

// "A", "A and B", "A, B and C".
std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

std::vector<std::string> FileNamesOnly(const std::vector<std::string>& files) {
    std::vector<std::string> names;
    for (const std::string& f : files)
        names.push_back(ExtractFileName(f));
    return names;
}

std::vector<std::string> ExistingFiles(const std::vector<std::string>& files) {
    std::vector<std::string> there;
    for (const std::string& f : files)
        if (FileExists(f)) there.push_back(f);
    return there;
}

} // namespace

std::vector<std::string> RunFiles(const TTable& t, const std::vector<std::string>& deckLines,
                                  int run) {
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string base = DeckBase(t.DeckName);
    const std::string folder = ExtractFilePath(stem);
    std::vector<std::string> files = {RunDeckName(stem, run), stem + RunSuffix(run) + ".LST"};
    for (const std::string& line : deckLines) {
        const std::string upper = UpStr(line);
        if (!IsAssignLine(upper) || AssignSuffixAt(upper, base) == std::string::npos) continue;
        std::string rendered;
        RenderLine(PrepareLine(line, base, {}), RunSuffix(run), {}, {}, rendered);
        const std::string file = AssignedFile(rendered);
        if (file.empty()) continue;
        const bool absolute = IsSeparator(file[0]) || (file.size() > 1 && file[1] == ':');
        files.push_back(absolute ? NativePath(file) : folder + file);
    }
    return files;
}

bool CheckOtherDecksFiles(const TTable& t, const std::vector<std::string>& deckLines,
                          std::string& message) {
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string base = ExtractFileName(stem);
    // The folder is looked through once, however many runs there are.
    const std::unordered_set<std::string> present = UpperFileNames(ExtractFilePath(stem));
    for (int r = 2; r <= t.Runs(); ++r) {
        for (const char* ext : {".DCK", ".KSD"}) {
            const std::string other = stem + RunSuffix(r) + ext;
            if (!present.count(UpStr(base + RunSuffix(r) + ext)) || SameFile(other, t.DeckName))
                continue;
            std::vector<std::string> files = RunFiles(t, deckLines, r);
            files.erase(files.begin()); // the run deck is the table's own temporary file
            message = "Run " + std::to_string(r) + " of this table would write " +
                      NameList(FileNamesOnly(files)) + ", the files of deck " +
                      ExtractFileName(NativePath(other)) +
                      ". Rename one of the two decks before running the table.";
            return false;
        }
    }
    return true;
}

std::string LastResultsQuestion(const TTable& t, const std::vector<std::string>& deckLines) {
    std::vector<std::string> files = RunFiles(t, deckLines, 1);
    // A table that ran before made them itself: its record holds the first run's deck.
    if (!t.RunDeckNames.empty() && UpStr(t.RunDeckNames[0]) == UpStr(files[0])) return {};
    files.erase(files.begin());
    files = ExistingFiles(files);
    if (files.empty()) return {};
    return "The runs of this table replace " + NameList(FileNamesOnly(files)) +
           " of the last run of " + ExtractFileName(t.DeckName) + ". Go on?";
}

bool RecordRunDeckNames(const std::string& tableFile, const std::vector<std::string>& names) {
    std::string bytes, why;
    TTable onDisk;
    if (tableFile.empty() || !ReadFileBytes(tableFile, bytes) || !DecodeTable(bytes, onDisk, why) ||
        size_t(onDisk.RowCount) < names.size())
        return false;
    for (size_t k = 0; k < names.size(); ++k)
        PutString(reinterpret_cast<uint8_t*>(&bytes[TableHeaderSize + k * TableRunSlotSize]),
                  names[k], RunDeckNameMax);
    return WriteFileAtomic(tableFile, bytes);
}

std::string EngineProgram(const std::string& dir) {
    return NativePath(JoinPath(dir, std::string("KOLVAN") + "32" + ".exe"));
}

namespace {

// Parallel runs that would all write one file: asked once, before any deck is written.
bool AskAboutSharedFile(const TTable& t, TTableRunHost& host, TTableRunOptions& o) {
    if (o.Parallel <= 1) return true;
    std::vector<std::string> lines;
    if (!ReadTextLines(t.DeckName, lines, std::string::npos)) return true; // WriteTableDeck says so
    const std::string shared = SharedRunFile(lines, DeckBase(t.DeckName));
    if (shared.empty()) return true;
    switch (host.SharedFile(shared)) {
    case TTableRunHost::SharedAnswer::OneAtATime:
        o.Parallel = 1;
        return true;
    case TTableRunHost::SharedAnswer::Parallel:
        return true;
    case TTableRunHost::SharedAnswer::Cancel:
        return false;
    }
    return false;
}

// Every variable of the table is still a constant of its deck: else every run would be the
// same run.
bool CheckVariables(const TTable& t, std::string& message) {
    std::vector<std::string> names;
    for (const TableColumn& c : t.Columns)
        names.push_back(c.Name.substr(0, VariableNameMax));
    message = UnknownVariableText(names, t.DeckName);
    return message.empty();
}

// The runs of the run decks WriteTableDeck writes, one per entry of values.
// The deck's ASSIGN lines: all that tells a run's output files.
std::vector<std::string> AssignLines(const std::string& deckName) {
    std::vector<std::string> lines;
    ReadTextLines(deckName, lines, std::string::npos);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return !IsAssignLine(UpStr(l)); }),
                lines.end());
    return lines;
}

std::vector<TRun> MakeRuns(const TTable& t, const std::string& engineDir,
                           const std::vector<std::vector<std::string>>& values) {
    const std::vector<std::string> assigns = AssignLines(t.DeckName);
    const std::string stem = RunDeckStem(t.DeckName);
    const std::string folder = NativePath(ExtractFileDir(t.DeckName));
    const std::string engine = EngineProgram(engineDir), program = NativePath(engine);
    std::vector<TRun> runs;
    runs.reserve(values.size());
    for (int r = 1; r <= int(values.size()); ++r) {
        TRun run;
        run.Number = r;
        run.Deck = RunDeckName(stem, r);
        run.Values = values[size_t(r - 1)];
        run.Listing = stem + RunSuffix(r) + ".LST";
        const std::vector<std::string> files = RunFiles(t, assigns, r); // deck, listing, outputs
        run.Outputs.assign(files.begin() + 2, files.end());
        run.Command = engine + " " + run.Deck + " /N";
        run.Program = program;
        run.Arguments = {run.Deck, "/N"};
        run.Dir = folder;
        runs.push_back(std::move(run));
    }
    return runs;
}

// Every run to be written has all its values: said before any question about the run.
bool CheckDefinedValues(const TTable& t, const std::vector<int>& only, std::string& message) {
    std::vector<std::string> names, values;
    for (int r = 1; r <= t.Runs(); ++r) {
        if (!IsChosenRun(only, r)) continue;
        if (!LineValues(t, r, names, values, message)) return false;
    }
    return true;
}

} // namespace

bool PrepareTableRun(TTable& t, TTableRunHost& host, TTableRunOptions& o, std::vector<TRun>& runs,
                     std::string& message) {
    message.clear();
    runs.clear();
    if (!CheckRunDeckNames(t, message) || !CheckVariables(t, message)) return false;
    if (!CheckDeckAssignments(t.DeckName, message)) return false;
    if (!CheckDefinedValues(t, o.Only, message)) return false;
    std::vector<std::string> deckLines;
    if (ReadTextLines(t.DeckName, deckLines, std::string::npos)) {
        if (!CheckOtherDecksFiles(t, deckLines, message)) return false;
        const std::string question = LastResultsQuestion(t, deckLines);
        if (!question.empty() && !host.ReplaceLastResults(question)) return false;
    }
    if (!AskAboutSharedFile(t, host, o)) return false;
    std::vector<std::vector<std::string>> values;
    if (!WriteTableDeck(t, message, &values, o.Only)) return false;
    if (!IsDirectory(o.EngineDir)) o.EngineDir = o.DefaultEngineDir;
    if (!FileExists(EngineProgram(o.EngineDir))) {
        const std::string chosen = host.ChooseEngineDir();
        if (chosen.empty()) return false; // the temporary decks stay
        o.EngineDir = chosen;
    }
    runs = MakeRuns(t, o.EngineDir, values);
    runs.erase(std::remove_if(runs.begin(), runs.end(),
                              [&](const TRun& r) { return !IsChosenRun(o.Only, r.Number); }),
               runs.end());
    return true;
}

std::vector<TRun> SubmittedRuns(const TTable& t, int count, const std::string& engineDir) {
    std::vector<std::vector<std::string>> values(size_t(std::max(count, 0)));
    for (int r = 1; r <= count && r <= t.Runs(); ++r) {
        std::vector<std::string> names;
        std::string message;
        if (!LineValues(t, r, names, values[size_t(r - 1)], message)) values[size_t(r - 1)].clear();
    }
    return MakeRuns(t, engineDir, values);
}

void DeleteRunDecks(const std::vector<TRun>& runs) {
    // Named as the disk spells them (RunDeckStem); a folder of that name stays.
    for (const TRun& r : runs)
        ::unlink(r.Deck.c_str());
}

std::string TableRunReport(const TRunSet& set) {
    const std::vector<TRun>& runs = set.Runs();
    if (set.StopRequested()) {
        std::vector<int> finished;
        for (const TRun& r : runs)
            if (r.State == TRunState::Done || r.State == TRunState::Failed)
                finished.push_back(r.Number);
        if (finished.empty()) return "The table run was stopped before any run had finished.";
        return "The table run was stopped. Runs " + RunNumberList(finished) + " had finished.";
    }
    if (const TRun* failure = set.StartFailure())
        return StartErrorText(failure->Command, failure->StartError);
    const int failed = set.Count(TRunState::Failed);
    if (!failed) return {};
    for (const TRun& r : runs)
        if (r.State == TRunState::Failed)
            return std::to_string(failed) + " of " + std::to_string(runs.size()) +
                   " runs failed. The first, run " + std::to_string(r.Number) + " on " + r.Deck +
                   ", " + StateText(r) + ".";
    return {};
}

} // namespace kolshell
