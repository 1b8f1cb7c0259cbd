// Process-wide state shared by the windows and the core.
#pragma once

#include "common/settings.h"
#include "common/windowkind.h"

#include <string>

namespace kolshell {

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

} // namespace kolshell
