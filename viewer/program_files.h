#pragma once
// Every file the program and its siblings run or read beside themselves by name.
#include <string>
#include <vector>

// The siblings, the desktop openers, the table, the placeholder, every template
// and configuration of the version table, the renderer's settings and pages, and
// the running program itself.
std::vector<std::string> program_file_names();
