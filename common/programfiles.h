// The files the program writes beside itself (defaults, switch file, recent files, settings).
// An installed program directory is not writable by its user: the files written then go to
// the user's configuration folder, and the installed ones are read as the defaults.
#pragma once

#include <string>

// $XDG_CONFIG_HOME/kolshell, else ~/.config/kolshell.
std::string UserConfigDir();
// $XDG_STATE_HOME/kolshell, else ~/.local/state/kolshell.
std::string UserStateDir();
bool ProgramDirWritable();
// The user's copy when there is one and the program directory is not writable, else the
// program directory's file.
std::string ProgramFileToRead(const std::string& name);
// The program directory's file when it is writable; else the user's copy, made from the
// installed file the first time (its folder is created).
std::string ProgramFileToWrite(const std::string& name);
// Tests decide whether the program directory counts as writable (root may write anywhere).
void SetProgramDirWritableCheck(bool (*check)(const std::string& dir));
