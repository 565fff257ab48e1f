#pragma once
// A program directory of its own for one test: the viewer, doubles under the
// siblings' names, and a run of the real binary with its exit code and messages.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct RunResult {
    int exit_code = -1;   // as this system's parent sees it (see exit_code_as_seen)
    std::string messages; // everything written to standard error (the message boxes)
    long peak_memory_kb = -1;  // the child's peak resident memory; -1 where the system does not tell
};

// Runs a program with arguments and extra environment in a working directory.
RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& working_dir,
                      const std::map<std::string, std::string>& env);

class ProgramDir {
public:
    ProgramDir();
    ~ProgramDir();
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    const fs::path& root() const { return root_; }      // holds dir/ and work/
    const fs::path& dir() const { return dir_; }        // the program's directory
    const fs::path& work() const { return work_; }      // a working directory elsewhere
    fs::path log() const { return root_ / "recorder.log"; }

    // Installs the recording double under a sibling's name, or the real stand-in.
    void add_double(const std::string& sibling_name);
    void add_stand_in(const std::string& sibling_name);
    // A recording double under the name of every sibling the viewer starts.
    void add_doubles_of_siblings();
    void add_templates();
    // The generic templates of CFDI 3.3 and 4.0, which an installation may lack.
    void add_newer_templates();
    void write(const fs::path& path, const std::string& bytes) const;
    std::string read(const fs::path& path) const;

    RunResult run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                  const fs::path& working_dir = {}) const;
    // The viewer started and stopped once `ready` holds (see run_program_and_stop).
    int run_and_stop(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                     const std::function<bool()>& ready, bool gently) const;
    // The same with the command line after the program's name exactly as written.
    RunResult run_line(const std::string& arguments, const std::map<std::string, std::string>& env = {}) const;
    // The recorded starts: one vector per start (name, working directory, arguments...).
    std::vector<std::vector<std::string>> starts() const;
    // Files in the program's directory whose name matches `suffix` at the end.
    std::vector<std::string> files_ending(const std::string& suffix) const;

private:
    fs::path root_;
    fs::path dir_;
    fs::path work_;
};

std::string read_file(const fs::path& path);
// The desktop's opener the viewer starts for a file that is no invoice: a recording
// double of it lies in every program directory, so that no test starts the real one.
std::string opener_name();
std::string latin1(const std::string& utf8);
// An entity-expansion bomb: `levels` entities, each ten references to the one before,
// used in the text of `<root>`; `root_attributes` go on the root element.
std::string entity_bomb(int levels, const std::string& root, const std::string& body_prefix = "");
