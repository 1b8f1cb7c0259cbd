// Where the program's own files lie. The files in the program directory (beside the
// executable) are the defaults; each user's settings live in the configuration folder and the
// user's state (recent files, recovery files) in the state folder, by the XDG rules, whether
// the program is installed or runs from its build folder.
#pragma once

#include <string>

namespace kolshell {

// $XDG_CONFIG_HOME/kolshell, else ~/.config/kolshell: KOLSHELL.DFT, CNFGKV.KOL, KOLSHELL.INI,
// the run settings.
std::string UserConfigDir();
// $XDG_STATE_HOME/kolshell, else ~/.local/state/kolshell: the recent-file list.
std::string UserStateDir();

// The user's copy of a settings file when there is one, else the program directory's default.
std::string ProgramFileToRead(const std::string& name);
// The user's copy of a settings file, made from the program directory's the first time (its
// folder is created). Empty, with message saying what could not be written, when the folder
// cannot be made or the default cannot be copied.
std::string ProgramFileToWrite(const std::string& name, std::string* message = nullptr);
// A state file's name in the state folder; the folder is created. Empty, with message, when it
// cannot be.
std::string StateFileToWrite(const std::string& name, std::string* message = nullptr);
// The state file (in the configuration folder when an earlier version left it there and
// there is none in the state folder yet).
std::string StateFileToRead(const std::string& name);

} // namespace kolshell
