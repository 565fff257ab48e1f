#pragma once
// Timestamped log lines, the last system error shown or logged, and unique stamps.
#include <cstdio>
#include <string>

#include "util/reporter.h"

void log_line(FILE* log, const char* text);
void log_system_error(FILE* log);
// Shows the last system error as a warning; returns its code, 0 (and shows
// nothing) when there is none or the system has no text for it.
unsigned long show_system_error(const Reporter& reporter);
// Text of the last system error with a trailing CR LF pair removed; empty when none.
std::string system_error_text(unsigned long code);
// The text without its last two characters when both are line ends (CR or LF).
std::string without_line_end_pair(std::string text);

extern long stamp_counter;
// Writes a 31-character stamp (while the counter stays below one million) into out.
void make_unique_stamp(char* out, size_t size);
