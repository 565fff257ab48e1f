#pragma once
// A real HTTP server on 127.0.0.1 for the tests, run on a thread of the test.
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestServer {
public:
    explicit TestServer(int port = 0);  // 0: any free port
    ~TestServer();
    httplib::Server& server() { return server_; }
    void start();
    int port() const { return port_; }
    std::string url(const std::string& path) const;
    // Requests seen so far: path (decoded), target (as sent) and the value of the Pragma header.
    struct Seen {
        std::string path;
        std::string target;
        std::string pragma;
    };
    std::vector<Seen> seen();
    void record(const httplib::Request& request);
    // Set when the server is being shut down: a handler that streams for ever ends then.
    bool stopping() const { return stopping_; }
    // Answers with `head`, then one byte every half second for as long as the
    // client listens and the server runs.
    void trickle(httplib::Response& response, const std::string& head) const;

private:
    httplib::Server server_;
    std::thread thread_;
    int port_;
    std::mutex mutex_;
    std::vector<Seen> seen_;
    std::atomic<bool> stopping_{false};
};
