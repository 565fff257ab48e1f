#pragma once
// What the tests need of the operating system beyond the viewer's own platform
// layer: one POSIX and one Win32 implementation.
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "support/program_dir.h"

// The tests run against the Windows build (under Wine or on Windows).
bool on_windows();

// Runs `program` with the rest of its command line exactly as written: Windows
// hands it over whole; POSIX has the shell split it.
RunResult run_program_line(const std::string& program, const std::string& arguments, const fs::path& working_dir,
                           const std::map<std::string, std::string>& env);
// Windows: runs `program` with `whole_line` as its entire command line, its own
// name included as the caller writes it. POSIX has no such line: exit code -1.
RunResult run_program_whole_line(const std::string& program, const std::string& whole_line, const fs::path& working_dir,
                                 const std::map<std::string, std::string>& env);
// What `body` writes to standard error, through a file of the test's own that is
// removed afterwards (the test library's own capture leaves its file behind on Windows).
std::string capture_stderr(const std::function<void()>& body);
// What a Windows program file carries as resources; all empty where there are none (POSIX).
struct ProgramResources {
    int icons = 0;              // entries of its first icon group
    std::string product_name;   // version information, Spanish (Mexico)
    std::string file_version;
    std::string manifest;
};
ProgramResources read_program_resources(const fs::path& program);
// Starts the program as run_program does, stops it once `ready` holds (asked every
// few milliseconds, for at most 20 s) and waits for it to end: with SIGTERM when
// `gently`, otherwise outright. The exit code as seen (a signal's as 128 + its
// number); -1, with nothing started, where a gentle stop does not exist (Windows).
int run_program_and_stop(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& working_dir, const std::map<std::string, std::string>& env,
                         const std::function<bool()>& ready, bool gently);
// From now on children run without the rights of root, so that file permissions
// hold for them as for a user; false where that cannot be had (then nothing changes).
bool run_children_unprivileged(bool on);
// Files the children write may grow to `bytes` at most (0: no limit); false where
// the system cannot hold a child to that.
bool limit_children_file_size(long bytes);
// The exit code a parent on this system sees for `code`: POSIX keeps 8 bits.
int exit_code_as_seen(int code);
void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);
// The process has ended (a stopped child nobody has reaped yet counts as ended).
bool process_gone(long pid);
// A named pipe at `path`; false where the system has none that a path can name.
bool make_fifo(const std::filesystem::path& path);
// The text the system gives for "no such file" (the same code, 2, on both systems).
std::string no_such_file_text();
