#include "support/test_server.h"

#include <chrono>

TestServer::TestServer(int port) : port_(port) {}

void TestServer::start() {
    // Recorded before the answer is sent, so a test never looks before the record exists.
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        record(request);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    if (port_ == 0) port_ = server_.bind_to_any_port("127.0.0.1");
    else server_.bind_to_port("127.0.0.1", port_);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

std::string TestServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestServer::record(const httplib::Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back({request.path, request.target, request.get_header_value("Pragma")});
}

void TestServer::trickle(httplib::Response& response, const std::string& head) const {
    response.set_chunked_content_provider("image/jpeg", [this, head](size_t offset, httplib::DataSink& sink) {
        if (stopping()) return false;
        if (offset > 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return offset == 0 ? sink.write(head.data(), head.size()) : sink.write("x", 1);
    });
}

std::vector<TestServer::Seen> TestServer::seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}
