#include "run/widgets/runsettings.h"

#include "common/messages.h"

#include "common/paths.h"
#include "common/programfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

namespace kolshell {

namespace {
QString settingsFile;
} // namespace

TRunSettings& RunSettings() {
    static TRunSettings settings;
    return settings;
}

int MaxRunsAtOnce() {
    return qMax(1, QThread::idealThreadCount());
}

QString RunSettingsFile() {
    if (!settingsFile.isEmpty()) return settingsFile;
    return QString::fromStdString(JoinPath(UserConfigDir(), "RUNS.INI"));
}

void SetRunSettingsFile(const QString& path) {
    settingsFile = path;
}

void ReadRunSettings() {
    RunSettings() = TRunSettings();
    if (!QFileInfo::exists(RunSettingsFile())) return;
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    bool ok = false;
    const int n = ini.value("Runs/RunsAtOnce", 1).toInt(&ok);
    if (ok && n >= 1 && n <= MaxRunsAtOnce()) RunSettings().RunsAtOnce = n;
    TRunSettings& s = RunSettings();
    s.OnSlurm = ini.value("Runs/RunTablesOn").toString() == "slurm";
    s.Partition = ini.value("Slurm/Partition").toString().trimmed();
    const int minutes = ini.value("Slurm/TimeMinutes", 0).toInt(&ok);
    if (ok && minutes >= 0 && minutes <= MaxSlurmMinutes) s.TimeMinutes = minutes;
    const int most = ini.value("Slurm/MaxAtOnce", 0).toInt(&ok);
    if (ok && most >= 0 && most <= MaxSlurmAtOnce) s.MaxAtOnce = most;
    s.SbatchArgs = ini.value("Slurm/SbatchArgs").toString();
    s.KeepRunFiles = ini.value("Slurm/KeepRunFiles", false).toBool();
}

namespace {

QString JobKey(const char* group, const QString& table) {
    return QString(group) + "/" + QFileInfo(table).absoluteFilePath();
}

QVariant JobValue(const char* group, const QString& table) {
    if (!QFileInfo::exists(RunSettingsFile())) return {};
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    return ini.value(JobKey(group, table));
}

} // namespace

QString FollowedJob(const QString& table) {
    return JobValue("SlurmJobs", table).toString();
}

int FollowedJobRuns(const QString& table) {
    bool ok = false;
    const int runs = JobValue("SlurmJobRuns", table).toInt(&ok);
    return ok && runs > 0 && runs <= 9999 ? runs : 0; // a table has at most 9999 runs
}

void RememberJob(const QString& table, const QString& jobId, int runs) {
    QDir().mkpath(QFileInfo(RunSettingsFile()).absolutePath());
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    if (jobId.isEmpty()) {
        ini.remove(JobKey("SlurmJobs", table));
        ini.remove(JobKey("SlurmJobRuns", table));
        return;
    }
    ini.setValue(JobKey("SlurmJobs", table), jobId);
    if (runs > 0) ini.setValue(JobKey("SlurmJobRuns", table), runs);
}

bool WriteRunSettings() {
    QDir().mkpath(QFileInfo(RunSettingsFile()).absolutePath());
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    const TRunSettings& s = RunSettings();
    ini.setValue("Runs/RunsAtOnce", s.RunsAtOnce);
    ini.setValue("Runs/RunTablesOn", s.OnSlurm ? "slurm" : "local");
    ini.setValue("Slurm/Partition", s.Partition);
    ini.setValue("Slurm/TimeMinutes", s.TimeMinutes);
    ini.setValue("Slurm/MaxAtOnce", s.MaxAtOnce);
    ini.setValue("Slurm/SbatchArgs", s.SbatchArgs);
    ini.setValue("Slurm/KeepRunFiles", s.KeepRunFiles);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool FormCommandsAllowed(const QString& form, const std::string& before, const std::string& after) {
    // A command of four characters or fewer is none, as Calculate takes it.
    const std::string b = before.size() > 4 ? before : "", a = after.size() > 4 ? after : "";
    if (b.empty() && a.empty()) return true;
    const QString commands = QString::fromStdString(b + "\n" + a);
    if (JobValue("FormCommands", form).toString() == commands) return true;
    const std::string text =
        "The form " + form.toStdString() + " runs these commands when it is calculated:\n\n" +
        (b.empty() ? "" : "Before: " + b + "\n") + (a.empty() ? "" : "After: " + a + "\n") +
        "\nAllow them for this form? With No the engine runs without them.";
    if (ShowMsg(text, MsgKind::WarningYesNo, true) != MsgAnswer::Yes) return false;
    QDir().mkpath(QFileInfo(RunSettingsFile()).absolutePath());
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    ini.setValue(JobKey("FormCommands", form), commands);
    return true;
}

} // namespace kolshell
