// Files removed when the program is stopped by a signal: a download cut short
// must not stay behind under a name no later run looks at. The handler may only
// use what is safe in a signal handler, so the list is a fixed table of texts.
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr int kSlots = 8;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Slot {
    char path[PATH_MAX];
    std::atomic<bool> used{false};
};
Slot g_slots[kSlots];

void remove_and_stop(int signal_number) {
    for (Slot& slot : g_slots) {
        if (slot.used.load()) unlink(slot.path);
    }
    // The handler was installed to run once: the signal now takes its usual course.
    raise(signal_number);
}

// Installed at the first registration; a signal the program was started with
// ignored stays ignored.
void install_handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (const int signal_number : kStopSignals) {
        struct sigaction current {};
        if (sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = remove_and_stop;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace

bool platform_remove_on_stop(const char* path) {
    if (!path || std::strlen(path) >= PATH_MAX) return false;
    install_handlers();
    for (Slot& slot : g_slots) {
        if (slot.used.load()) continue;
        std::strcpy(slot.path, path);
        slot.used.store(true);  // published only once the text is whole
        return true;
    }
    return false;
}

void platform_forget_on_stop(const char* path) {
    if (!path) return;
    for (Slot& slot : g_slots) {
        if (slot.used.load() && std::strcmp(slot.path, path) == 0) slot.used.store(false);
    }
}
