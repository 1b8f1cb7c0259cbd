#include "common/programfiles.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

bool AccessWritable(const std::string& dir) {
    return access(NativePath(dir).c_str(), W_OK) == 0;
}

bool (*writableCheck)(const std::string&) = AccessWritable;

} // namespace

void SetProgramDirWritableCheck(bool (*check)(const std::string& dir)) {
    writableCheck = check ? check : AccessWritable;
}

std::string UserConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return JoinPath(xdg, "kolshell");
    const char* home = std::getenv("HOME");
    return JoinPath(JoinPath(home && *home ? home : "/tmp", ".config"), "kolshell");
}

std::string UserStateDir() {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && *xdg) return JoinPath(xdg, "kolshell");
    const char* home = std::getenv("HOME");
    return JoinPath(JoinPath(JoinPath(home && *home ? home : "/tmp", ".local"), "state"),
                    "kolshell");
}

bool ProgramDirWritable() {
    return writableCheck(Globals().KolshellDir);
}

std::string ProgramFileToRead(const std::string& name) {
    const std::string user = JoinPath(UserConfigDir(), name);
    if (!ProgramDirWritable() && FileExists(user)) return user;
    return JoinPath(Globals().KolshellDir, name);
}

std::string ProgramFileToWrite(const std::string& name) {
    const std::string installed = JoinPath(Globals().KolshellDir, name);
    if (ProgramDirWritable()) return installed;
    const std::string user = JoinPath(UserConfigDir(), name);
    std::error_code ec;
    std::filesystem::create_directories(NativePath(UserConfigDir()), ec);
    if (!FileExists(user) && FileExists(installed)) {
        std::string bytes;
        if (ReadFileBytes(installed, bytes)) WriteFileAtomic(user, bytes);
    }
    return user;
}
