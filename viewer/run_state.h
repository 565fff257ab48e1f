#pragma once
// The working values of one run of the viewer, from start-up to the last clean-up.
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <string>

#include "xml/value_limit.h"

struct ViewerRun {
    char** args = nullptr;  // kArgSlots slots of kArgSlotSize bytes
    int arg_count = 0;
    std::string input_path;
    std::string full_path;
    std::string input_dir;
    std::string base_name;
    std::string extension;

    xmlDocPtr document = nullptr;
    xmlXPathContextPtr context = nullptr;
    xmlXPathObjectPtr search = nullptr;  // the latest node search
    ValueLimit value_limit{};            // how large a value read from the document may be
    bool program_dir_writable = false;   // checked once, before the run's first write there
    std::string temp_doc_path;
    std::string qr_bitmap_path;  // set only when the QR bitmap was asked for

    ViewerRun() = default;
    ViewerRun(const ViewerRun&) = delete;
    ViewerRun& operator=(const ViewerRun&) = delete;
    // Releases, in this order, the issuer's RFC, the search result, the XPath
    // context, the document and the argument table.
    ~ViewerRun();
};

// Derives directory, base name, extension and full path from run.input_path;
// 0, or the system error code after its box. Optionally keeps the current directory as app_dir.
int settle_input_paths(ViewerRun& run, bool store_app_dir);
int dispatch_document(ViewerRun& run);
int hand_off_document(ViewerRun& run, xmlNodePtr element, int decode_tokens);
int start_renderer(ViewerRun& run, const std::string& document_name);
int open_in_browser(const ViewerRun& run);
// 0 when the program's directory takes files; otherwise its message box and 515.
int ensure_program_dir_writable(ViewerRun& run);
