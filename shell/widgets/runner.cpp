#include "shell/widgets/runner.h"

#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "shell/cmdline.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

namespace {

constexpr int NotFound = 2, AccessDenied = 5, OtherFailure = 31, Started = 33;

TCommandLine Split(const std::string& line) {
    return SplitCommandLine(
        line, [](const std::string& p) { return !p.empty() && FileExists(p) && !IsDirectory(p); });
}

QStringList Args(const TCommandLine& c) {
    QStringList args;
    for (const std::string& a : c.Arguments)
        args << QString::fromStdString(a);
    return args;
}

// The error number a failed start stands for, as the platform would report it.
int StartError(const TCommandLine& c) {
    const std::string program = NativePath(c.Program);
    if (c.Program.empty() || !FileExists(c.Program) || IsDirectory(c.Program)) {
        // A bare name may still be found on the search path.
        return QFileInfo(QString::fromStdString(program)).isExecutable() ? OtherFailure : NotFound;
    }
    return QFileInfo(QString::fromStdString(program)).isExecutable() ? OtherFailure : AccessDenied;
}

} // namespace

bool RunProgramOK(const std::string& commandLine) {
    const TCommandLine c = Split(commandLine);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setProgram(QString::fromStdString(NativePath(c.Program)));
    process.setArguments(Args(c));
    QEventLoop loop;
    bool failed = false;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) failed = true;
        loop.quit();
    });
    process.start();
    // The interface keeps running while the program does: menus, repaints, timers.
    if (process.state() != QProcess::NotRunning || !failed) loop.exec();
    if (!failed) {
        if (process.state() != QProcess::NotRunning) process.waitForFinished(-1);
        return true;
    }
    const std::string program = ProgramOfCommand(commandLine);
    const int code = StartError(c);
    if (code == NotFound)
        ShowMsg("File " + program + " was not found.", mkError, true);
    else
        ShowMsg("Error " + std::to_string(code) + " encountered while trying to call " + program,
                mkError, true);
    return false;
}

int LaunchProgram(const std::string& commandLine, const std::string& dir) {
    const TCommandLine c = Split(commandLine);
    if (c.Program.empty()) return NotFound;
    const bool ok = QProcess::startDetached(QString::fromStdString(NativePath(c.Program)), Args(c),
                                            QString::fromStdString(NativePath(dir)));
    return ok ? Started : StartError(c);
}
