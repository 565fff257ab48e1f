#pragma once
// Per-issuer command templates: "$" and "%" placeholders filled with the invoice's
// path and the program's own arguments; and the RFC table that names them.
#include "util/strbuf.h"
#include "util/results.h"

StrBuf* expand_command_template(const char* template_text, const char* path, int arg_count,
                                const char* const* args);
// 510 when the table cannot be opened or lists no command for the RFC; else the runner's result.
int run_issuer_command(const char* rfc, const char* path, int arg_count, const char* const* args);

