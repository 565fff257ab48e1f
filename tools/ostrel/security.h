#pragma once
// libxslt's security preferences for a conversion: no file written, no folder
// made, nothing read or written over the network, and a file read only when it
// is the template itself or one of its data files in the program's folder.
#include <libxslt/security.h>

#include <memory>

#include "tools/ostrel/transform_run.h"

struct SecurityPrefsDeleter {
    void operator()(xsltSecurityPrefsPtr prefs) const { xsltFreeSecurityPrefs(prefs); }
};
using SecurityPrefsPtr = std::unique_ptr<xsltSecurityPrefs, SecurityPrefsDeleter>;

// Null without memory. A read asked for outside a transform (xsl:include and
// xsl:import while the template compiles) is always refused.
SecurityPrefsPtr security_prefs_new();
// The rule itself: `path` as libxslt hands it over (a file URL's path).
bool read_allowed(const ReadRule& rule, const char* path);
