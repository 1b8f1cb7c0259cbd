#include "shell/widgets/runsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

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
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/KOLSHELL/KOLSHELL.ini";
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
}

bool WriteRunSettings() {
    QDir().mkpath(QFileInfo(RunSettingsFile()).absolutePath());
    QSettings ini(RunSettingsFile(), QSettings::IniFormat);
    ini.setValue("Runs/RunsAtOnce", RunSettings().RunsAtOnce);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
