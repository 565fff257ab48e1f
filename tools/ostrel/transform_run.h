#pragma once
// What one conversion hands down to the checks and functions libxslt calls
// back: reached through the transform context's user pointer.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/ostrel/catalogs.h"

struct ReadRule {
    std::filesystem::path template_file;  // canonical
    std::filesystem::path program_dir;    // canonical
    std::vector<std::string> data_files;  // plain names inside program_dir
};

struct TransformRun {
    ReadRule reads;
    Catalogs catalogs;
    bool failed = false;  // an error of the transform, or a read or write refused
};
