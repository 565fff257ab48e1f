// Win32: a document is opened by the shell's "open" verb (the user's default
// browser for a page), or by the program named, which is started and left alone.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "platform/platform.h"

namespace {

constexpr DWORD kSettleMs = 1000;  // long enough to tell a program that fails at once

std::wstring widened(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

bool shell_open(const std::wstring& document) {
    // The shell may hand the verb to extensions that need COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (SUCCEEDED(com)) CoUninitialize();
    if (result > 32) return true;
    if (GetLastError() == ERROR_SUCCESS) SetLastError(static_cast<DWORD>(result));
    return false;
}

bool start_program(const std::wstring& program, const std::string& document) {
    std::wstring line = L"\"" + program + L"\" " + widened(msvcrt_enclose_argument(document));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    DWORD code = 0;
    const bool failed = WaitForSingleObject(info.hProcess, kSettleMs) == WAIT_OBJECT_0 &&
                        GetExitCodeProcess(info.hProcess, &code) && code != 0;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (failed) SetLastError(ERROR_PROCESS_ABORTED);
    return !failed;
}

}  // namespace

bool platform_open_document(const char* document, const char* program) {
    if (!document || !*document) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (program && *program) return start_program(widened(program), document);
    return shell_open(widened(document));
}
