#include "document/fetch.h"

#include <gtest/gtest.h>

#include <string>

#include "support/program_dir.h"
#include "support/test_server.h"

namespace {

class Fetch : public testing::Test {
protected:
    void SetUp() override {
        auto& s = server.server();
        s.Get("/ok.jpg", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string("\xff\xd8\x00\x01jpeg", 8), "image/jpeg");
        });
        s.Get("/missing.jpg", [](const httplib::Request&, httplib::Response& r) {
            r.status = 404;
            r.set_content("<html>no existe</html>", "text/html");
        });
        s.Get("/moved.jpg", [](const httplib::Request&, httplib::Response& r) {
            r.status = 302;
            r.set_header("Location", "/ok.jpg");
        });
        s.Get("/cut.jpg", [](const httplib::Request&, httplib::Response& r) {
            r.set_content_provider(1000, "image/jpeg", [](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0) return false;  // the connection drops after the first chunk
                sink.write("partial", 7);
                return true;
            });
        });
        server.start();
    }
    int fetch(const std::string& path, const fs::path& target) {
        FetchJob* job = fetch_job_new();
        job->target_path = target.string();
        job->url = server.url(path);
        const int result = fetch_to_file(job);
        fetch_job_free(job);
        return result;
    }
    TestServer server;
    ProgramDir dir;
};

}  // namespace

TEST_F(Fetch, StatusOkIsStoredByteForByteWithThePragmaHeader) {
    const fs::path target = dir.dir() / "ok.jpg";
    EXPECT_EQ(fetch("/ok.jpg", target), 0);
    EXPECT_EQ(read_file(target), std::string("\xff\xd8\x00\x01jpeg", 8));
    ASSERT_EQ(server.seen().size(), 1u);
    EXPECT_EQ(server.seen()[0].pragma, "no-cache");
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, NotFoundWithBodyFailsAndLeavesNoFile) {
    const fs::path target = dir.dir() / "missing.jpg";
    EXPECT_EQ(fetch("/missing.jpg", target), 23);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, RedirectWithoutBodyFailsAndIsNotFollowed) {
    const fs::path target = dir.dir() / "moved.jpg";
    EXPECT_NE(fetch("/moved.jpg", target), 0);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(server.seen().size(), 1u);
}

TEST_F(Fetch, BodyCutShortLeavesTheOlderFileIntact) {
    const fs::path target = dir.dir() / "cut.jpg";
    dir.write(target, "older image");
    EXPECT_NE(fetch("/cut.jpg", target), 0);
    EXPECT_EQ(read_file(target), "older image");
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, RefusedConnectionGives7AndNoFile) {
    const fs::path target = dir.dir() / "x.jpg";
    FetchJob* job = fetch_job_new();
    job->target_path = target.string();
    job->url = "http://127.0.0.1:1/x.jpg";
    EXPECT_EQ(fetch_to_file(job), 7);
    fetch_job_free(job);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(Fetch, OtherProtocolsAreRefused) {
    dir.write("local.jpg", "local");
    FetchJob* job = fetch_job_new();
    job->target_path = (dir.dir() / "copy.jpg").string();
    job->url = "file://" + (dir.dir() / "local.jpg").string();
    EXPECT_NE(fetch_to_file(job), 0);
    fetch_job_free(job);
    EXPECT_FALSE(fs::exists(dir.dir() / "copy.jpg"));
}
