#pragma once
// The working values of one run of the viewer, from start-up to the last clean-up.
// Every lower layer gets what it needs of them passed down.
// Results in viewer/: every operation that can end the run gives its exit code,
// 0 for a run that ends well; a check gives a bool; a table lookup the row, or
// null for none.
#include <libxml/tree.h>

#include <string>

#include "document/image_refs.h"
#include "util/strbuf.h"
#include "viewer/layer_settings.h"
#include "xml/invoice.h"
#include "xml/value_limit.h"

struct ViewerRun {
    RunSettings run_settings = viewer_run_settings();  // where messages go, and how siblings are run
    char** args = nullptr;  // kArgSlots slots of kArgSlotSize bytes
    int arg_count = 0;
    size_t input_length = 0;  // the first argument's length before it was cut to a slot
    std::string input_path;
    std::string full_path;
    std::string input_dir;
    std::string base_name;
    std::string extension;
    std::string app_dir;  // the program's directory, once the working directory is settled

    InvoicePtr invoice;
    std::string invoice_version;       // the Comprobante's version attribute
    StrBufPtr issuer_rfc;              // the issuer's RFC, or none
    bool placeholder_present = false;  // the placeholder image lies in the working directory
    ImageFetch image_fetch = fetch_to_file;
    ValueLimit value_limit{};           // how large a value read from the document may be
    bool program_dir_writable = false;  // checked once, before the run's first write there
    std::string stamp;           // names the run's own files, so that no other run meets them
    std::string temp_doc_path;   // the document the renderer gets
    std::string qr_bitmap_path;  // set only when the QR bitmap was asked for
    std::string decrypted_path;  // set only when the input was given to the decrypter

    ViewerRun() = default;
    ViewerRun(const ViewerRun&) = delete;
    ViewerRun& operator=(const ViewerRun&) = delete;
    ~ViewerRun();  // removes the run's files, takes them off the stop list and frees the argument table

    const Reporter& reporter() const { return run_settings.reporter; }
};

// What image localisation needs of the run.
ImageLookup image_lookup_of(const ViewerRun& run);
// Derives directory, base name, extension and full path from run.input_path;
// 0, or the system error code after its box.
int settle_input_paths(ViewerRun& run);
int dispatch_document(ViewerRun& run);
int hand_off_document(ViewerRun& run, xmlNodePtr element, int decode_tokens);
int start_renderer(ViewerRun& run, const std::string& document_name);
int open_in_browser(const ViewerRun& run);
