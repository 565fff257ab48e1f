#include "tools/quenda/opener.h"

#include "platform/platform.h"
#include "tools/quenda/image_rules.h"
#include "tools/quenda/open_setting.h"
#include "viewer_settings.h"

void open_page(const std::string& program_dir, const std::string& page_path) {
    const OpenSetting setting = read_open_setting(program_dir);
    if (setting.with == OpenWith::Nothing) return;
    std::string program;
    if (setting.with == OpenWith::Program) {
        if (!is_plain_file_name(setting.program)) {
            const std::string text =
                "El abridor de Quenda.cfg no es un archivo de la carpeta del programa: " + setting.program;
            platform_message_box(kViewerSettings.caption, text.c_str(), MESSAGE_ICON_WARNING);
            return;
        }
        program = program_dir + platform_dir_separator() + setting.program;
    }
    if (!platform_open_document(page_path.c_str(), program.c_str())) {
        const std::string text = "No se pudo abrir la p\xe1gina " + page_path;
        platform_message_box(kViewerSettings.caption, text.c_str(), MESSAGE_ICON_WARNING);
    }
}
