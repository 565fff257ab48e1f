#pragma once
// Where a layer's messages go. The viewer's reporter shows message boxes titled
// with its caption; a test can give a layer one that collects the texts instead.
#include "platform/platform.h"

struct Reporter {
    const char* caption = "";
    // Shows one message; null: the platform's message box.
    void (*show)(void* sink, const char* caption, const char* text, MessageIcon icon) = nullptr;
    void* sink = nullptr;
};

// A reporter whose messages are message boxes titled `caption`.
Reporter message_box_reporter(const char* caption);
void report_message(const Reporter& reporter, const char* text, MessageIcon icon);
