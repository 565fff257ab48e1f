#include "support/program_dir.h"

#include <fstream>
#include <random>
#include <sstream>

#include "platform/platform.h"
#include "viewer_settings.h"
#include "support/os.h"

namespace {

fs::path bin_dir() { return fs::path(TEST_BIN_DIR); }
fs::path executable(const std::string& name) { return name + TEST_EXE_SUFFIX; }

// The environment of a run: the test's own variables and where the doubles record.
std::map<std::string, std::string> with_log(std::map<std::string, std::string> env, const fs::path& log) {
    env.emplace("RECORDER_LOG", log.string());
    return env;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

}  // namespace

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string latin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC2 && c <= 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string entity_bomb(int levels, const std::string& root, const std::string& body_prefix) {
    std::string bomb = "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY a0 'lolololololololololo'>";
    for (int i = 1; i <= levels; ++i) {
        bomb += "<!ENTITY a" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) bomb += "&a" + std::to_string(i - 1) + ";";
        bomb += "'>";
    }
    const std::string top = "&a" + std::to_string(levels) + ";";
    std::string prefix = body_prefix;
    for (size_t at; (at = prefix.find("@TOP@")) != std::string::npos;) prefix.replace(at, 5, top);
    return bomb + "]><" + root + ">" + prefix + top + "</" + root.substr(0, root.find(' ')) + ">";
}

ProgramDir::ProgramDir() {
    std::random_device seed;
    root_ = fs::temp_directory_path() / ("vandrel-test-" + std::to_string(seed()) + std::to_string(seed()));
    dir_ = root_ / "dir";
    work_ = root_ / "work";
    fs::create_directories(dir_);
    fs::create_directories(work_);
    fs::copy_file(fs::path(TEST_VIEWER_DIR) / executable("Vandrel"), dir_ / executable("Vandrel"));
    add_double(opener_name());
}

std::string opener_name() { return on_windows() ? "iexplore.exe" : "xdg-open"; }

ProgramDir::~ProgramDir() {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    // Under Wine a program that has just ended may hold its files a moment longer.
    for (int attempt = 0; attempt < 50; ++attempt) {
        fs::remove_all(root_, ignored);
        if (!fs::exists(root_, ignored)) return;
        platform_sleep_ms(100);
    }
}

void ProgramDir::add_double(const std::string& sibling_name) {
    fs::copy_file(bin_dir() / executable("recorder"), dir_ / sibling_name, fs::copy_options::overwrite_existing);
}

void ProgramDir::add_doubles_of_siblings() {
    for (const char* name : kSiblingNames) add_double(name);
}

void ProgramDir::add_stand_in(const std::string& sibling_name) {
    fs::copy_file(bin_dir() / sibling_name, dir_ / sibling_name, fs::copy_options::overwrite_existing);
}

void ProgramDir::add_templates() {
    for (const char* name : {"PlantillaVQDGenerica.Fat", "PlantillaVQDGenericaCFDI.Fat", "OstrelGenerico.cfg",
                             "OstrelGenericoCFDI.cfg"}) {
        fs::copy_file(bin_dir() / name, dir_ / name, fs::copy_options::overwrite_existing);
    }
}

void ProgramDir::add_newer_templates() {
    for (const char* name : {"PlantillaVQDGenericaCFDI33.Fat", "PlantillaVQDGenericaCFDI40.Fat",
                             "OstrelGenericoCFDI33.cfg", "OstrelGenericoCFDI40.cfg"}) {
        fs::copy_file(bin_dir() / name, dir_ / name, fs::copy_options::overwrite_existing);
    }
}

void ProgramDir::write(const fs::path& path, const std::string& bytes) const {
    const fs::path full = path.is_absolute() ? path : dir_ / path;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ProgramDir::read(const fs::path& path) const { return read_file(path.is_absolute() ? path : dir_ / path); }

RunResult ProgramDir::run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                          const fs::path& working_dir) const {
    return run_program((dir_ / executable("Vandrel")).string(), args, working_dir.empty() ? work_ : working_dir,
                       with_log(env, log()));
}

int ProgramDir::run_and_stop(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                             const std::function<bool()>& ready, bool gently) const {
    return run_program_and_stop((dir_ / executable("Vandrel")).string(), args, work_, with_log(env, log()), ready,
                                gently);
}

RunResult ProgramDir::run_line(const std::string& arguments, const std::map<std::string, std::string>& env) const {
    return run_program_line((dir_ / executable("Vandrel")).string(), arguments, work_, with_log(env, log()));
}

std::vector<std::vector<std::string>> ProgramDir::starts() const {
    std::vector<std::vector<std::string>> result;
    std::istringstream lines(read_file(log()));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(unescape(field));
        result.push_back(fields);
    }
    return result;
}

std::vector<std::string> ProgramDir::files_ending(const std::string& suffix) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            names.push_back(name);
        }
    }
    return names;
}
