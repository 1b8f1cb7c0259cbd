// Which window a file opens in, the names of a deck's companions, and the file-type tables of
// the Open and Save dialogs.
#pragma once

#include "common/windowkind.h"

#include <string>
#include <vector>

namespace kolshell {

// The line that marks an annotated deck whatever its name says, compared upper-cased.
bool IsKolsedMarker(const std::string& firstLine);
// The first line of a file (up to 255 characters); empty when it cannot be read.
std::string FirstLineOf(const std::string& fileName);
// The extension a file opens by: ".KSD" for a marked annotated deck, else its own.
std::string OpeningExt(const std::string& fileName);

// The extensions of an input deck: ".DCK", FLOWDRAW's ".DEK", and the annotated ".KSD".
bool IsInputExt(const std::string& ext);
// A window of the kind on the file holds an input deck: a deck window, or the text editor on a
// file with a deck's extension (FLOWDRAW's ".DEK").
bool HoldsInputDeck(TWindowKind kind, const std::string& fileName);

// The window kinds that opening a file of the extension closes: a deck's or form's window with
// the table and plots that belong to it; a table the table window.
std::vector<TWindowKind> KindsClosedByOpening(const std::string& ext);

// name cut before the first "." of its file name (the folder kept), with ext appended; a file
// name without a "." stays as it is.
std::string CompanionName(const std::string& name, const std::string& ext);

// The Save dialog's file types, 1-based as its filter entries: extension and window kind.
struct SaveAsType {
    const char* Ext;
    TWindowKind Kind;
};
constexpr int SaveAsTypeCount = 10;
const SaveAsType& SaveAsTypeAt(int index);
// The first row whose extension is ext; 0 when none.
int SaveAsTypeIndex(const std::string& ext);
// The name Save as proposes for a plot: its own plot file, else a ".KSP" named after the
// deck beside it, else "*.KSP"; never the deck or the engine's plotter file themselves.
std::string PlotSaveAsName(const std::string& plotFile, const std::string& deck);
// The Open dialog's filter entry for a name left from an earlier use.
int OpenFilterIndexFor(const std::string& ext);

extern const char* const OpenFilter;
extern const char* const SaveFilter;
extern const char* const OpenKSDFilter;

// Whether the program started under this name is the reduced form editor: its own file name
// (not the folders above it) holds "KOLSED", in any case.
bool IsKolsedProgramName(const std::string& startedAs);

// The recent-file menu entries, newest first: "1. name", "2. name", ...
std::vector<std::string> RecentEntryCaptions(const std::vector<std::string>& oldestFirst);

} // namespace kolshell
