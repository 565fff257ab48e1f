#include "exec/command_template.h"

#include <climits>
#include <cstring>
#include <string>

#include "exec/runner.h"
#include "util/kvlist.h"
#include "util/linelist.h"
#include "viewer_settings.h"

namespace {

// atoi's reading (blanks, a sign, digits), saturating instead of overflowing.
long long leading_number(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && (name[i] == ' ' || (name[i] >= '\t' && name[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
    long long value = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        if (value < INT_MAX) value = value * 10 + (name[i] - '0');
    }
    return negative ? -value : value;
}

// One pass with one delimiter; returns whether a placeholder was met.
bool expand_pass(const std::string& text, char delimiter, const char* path, int arg_count, const char* const* args,
                 std::string& out) {
    bool found = false;
    size_t cursor = 0;
    for (;;) {
        const size_t open = text.find(delimiter, cursor);
        if (open == std::string::npos) {
            out.append(text, cursor, std::string::npos);
            return found;
        }
        out.append(text, cursor, open - cursor);
        const size_t close = text.find(delimiter, open + 1);
        if (close == std::string::npos) {
            out.append(text, open, std::string::npos);
            return found;
        }
        found = true;
        const std::string name = text.substr(open + 1, close - open - 1);
        const long long number = leading_number(name);
        if (ascii_casecmp(name.c_str(), "file") == 0) {
            out += path;
        } else if (number >= 1 && number <= arg_count && args && args[number - 1]) {
            out += '"';
            out += args[number - 1];
            out += '"';
        }
        cursor = close + 1;
    }
}

}  // namespace

StrBuf* expand_command_template(const char* template_text, const char* path, int arg_count,
                                const char* const* args) {
    if (!path) path = "";
    std::string first;
    std::string second;
    const bool found_dollar = expand_pass(template_text ? template_text : "", '$', path, arg_count, args, first);
    const bool found_percent = expand_pass(first, '%', path, arg_count, args, second);
    if (!found_dollar && !found_percent) {
        second += " \"";
        second += path;
        second += '"';
    }
    StrBuf* result = nullptr;
    if (!strbuf_reserve_for(&result, static_cast<int64_t>(second.size())) ||
        !strbuf_append_bytes(&result, second.data(), static_cast<int64_t>(second.size()))) {
        strbuf_free(result);
        return nullptr;
    }
    return result;
}

int run_issuer_command(const char* rfc, const char* path, int arg_count, const char* const* args) {
    if (!rfc) return kNoIssuerCommand;
    LineListPtr table(linelist_read_file(kViewerSettings.rfc_table_file));
    if (!table) return kNoIssuerCommand;
    for (Line* line = linelist_first(table.get()); line; line = linelist_next(table.get())) {
        const char* equals = static_cast<const char*>(std::memchr(line->text, '=', static_cast<size_t>(line->length)));
        if (!equals) continue;
        // The key is every byte before the first "=", exactly.
        const std::string key(line->text, static_cast<size_t>(equals - line->text));
        if (key.size() != std::strlen(rfc) || ascii_casecmp(key.c_str(), rfc) != 0) continue;
        StrBufPtr command(expand_command_template(equals + 1, path, arg_count, args));
        if (!command) return kNoIssuerCommand;
        return run_command(strbuf_text(command.get()), nullptr, 1, 0);
    }
    return kNoIssuerCommand;
}
