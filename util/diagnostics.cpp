#include "util/diagnostics.h"

#include "platform/platform.h"

long stamp_counter = 0;

void log_line(FILE* log, const char* text) {
    if (!log) return;
    const LocalTime now = platform_local_time();
    std::fprintf(log, "%04d%02d%02d-%02d%02d%02d%03d-%08ld:%s\n", now.year, now.month, now.day, now.hour,
                 now.minute, now.second, now.millisecond, platform_process_id(), text ? text : "");
    std::fflush(log);
}

std::string without_line_end_pair(std::string text) {
    const size_t n = text.size();
    auto is_line_end = [](char c) { return c == '\r' || c == '\n'; };
    if (n >= 2 && is_line_end(text[n - 1]) && is_line_end(text[n - 2])) text.resize(n - 2);
    return text;
}

std::string system_error_text(unsigned long code) { return without_line_end_pair(platform_error_text(code)); }

void log_system_error(FILE* log) {
    if (!log) return;
    const unsigned long code = platform_last_error();
    const std::string text = system_error_text(code);
    if (!text.empty()) log_line(log, text.c_str());
}

unsigned long show_system_error(const Reporter& reporter) {
    const unsigned long code = platform_last_error();
    // No error (0) has no text either.
    const std::string text = system_error_text(code);
    if (text.empty()) return 0;
    report_message(reporter, text.c_str(), MESSAGE_ICON_WARNING);
    return code;
}

void make_unique_stamp(char* out, size_t size) {
    if (!out || size == 0) return;
    const LocalTime now = platform_local_time();
    char pid[32];
    std::snprintf(pid, sizeof pid, "%08ld", platform_process_id());
    ++stamp_counter;
    std::snprintf(out, size, "%04d%02d%02d%02d%02d%02d%03d%06ld%s", now.year, now.month, now.day, now.hour,
                  now.minute, now.second, now.millisecond, stamp_counter, pid);
}
