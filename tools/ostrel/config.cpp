#include "tools/ostrel/config.h"

#include <fstream>

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool config_read(const std::string& path, ConverterConfig& config) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || trimmed(line).rfind('#', 0) == 0) continue;
        config.values[trimmed(line.substr(0, eq))] = trimmed(line.substr(eq + 1));
    }
    return !in.bad();
}

std::string config_value(const ConverterConfig& config, const std::string& key) {
    const auto found = config.values.find(key);
    return found == config.values.end() ? "" : found->second;
}

std::vector<std::string> config_list(const ConverterConfig& config, const std::string& key) {
    std::vector<std::string> items;
    const std::string text = config_value(config, key);
    for (size_t at = 0; at <= text.size();) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = trimmed(text.substr(at, comma - at));
        if (!item.empty()) items.push_back(item);
        at = comma + 1;
    }
    return items;
}
