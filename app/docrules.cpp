#include "app/docrules.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"

#include <fstream>

namespace kolshell {

const char* const OpenFilter =
    "KOLVAN files|*.DCK|KOLSED files|*.KSD|FLOWDRAW files|*.DEK|Index files|*.IDX|FORTRAN "
    "files|*.FOR|KOLSHELL Plot files|*.KSP|Diagram Bitmap files|*.BMP|Diagram Meta "
    "files|*.WMF|KOLSHELL table files|*.TBL|All files|*";
const char* const SaveFilter =
    "KOLVAN files|*.DCK|KOLSED files|*.KSD|FLOWDRAW files|*.DEK|FORTRAN files|*.FOR|KOLSHELL "
    "Plot files|*.KSP|Diagram Bitmap files.|*.BMP|Diagram Meta files|*.WMF|KOLSED table "
    "files|*.TBL|All files|*";
const char* const OpenKSDFilter = "KOLSED Files|*.KSD|All files|*";

namespace {
const SaveAsType SaveAsTypes[SaveAsTypeCount] = {
    {".DCK", TWindowKind::Deck}, {".KSD", TWindowKind::Form},  {".DEK", TWindowKind::Deck},
    {".FOR", TWindowKind::Text}, {".KSP", TWindowKind::Plot},  {".BMP", TWindowKind::None},
    {".WMF", TWindowKind::None}, {".TBL", TWindowKind::Table}, {"", TWindowKind::None},
    {".TXT", TWindowKind::Text},
};
} // namespace

bool IsKolsedMarker(const std::string& firstLine) {
    return UpStr(firstLine) == "*KOLSED";
}

std::string FirstLineOf(const std::string& fileName) {
    std::string line;
    if (!IsRegularFile(fileName)) return line; // a FIFO would never answer
    std::ifstream in(NativePath(fileName), std::ios::binary);
    if (!in) return line;
    char c;
    while (line.size() < 255 && in.get(c) && c != '\n')
        line.push_back(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3); // a UTF-8 byte-order mark
    return line;
}

std::string OpeningExt(const std::string& fileName) {
    return IsKolsedMarker(FirstLineOf(fileName)) ? ".KSD" : ExtOf(fileName);
}

bool HoldsInputDeck(TWindowKind kind, const std::string& fileName) {
    return IsDeckKind(kind) || (IsEditorKind(kind) && IsInputExt(ExtOf(fileName)));
}

bool IsInputExt(const std::string& ext) {
    return ext == ".DCK" || ext == ".DEK" || ext == ".KSD";
}

bool IsKolsedProgramName(const std::string& startedAs) {
    return UpStr(ExtractFileName(startedAs)).find("KOLSED") != std::string::npos;
}

std::string CompanionName(const std::string& name, const std::string& ext) {
    return FileNameHasDot(name) ? BaseName(name) + ext : name;
}

const SaveAsType& SaveAsTypeAt(int index) {
    return SaveAsTypes[index - 1];
}

int SaveAsTypeIndex(const std::string& ext) {
    for (int i = 1; i <= SaveAsTypeCount; ++i)
        if (ext == SaveAsTypeAt(i).Ext) return i;
    return 0;
}

std::string PlotSaveAsName(const std::string& plotFile, const std::string& deck) {
    if (!plotFile.empty()) return plotFile;
    return deck.empty() ? "*.KSP" : ReplaceFromFirstDot(deck, ".KSP");
}

int OpenFilterIndexFor(const std::string& ext) {
    const char* order[] = {".DCK", ".KSD", ".DEK", ".IDX", ".FOR", "", ".BMP", ".WMF", ".TBL"};
    for (int i = 0; i < 9; ++i)
        if (*order[i] && ext == order[i]) return i + 1;
    return 10;
}

std::vector<std::string> RecentEntryCaptions(const std::vector<std::string>& oldestFirst) {
    std::vector<std::string> captions;
    for (size_t i = 0; i < oldestFirst.size(); ++i)
        captions.push_back(std::to_string(i + 1) + ". " + oldestFirst[oldestFirst.size() - 1 - i]);
    return captions;
}

std::vector<TWindowKind> KindsClosedByOpening(const std::string& ext) {
    if (ext == ".KSD") return {TWindowKind::Form, TWindowKind::Table, TWindowKind::Plot};
    if (IsInputExt(ext)) return {TWindowKind::Deck, TWindowKind::Table, TWindowKind::Plot};
    if (ext == ".TBL") return {TWindowKind::Table};
    return {};
}

} // namespace kolshell
