#include "viewer/run_state.h"

#include "platform/platform.h"
#include "viewer/program_files.h"
#include "viewer/startup.h"
#include "viewer_settings.h"

namespace {

// The run's own files go with it, however it ends.
void remove_run_file(const std::string& path) {
    if (path.empty()) return;
    platform_remove_file(path.c_str());
    platform_forget_on_stop(path.c_str());
}

}  // namespace

ViewerRun::~ViewerRun() {
    remove_run_file(temp_doc_path);
    remove_run_file(qr_bitmap_path);
    remove_run_file(decrypted_path);
    string_table_free(args, kArgSlots, kArgSlotSize);
}

ImageLookup image_lookup_of(const ViewerRun& run) {
    ImageLookup lookup;
    lookup.program_dir = run.app_dir;
    lookup.issuer_rfc = run.issuer_rfc.get();
    if (run.placeholder_present) lookup.placeholder = kViewerSettings.placeholder_image;
    lookup.base_url = kViewerSettings.image_base_url;
    lookup.fetch_limits = viewer_fetch_limits();
    lookup.fetch = run.image_fetch;
    lookup.program_files = program_file_names();
    return lookup;
}
