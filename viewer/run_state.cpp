#include "viewer/run_state.h"

#include "platform/platform.h"
#include "viewer/startup.h"

ViewerRun::~ViewerRun() {
    if (!temp_doc_path.empty()) platform_forget_on_stop(temp_doc_path.c_str());
    if (!qr_bitmap_path.empty()) platform_forget_on_stop(qr_bitmap_path.c_str());
    string_table_free(args, kArgSlots, kArgSlotSize);
}

ImageLookup image_lookup_of(const ViewerRun& run) {
    ImageLookup lookup;
    lookup.program_dir = run.app_dir;
    lookup.issuer_rfc = run.issuer_rfc.get();
    lookup.placeholder_present = run.placeholder_present;
    lookup.fetch = run.image_fetch;
    return lookup;
}
