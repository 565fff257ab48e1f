#include "exec/command_template.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "util/kvlist.h"
#include "util/linelist.h"

namespace {

// Text with a mark for each byte that a placeholder inserted: such bytes are
// never read again as template text.
struct Expansion {
    std::string text;
    std::vector<bool> inserted;
    void append(const std::string& piece, size_t from, size_t count, bool by_placeholder) {
        text.append(piece, from, count);
        inserted.resize(text.size(), by_placeholder);
    }
};

// Whether the text so far leaves the command line inside a quoted stretch, read
// by the Microsoft C runtime's rules (a quote after an odd number of
// backslashes is a character, not a quote).
struct QuoteState {
    bool inside = false;
    bool escaping = false;  // an odd number of backslashes came just before
    void feed(char c) {
        if (c == '"' && !escaping) inside = !inside;
        escaping = c == '\\' && !escaping;
    }
};

// Text that goes inside a quoted stretch, escaped so that it stays part of it:
// a quote after its backslashes doubled and one more, and the backslashes at
// its end doubled when the stretch closes right after it.
std::string escaped_for_quotes(const std::string& text, bool quote_follows) {
    std::string out;
    size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(quote_follows ? backslashes * 2 : backslashes, '\\');
    return out;
}

// What a placeholder's name stands for: the path as it is, an argument enclosed
// so that it arrives as one argument whatever it holds, or nothing.
std::string placeholder_value(const std::string& name, const char* path, int arg_count, const char* const* args) {
    if (ascii_casecmp(name.c_str(), "file") == 0) return path;
    // atoi's reading (blanks, a sign, digits), saturating instead of overflowing.
    const long long number = std::strtoll(name.c_str(), nullptr, 10);
    if (number >= 1 && number <= arg_count && args && args[number - 1]) return msvcrt_enclose_argument(args[number - 1]);
    return std::string();
}

// One pass with one delimiter over `in`, whose inserted bytes are not delimiters;
// returns whether a placeholder was met.
bool expand_pass(const Expansion& in, char delimiter, const char* path, int arg_count, const char* const* args,
                 Expansion& out) {
    const auto find = [&](size_t from) {
        size_t at = in.text.find(delimiter, from);
        while (at != std::string::npos && in.inserted[at]) at = in.text.find(delimiter, at + 1);
        return at;
    };
    bool found = false;
    size_t cursor = 0;
    QuoteState quotes;
    const auto copy = [&](size_t from, size_t to) {
        for (size_t at = from; at < to; ++at) {
            out.append(in.text, at, 1, in.inserted[at]);
            quotes.feed(in.text[at]);
        }
    };
    for (;;) {
        const size_t open = find(cursor);
        const size_t close = open == std::string::npos ? open : find(open + 1);
        if (close == std::string::npos) {
            // The rest, an odd delimiter included, as it stands, each byte keeping its mark.
            copy(cursor, in.text.size());
            return found;
        }
        copy(cursor, open);
        found = true;
        std::string value = placeholder_value(in.text.substr(open + 1, close - open - 1), path, arg_count, args);
        // Inside a quoted stretch the value stays part of the one argument it is written in.
        if (quotes.inside) value = escaped_for_quotes(value, close + 1 < in.text.size() && in.text[close + 1] == '"');
        out.append(value, 0, value.size(), true);
        for (const char c : value) quotes.feed(c);
        cursor = close + 1;
    }
}

}  // namespace

StrBuf* expand_command_template(const char* template_text, const char* path, int arg_count,
                                const char* const* args) {
    if (!path) path = "";
    Expansion source;
    const std::string text = template_text ? template_text : "";
    source.append(text, 0, text.size(), false);
    Expansion first;
    Expansion expanded;
    const bool found_dollar = expand_pass(source, '$', path, arg_count, args, first);
    const bool found_percent = expand_pass(first, '%', path, arg_count, args, expanded);
    std::string& second = expanded.text;
    if (!found_dollar && !found_percent) second.append(" \"").append(path).append("\"");
    StrBuf* result = nullptr;
    if (!strbuf_reserve_for(&result, static_cast<int64_t>(second.size())) ||
        !strbuf_append_bytes(&result, second.data(), static_cast<int64_t>(second.size()))) {
        strbuf_free(result);
        return nullptr;
    }
    return result;
}

int run_issuer_command(const char* rfc, const char* path, int arg_count, const char* const* args,
                       const IssuerCommands& commands) {
    if (!rfc) return kNoIssuerCommand;
    LineListPtr table(linelist_read_file(commands.table_file));
    if (!table) return kNoIssuerCommand;
    for (Line* line = linelist_first(table.get()); line; line = linelist_next(table.get())) {
        const char* equals = static_cast<const char*>(std::memchr(line->text, '=', static_cast<size_t>(line->length)));
        if (!equals) continue;
        // The key is every byte before the first "=", exactly.
        const std::string key(line->text, static_cast<size_t>(equals - line->text));
        if (key.size() != std::strlen(rfc) || ascii_casecmp(key.c_str(), rfc) != 0) continue;
        StrBufPtr command(expand_command_template(equals + 1, path, arg_count, args));
        if (!command) return kNoIssuerCommand;
        return run_command(strbuf_text(command.get()), nullptr, 1, 0, commands.run);
    }
    return kNoIssuerCommand;
}
