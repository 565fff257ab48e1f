// The renderer: Quenda.exe DOCUMENT "-x=INVOICE" [ARGUMENT ...] (see quenda_run.h).
#include <exception>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/quenda/quenda_run.h"
#include "viewer_settings.h"

int main(int argc, char** argv) {
    try {
        return quenda_run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception&) {
        platform_message_box(kViewerSettings.caption, "No hay memoria suficiente para mostrar el documento",
                             MESSAGE_ICON_ERROR);
        return kQuendaPageNotWritten;
    }
}
