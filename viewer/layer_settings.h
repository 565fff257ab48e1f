#pragma once
// What each lower layer is told of the program's built-in settings: the layers
// themselves know none of them.
#include "document/fetch.h"
#include "exec/command_template.h"
#include "exec/runner.h"

// Message boxes with the program's caption, and the siblings' time limit.
RunSettings viewer_run_settings();
IssuerCommands viewer_issuer_commands(const RunSettings& run);
FetchLimits viewer_fetch_limits();
