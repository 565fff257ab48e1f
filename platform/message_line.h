#pragma once
// A message box as one line of text on standard error, the same on every
// system: "caption: text\n" in UTF-8 (the boxes' texts are Latin-1).
#include <string>

std::string message_box_line(const char* caption, const char* text);
