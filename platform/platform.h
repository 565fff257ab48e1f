#pragma once
// The one interface to the operating system. Everything outside platform/ goes
// through these functions; each has a POSIX and a Win32 implementation.
// Results: true when done, with the system's error in platform_last_error when
// not (and any further answer in an out-parameter); a handle or null; a text,
// empty when there is none; a waited-for child's state.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum MessageIcon { MESSAGE_ICON_NONE = 0, MESSAGE_ICON_WARNING = 1, MESSAGE_ICON_ERROR = 2 };

// Shows one message box (no owner window, one OK button). Texts are Latin-1.
void platform_message_box(const char* caption, const char* text, MessageIcon icon);

// Full file name of the running executable; empty on failure (last error set).
std::string platform_module_path();
bool platform_get_current_dir(std::string& out);
bool platform_set_current_dir(const char* dir);
char platform_dir_separator();
// An input path that is used as written rather than joined to the current directory.
bool platform_path_is_absolute(const char* path);
// The path names a regular file that can be opened for reading (never blocks).
bool platform_file_readable(const char* path);
bool platform_remove_file(const char* path);
// True when no file of that name is left: removed, or there was none (last error set otherwise).
bool platform_remove_if_present(const char* path);
// Moves `from` onto `to`, replacing an existing file.
bool platform_replace_file(const char* from, const char* to);
// Creates `path` for writing in binary mode, never through an existing file or
// link; nullptr when it exists or cannot be made (last error set).
FILE* platform_create_new_file(const char* path);

// Whether this user can create files in `dir` (a probe file is made and removed).
bool platform_dir_writable(const char* dir);

// Files that a stop by a signal (POSIX: SIGINT, SIGTERM, SIGHUP) removes before
// the program ends with that signal. A Windows program that is stopped gets no
// chance to clean up; what it leaves is swept by a later run. At most a few
// files at once; false when the list is full (the file is then not covered).
bool platform_remove_on_stop(const char* path);
void platform_forget_on_stop(const char* path);

unsigned long platform_last_error();
void platform_set_last_error(unsigned long code);
// The system's own text for an error code, as the system gives it; empty when it has none.
std::string platform_error_text(unsigned long code);

// A child process started from a command line; its first token names the program,
// looked up in the program's own directory, the working directory, then the search path.
struct PlatformProcess;
enum ProcessWait { PROCESS_EXITED, PROCESS_RUNNING, PROCESS_WAIT_FAILED };
PlatformProcess* platform_process_start(const char* command_line, const char* application, const char* working_dir,
                                        int show_console);
// Waits up to timeout_ms for the child to end; on PROCESS_EXITED stores its exit code.
ProcessWait platform_process_wait(PlatformProcess* process, int timeout_ms, unsigned long* exit_code);
// Stops the child and every process it started.
bool platform_process_stop_tree(PlatformProcess* process, unsigned exit_code);
void platform_process_free(PlatformProcess* process);

// The runtime's spawn in wait mode: `program` from the working directory, its
// command line arg0, a space and arg1. True once it has ended (whatever its exit
// status), false when it cannot be started or waited for.
bool platform_spawn_wait(const char* program, const char* arg0, const char* arg1);
// Opens `parameters` with `program` through the desktop. When it cannot, false,
// with the system's answer (Windows: ShellExecute's value, at most 32) in `failure`.
bool platform_shell_open(const char* program, const char* parameters, intptr_t& failure);
// Opens `document` for the user and does not wait for it to be closed: with
// `program` (a full path; the document is its one argument) or, when that is
// empty, with the desktop's handler (Windows: the shell's "open"; POSIX: xdg-open
// from the program's folder, then the search path, never through a shell).
// False, with the last error set, when nothing could be started or it failed at once.
bool platform_open_document(const char* document, const char* program);

// A shared library by its file name, loaded once and kept until the program ends;
// nullptr when it cannot be loaded.
void* platform_library_open(const char* name);
void* platform_library_symbol(void* library, const char* name);

void platform_sleep_ms(int ms);
long long platform_calendar_seconds();
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime platform_local_time();
long platform_process_id();
// Whether a process of that id exists (any process: ids are reused).
bool platform_process_alive(long pid);

// Microsoft C runtime command-line rules, used where a command line must become an argv.
std::vector<std::string> msvcrt_split_command_line(const char* command_line);
// Always between double quotes, escaped so that it splits back into itself.
std::string msvcrt_enclose_argument(const std::string& argument);
// The text after the program's own name in a whole command line (a quoted name
// ends at its closing quote), without the blanks and control characters after it.
const char* command_text_after_program(const char* command_line);
