#pragma once
// Per-issuer command templates: "$" and "%" placeholders filled with the invoice's
// path and the program's own arguments; and the RFC table that names them.
#include "exec/runner.h"
#include "util/strbuf.h"
#include "util/results.h"

// Where the issuers' commands are listed and how they are run.
struct IssuerCommands {
    const char* table_file = "";  // opened by this name in the working directory
    RunSettings run;
};

StrBuf* expand_command_template(const char* template_text, const char* path, int arg_count,
                                const char* const* args);
// 510 when the table cannot be opened or lists no command for the RFC; else the runner's result.
int run_issuer_command(const char* rfc, const char* path, int arg_count, const char* const* args,
                       const IssuerCommands& commands);

