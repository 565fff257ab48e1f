// POSIX side of the test support: the program under test runs as a child with
// its standard error captured.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "support/os.h"
#include "support/program_dir.h"

namespace {

bool g_unprivileged = false;
rlim_t g_file_size_limit = 0;  // 0: none
constexpr uid_t kNobody = 65534;

}  // namespace

bool run_children_unprivileged(bool on) {
    // Only root needs to shed its rights; anyone else is bound by permissions already.
    g_unprivileged = on && geteuid() == 0;
    return true;
}

bool limit_children_file_size(long bytes) {
    g_file_size_limit = bytes > 0 ? static_cast<rlim_t>(bytes) : 0;
    return true;
}

namespace {

// Everything a child needs, made before the fork: the tests fork while a test
// server's threads run, and one of them may hold the allocator's lock at that
// moment, so the forked child only makes async-signal-safe calls.
class ChildPlan {
public:
    ChildPlan(const std::string& program, const std::vector<std::string>& args, const fs::path& working_dir,
              const std::map<std::string, std::string>& env, const fs::path& err_path)
        : program_(program), working_dir_(working_dir.string()), err_path_(err_path.string()) {
        arguments_.push_back(program);
        arguments_.insert(arguments_.end(), args.begin(), args.end());
        for (char** entry = environ; *entry; ++entry) {
            const std::string_view text(*entry);
            if (!env.count(std::string(text.substr(0, text.find('='))))) environment_.emplace_back(text);
        }
        for (const auto& [key, value] : env) environment_.push_back(key + "=" + value);
        argv_ = pointers_to(arguments_);
        envp_ = pointers_to(environment_);
    }
    ChildPlan(const ChildPlan&) = delete;  // the pointers point into this object
    ChildPlan& operator=(const ChildPlan&) = delete;

    // In the forked child: standard error to the capture file, then the program,
    // as the tests' user, in its working directory. Never returns.
    [[noreturn]] void exec() const {
        const int fd = open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) dup2(fd, STDERR_FILENO);
        if (g_unprivileged && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
        if (g_file_size_limit) {
            // A write past the limit then fails with EFBIG instead of ending the program.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{g_file_size_limit, g_file_size_limit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (chdir(working_dir_.c_str()) != 0) _exit(127);
        execve(program_.c_str(), argv_.data(), envp_.data());
        _exit(127);
    }

private:
    std::string program_;
    std::string working_dir_;
    std::string err_path_;
    std::vector<std::string> arguments_;
    std::vector<std::string> environment_;
    std::vector<char*> argv_;  // each list as exec takes it, ended by a null
    std::vector<char*> envp_;

    static std::vector<char*> pointers_to(std::vector<std::string>& strings) {
        std::vector<char*> pointers;
        for (std::string& text : strings) pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    }
};

// Waits for the child, but a child that hangs is killed after a minute, far
// beyond any run of the tests, so that the test fails with what it saw instead
// of being stopped by the test runner.
void wait_bounded(pid_t pid, int& status, rusage& usage) {
    for (int waited_ms = 0; waited_ms < 60000; waited_ms += 2) {
        if (wait4(pid, &status, WNOHANG, &usage) != 0) return;
        usleep(2000);
    }
    kill(pid, SIGKILL);
    wait4(pid, &status, 0, &usage);
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& working_dir,
                      const std::map<std::string, std::string>& env) {
    RunResult result;
    const fs::path err_path = working_dir / ".stderr.capture";
    const ChildPlan plan(program, args, working_dir, env, err_path);
    const pid_t pid = fork();
    if (pid == 0) plan.exec();
    int status = 0;
    rusage usage{};
    wait_bounded(pid, status, usage);
    result.peak_memory_kb = usage.ru_maxrss;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.messages = read_file(err_path);
    fs::remove(err_path);
    return result;
}

RunResult run_program_line(const std::string& program, const std::string& arguments, const fs::path& working_dir,
                           const std::map<std::string, std::string>& env) {
    return run_program("/bin/sh", {"-c", "exec \"$0\" " + arguments, program}, working_dir, env);
}

RunResult run_program_whole_line(const std::string&, const std::string&, const fs::path&,
                                 const std::map<std::string, std::string>&) {
    return RunResult{};
}

ProgramResources read_program_resources(const fs::path&) { return ProgramResources{}; }

int run_program_and_stop(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& working_dir, const std::map<std::string, std::string>& env,
                         const std::function<bool()>& ready, bool gently) {
    const ChildPlan plan(program, args, working_dir, env, "/dev/null");
    const pid_t pid = fork();
    if (pid == 0) plan.exec();
    int status = 0;
    for (int waited = 0; waited < 20000 && waitpid(pid, &status, WNOHANG) == 0; waited += 5) {
        if (ready()) {
            kill(pid, gently ? SIGTERM : SIGKILL);
            break;
        }
        usleep(5000);
    }
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int exit_code_as_seen(int code) { return code & 0xFF; }

void set_env(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

void unset_env(const std::string& name) { unsetenv(name.c_str()); }

bool process_gone(long pid) {
    const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    return stat.empty() || stat.find(") Z ") != std::string::npos;
}

bool make_fifo(const fs::path& path) { return mkfifo(path.c_str(), 0600) == 0; }

std::string no_such_file_text() { return std::strerror(ENOENT); }

std::string capture_stderr(const std::function<void()>& body) {
    std::string path = (fs::temp_directory_path() / "vandrel-stderr-XXXXXX").string();
    const int fd = mkstemp(path.data());
    if (fd < 0) return "(no capture)";
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(fd);
    const std::string captured = read_file(path);
    fs::remove(path);
    return captured;
}

bool on_windows() { return false; }
