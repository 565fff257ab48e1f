// POSIX backend: message boxes go to standard error, children are started with
// posix_spawn in a process group of their own and waited for through a pidfd.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/prctl.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/message_line.h"
#include "platform/platform.h"
#include "platform/program_lookup_posix.h"
#include "util/program_names.h"
#include "platform/stop_cleanup_posix.h"

extern char** environ;

using posix::is_executable_file;
using posix::is_regular_file;
using posix::resolve_program;

namespace {

// The child's status once it has ended; -1 when it cannot be waited for.
int wait_for(pid_t pid) {
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    return waited < 0 ? -1 : status;
}

// The fields of /proc/PID/stat after the command name, which may hold anything.
std::vector<std::string> stat_fields(const std::string& pid) {
    std::string stat;
    std::getline(std::ifstream("/proc/" + pid + "/stat"), stat);
    const size_t close = stat.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos) return fields;
    std::istringstream split(stat.substr(close + 1));
    for (std::string field; split >> field;) fields.push_back(field);
    return fields;
}

constexpr size_t kParentField = 1;  // after the command name: state, parent, ...
constexpr size_t kStartField = 19;  // ... start time in clock ticks since boot

unsigned long long start_ticks(pid_t pid) {
    const std::vector<std::string> fields = stat_fields(std::to_string(pid));
    return fields.size() > kStartField ? std::stoull(fields[kStartField]) : 0;
}

// Descendants that left the child's process group (a session of their own) come
// back to this process when orphaned, since it is their subreaper: they belong
// to the stopped tree when they were started after its root, and are stopped
// with their own groups. Orphans of earlier siblings are left alone.
void stop_adopted_orphans(unsigned long long tree_started) {
    const std::string own = std::to_string(getpid());
    for (int round = 0; round < 16; ++round) {
        std::vector<pid_t> adopted;
        std::error_code error;
        for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::vector<std::string> fields = stat_fields(name);
            if (fields.size() > kStartField && fields[kParentField] == own &&
                std::stoull(fields[kStartField]) >= tree_started) {
                adopted.push_back(static_cast<pid_t>(std::stol(name)));
            }
        }
        if (adopted.empty()) return;
        for (const pid_t pid : adopted) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            wait_for(pid);
        }
    }
}

// Orphaned descendants are handed to this process rather than to init, so that
// a stop can find them (Linux).
void become_subreaper() {
    static const bool done = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
    (void)done;
}

int decode_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

// Starts `args` with the given program in a process group of its own, so that a
// stop of the viewer ends it too; its id, or -1 with errno set.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, const char* working_dir) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (working_dir && *working_dir) posix_spawn_file_actions_addchdir_np(&actions, working_dir);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc == 0) return pid;
    errno = rc;
    return -1;
}

}  // namespace

void platform_message_box(const char* caption, const char* text, MessageIcon) {
    const std::string line = message_box_line(caption, text);
    // One write per box, so that boxes never interleave.
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            break;
        }
        done += static_cast<size_t>(n);
    }
}

std::string platform_module_path() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(n));
}

bool platform_get_current_dir(std::string& out) {
    std::vector<char> buffer(PATH_MAX + 1);
    if (!getcwd(buffer.data(), buffer.size())) return false;
    out = buffer.data();
    return true;
}

bool platform_set_current_dir(const char* dir) { return dir && chdir(dir) == 0; }

char platform_dir_separator() { return '/'; }

bool platform_path_is_absolute(const char* path) { return path && path[0] == '/'; }


bool platform_file_readable(const char* path) {
    if (!path || !*path) {
        errno = ENOENT;
        return false;
    }
    // Non-blocking, so that a FIFO cannot hold the program at its first step.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) errno = EISDIR;
    return regular;
}

bool platform_remove_file(const char* path) { return path && unlink(path) == 0; }

bool platform_remove_if_present(const char* path) { return path && (unlink(path) == 0 || errno == ENOENT); }

bool platform_replace_file(const char* from, const char* to) { return rename(from, to) == 0; }

unsigned long platform_last_error() { return static_cast<unsigned long>(errno); }

void platform_set_last_error(unsigned long code) { errno = static_cast<int>(code); }

std::string platform_error_text(unsigned long code) {
    if (code == 0) return std::string();
    const char* text = strerror(static_cast<int>(code));
    return text ? std::string(text) : std::string();
}

struct PlatformProcess {
    pid_t pid;
    int pidfd;
    bool reaped;
};

PlatformProcess* platform_process_start(const char* command_line, const char* application, const char* working_dir,
                                        int /*show_console: no console windows here*/) {
    const std::vector<std::string> args = msvcrt_split_command_line(command_line);
    std::string program;
    if (application && *application) {
        program = application;
    } else if (args.empty()) {
        errno = ENOENT;
        return nullptr;
    } else if (!resolve_program(args[0], program)) {
        return nullptr;
    }
    if (args.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    become_subreaper();
    const pid_t pid = spawn(program, args, working_dir);
    if (pid < 0) return nullptr;
    stop_cleanup_watch_child(pid);
    auto* process = new PlatformProcess{pid, -1, false};
#ifdef SYS_pidfd_open
    process->pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#endif
    return process;
}

ProcessWait platform_process_wait(PlatformProcess* process, int timeout_ms, unsigned long* exit_code) {
    if (!process || process->reaped) return PROCESS_WAIT_FAILED;
    auto try_reap = [&]() -> int {
        int status = 0;
        const pid_t got = waitpid(process->pid, &status, WNOHANG);
        if (got == process->pid) {
            process->reaped = true;
            stop_cleanup_forget_child(process->pid);
            if (exit_code) *exit_code = static_cast<unsigned long>(decode_status(status));
            return 1;
        }
        return got == 0 ? 0 : -1;
    };
    if (process->pidfd >= 0) {
        pollfd event{process->pidfd, POLLIN, 0};
        int ready;
        do {
            ready = poll(&event, 1, timeout_ms);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) return PROCESS_WAIT_FAILED;
        const int reaped = try_reap();
        return reaped > 0 ? PROCESS_EXITED : reaped == 0 ? PROCESS_RUNNING : PROCESS_WAIT_FAILED;
    }
    // Without pidfds, look often enough that an end is noticed within a millisecond.
    for (int waited = 0;; ++waited) {
        const int reaped = try_reap();
        if (reaped != 0) return reaped > 0 ? PROCESS_EXITED : PROCESS_WAIT_FAILED;
        if (waited >= timeout_ms) return PROCESS_RUNNING;
        platform_sleep_ms(1);
    }
}

bool platform_process_stop_tree(PlatformProcess* process, unsigned /*exit_code: signals carry none*/) {
    if (!process || process->reaped) return false;
    const unsigned long long started = start_ticks(process->pid);
    if (kill(-process->pid, SIGKILL) != 0 && kill(process->pid, SIGKILL) != 0) return false;
    wait_for(process->pid);
    process->reaped = true;
    stop_cleanup_forget_child(process->pid);
    if (started > 0) stop_adopted_orphans(started);
    return true;
}

void platform_process_free(PlatformProcess* process) {
    if (!process) return;
    if (process->pidfd >= 0) close(process->pidfd);
    delete process;
}

bool platform_spawn_wait(const char* program, const char* arg0, const char* arg1) {
    if (!program || !*program) {
        errno = ENOENT;
        return false;
    }
    std::string command_line = arg0 ? arg0 : "";
    if (arg1) command_line += std::string(" ") + arg1;
    const std::vector<std::string> args = msvcrt_split_command_line(command_line.c_str());
    std::string path = program;
    if (path.find('/') == std::string::npos) path = "./" + path;
    if (args.empty() || !is_executable_file(path)) {
        errno = is_regular_file(path) ? EACCES : ENOENT;
        return false;
    }
    const pid_t pid = spawn(path, args, nullptr);
    if (pid < 0) return false;
    stop_cleanup_watch_child(pid);
    const int status = wait_for(pid);
    stop_cleanup_forget_child(pid);
    return status >= 0;
}

bool platform_shell_open(const char*, const char* parameters, intptr_t& failure) {
    // The desktop's own opener stands in for the browser; it is not waited for.
    std::string target = parameters ? parameters : "";
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"') target = target.substr(1, target.size() - 2);
    // What ShellExecute answers for a file that is not found.
    constexpr intptr_t kNotFound = 2;
    std::string opener;
    const bool found = resolve_program(kPosixOpener, opener);
    if (!found) errno = ENOENT;
    if (found && spawn(opener, {kPosixOpener, target}, nullptr) >= 0) return true;
    failure = kNotFound;
    return false;
}

void* platform_library_open(const char* name) { return name ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* platform_library_symbol(void* library, const char* name) {
    return library && name ? dlsym(library, name) : nullptr;
}

void platform_sleep_ms(int ms) {
    if (ms <= 0) return;
    timespec delay{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

long long platform_calendar_seconds() { return static_cast<long long>(time(nullptr)); }

LocalTime platform_local_time() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

long platform_process_id() { return static_cast<long>(getpid()); }

FILE* platform_create_new_file(const char* path) {
    if (!path) return nullptr;
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int saved = errno;
        close(fd);
        unlink(path);
        errno = saved;
    }
    return file;
}

bool platform_process_alive(long pid) {
    if (pid <= 0) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool platform_dir_writable(const char* dir) {
    if (!dir) return false;
    const std::string probe = std::string(dir) + "/" + kTempPrefix + std::to_string(getpid()) + "-probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST;  // taken by another file: the folder takes files
    close(fd);
    unlink(probe.c_str());
    return true;
}
