// Settings the defaults file has no room for, in the program's own settings file (INI, in the
// user's configuration folder): read at start, written by Setup's Store.
#pragma once

#include <QString>
#include <string>

namespace kolshell {

struct TRunSettings {
    int RunsAtOnce = 1; // table runs going on at the same time, 1 to the processor count
    // Where Run Table runs: this computer, or a Slurm cluster as one job array.
    bool OnSlurm = false;
    QString Partition;         // empty: the cluster's default
    int TimeMinutes = 0;       // per run; 0: the partition's limit
    int MaxAtOnce = 0;         // runs at once on the cluster; 0: no limit
    QString SbatchArgs;        // more sbatch options, one line
    bool KeepRunFiles = false; // the run decks, job script and logs stay, for debugging
};
// The longest time limit per run and the highest throttle the page offers.
constexpr int MaxSlurmMinutes = 525600, MaxSlurmAtOnce = 100000;

TRunSettings& RunSettings();
int MaxRunsAtOnce();
// The settings file: KOLSHELL/KOLSHELL.ini in the user's configuration folder, unless set
// otherwise (tests keep it in a folder of their own).
QString RunSettingsFile();
void SetRunSettingsFile(const QString& path);
// A missing file or a value out of range leaves the defaults.
void ReadRunSettings();
bool WriteRunSettings();
// The last job submitted for a table file (empty: none) and its number of runs (0: not
// known), kept in the settings file and not in the table's bytes; an empty job id forgets it.
QString FollowedJob(const QString& table);
int FollowedJobRuns(const QString& table);
void RememberJob(const QString& table, const QString& jobId, int runs = 0);

// Whether a form's BEFORE and AFTER commands may run on Calculate: asked once for the form's
// file with the commands shown, and a Yes kept in the settings file for that file and those
// commands (changed commands are asked about again). True when the form has none.
bool FormCommandsAllowed(const QString& form, const std::string& before, const std::string& after);

} // namespace kolshell
