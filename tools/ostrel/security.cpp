#include "tools/ostrel/security.h"

#include <libxslt/xsltInternals.h>

#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The check libxslt calls for every file read; the run's record says what may be read.
int check_read(xsltSecurityPrefsPtr, xsltTransformContextPtr context, const char* path) {
    auto* run = context ? static_cast<TransformRun*>(context->_private) : nullptr;
    if (run && read_allowed(run->reads, path)) return 1;
    if (run) run->failed = true;
    if (context) context->state = XSLT_STATE_STOPPED;
    return 0;
}

fs::path canonical_or_empty(const std::string& text) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::path(text), error);
    return error ? fs::path() : path;
}

}  // namespace

bool read_allowed(const ReadRule& rule, const char* path) {
    if (!path || !*path) return false;
    std::string text = path;
    // A Windows file URL's path keeps a slash before its drive letter: "/C:/...".
    if (text.size() > 2 && text[0] == '/' && std::isalpha(static_cast<unsigned char>(text[1])) && text[2] == ':') {
        text.erase(0, 1);
    }
    const fs::path wanted = canonical_or_empty(text);
    if (wanted.empty()) return false;
    if (!rule.template_file.empty() && wanted == rule.template_file) return true;
    if (rule.program_dir.empty() || wanted.parent_path() != rule.program_dir) return false;
    const std::string name = wanted.filename().string();
    for (const std::string& data_file : rule.data_files) {
        if (name == data_file) return true;
    }
    return false;
}

SecurityPrefsPtr security_prefs_new() {
    SecurityPrefsPtr prefs(xsltNewSecurityPrefs());
    if (!prefs) return prefs;
    const xsltSecurityOption forbidden[] = {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                            XSLT_SECPREF_WRITE_NETWORK, XSLT_SECPREF_READ_NETWORK};
    for (const xsltSecurityOption option : forbidden) {
        if (xsltSetSecurityPrefs(prefs.get(), option, xsltSecurityForbid) != 0) return nullptr;
    }
    if (xsltSetSecurityPrefs(prefs.get(), XSLT_SECPREF_READ_FILE, check_read) != 0) return nullptr;
    return prefs;
}
