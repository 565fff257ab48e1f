#pragma once
// The converter's configuration file: lines "key=value" (blanks around the key
// and the value dropped, "#" lines and lines without "=" ignored).
#include <map>
#include <string>
#include <vector>

struct ConverterConfig {
    std::map<std::string, std::string> values;
};

// False when the file cannot be read.
bool config_read(const std::string& path, ConverterConfig& config);
std::string config_value(const ConverterConfig& config, const std::string& key);
// A comma-separated value as its items, blanks trimmed, empty items dropped.
std::vector<std::string> config_list(const ConverterConfig& config, const std::string& key);
