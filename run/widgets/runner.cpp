#include "run/widgets/runner.h"

#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "run/cmdline.h"
#include "run/localbackend.h"
#include "run/widgets/runcontrol.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <cstring>

namespace kolshell {

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

namespace {

// The command as a message names it: the program and its arguments, blank-separated.
std::string Shown(const TCommandLine& c) {
    std::string line = c.Program;
    for (const std::string& a : c.Arguments)
        line += " " + a;
    return line;
}

bool RunCommand(const TCommandLine& c, const std::string& commandLine, TRunResult* result) {
    TRun run;
    run.Number = 1;
    run.Command = commandLine;
    run.Program = c.Program.empty() ? std::string() : NativePath(c.Program);
    run.Arguments = c.Arguments;
    if (!c.Arguments.empty()) run.Deck = c.Arguments.front();
    auto set =
        std::make_shared<TRunSet>(std::vector<TRun>{run}, std::make_unique<TLocalBackend>(1));
    TRunController controller(set, TRunController::Kind::Single);
    QEventLoop loop;
    QObject::connect(&controller, &TRunController::Ended, &loop, &QEventLoop::quit);
    controller.Start();
    // The interface keeps running while the program does: menus, repaints, timers.
    if (!controller.Finished()) loop.exec();
    const TRun& ended = set->Runs().front();
    if (ended.State == TRunState::NotRun) {
        // A program that is there but cannot be run is told apart from a missing one.
        const int err = StartError(c) == NotFound ? ENOENT : ended.StartError;
        ShowMsg(StartErrorText(commandLine, err), MsgKind::Error, true);
        return false;
    }
    if (result) {
        result->ExitStatus = ended.ExitStatus;
        result->Signal = ended.Signal;
        result->Stopped = ended.State == TRunState::Stopped;
    }
    return true;
}

} // namespace

bool RunProgramOK(const std::string& commandLine, TRunResult* result) {
    return RunCommand(Split(commandLine), commandLine, result);
}

bool RunProgramOK(const TCommandLine& command, TRunResult* result) {
    return RunCommand(command, Shown(command), result);
}

TCommandLine UserCommandWith(const std::string& commandLine, const std::string& argument) {
    TCommandLine c = Split(commandLine);
    c.Arguments.push_back(argument);
    return c;
}

std::string LaunchFailureText(const std::string& what, int result) {
    const char* why = result == NotFound       ? std::strerror(ENOENT)
                      : result == AccessDenied ? std::strerror(EACCES)
                                               : "the system refused to start it";
    return what + " could not be started: " + why + ".";
}

int LaunchProgram(const std::string& commandLine, const std::string& dir) {
    return LaunchProgram(Split(commandLine), dir);
}

int LaunchProgram(const TCommandLine& c, const std::string& dir) {
    if (c.Program.empty()) return NotFound;
    const bool ok = QProcess::startDetached(QString::fromStdString(NativePath(c.Program)), Args(c),
                                            QString::fromStdString(NativePath(dir)));
    return ok ? Started : StartError(c);
}

} // namespace kolshell
