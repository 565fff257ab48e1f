// The shell has already split the command line: argv[1] to argv[10] are the arguments.
#include "viewer/startup.h"

int main(int argc, char** argv) { return viewer_main_argv(argc - 1, argv + 1); }
