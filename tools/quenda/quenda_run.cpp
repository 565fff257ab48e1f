#include "tools/quenda/quenda_run.h"

#include <cstdio>

#include "platform/platform.h"
#include "tools/quenda/opener.h"
#include "tools/quenda/render.h"
#include "viewer_settings.h"

namespace {

int refuse(const std::string& text, int code) {
    platform_message_box(kViewerSettings.caption, text.c_str(), MESSAGE_ICON_ERROR);
    return code;
}

std::string directory_of(const std::string& path) {
    const size_t cut = path.find_last_of(platform_dir_separator() == '\\' ? "/\\" : "/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

int quenda_run(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) {
        return refuse("Uso: Quenda.exe DOCUMENTO \"-x=FACTURA\" [ARGUMENTOS]", kQuendaUsage);
    }
    RenderJob job;
    job.document_path = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i].rfind("-x=", 0) == 0 && job.invoice_path.empty()) {
            job.invoice_path = args[i].substr(3);
        } else {
            job.extra_args.push_back(args[i]);
        }
    }
    // Images and the page belong to the renderer's own folder, wherever it was started from.
    job.program_dir = directory_of(platform_module_path());
    const std::string page_path = page_path_of(job);
    switch (job.program_dir.empty() ? RenderOutcome::PageNotWritten : render_page(job)) {
        case RenderOutcome::DocumentUnreadable:
            return refuse("No se pudo leer el documento " + job.document_path, kQuendaDocumentUnreadable);
        case RenderOutcome::PageNotWritten:
            return refuse("No se pudo escribir la p\xe1gina " + page_path, kQuendaPageNotWritten);
        case RenderOutcome::Written: break;
    }
    // The page speaks for itself: nothing is written to the console, which a
    // Windows user never sees and which a caller may share with its own output.
    open_page(job.program_dir, page_path);
    return kQuendaRendered;
}
