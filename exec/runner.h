#pragma once
// Starts a child from a command line, waits for it under the time limit and
// tells the user about every failure. Results in exec/: a run gives the exit
// code it ends with, that is the child's, 0 after a stop at the time limit, 507
// (cannot start or watch), 509 (cannot stop), or 510 when there is no issuer's
// command; a command line is given as a new buffer or text (null: no memory).
#include "util/reporter.h"
#include "util/results.h"

// What a run of a command needs to know of its caller.
struct RunSettings {
    Reporter reporter;   // where the failures are told
    int timeout_ms = 0;  // below 1: no limit
};

int run_command(const char* command_line, const char* application, int wait, int show_console,
                const RunSettings& settings);
// What a failed start shows: the system's text, then the numbered 507 message.
void report_start_failure(const char* command_line, const Reporter& reporter);

