// The demo's image server: serves the files of a folder under /Vandrel/images/ on
// loopback and logs every request.
//
//   image_server PORT FOLDER [LOG]
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: image_server PUERTO CARPETA [BITACORA]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string folder = argv[2];
    const std::string log = argc > 3 ? argv[3] : "";
    httplib::Server server;
    server.Get(R"(/Vandrel/images/([^/]+))", [&](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.matches[1];
        if (!log.empty()) std::ofstream(log, std::ios::app) << "GET " << request.path << "\n";
        if (name.find("..") != std::string::npos) {
            response.status = 404;
            return;
        }
        std::ifstream in(folder + "/" + name, std::ios::binary);
        if (!in) {
            response.status = 404;
            response.set_content("no existe", "text/plain");
            return;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        response.set_content(bytes.str(), "application/octet-stream");
    });
    if (!server.listen("127.0.0.1", port)) {
        std::fprintf(stderr, "image_server: no se pudo escuchar en el puerto %d\n", port);
        return 1;
    }
    return 0;
}
