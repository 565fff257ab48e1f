// The Windows entry. The text after the program's name is cut from the whole
// command line here: the runtime's own cut does not end a quoted name at its
// closing quote when an argument follows it directly ("C:\...\Vandrel.exe"f.xml).
#include <windows.h>

#include "platform/platform.h"
#include "viewer/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return viewer_main_text(command_text_after_program(GetCommandLineA()));
}
