#pragma once
// The POSIX backend's part of the stop list: the running child's process group,
// stopped with the program when a signal stops it.
#include <sys/types.h>

void stop_cleanup_watch_child(pid_t group);
void stop_cleanup_forget_child(pid_t group);
