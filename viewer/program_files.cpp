#include "viewer/program_files.h"

#include <filesystem>

#include "platform/platform.h"
#include "viewer/invoice_versions.h"
#include "util/program_names.h"
#include "viewer_settings.h"

std::vector<std::string> program_file_names() {
    std::vector<std::string> names(std::begin(kSiblingNames), std::end(kSiblingNames));
    for (const char* name : kProgramDataNames) names.emplace_back(name);
    names.emplace_back(kViewerSettings.placeholder_image);
    names.emplace_back(kViewerSettings.rfc_table_file);
    for (const InvoiceVersion& row : invoice_version_rows()) {
        if (row.template_file) names.emplace_back(row.template_file);
        if (row.config_file) names.emplace_back(row.config_file);
    }
    const std::string own = std::filesystem::path(platform_module_path()).filename().string();
    if (!own.empty()) names.push_back(own);
    return names;
}
