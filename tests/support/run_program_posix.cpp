// Runs the program under test as a child with its standard error captured.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/program_dir.h"

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& working_dir,
                      const std::map<std::string, std::string>& env) {
    RunResult result;
    const fs::path err_path = working_dir / ".stderr.capture";
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) dup2(fd, STDERR_FILENO);
        if (chdir(working_dir.c_str()) != 0) _exit(127);
        for (const auto& [key, value] : env) setenv(key.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.messages = read_file(err_path);
    fs::remove(err_path);
    return result;
}
