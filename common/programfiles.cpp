#include "common/programfiles.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kolshell {

namespace {

// $variable/kolshell, else ~/fallback/kolshell. Without a home the folder is the current one's.
std::string XdgDir(const char* variable, const char* fallback) {
    const char* xdg = std::getenv(variable);
    if (xdg && *xdg && xdg[0] == '/') return JoinPath(xdg, "kolshell");
    const char* home = std::getenv("HOME");
    return JoinPath(JoinPath(home && *home ? home : ".", fallback), "kolshell");
}

// Creates dir (and its parents); false with message naming what could not be made.
bool MakeFolder(const std::string& dir, std::string* message) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(dir), ec);
    if (!ec && IsDirectory(dir)) return true;
    if (message)
        *message = "The folder " + dir + " could not be made (" +
                   (ec ? ec.message() : std::string("a file has its name")) +
                   "), so the settings and the recent-file list cannot be kept.";
    return false;
}

} // namespace

std::string UserConfigDir() {
    return XdgDir("XDG_CONFIG_HOME", ".config");
}

std::string UserStateDir() {
    return XdgDir("XDG_STATE_HOME", ".local/state");
}

std::string ProgramFileToRead(const std::string& name) {
    const std::string user = JoinPath(UserConfigDir(), name);
    if (FileExists(user)) return user;
    return JoinPath(Globals().KolshellDir, name);
}

std::string ProgramFileToWrite(const std::string& name, std::string* message) {
    if (!MakeFolder(UserConfigDir(), message)) return {};
    const std::string user = JoinPath(UserConfigDir(), name);
    const std::string installed = JoinPath(Globals().KolshellDir, name);
    if (FileExists(user) || !FileExists(installed)) return user;
    std::string bytes;
    if (ReadFileBytes(installed, bytes) && WriteFileAtomic(user, bytes)) return user;
    if (message)
        *message = "File " + user + " could not be written (" + std::strerror(errno) + ").";
    return {};
}

std::string StateFileToWrite(const std::string& name, std::string* message) {
    if (!MakeFolder(UserStateDir(), message)) return {};
    return JoinPath(UserStateDir(), name);
}

std::string StateFileToRead(const std::string& name) {
    const std::string state = JoinPath(UserStateDir(), name);
    // Earlier versions kept the state with the settings: read once from there.
    const std::string earlier = JoinPath(UserConfigDir(), name);
    return !FileExists(state) && FileExists(earlier) ? earlier : state;
}

} // namespace kolshell
