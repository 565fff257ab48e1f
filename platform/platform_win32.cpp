// Win32 backend: the product's home. Children run in a job object so that a
// stop at the time limit ends everything they started.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <shellapi.h>
#include <sys/timeb.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/message_line.h"
#include "platform/platform.h"
#include "util/program_names.h"

#ifndef VIEWER_MESSAGES_TO_STDERR
#define VIEWER_MESSAGES_TO_STDERR 0
#endif

void platform_message_box(const char* caption, const char* text, MessageIcon icon) {
    if (VIEWER_MESSAGES_TO_STDERR) {
        // Written whole and untranslated, so that the line reads as on POSIX.
        const std::string line = message_box_line(caption, text);
        DWORD written = 0;
        HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        if (err && err != INVALID_HANDLE_VALUE) {
            WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }
    UINT style = MB_OK;
    if (icon == MESSAGE_ICON_WARNING) style |= MB_ICONWARNING;
    if (icon == MESSAGE_ICON_ERROR) style |= MB_ICONERROR;
    MessageBoxA(nullptr, text, caption, style);
}

std::string platform_module_path() {
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return std::string(buffer, n);
}

bool platform_get_current_dir(std::string& out) {
    char buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
    // A longer folder leaves no error of its own: say why the run cannot go on.
    if (n >= MAX_PATH) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    if (n == 0 || n >= MAX_PATH) return false;
    out.assign(buffer, n);
    return true;
}

bool platform_set_current_dir(const char* dir) { return dir && SetCurrentDirectoryA(dir) != 0; }

char platform_dir_separator() { return '\\'; }

bool platform_path_is_absolute(const char* path) {
    return path && (std::strchr(path, ':') != nullptr || (path[0] == '\\' && path[1] == '\\'));
}


bool platform_file_readable(const char* path) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    FILE* file = std::fopen(path, "r");
    if (!file) return false;
    std::fclose(file);
    return true;
}

bool platform_remove_file(const char* path) { return path && _unlink(path) == 0; }

bool platform_remove_if_present(const char* path) { return path && (_unlink(path) == 0 || errno == ENOENT); }

bool platform_replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

unsigned long platform_last_error() { return GetLastError(); }

void platform_set_last_error(unsigned long code) { SetLastError(code); }

std::string platform_error_text(unsigned long code) {
    if (code == 0) return std::string();
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = (n && text) ? std::string(text, n) : std::string();
    if (text) LocalFree(text);
    return result;
}

struct PlatformProcess {
    HANDLE process;
    HANDLE thread;
    HANDLE job;
};

PlatformProcess* platform_process_start(const char* command_line, const char* application, const char* working_dir,
                                        int show_console) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = command_line ? command_line : "";
    // Windows carries at most 32,767 characters, terminator included; refuse a
    // longer line rather than let a child run with a cut one.
    if (line.size() >= 32767) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    DWORD flags = show_console ? 0 : CREATE_NO_WINDOW;
    flags |= CREATE_SUSPENDED;  // joined to the job before it can start anything
    if (!CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        application ? working_dir : nullptr, &startup, &info)) {
        return nullptr;
    }
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job && !AssignProcessToJobObject(job, info.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(info.hThread);
    return new PlatformProcess{info.hProcess, info.hThread, job};
}

ProcessWait platform_process_wait(PlatformProcess* process, int timeout_ms, unsigned long* exit_code) {
    if (!process) return PROCESS_WAIT_FAILED;
    const DWORD waited = WaitForSingleObject(process->process, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
    if (waited == WAIT_TIMEOUT) return PROCESS_RUNNING;
    if (waited != WAIT_OBJECT_0) return PROCESS_WAIT_FAILED;
    DWORD code = 0;
    if (!GetExitCodeProcess(process->process, &code)) return PROCESS_WAIT_FAILED;
    if (exit_code) *exit_code = code;
    return PROCESS_EXITED;
}

bool platform_process_stop_tree(PlatformProcess* process, unsigned exit_code) {
    if (!process) return false;
    if (process->job && TerminateJobObject(process->job, exit_code)) {
        WaitForSingleObject(process->process, 5000);
        return true;
    }
    return TerminateProcess(process->process, exit_code) != 0;
}

void platform_process_free(PlatformProcess* process) {
    if (!process) return;
    if (process->thread) CloseHandle(process->thread);
    if (process->process) CloseHandle(process->process);
    if (process->job) CloseHandle(process->job);
    delete process;
}

bool platform_spawn_wait(const char* program, const char* arg0, const char* arg1) {
    return _spawnl(_P_WAIT, program, arg0, arg1, nullptr) != -1;
}

bool platform_shell_open(const char* program, const char* parameters, intptr_t& failure) {
    // A program of that name beside the viewer comes first, as for every sibling.
    std::string file = program ? program : "";
    const std::string module = platform_module_path();
    const size_t cut = module.find_last_of('\\');
    if (!file.empty() && file.find_first_of("\\/:") == std::string::npos && cut != std::string::npos) {
        const std::string beside = module.substr(0, cut + 1) + file;
        const DWORD attributes = GetFileAttributesA(beside.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) file = beside;
    }
    const auto answer =
        reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", file.c_str(), parameters, nullptr, SW_SHOWNORMAL));
    // Values above 32 mean the file was opened.
    if (answer > 32) return true;
    failure = answer;
    return false;
}

void* platform_library_open(const char* name) {
    return name ? reinterpret_cast<void*>(LoadLibraryA(name)) : nullptr;
}

void* platform_library_symbol(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void platform_sleep_ms(int ms) { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }

long long platform_calendar_seconds() { return static_cast<long long>(std::time(nullptr)); }

LocalTime platform_local_time() {
    _timeb now;
    _ftime(&now);
    const time_t seconds = now.time;
    const tm* parts = std::localtime(&seconds);
    if (!parts) return LocalTime{1970, 1, 1, 0, 0, 0, 0};
    return LocalTime{parts->tm_year + 1900, parts->tm_mon + 1, parts->tm_mday, parts->tm_hour,
                     parts->tm_min,         parts->tm_sec,     now.millitm};
}

long platform_process_id() { return static_cast<long>(_getpid()); }

FILE* platform_create_new_file(const char* path) {
    if (!path) return nullptr;
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileA(path);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        DeleteFileA(path);
    }
    return file;
}

// A stopped Windows program is ended outright (TerminateProcess), with no
// handler run: there is nothing to remove at that point, and what it leaves is
// swept by the next fetch in that directory.
bool platform_remove_on_stop(const char*) { return false; }
void platform_forget_on_stop(const char*) {}

bool platform_process_alive(long pid) {
    if (pid <= 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

bool platform_dir_writable(const char* dir) {
    if (!dir) return false;
    const std::string probe = std::string(dir) + "\\" + kTempPrefix + std::to_string(_getpid()) + "-probe";
    HANDLE handle = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(handle);
    return true;
}
