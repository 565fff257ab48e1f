#pragma once
// Pure text functions that take a path or URL apart. Directory functions split at
// `separator` (a backslash unless the caller names the platform's own).
#include <cstddef>
#include <string>

// The longest path the program handles, in characters (a 260-byte value with its terminator).
constexpr size_t kMaxPathChars = 259;

int path_last_segment(const char* text, char* out, size_t limit);
int path_directory(const char* text, char* out, size_t limit, char separator = '\\');
int path_split(const char* text, char* directory, char* name, char* extension, char separator = '\\');
int path_extension(const char* text, char* out, size_t limit);
int path_base_name(const char* text, char* out, size_t limit, char separator = '\\');
// path_directory's result as a string: empty when the path names no directory.
std::string path_directory_of(const std::string& path, char separator);
