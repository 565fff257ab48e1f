// POSIX: a document is opened by xdg-open, or by the program named, started in a
// session of its own with no terminal input or output, so that the browser it
// leads to belongs to the desktop rather than to the viewer's run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/program_lookup_posix.h"
#include "util/program_names.h"

extern char** environ;

namespace {

// xdg-open itself hands the document on and ends at once: waited for this long,
// its failure can still be told; a slower one is left to go on alone.
constexpr int kSettleMs = 1000;

pid_t start_detached(const std::string& program, const char* document) {
    const std::string arg0 = program.substr(program.rfind('/') + 1);
    char* argv[] = {const_cast<char*>(arg0.c_str()), const_cast<char*>(document), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc == 0) return pid;
    errno = rc;
    return -1;
}

}  // namespace

bool platform_open_document(const char* document, const char* program) {
    if (!document || !*document) {
        errno = ENOENT;
        return false;
    }
    std::string path = program ? program : "";
    if (path.empty() && !posix::resolve_program(kPosixOpener, path)) return false;
    const pid_t pid = start_detached(path, document);
    if (pid < 0) return false;
    for (int waited = 0; waited < kSettleMs; waited += 5) {
        int status = 0;
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got < 0) return true;  // not ours to wait for (SIGCHLD ignored): it started
        if (got == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
            errno = ECHILD;
            return false;
        }
        platform_sleep_ms(5);
    }
    return true;
}
