#pragma once
// The program's entry: the command line, the working paths and the direct road
// of a ready document. Results are the process exit code.
#include "document/image_refs.h"
#include "util/reporter.h"

// From arguments already split by the shell (argv after the program's name);
// images are fetched with `image_fetch`.
int viewer_main_argv(int count, char** argv, ImageFetch image_fetch = fetch_to_file);
// From the command-line text that follows the program's name.
int viewer_main_text(const char* command_text);

constexpr int kArgSlots = 10;
constexpr int kArgSlotSize = 260;

char** string_table_new(int count, int size);
void string_table_free(char** table, int count, int size);
// `first_length`, when given, gets the first argument's length before it is cut to `size` - 1.
int split_command_line(const char* text, char** table, int count, int size, size_t* first_length = nullptr);
void show_usage(const Reporter& reporter);
