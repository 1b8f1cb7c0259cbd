// Process-wide state shared by the windows and the core.
#pragma once

#include "common/settings.h"

#include <string>

// Window kind codes carried by every MDI child.
constexpr int wkNone = 0;
constexpr int wkDeck = 1000;          // editor on a ".DCK" deck
constexpr int wkForm = 2000;          // KOLSED form
constexpr int wkAnnotatedText = 2100; // editor on an annotated deck as text
constexpr int wkListing = 3000;       // viewer of a listing or plotter file
constexpr int wkPlot = 4000;
constexpr int wkTable = 5000;
constexpr int wkOutput = 6000; // viewer of an output file
constexpr int wkText = 7000;   // editor on any other text
constexpr int wkDiagram = 8000;

// The kinds of the text editor: a deck, an annotated deck as text, any other text.
constexpr bool IsEditorKind(int kind) {
    return kind == wkDeck || kind == wkAnnotatedText || kind == wkText;
}
// The kinds of window that hold an input deck: a deck or annotated deck in the editor, or a
// form.
constexpr bool IsDeckKind(int kind) {
    return kind == wkDeck || kind == wkAnnotatedText || kind == wkForm;
}

// ErrorLevel: 0 no error; 100 an error was reported and the current operation stops.
constexpr int ErrorStop = 100;

struct TGlobals {
    std::string KolshellDir;     // program directory, no trailing separator
    std::string StartDir;        // the directory the program was started from
    std::string CurrentDeckName; // deck last opened as input
    std::string InputFileName;   // deck whose companions the Windows menu shows
    std::string PlotDefName;     // its ".PLT" file, empty if none
    bool KolsedOnlyMode = false;
    bool UseNodeStudio = false;
    int ErrorLevel = 0;
    TSettings Settings = DefaultSettings();
};

TGlobals& Globals();

// Short names for the settings records.
inline TOptions& Options() {
    return Globals().Settings.Options;
}
inline TUserCommands& UserCommands() {
    return Globals().Settings.UserCommands;
}
inline TProgramDirs& ProgramDirs() {
    return Globals().Settings.ProgramDirs;
}
