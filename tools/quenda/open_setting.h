#pragma once
// How a written page is opened, as Quenda.cfg beside the renderer says (lines
// "clave=valor"): "abrir=no" opens nothing; "abridor=NAME" starts the program
// NAME of the program's folder with the page; otherwise the desktop's handler.
#include <string>
#include <string_view>

enum class OpenWith { Desktop, Nothing, Program };

struct OpenSetting {
    OpenWith with = OpenWith::Desktop;
    std::string program;  // for OpenWith::Program, as written
};

OpenSetting parse_open_setting(std::string_view text);
// The setting of Quenda.cfg in `program_dir`; the desktop's handler without one.
OpenSetting read_open_setting(const std::string& program_dir);
