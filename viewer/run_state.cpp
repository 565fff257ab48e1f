#include "viewer/run_state.h"

#include "platform/platform.h"
#include "viewer/startup.h"
#include "viewer_settings.h"

ViewerRun::~ViewerRun() {
    if (!temp_doc_path.empty()) platform_forget_on_stop(temp_doc_path.c_str());
    if (!qr_bitmap_path.empty()) platform_forget_on_stop(qr_bitmap_path.c_str());
    string_table_free(args, kArgSlots, kArgSlotSize);
}

ImageLookup image_lookup_of(const ViewerRun& run) {
    return ImageLookup{run.app_dir, run.issuer_rfc.get(), run.placeholder_present, kViewerSettings.image_base_url,
                       run.image_fetch};
}
