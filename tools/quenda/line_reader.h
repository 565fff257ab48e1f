#pragma once
// Lines of a document file, of any length, in time linear in the file.
#include <cstdio>
#include <string>
#include <vector>

struct LineReader {
    FILE* file = nullptr;  // owned by the caller
    std::vector<char> block;
    size_t at = 0;
    size_t filled = 0;
    bool failed = false;  // a read error, as opposed to the end
};

void line_reader_start(LineReader& reader, FILE* file);
// The next line without its LF or CR LF; false at the end of the file or on an error.
bool line_reader_next(LineReader& reader, std::string& line);
