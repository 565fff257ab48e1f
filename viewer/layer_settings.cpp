#include "viewer/layer_settings.h"

#include "viewer_settings.h"

RunSettings viewer_run_settings() {
    RunSettings settings;
    settings.reporter = message_box_reporter(kViewerSettings.caption);
    settings.timeout_ms = kViewerSettings.command_timeout_ms;
    return settings;
}

IssuerCommands viewer_issuer_commands(const RunSettings& run) {
    IssuerCommands commands;
    commands.table_file = kViewerSettings.rfc_table_file;
    commands.run = run;
    return commands;
}

FetchLimits viewer_fetch_limits() {
    FetchLimits limits;
    limits.image_timeout_ms = kViewerSettings.image_timeout_ms;
    limits.budget_ms = kViewerSettings.fetch_budget_ms;
    limits.max_bytes = kViewerSettings.image_max_bytes;
    return limits;
}
