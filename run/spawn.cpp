#include "run/spawn.h"

#include "run/cmdline.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace kolshell {

namespace {

void SetFiles(posix_spawn_file_actions_t& files, const TSpawnOptions& options) {
    if (!options.Dir.empty()) posix_spawn_file_actions_addchdir_np(&files, options.Dir.c_str());
    if (options.NullStdin)
        posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const auto& [from, to] : options.Dup)
        posix_spawn_file_actions_adddup2(&files, from, to);
}

void SetSignals(posix_spawnattr_t& attr, bool ownGroup) {
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGCHLD, SIGHUP})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownGroup) {
        posix_spawnattr_setpgroup(&attr, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attr, flags);
}

} // namespace

int SpawnProcess(const std::string& program, const std::vector<std::string>& args,
                 const TSpawnOptions& options, pid_t& pid) {
    const TArgv argv(program, args);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    SetFiles(files, options);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    SetSignals(attr, options.OwnGroup);
    const int err = posix_spawnp(&pid, argv.Program(), &files, &attr, argv.Data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return err;
}

} // namespace kolshell
