// The shell has already split the command line: argv[1] to argv[10] are the arguments.
#include <signal.h>

#include "viewer/startup.h"

int main(int argc, char** argv) {
    // A parent that ignores SIGCHLD would have the system reap the siblings before they are waited for.
    signal(SIGCHLD, SIG_DFL);
    return viewer_main_argv(argc - 1, argv + 1);
}
