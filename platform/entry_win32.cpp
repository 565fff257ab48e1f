// The Windows entry: the runtime passes the command-line text after the program's own name.
#include <windows.h>

#include "viewer/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) { return viewer_main_text(command_line); }
