#include "util/process_values.h"

#include "viewer_settings.h"

std::string app_dir;
int placeholder_present = 0;
std::string invoice_version;
StrBuf* issuer_rfc = nullptr;
const char* image_base_url = kViewerSettings.image_base_url;
