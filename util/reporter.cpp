#include "util/reporter.h"

Reporter message_box_reporter(const char* caption) {
    Reporter reporter;
    reporter.caption = caption ? caption : "";
    return reporter;
}

void report_message(const Reporter& reporter, const char* text, MessageIcon icon) {
    const char* caption = reporter.caption ? reporter.caption : "";
    if (reporter.show) {
        reporter.show(reporter.sink, caption, text ? text : "", icon);
    } else {
        platform_message_box(caption, text ? text : "", icon);
    }
}
