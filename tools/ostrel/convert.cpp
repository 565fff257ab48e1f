#include "tools/ostrel/convert.h"

#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/uri.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "tools/ostrel/document_text.h"
#include "tools/ostrel/extensions.h"
#include "tools/ostrel/sanitize.h"
#include "tools/ostrel/security.h"
#include "tools/ostrel/transform_run.h"
#include "xml/parse.h"
#include "xml/value_limit.h"

namespace fs = std::filesystem;

namespace {

// The templates call no named template recursively; these leave room and stop a runaway one.
constexpr int kMaxTemplateDepth = 200;
constexpr int kMaxTemplateVars = 5000;
constexpr std::streamsize kMaxTemplateBytes = 4 << 20;
constexpr int kStylesheetParseOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA;

struct StylesheetDeleter {
    void operator()(xsltStylesheetPtr style) const { xsltFreeStylesheet(style); }
};
using StylesheetPtr = std::unique_ptr<xsltStylesheet, StylesheetDeleter>;
struct TransformContextDeleter {
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};
using TransformContextPtr = std::unique_ptr<xsltTransformContext, TransformContextDeleter>;

// While the template compiles there is no transform context: its includes and
// imports meet the default preferences, which are these for as long as this lives.
struct DefaultPrefsScope {
    explicit DefaultPrefsScope(xsltSecurityPrefsPtr prefs) { xsltSetDefaultSecurityPrefs(prefs); }
    ~DefaultPrefsScope() { xsltSetDefaultSecurityPrefs(nullptr); }
    DefaultPrefsScope(const DefaultPrefsScope&) = delete;
    DefaultPrefsScope& operator=(const DefaultPrefsScope&) = delete;
};

fs::path canonical_or_empty(const std::string& text) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::path(text), error);
    return error ? fs::path() : path;
}

bool is_plain_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

bool read_bytes(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && static_cast<std::streamsize>(out.size()) <= kMaxTemplateBytes;
}

struct XmlCharDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

// Parsed from memory: the viewer's entity loader hands out nothing but the invoice.
StylesheetPtr load_stylesheet(const fs::path& path) {
    std::string bytes;
    if (!read_bytes(path, bytes)) return nullptr;
    // Named by its file URL ("file:///C:/..." on Windows, escaped), so that libxslt's
    // checks take the template's reading of itself for a file, not for the network.
    std::unique_ptr<xmlChar, XmlCharDeleter> url(xmlPathToURI(reinterpret_cast<const xmlChar*>(path.string().c_str())));
    if (!url) return nullptr;
    XmlDocPtr document(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()),
                                     reinterpret_cast<const char*>(url.get()), nullptr, kStylesheetParseOptions));
    if (!document) return nullptr;
    StylesheetPtr style(xsltParseStylesheetDoc(document.get()));
    if (!style) return nullptr;
    document.release();  // the stylesheet owns it now
    if (style->errors > 0) return nullptr;
    return style;
}

void report_transform_error(void* data, const char* message, ...) {
    static_cast<TransformRun*>(data)->failed = true;
    std::fputs("Ostrel: ", stderr);
    va_list args;
    va_start(args, message);
    std::vfprintf(stderr, message, args);
    va_end(args);
}

bool prepare_context(xsltTransformContextPtr context, TransformRun& run, xsltSecurityPrefsPtr prefs,
                     const ConverterConfig& config) {
    context->_private = &run;
    context->maxTemplateDepth = kMaxTemplateDepth;
    context->maxTemplateVars = kMaxTemplateVars;
    xsltSetTransformErrorFunc(context, &run, report_transform_error);
    xsltSetCtxtParseOptions(context, kStylesheetParseOptions);
    const std::string missing = config_value(config, "vacio");
    const char* params[] = {"vacio", missing.c_str(), nullptr};
    return xsltSetCtxtSecurityPrefs(prefs, context) == 0 && extensions_register(context) &&
           xsltQuoteUserParams(context, params) == 0;
}

ConvertResult transform(xsltStylesheetPtr style, xmlDocPtr invoice, TransformRun& run, xsltSecurityPrefsPtr prefs,
                        const ConverterConfig& config, std::string& text) {
    TransformContextPtr context(xsltNewTransformContext(style, invoice));
    if (!context || !prepare_context(context.get(), run, prefs, config)) return kTransformFailed;
    XmlDocPtr result(xsltApplyStylesheetUser(style, invoice, nullptr, nullptr, nullptr, context.get()));
    if (!result || run.failed || context->state != XSLT_STATE_OK) return kTransformFailed;
    text = result_text(result.get());
    return kConverted;
}

ConvertResult load_data_files(const ConvertRequest& request, TransformRun& run) {
    run.reads.template_file = canonical_or_empty(request.template_file);
    run.reads.program_dir = canonical_or_empty(request.program_dir);
    if (run.reads.template_file.empty()) return kTemplateUnreadable;
    for (const std::string& name : config_list(request.config, "catalogos")) {
        // Data files are the program's own: named plainly, read from its folder only.
        if (!is_plain_name(name) || run.reads.program_dir.empty() ||
            !catalogs_load(run.catalogs, (run.reads.program_dir / name).string())) {
            return kTemplateUnreadable;
        }
        run.reads.data_files.push_back(name);
    }
    return kConverted;
}

}  // namespace

ConvertResult convert(const ConvertRequest& request, std::string& document) {
    document.clear();
    TransformRun run;
    if (const ConvertResult loaded = load_data_files(request, run)) return loaded;
    XmlDocPtr invoice(parse_invoice_file(request.invoice.c_str()));
    if (!invoice) return kInvoiceUnreadable;
    // The transform reads every value it shows: sized first, as the viewer sizes what a sibling reads.
    std::error_code error;
    const auto file_size = static_cast<int64_t>(fs::file_size(request.invoice, error));
    ValueLimit limit = value_limit_for_file(error ? 0 : file_size);
    if (!document_fits(invoice.get(), error ? 0 : file_size, limit)) return kInvoiceTooLarge;
    blank_invoice_controls(invoice.get());
    // From here on files are read only as the security check allows, never over the network.
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    SecurityPrefsPtr prefs(security_prefs_new());
    if (!prefs) return kTransformFailed;
    const DefaultPrefsScope scope(prefs.get());
    StylesheetPtr style(load_stylesheet(run.reads.template_file));
    if (!style) return kTemplateUnreadable;
    std::string text;
    if (const ConvertResult failed = transform(style.get(), invoice.get(), run, prefs.get(), request.config, text)) {
        return failed;
    }
    document = latin1_lines(text);
    return kConverted;
}
