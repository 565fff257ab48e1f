#pragma once
// Shows the written page to the user, as Quenda.cfg says, without waiting for it
// to be closed. What the opener does never changes the renderer's result: a
// failure to start it is told in a message box.
#include <string>

void open_page(const std::string& program_dir, const std::string& page_path);
