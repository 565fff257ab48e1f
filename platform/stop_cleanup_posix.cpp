// What a stop by a signal cleans up: the running child's process group, which
// would otherwise outlive the program, and the files a cut-short run must not
// leave behind (a download, the temporary document, the QR bitmap). The handler
// may only use what is safe in a signal handler, so the list is a fixed table.
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/platform.h"
#include "platform/stop_cleanup_posix.h"

namespace {

constexpr int kSlots = 8;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Slot {
    char path[PATH_MAX];
    std::atomic<bool> used{false};
};
Slot g_slots[kSlots];
std::atomic<pid_t> g_child_group{0};

void remove_and_stop(int signal_number) {
    if (const pid_t group = g_child_group.load(); group > 0) kill(-group, SIGKILL);
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

void stop_cleanup_watch_child(pid_t group) {
    install_handlers();
    g_child_group.store(group);
}

void stop_cleanup_forget_child(pid_t group) {
    pid_t expected = group;
    g_child_group.compare_exchange_strong(expected, 0);
}
