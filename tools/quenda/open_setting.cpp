#include "tools/quenda/open_setting.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/platform.h"
#include "util/program_names.h"

namespace {

constexpr const char* kSettingFile = kRendererSettingsFile;
constexpr size_t kMaxSettingBytes = 64 * 1024;

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

OpenSetting parse_open_setting(std::string_view text) {
    bool open_nothing = false;
    std::string program;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key = lower(trimmed(line.substr(0, equals)));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "abrir") open_nothing = lower(value) == "no";
        if (key == "abridor") program = std::string(value);
    }
    if (open_nothing) return OpenSetting{OpenWith::Nothing, {}};
    if (!program.empty()) return OpenSetting{OpenWith::Program, program};
    return OpenSetting{};
}

OpenSetting read_open_setting(const std::string& program_dir) {
    const std::string path = program_dir + platform_dir_separator() + kSettingFile;
    std::error_code error;
    if (std::filesystem::status(path, error).type() != std::filesystem::file_type::regular) return OpenSetting{};
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return OpenSetting{};
    std::string text(kMaxSettingBytes, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    return parse_open_setting(text);
}
