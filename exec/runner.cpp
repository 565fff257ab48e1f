#include "exec/runner.h"

#include <memory>
#include <string>

#include "platform/platform.h"
#include "util/diagnostics.h"

namespace {

// The largest single wait: a step of the time-limit check.
constexpr int kWaitStepMs = 100;

void show_numbered(const Reporter& reporter, const char* format, int number, const char* command_line) {
    const std::string line = command_line ? command_line : "";
    std::string text(std::string(format).size() + line.size() + 16, '\0');
    const int n = std::snprintf(text.data(), text.size(), format, number, line.c_str());
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    report_message(reporter, text.c_str(), MESSAGE_ICON_NONE);
}

struct ProcessDeleter {
    void operator()(PlatformProcess* process) const { platform_process_free(process); }
};

}  // namespace

void report_start_failure(const char* command_line, const Reporter& reporter) {
    show_system_error(reporter);
    show_numbered(reporter, "Error #%d: Se encontro un error al intentar ejecutar comando: %s", kRunCannotStart, command_line);
}

int run_command(const char* command_line, const char* application, int wait, int show_console,
                const RunSettings& settings) {
    const Reporter& reporter = settings.reporter;
    const int timeout_ms = settings.timeout_ms;
    const bool limited = timeout_ms > 0;
    const long long start = limited ? platform_calendar_seconds() : 0;
    std::string current_dir;
    platform_get_current_dir(current_dir);

    platform_set_last_error(0);
    std::unique_ptr<PlatformProcess, ProcessDeleter> child(
        platform_process_start(command_line, application, current_dir.c_str(), show_console));
    if (!child) {
        report_start_failure(command_line, reporter);
        return kRunCannotStart;
    }
    if (!wait) return 0;

    for (;;) {
        unsigned long exit_code = 0;
        const ProcessWait state = platform_process_wait(child.get(), kWaitStepMs, &exit_code);
        if (state == PROCESS_EXITED) return static_cast<int>(exit_code);
        if (state == PROCESS_WAIT_FAILED) {
            show_numbered(reporter, "Error #%d: Se encontro un error en la ejecucion del comando: %s", kRunCannotStart,
                          command_line);
            return kRunCannotStart;
        }
        // Whole seconds of the calendar clock, compared strictly.
        if (limited && (platform_calendar_seconds() - start) * 1000 > timeout_ms) break;
    }
    if (platform_process_stop_tree(child.get(), kRunStopped)) {
        show_numbered(reporter, "Warning #%d: Se alcanz\xf3 el timeout configurado y se detuvo el comando: %s", kRunStopped,
                      command_line);
        return 0;
    }
    show_numbered(reporter, "Error #%d: Se alcanz\xf3 el timeout configurado pero no se pudo detener el proceso en el comando: %s",
                  kRunCannotStop, command_line);
    return kRunCannotStop;
}
