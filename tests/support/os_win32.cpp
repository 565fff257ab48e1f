// Win32 side of the test support: the program under test runs as a child with
// its standard error going to a file, as a user's double-click would start it.
#include <windows.h>
#include <psapi.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <utility>

#include "platform/platform.h"
#include "support/os.h"
#include "support/program_dir.h"

namespace {

// The shell's quoting of a file argument ("%1"): quotes only where a blank or
// nothing at all would otherwise lose the argument.
std::string shell_quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t") == std::string::npos) return arg;
    return "\"" + arg + "\"";
}

// Sets variables for the child's inheritance and puts the old values back.
class EnvironmentOverride {
public:
    explicit EnvironmentOverride(const std::map<std::string, std::string>& env) {
        for (const auto& [key, value] : env) {
            saved_.emplace_back(key, current(key));
            SetEnvironmentVariableA(key.c_str(), value.c_str());
        }
    }
    ~EnvironmentOverride() {
        for (const auto& [key, value] : saved_) SetEnvironmentVariableA(key.c_str(), value ? value->c_str() : nullptr);
    }

private:
    static std::optional<std::string> current(const std::string& key) {
        const DWORD size = GetEnvironmentVariableA(key.c_str(), nullptr, 0);
        if (size == 0) return std::nullopt;
        std::string value(size, '\0');
        value.resize(GetEnvironmentVariableA(key.c_str(), value.data(), size));
        return value;
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A name no other file in the temporary folder has: process ids come back soon,
// and a file of an ended run may still wait there for its last handle to close.
std::string unique_suffix() {
    static std::random_device seed;
    static int count = 0;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(seed()) + "-" + std::to_string(++count);
}

}  // namespace

RunResult run_program_line(const std::string& program, const std::string& arguments, const fs::path& working_dir,
                           const std::map<std::string, std::string>& env) {
    return run_program_whole_line(program, "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments),
                                  working_dir, env);
}

RunResult run_program_whole_line(const std::string& program, const std::string& whole_line, const fs::path& working_dir,
                                 const std::map<std::string, std::string>& env) {
    RunResult result;
    // Outside the test's folders and deleted with its last handle: a process that
    // Wine starts for the program's first message box (its desktop) inherits the
    // handle and outlives the program.
    const fs::path err_path = fs::temp_directory_path() / ("vandrel-run-" + unique_suffix() + ".stderr");
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE err = CreateFileA(err_path.string().c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (err == INVALID_HANDLE_VALUE) return result;

    std::string line = whole_line;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = err;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    BOOL started = FALSE;
    {
        const EnvironmentOverride scoped(env);
        started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 working_dir.string().c_str(), &startup, &info);
    }
    if (started) {
        // A child that hangs is ended after a minute, far beyond any run of the
        // tests, so that the test fails with what it saw.
        if (WaitForSingleObject(info.hProcess, 60000) == WAIT_TIMEOUT) {
            TerminateProcess(info.hProcess, 137);
            WaitForSingleObject(info.hProcess, INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        result.exit_code = static_cast<int>(code);
        PROCESS_MEMORY_COUNTERS memory{};
        // Wine answers, but with zero for a child that has ended: no figure then.
        if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory) && memory.PeakWorkingSetSize > 0) {
            result.peak_memory_kb = static_cast<long>(memory.PeakWorkingSetSize / 1024);
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    SetFilePointer(err, 0, nullptr, FILE_BEGIN);
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(err, chunk, sizeof chunk, &n, nullptr) && n > 0) result.messages.append(chunk, n);
    CloseHandle(err);
    return result;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& working_dir,
                      const std::map<std::string, std::string>& env) {
    std::string arguments;
    for (const std::string& arg : args) arguments += (arguments.empty() ? "" : " ") + shell_quote(arg);
    return run_program_line(program, arguments, working_dir, env);
}

int run_program_and_stop(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& working_dir, const std::map<std::string, std::string>& env,
                         const std::function<bool()>& ready, bool gently) {
    if (gently) return -1;
    std::string line = "\"" + program + "\"";
    for (const std::string& arg : args) line += " " + shell_quote(arg);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    BOOL started = FALSE;
    {
        const EnvironmentOverride scoped(env);
        started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 working_dir.string().c_str(), &startup, &info);
    }
    if (!started) return -1;
    for (int waited = 0; waited < 20000 && WaitForSingleObject(info.hProcess, 5) == WAIT_TIMEOUT; waited += 5) {
        if (ready()) {
            TerminateProcess(info.hProcess, 1);
            break;
        }
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

int exit_code_as_seen(int code) { return code; }

// Windows has no root whose rights would have to be shed.
bool run_children_unprivileged(bool on) { return !on; }
bool limit_children_file_size(long bytes) { return bytes <= 0; }

void set_env(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }

void unset_env(const std::string& name) { _putenv_s(name.c_str(), ""); }

bool process_gone(long pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool make_fifo(const fs::path&) { return false; }

std::string no_such_file_text() {
    // As the viewer shows system texts: without the line end pair at the end.
    std::string text = platform_error_text(ERROR_FILE_NOT_FOUND);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    return text;
}

namespace {

std::string version_text(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT size = 0;
    const std::string query = std::string("\\StringFileInfo\\080a04e4\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &size) || size == 0) return "";
    return std::string(value, size - 1);
}

}  // namespace

ProgramResources read_program_resources(const fs::path& program) {
    ProgramResources found;
    const std::string path = program.string();
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return found;
    if (HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14))) {  // RT_GROUP_ICON
        const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
        if (header) found.icons = header[2];
    }
    if (HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {  // RT_MANIFEST
        const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
        if (text) found.manifest.assign(text, SizeofResource(module, manifest));
    }
    FreeLibrary(module);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size > 0 && GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        found.product_name = version_text(block, "ProductName");
        found.file_version = version_text(block, "FileVersion");
    }
    return found;
}

std::string capture_stderr(const std::function<void()>& body) {
    const fs::path path = fs::temp_directory_path() / ("vandrel-stderr-" + unique_suffix());
    // Deleted when the last handle closes, a child's inherited one included.
    HANDLE handle = CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "(no capture)";
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return "(no capture)";
    }
    std::fflush(stderr);
    const int saved = _dup(2);
    _dup2(fd, 2);
    body();
    std::fflush(stderr);
    _dup2(saved, 2);
    _close(saved);
    std::string captured;
    _lseek(fd, 0, SEEK_SET);
    char chunk[4096];
    for (int n; (n = _read(fd, chunk, sizeof chunk)) > 0;) captured.append(chunk, static_cast<size_t>(n));
    _close(fd);
    return captured;
}

bool on_windows() { return true; }
