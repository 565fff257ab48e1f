#pragma once
// Values that live for the whole run and are read across subsystems.
#include <string>

#include "util/strbuf.h"

extern std::string app_dir;          // the program's directory, once the working directory is settled
extern int placeholder_present;      // the placeholder image exists in the working directory
extern std::string invoice_version;  // version attribute of the invoice's root element
extern StrBuf* issuer_rfc;           // the issuer's RFC, or none
extern const char* image_base_url;   // the image server's base URL (built in)
