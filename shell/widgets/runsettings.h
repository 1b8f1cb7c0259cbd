// Settings the defaults file has no room for, in the program's own settings file (INI, in the
// user's configuration folder): read at start, written by Setup's Store.
#pragma once

#include <QString>

struct TRunSettings {
    int RunsAtOnce = 1; // table runs going on at the same time, 1 to the processor count
};

TRunSettings& RunSettings();
int MaxRunsAtOnce();
// The settings file: KOLSHELL/KOLSHELL.ini in the user's configuration folder, unless set
// otherwise (tests keep it in a folder of their own).
QString RunSettingsFile();
void SetRunSettingsFile(const QString& path);
// A missing file or a value out of range leaves the defaults.
void ReadRunSettings();
bool WriteRunSettings();
