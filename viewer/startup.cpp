#include "viewer/startup.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exec/command_line.h"
#include "exec/runner.h"
#include "platform/platform.h"
#include "util/diagnostics.h"
#include "util/kvlist.h"
#include "util/memory.h"
#include "util/paths.h"
#include "util/results.h"
#include "viewer/run_state.h"
#include "viewer_settings.h"
#include "xml/parse.h"

namespace {

constexpr size_t kPathLimit = kArgSlotSize - 1;

}  // namespace

// Derives directory, base name, extension and full path of run.input_path.
// 0, or the system error code after its box.
int settle_input_paths(ViewerRun& run) {
    const char separator = platform_dir_separator();
    const std::string& input = run.input_path;
    std::string current;
    run.input_dir = path_directory_of(input, platform_dir_separator());
    if (run.input_dir.empty()) {
        if (!platform_get_current_dir(current)) return static_cast<int>(show_system_error(run.reporter()));
        run.input_dir = current;
    }
    std::vector<char> part(input.size() + 1);
    path_base_name(input.c_str(), part.data(), input.size(), separator);
    run.base_name = part.data();
    path_extension(input.c_str(), part.data(), input.size());
    run.extension = part.data();
    if (platform_path_is_absolute(input.c_str())) {
        run.full_path = input;
    } else {
        if (current.empty() && !platform_get_current_dir(current)) {
            return static_cast<int>(show_system_error(run.reporter()));
        }
        run.full_path = current + separator + input;
    }
    return 0;
}

char** string_table_new(int count, int size) {
    if (count <= 0 || size <= 0) return nullptr;
    char** table = static_cast<char**>(memory_take_zeroed(static_cast<size_t>(count) * sizeof(char*)));
    if (!table) return nullptr;
    for (int i = 0; i < count; ++i) {
        table[i] = static_cast<char*>(memory_take(static_cast<size_t>(size)));
        if (!table[i]) {
            string_table_free(table, count, size);
            return nullptr;
        }
    }
    return table;
}

void string_table_free(char** table, int count, int) {
    if (!table) return;
    for (int i = 0; i < count; ++i) {
        std::free(table[i]);
        table[i] = nullptr;
    }
    std::free(table);
}

int split_command_line(const char* text, char** table, int count, int size, size_t* first_length) {
    if (!text || !table || size <= 0) return 0;  // no slots: the loop stores none
    const size_t length = std::strlen(text);
    if (length == 0) return 0;
    size_t at = 0;
    int stored = 0;
    while (stored < count) {
        while (text[at] == ' ') ++at;  // only spaces separate arguments; the terminator ends the run
        if (at >= length) break;
        const size_t start = at;
        // A stretch opened by one kind of quote is closed only by the same kind, so
        // that an apostrophe inside a double-quoted path is an apostrophe.
        char open_quote = 0;
        while (at < length && (open_quote || text[at] != ' ')) {
            if (open_quote == 0 && (text[at] == '"' || text[at] == '\'')) open_quote = text[at];
            else if (text[at] == open_quote) open_quote = 0;
            ++at;
        }
        const char* first = text + start;
        size_t n = at - start;
        const bool is_quote = *first == '"' || *first == '\'';
        if (is_quote && (n == 1 || first[n - 1] == *first)) {
            // Between matching quotes; a lone quote at the very end gives the empty argument.
            first += 1;
            n = n == 1 ? 0 : n - 2;
        }
        if (stored == 0 && first_length) *first_length = n;
        if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
        std::memcpy(table[stored], first, n);
        table[stored][n] = '\0';
        ++stored;
    }
    return stored;
}

void show_usage(const Reporter& reporter) {
    report_message(reporter,
                   "Argumentos inv\xe1lidos.\nUsar:\n   Vandrel archivo.xml [<parametros Quenda>]",
                   MESSAGE_ICON_WARNING);
}

namespace {

// libxml2's global state lives exactly as long as the run, so that leak checks see only real leaks.
struct XmlLibraryScope {
    XmlLibraryScope() { xml_setup(); }
    ~XmlLibraryScope() { xml_teardown(); }
};

int run_viewer(ViewerRun& run) {
    if (!run.args) return kUsage;
    if (run.arg_count == 0) {
        show_usage(run.reporter());
        return kUsage;
    }
    run.input_path = run.args[0];
    if (run.input_length > kPathLimit) {
        // Cut to the limit it would name another file, or none: say why it is not opened.
        report_message(run.reporter(),
                       "La ruta del archivo es demasiado larga para el programa (m\xe1s de 259 caracteres)",
                       MESSAGE_ICON_ERROR);
        return kNoSuchFile;
    }
    if (!platform_file_readable(run.input_path.c_str())) {
        report_message(run.reporter(), "Archivo no existe", MESSAGE_ICON_ERROR);
        return kNoSuchFile;
    }
    platform_set_last_error(0);
    const std::string module = platform_module_path();
    if (module.empty()) return static_cast<int>(show_system_error(run.reporter()));
    const std::string own_dir = path_directory_of(module, platform_dir_separator());
    if (own_dir.empty()) return kNoOwnDirectory;

    if (const int failure = settle_input_paths(run)) return failure;
    // Whatever folder the program was started in, siblings, tables and images are found beside it.
    if (!platform_set_current_dir(own_dir.c_str())) return static_cast<int>(show_system_error(run.reporter()));
    run.app_dir = own_dir;

    if (ascii_casecmp(run.extension.c_str(), "vqd") == 0) {
        // The renderer runs in the program's directory: a relative name would name another file there.
        const std::string command = command_line_from({as_word(kViewerSettings.renderer_exe), as_name(run.full_path)});
        return run_command(command.c_str(), nullptr, 1, 0, run.run_settings);
    }
    return dispatch_document(run);
}

}  // namespace

int viewer_main_argv(int count, char** argv, ImageFetch image_fetch) {
    const XmlLibraryScope xml_library;
    ViewerRun run;
    run.image_fetch = image_fetch;
    run.args = string_table_new(kArgSlots, kArgSlotSize);
    for (int i = 0; run.args && i < count && run.arg_count < kArgSlots; ++i) {
        const std::string whole = argv[i] ? argv[i] : "";
        if (run.arg_count == 0) run.input_length = whole.size();
        const std::string arg = whole.substr(0, kPathLimit);
        std::memcpy(run.args[run.arg_count++], arg.c_str(), arg.size() + 1);
    }
    return run_viewer(run);
}

int viewer_main_text(const char* command_text) {
    const XmlLibraryScope xml_library;
    ViewerRun run;
    run.args = string_table_new(kArgSlots, kArgSlotSize);
    if (run.args) {
        run.arg_count = split_command_line(command_text, run.args, kArgSlots, kArgSlotSize, &run.input_length);
    }
    return run_viewer(run);
}
