#pragma once
// A reporter that keeps what a layer tells the user, each message as
// "caption: text\n" in the program's own Latin-1 bytes.
#include <string>

#include "util/reporter.h"

struct CollectedMessages {
    std::string text;

    Reporter reporter(const char* caption = "Tesmira Viewer") {
        Reporter collecting;
        collecting.caption = caption;
        collecting.show = [](void* sink, const char* shown_caption, const char* message, MessageIcon) {
            static_cast<CollectedMessages*>(sink)->text.append(shown_caption).append(": ").append(message).append("\n");
        };
        collecting.sink = this;
        return collecting;
    }
};
