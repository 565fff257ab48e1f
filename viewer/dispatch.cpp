// An invoice opened: parsed (decrypted first when it does not parse), classified
// by its Comprobante root and version, and sent down one road to the renderer.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "document/image_refs.h"
#include "exec/command_line.h"
#include "exec/command_template.h"
#include "exec/runner.h"
#include "platform/platform.h"
#include "util/diagnostics.h"
#include "util/kvlist.h"
#include "util/latin1.h"
#include "util/results.h"
#include "viewer/invoice_versions.h"
#include "viewer/run_state.h"
#include "viewer/startup.h"
#include "util/program_names.h"
#include "viewer_settings.h"
#include "xml/parse.h"
#include "xml/xml_errors.h"

namespace {

bool version_is(const std::string& version, const char* text) { return ascii_casecmp(version.c_str(), text) == 0; }

// Nothing has been written and no sibling started for this document yet.
int refuse_oversized_invoice(const ViewerRun& run) {
    report_message(run.reporter(), "El comprobante excede el tama\xf1o permitido para visualizarse",
                   MESSAGE_ICON_WARNING);
    return kValueTooLarge;
}

// 0 when the program's directory takes files; otherwise its message box and 515.
int ensure_program_dir_writable(ViewerRun& run) {
    // Asked of the system once a run.
    if (!run.program_dir_writable) run.program_dir_writable = platform_dir_writable(run.app_dir.c_str());
    if (run.program_dir_writable) return 0;
    // Every road that writes fails in its own way there; one clear message instead.
    const std::string message = "No se puede escribir en la carpeta del programa " + run.app_dir +
                                ". Instale Tesmira Viewer en una carpeta en la que su usuario pueda escribir.";
    report_message(run.reporter(), message.c_str(), MESSAGE_ICON_WARNING);
    return kProgramDirNotWritable;
}

// The embedded document's version: the attribute "version" in no namespace.
xmlAttrPtr embedded_version(xmlNodePtr element) {
    return xmlHasNsProp(element, reinterpret_cast<const xmlChar*>("version"), nullptr);
}

// A root's version: "version" in any case of its letters (CFD writes VERSION too).
xmlAttrPtr root_version_attribute(xmlNodePtr root) {
    for (xmlAttrPtr attribute = root->properties; attribute; attribute = attribute->next) {
        if (ascii_casecmp(reinterpret_cast<const char*>(attribute->name), "version") == 0) return attribute;
    }
    return nullptr;
}

// The embedded document and its version, both of which the hand-off reads.
bool embedded_fits(ViewerRun& run, xmlNodePtr element) {
    const xmlAttr* version = embedded_version(element);
    return value_fits(element, run.value_limit) &&
           (!version || value_fits(reinterpret_cast<const xmlNode*>(version), run.value_limit));
}

// The limit for the invoice's values, and the whole document sized against it
// before any sibling reads it: 0, or the refusal.
int size_document(ViewerRun& run, const xmlDoc* document, const std::string& parsed_file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(parsed_file, error);
    const int64_t file_size = error ? 0 : static_cast<int64_t>(size);
    run.value_limit = value_limit_for_file(file_size);
    return document_fits(document, file_size, run.value_limit) ? 0 : refuse_oversized_invoice(run);
}

// Every version attribute is read this one way; none present reads as empty.
std::string attribute_text(xmlAttrPtr attribute) {
    if (!attribute) return std::string();
    if (attribute->type == XML_ATTRIBUTE_DECL) {
        // A default the document's own DTD declares for the attribute.
        const xmlChar* declared = reinterpret_cast<const xmlAttribute*>(attribute)->defaultValue;
        return declared ? reinterpret_cast<const char*>(declared) : "";
    }
    xmlChar* value = xmlNodeListGetString(attribute->doc, attribute->children, 1);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// 0, or the refusal of a program folder that cannot take the bitmap.
int draw_qr_code(ViewerRun& run, const InvoiceReading& reading) {
    if (const int refused = ensure_program_dir_writable(run)) return refused;
    // Named after the run's document, where the renderer looks for it.
    run.qr_bitmap_path = run.temp_doc_path.substr(0, run.temp_doc_path.rfind('.')) + ".bmp";
    platform_remove_on_stop(run.qr_bitmap_path.c_str());
    const std::string command = command_line_from({as_word(kViewerSettings.qr_tool_exe),
                                                   as_word("-o"),
                                                   as_name(run.qr_bitmap_path),
                                                   as_word("-z"),
                                                   as_word("10"),
                                                   as_word("-t"),
                                                   as_word("BMP"),
                                                   as_word(reading.qr_text)});
    run_command(command.c_str(), nullptr, 1, 0, run.run_settings);
    return 0;
}

// The embedded element's version decides decoding: absent or empty on, "1.0" off.
int hand_off_by_version(ViewerRun& run, xmlNodePtr element) {
    const std::string text = attribute_text(embedded_version(element));
    if (!text.empty() && !version_is(text, "1.0")) {
        std::string latin1(text.size(), '\0');
        latin1.resize(utf8_to_latin1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), latin1.data()));
        const std::string message = "Version de VQD " + latin1 + " no es soportada en esta instalaci\xf3n";
        report_message(run.reporter(), message.c_str(), MESSAGE_ICON_WARNING);
        return kUnsupportedEmbeddedVersion;
    }
    if (const int refused = ensure_program_dir_writable(run)) return refused;
    return hand_off_document(run, element, text.empty() ? 1 : 0);
}

int run_generic_template(ViewerRun& run, const InvoiceVersion& row) {
    if (const char* template_file = generic_template_of(row)) {
        if (const int refused = ensure_program_dir_writable(run)) return refused;
        const std::string command =
            command_line_from({as_word(kViewerSettings.converter_exe), as_name(run.full_path), as_name(template_file),
                               as_name(run.temp_doc_path), as_word("-c"), as_name(row.config_file)});
        run_command(command.c_str(), nullptr, 1, 0, run.run_settings);
    }
    if (!platform_file_readable(run.temp_doc_path.c_str())) {
        report_message(run.reporter(),
                       "Ha ocurrido un problema en el uso de la plantilla gen\xe9rica de visualizaci\xf3n",
                       MESSAGE_ICON_WARNING);
        return kGenericTemplateFailed;
    }
    localise_file_in_place(run.temp_doc_path.c_str(), image_lookup_of(run));
    return start_renderer(run, run.temp_doc_path);
}

// The root's version, sized first; false when it is too large to be read.
bool read_root_version(ViewerRun& run, xmlNodePtr root) {
    const xmlAttrPtr version = root_version_attribute(root);
    if (version && !value_fits(reinterpret_cast<const xmlNode*>(version), run.value_limit)) return false;
    run.invoice_version = attribute_text(version);
    return true;
}

// A document the table knows by its root: `row`, or the Comprobante's row of its version.
int invoice_road(ViewerRun& run, xmlNodePtr root, const InvoiceVersion* known_row) {
    if (!known_row && !read_root_version(run, root)) return refuse_oversized_invoice(run);
    const InvoiceVersion& row = known_row ? *known_row : invoice_version_row(run.invoice_version.c_str());
    InvoiceReading reading = read_invoice(*run.invoice, row, run.value_limit);
    run.issuer_rfc = std::move(reading.issuer_rfc);
    // Sized before the QR tool runs: a refused invoice starts nothing.
    xmlNodePtr element = invoice_first_node(*run.invoice, "//vqd");
    if (!element) element = invoice_first_node(*run.invoice, "//fa:vqd");
    if (reading.too_large || (element && !embedded_fits(run, element))) return refuse_oversized_invoice(run);
    if (!reading.qr_text.empty()) {
        if (const int refused = draw_qr_code(run, reading)) return refused;
    }

    if (element) return hand_off_by_version(run, element);

    const char* rfc = run.issuer_rfc ? strbuf_text(run.issuer_rfc.get()) : nullptr;
    if (rfc && run_issuer_command(rfc, run.full_path.c_str(), run.arg_count, run.args,
                                  viewer_issuer_commands(run.run_settings)) == 0) {
        return 0;
    }
    return run_generic_template(run, row);
}

// Takes the decrypted copy as the input from here on. It lies in the working
// directory, which start-up made the program's own: app_dir stays as it is.
int use_decrypted_copy(ViewerRun& run, const std::string& decrypted) {
    run.input_path = decrypted;
    return settle_input_paths(run);
}

// The decrypter's refusal, with the reason the input itself did not parse.
int report_failed_decryption(const ViewerRun& run, int result) {
    // A start or a wait that failed has been told by the runner already.
    if (result != kRunCannotStart && result != kRunCannotStop) {
        report_xml_error_with_text(run.reporter(), "Error intentando desencriptar archivo");
    }
    return result;
}

// The input parsed, through the decrypter when it does not parse as it is; 0 or the run's result.
int parse_input(ViewerRun& run, XmlDocPtr& document) {
    document.reset(parse_invoice_file(run.full_path.c_str()));
    if (document) return size_document(run, document.get(), run.full_path);
    if (const int refused = ensure_program_dir_writable(run)) return refused;
    // A name of this run's own: no other run reads it, and it goes when the run ends.
    run.decrypted_path = run.base_name + "_" + run.stamp + ".xml.dec";
    platform_remove_on_stop(run.decrypted_path.c_str());
    const std::string& decrypted = run.decrypted_path;
    if (!platform_remove_if_present(decrypted.c_str())) {
        const unsigned long code = show_system_error(run.reporter());
        return code ? static_cast<int>(code) : 1;
    }
    const std::string command = command_line_from({as_word(kViewerSettings.decrypter_exe),
                                                   as_name(run.full_path),
                                                   as_name(decrypted),
                                                   as_word("-c"),
                                                   as_name("<Comprobante")});
    if (const int result = run_command(command.c_str(), nullptr, 1, 0, run.run_settings)) {
        return report_failed_decryption(run, result);
    }
    document.reset(parse_invoice_file(decrypted.c_str()));
    if (!document) return report_xml_error_with_text(run.reporter(), "Error intentando desencriptar archivo");
    if (const int failure = use_decrypted_copy(run, decrypted)) return failure;
    return size_document(run, document.get(), decrypted);
}

}  // namespace

int dispatch_document(ViewerRun& run) {
    char stamp[64];
    make_unique_stamp(stamp, sizeof stamp);
    run.stamp = stamp;
    // Named after the input as given, before a decrypted copy takes its place.
    run.temp_doc_path = run.base_name + "_" + run.stamp + ".vqd";
    platform_remove_on_stop(run.temp_doc_path.c_str());
    XmlDocPtr document;
    if (const int result = parse_input(run, document)) return result;
    run.placeholder_present = platform_file_readable(kViewerSettings.placeholder_image);
    run.invoice.reset(invoice_new(document.release()));
    if (!run.invoice) return report_xml_error(run.reporter());

    Invoice& invoice = *run.invoice;
    if (xmlNodePtr root = invoice_first_node(invoice, "/Comprobante")) return invoice_road(run, root, nullptr);
    if (xmlNodePtr root = invoice_first_node(invoice, "/cfdi:Comprobante")) return invoice_road(run, root, nullptr);
    if (xmlNodePtr root = xmlDocGetRootElement(invoice.document); root && root->ns && root->ns->href) {
        if (!read_root_version(run, root)) return refuse_oversized_invoice(run);
        const InvoiceVersion* row = document_kind_row(reinterpret_cast<const char*>(root->name),
                                                      reinterpret_cast<const char*>(root->ns->href),
                                                      run.invoice_version.c_str());
        // Without its template installed, such a document is opened as any other XML.
        if (row && generic_template_of(*row)) return invoice_road(run, root, row);
    }
    // No Comprobante: an embedded document in any namespace is still rendered.
    xmlNodePtr element = invoice_first_node(invoice, "//*[local-name()=\"vqd\"]");
    // Neither an invoice nor an embedded document (a retenciones document, an
    // acknowledgement, any other XML): shown as it is rather than closed silently.
    if (!element) return open_in_browser(run);
    if (!embedded_fits(run, element)) return refuse_oversized_invoice(run);
    return hand_off_by_version(run, element);
}

int open_in_browser(const ViewerRun& run) {
    std::string target = run.full_path;
    std::replace(target.begin(), target.end(), '\\', '/');
    // A path that begins at the root already brings the slash that ends the URL's empty host.
    if (target.starts_with('/')) target.erase(0, 1);
    const std::string parameters = "\"file:///" + target + "\"";
    intptr_t failure = 0;
    if (platform_shell_open(kWindowsBrowser, parameters.c_str(), failure)) return 0;
    show_system_error(run.reporter());
    return static_cast<int>(failure);
}
