// Test double for every sibling program: records how it was started and acts as
// told through the environment.
//
// RECORDER_LOG       file that receives one line per start: name, working
//                    directory and arguments, separated by tabs
// RECORDER_<NAME>    actions, separated by ";" (NAME: the file name up to its first
//                    point, in capitals, e.g. QUENDA for Quenda.exe):
//                      exit=N             end with exit code N
//                      sleep=S            sleep S seconds first
//                      copy=SRC>I         copy file SRC onto the I-th argument
//                      keep=I>DEST        copy the I-th argument's file to DEST
//                      probe=FILE         record whether FILE exists (probe=1/0)
//                      probe=*.bmp        the same for the first argument's name with .bmp for its extension
//                      show=I             record the I-th argument's file content (show=...)
//                      grandchild=PIDFILE start a long-lived child, write its id to PIDFILE
//                      session=PIDFILE    the same, the child in a session of its own (POSIX)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

std::string escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

std::string content_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool copy_file(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return static_cast<bool>(out);
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// The actions of RECORDER_<KEY>, in order.
std::vector<std::string> actions_of(const std::string& key) {
    const char* actions_env = std::getenv(("RECORDER_" + key).c_str());
    std::vector<std::string> actions;
    std::stringstream split(actions_env ? actions_env : "");
    for (std::string action; std::getline(split, action, ';');) {
        if (!action.empty()) actions.push_back(action);
    }
    return actions;
}

// Name, working directory and arguments, separated by tabs.
std::string record_of(const std::string& name, int argc, char** argv) {
    std::string cwd;
    platform_get_current_dir(cwd);
    std::string record = escape(name);
    record += '\t';
    record += escape(cwd);
    for (int i = 1; i < argc; ++i) {
        record += '\t';
        record += escape(argv[i]);
    }
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    std::string name = argv[0];
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::string key = name.substr(0, name.find('.'));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    // Internal role: the long-lived grandchild.
    if (argc == 3 && std::string(argv[1]) == "--grandchild") {
        std::ofstream(argv[2]) << platform_process_id() << "\n";
        platform_sleep_ms(60000);
        return 0;
    }

    std::string record = record_of(name, argc, argv);
    int exit_code = 0;
    auto arg = [&](const std::string& index) -> std::string {
        const int i = std::atoi(index.c_str());
        return (i >= 1 && i < argc) ? argv[i] : "";
    };
    auto probed = [&](const std::string& value) -> std::string {
        if (value != "*.bmp") return value;
        const std::string first = arg("1");
        return first.substr(0, first.rfind('.')) + ".bmp";
    };
    for (const std::string& action : actions_of(key)) {
        const size_t eq = action.find('=');
        const std::string verb = action.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : action.substr(eq + 1);
        const size_t gt = value.find('>');
        if (verb == "exit") exit_code = std::atoi(value.c_str());
        else if (verb == "sleep") platform_sleep_ms(std::atoi(value.c_str()) * 1000);
        else if (verb == "copy" && gt != std::string::npos) copy_file(value.substr(0, gt), arg(value.substr(gt + 1)));
        else if (verb == "keep" && gt != std::string::npos) copy_file(arg(value.substr(0, gt)), value.substr(gt + 1));
        else if (verb == "show") record += "\tshow=" + escape(content_of(arg(value)));
        else if (verb == "probe") record += std::string("\tprobe=") + (exists(probed(value)) ? "1" : "0");
        else if (verb == "grandchild" || verb == "session") {
            const std::string self = platform_module_path();
            // Started through the system's shell without waiting, so that it belongs
            // to this program's tree but outlives the shell.
            const bool windows = platform_dir_separator() == '\\';
            const std::string start = "\"" + self + "\" --grandchild \"" + value + "\"";
            const std::string detached = verb == "session" ? "setsid " + start : start;
            const std::string line = windows ? "start \"\" /B " + start : detached + " &";
            if (std::system(line.c_str()) != 0) exit_code = 90;
            for (int i = 0; i < 200 && !exists(value); ++i) platform_sleep_ms(10);
        }
    }
    if (const char* log = std::getenv("RECORDER_LOG")) {
        std::ofstream(log, std::ios::app | std::ios::binary) << record << "\n";
    }
    return exit_code;
}
