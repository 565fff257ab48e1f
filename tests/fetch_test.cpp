#include "document/fetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "document/curl_api.h"
#include "platform/platform.h"
#include "support/program_dir.h"
#include "support/test_server.h"

namespace {

// Limits of this suite's own, far below the program's: one and a half seconds an
// image, five for a document, a mebibyte a body.
constexpr FetchLimits kLimits{1500, 5000, 1 << 20};

const std::string kJpeg("\xff\xd8\xff\xe0jpeg", 8);
// A whole PNG of one pixel as encoders write it: the chunk after the signature
// begins with zero bytes, as real images' headers do.
const std::string kPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01"
    "\x08\x06\x00\x00\x00\x1f\x15\xc4\x89\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\xf0"
    "\x1f\x00\x05\x00\x01\xff\x89\x99\x3d\x1d\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    70);

// A body of `size` bytes that begins as a JPEG, sent in pieces, with or without its length announced.
void serve_large(httplib::Response& r, size_t size, bool announced) {
    auto provide = [size](size_t offset, httplib::DataSink& sink) {
        std::string piece = offset == 0 ? kJpeg : "";
        piece.resize(std::min<size_t>(1 << 20, size - offset), 'x');
        return sink.write(piece.data(), piece.size());
    };
    if (announced) {
        r.set_content_provider(size, "image/jpeg", [provide](size_t offset, size_t, httplib::DataSink& sink) {
            return provide(offset, sink);
        });
    } else {
        r.set_chunked_content_provider("image/jpeg", [provide, size](size_t offset, httplib::DataSink& sink) {
            if (offset >= size) {
                sink.done();
                return true;
            }
            return provide(offset, sink);
        });
    }
}

class Fetch : public testing::Test {
protected:
    void SetUp() override {
        auto& s = server.server();
        s.Get("/ok.jpg", [](const httplib::Request&, httplib::Response& r) { r.set_content(kJpeg, "image/jpeg"); });
        s.Get("/logo.png", [](const httplib::Request&, httplib::Response& r) { r.set_content(kPng, "image/png"); });
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
                sink.write(kJpeg.data(), kJpeg.size());
                return true;
            });
        });
        s.Get("/portal.jpg", [](const httplib::Request&, httplib::Response& r) {
            r.set_content("<html>Inicie sesi\xc3\xb3n</html>", "text/html");
        });
        s.Get("/empty.jpg", [](const httplib::Request&, httplib::Response& r) { r.set_content("", "image/jpeg"); });
        s.Get("/announced.jpg", [](const httplib::Request&, httplib::Response& r) { serve_large(r, 50u << 20, true); });
        s.Get("/unannounced.jpg", [](const httplib::Request&, httplib::Response& r) { serve_large(r, 50u << 20, false); });
        s.Get("/trickle.jpg", [this](const httplib::Request&, httplib::Response& r) { server.trickle(r, kJpeg); });
        // Seven bytes of a page, then one more byte every half second.
        s.Get("/slow-portal.jpg", [this](const httplib::Request&, httplib::Response& r) { server.trickle(r, "<html>x"); });
        // An image whose first piece is shorter than its signature.
        s.Get("/split.png", [](const httplib::Request&, httplib::Response& r) {
            r.set_chunked_content_provider("image/png", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= kPng.size()) {
                    sink.done();
                    return true;
                }
                if (offset > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const size_t piece = offset == 0 ? 4 : kPng.size() - offset;
                return sink.write(kPng.data() + offset, piece);
            });
        });
        server.start();
    }
    int fetch(const std::string& path, const fs::path& target) {
        FetchBudget budget = fetch_budget_new(kLimits);
        return fetch_with(path, target, budget);
    }
    int fetch_with(const std::string& path, const fs::path& target, FetchBudget& budget) {
        FetchJob* job = fetch_job_new();
        job->target_path = target.string();
        job->url = path.find("://") == std::string::npos ? server.url(path) : path;
        const int result = fetch_to_file(job, budget);
        fetch_job_free(job);
        return result;
    }
    TestServer server;
    ProgramDir dir;
};

}  // namespace

TEST_F(Fetch, StatusOkIsStoredByteForByteWithThePragmaHeader) {
    for (const auto& [name, body] : {std::pair{"ok.jpg", kJpeg}, std::pair{"logo.png", kPng}}) {
        EXPECT_EQ(fetch(std::string("/") + name, dir.dir() / name), 0) << name;
        EXPECT_EQ(read_file(dir.dir() / name), body) << name;
    }
    ASSERT_EQ(server.seen().size(), 2u);
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

TEST_F(Fetch, AnImageThatCannotTakeItsPlaceFailsAndLeavesNoDownloadBehind) {
    const fs::path target = dir.dir() / "ok.jpg";
    fs::create_directories(target / "taken");
    EXPECT_EQ(fetch("/ok.jpg", target), CURLE_WRITE_ERROR);
    EXPECT_TRUE(fs::is_directory(target / "taken"));
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, RefusedConnectionGives7AndNoFile) {
    const fs::path target = dir.dir() / "x.jpg";
    EXPECT_EQ(fetch("http://127.0.0.1:1/x.jpg", target), 7);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(Fetch, OtherProtocolsAreRefused) {
    dir.write("local.jpg", kJpeg);
    EXPECT_NE(fetch("file://" + (dir.dir() / "local.jpg").string(), dir.dir() / "copy.jpg"), 0);
    EXPECT_FALSE(fs::exists(dir.dir() / "copy.jpg"));
}

TEST_F(Fetch, OnlyBodiesThatBeginAsAnImageAreKept) {
    const struct {
        const char* bytes;
        size_t size;
        bool image;
    } heads[] = {
        {"\xff\xd8\xff", 3, true},      {"\x89PNG\r\n\x1a\n", 8, true}, {"GIF87a", 6, true}, {"GIF89a", 6, true},
        {"BM", 2, true},                {"II*\0", 4, true},             {"MM\0*", 4, true},  {"\0\0\1\0", 4, true},
        {"<html>", 6, false},           {"\xff\xd8", 2, false},         {"GIF90a", 6, false}, {"", 0, false},
        {"MZ\x90\0", 4, false},         {"ABC=visor.exe", 13, false},
    };
    for (const auto& head : heads) {
        EXPECT_EQ(has_image_signature(reinterpret_cast<const unsigned char*>(head.bytes), head.size), head.image)
            << std::string(head.bytes, head.size);
    }
    // A 200 that is not an image, an empty one among them, is a failed fetch: nothing stored, nothing kept.
    for (const std::string name : {"portal.jpg", "empty.jpg"}) {
        EXPECT_NE(fetch("/" + name, dir.dir() / name), 0) << name;
        EXPECT_FALSE(fs::exists(dir.dir() / name)) << name;
    }
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, AnImageIsJudgedOnceItsSignatureHasArrivedInWhateverPiecesItCame) {
    EXPECT_EQ(fetch("/split.png", dir.dir() / "split.png"), 0);
    EXPECT_EQ(read_file(dir.dir() / "split.png"), kPng);
    // A page is refused as soon as the longest signature could have arrived, not at the time limit.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch("/slow-portal.jpg", dir.dir() / "slow.jpg"), 23);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kLimits.image_timeout_ms));
    EXPECT_FALSE(fs::exists(dir.dir() / "slow.jpg"));
}

TEST_F(Fetch, BodiesOverTheSizeLimitAreRefusedAnnouncedOrNot) {
    for (const std::string name : {"announced.jpg", "unannounced.jpg"}) {
        EXPECT_EQ(fetch("/" + name, dir.dir() / name), 63) << name;
        EXPECT_FALSE(fs::exists(dir.dir() / name)) << name;
    }
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);
}

TEST_F(Fetch, TransfersEndWithTheImageLimitAndNoneStartsOnceTheBudgetIsSpent) {
    using std::chrono::steady_clock;
    FetchBudget budget = fetch_budget_new(kLimits);
    const auto start = steady_clock::now();
    EXPECT_EQ(fetch_with("/trickle.jpg", dir.dir() / "trickle.jpg", budget), 28);
    const auto took = steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(kLimits.image_timeout_ms - 100));
    EXPECT_LT(took, std::chrono::milliseconds(kLimits.image_timeout_ms + 3000));
    EXPECT_EQ(dir.files_ending(".part").size(), 0u);

    budget.deadline = steady_clock::now();
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok.jpg", budget), 28);
    EXPECT_EQ(server.seen().size(), 1u) << "nothing is asked for once the budget is spent";
}

namespace {

CURLcode (*g_real_setopt)(CURL*, CURLoption, ...) = nullptr;

// A libcurl that refuses the options listed in g_refused_options.
std::vector<int> g_refused_options;

CURLcode setopt_refusing(CURL* easy, CURLoption option, ...) {
    va_list args;
    va_start(args, option);
    CURLcode result = CURLE_UNKNOWN_OPTION;
    if (std::find(g_refused_options.begin(), g_refused_options.end(), static_cast<int>(option)) !=
        g_refused_options.end()) {
        // refused
    } else if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = g_real_setopt(easy, option, va_arg(args, long));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = g_real_setopt(easy, option, va_arg(args, void*));
    } else {
        result = g_real_setopt(easy, option, va_arg(args, curl_off_t));
    }
    va_end(args);
    return result;
}

std::string temp_name(long pid, unsigned n) {
    return "~Vandrel-" + std::to_string(pid) + "-" + std::to_string(n) + ".part";
}

}  // namespace

TEST_F(Fetch, ALibcurlThatRefusesEitherRestrictionFetchesNothing) {
    ASSERT_TRUE(curl_api());
    CurlApi refusing = *curl_api();
    g_real_setopt = refusing.easy_setopt;
    refusing.easy_setopt = setopt_refusing;
    constexpr int kProtocolsByName = 10318, kProtocolsByMask = 181;
    // Older libraries know only the mask, newer ones prefer the names: one of them is enough.
    const std::pair<std::vector<int>, bool> cases[] = {
        {{kProtocolsByName}, true},
        {{kProtocolsByMask}, true},
        {{kProtocolsByName, kProtocolsByMask}, false},
        {{CURLOPT_FOLLOWLOCATION}, false},
    };
    for (const auto& [refused, fetched] : cases) {
        g_refused_options = refused;
        fs::remove(dir.dir() / "ok.jpg");
        const size_t asked = server.seen().size();
        FetchJob* job = fetch_job_new();
        job->target_path = (dir.dir() / "ok.jpg").string();
        job->url = server.url("/ok.jpg");
        FetchBudget budget = fetch_budget_new(kLimits);
        EXPECT_EQ(fetch_to_file_with(refusing, job, budget) == 0, fetched) << refused.front();
        fetch_job_free(job);
        EXPECT_EQ(server.seen().size() > asked, fetched) << refused.front();
        EXPECT_EQ(fs::exists(dir.dir() / "ok.jpg"), fetched) << refused.front();
    }
    g_refused_options.clear();
}

TEST_F(Fetch, NothingPlantedAtTheNextTemporaryNameIsFollowedOrOverwritten) {
    const fs::path outside = dir.root() / "outside.txt";
    dir.write(outside, "must stay");
    const fs::path planted = dir.dir() / temp_name(platform_process_id(), 0);
    std::error_code no_links;
    fs::create_symlink(outside, planted, no_links);
    if (no_links) dir.write(planted, "planted");  // where links cannot be made, a file stands in
    FetchBudget budget = fetch_budget_new(kLimits);
    budget.swept = true;  // the sweep would remove it before the fetch
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok.jpg", budget), 0);
    EXPECT_EQ(read_file(outside), "must stay");
    EXPECT_EQ(fs::is_symlink(planted) ? "link" : read_file(planted), no_links ? "planted" : "link");
    EXPECT_EQ(read_file(dir.dir() / "ok.jpg"), kJpeg);
}

TEST_F(Fetch, SixteenNamesTakenInARowGiveUpTheFetchAndAFreeSeventeenthIsNotTried) {
    for (unsigned n = 0; n < 16; ++n) dir.write(temp_name(platform_process_id(), n), "taken");
    FetchBudget budget = fetch_budget_new(kLimits);
    budget.swept = true;
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok.jpg", budget), CURLE_WRITE_ERROR);
    EXPECT_FALSE(fs::exists(dir.dir() / "ok.jpg"));
    EXPECT_FALSE(fs::exists(dir.dir() / temp_name(platform_process_id(), 16)));
    EXPECT_TRUE(server.seen().empty());
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok.jpg", budget), 0) << "the next fetch goes on from the seventeenth";
}

TEST_F(Fetch, DownloadsLeftByStoppedRunsAreSweptButNeverALiveRunsOwn) {
    // A live process other than this one: the recorder waiting a minute.
    const fs::path pid_file = dir.root() / "live.pid";
    dir.add_double("Sleeper.exe");
    const std::string line = "\"" + (dir.dir() / "Sleeper.exe").string() + "\" --grandchild \"" + pid_file.string() + "\"";
    PlatformProcess* live = platform_process_start(line.c_str(), nullptr, dir.root().string().c_str(), 0);
    ASSERT_TRUE(live);
    for (int i = 0; i < 500 && read_file(pid_file).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const long live_pid = std::stol(read_file(pid_file));
    const long gone_pid = 99999999;

    const auto old = fs::file_time_type::clock::now() - std::chrono::milliseconds(kLimits.budget_ms + 5000);
    dir.write(temp_name(gone_pid, 3), "left by a run that was killed");
    dir.write(temp_name(live_pid, 0), "a live run's download");
    dir.write(temp_name(live_pid, 1), "older than any live download can be");
    fs::last_write_time(dir.dir() / temp_name(live_pid, 1), old);
    const std::string own = temp_name(platform_process_id(), 7);  // a dead run's, whose id this run has now
    dir.write(own, "");
    const std::string no_run = temp_name(0, 3);  // no process has id 0
    dir.write(no_run, "");
    const std::string dead_probe = "~Vandrel-" + std::to_string(gone_pid) + "-probe";
    dir.write(dead_probe, "");
    const std::string gone = std::to_string(gone_pid);
    const std::string not_ours[] = {"~Vandrel-notes.part", "~Vandrel-" + std::to_string(live_pid) + "-probe",
                                    "~Vandrel-" + gone + ".part", "~Vandrel-" + gone + "-.part",
                                    "~Vandrel-" + gone + "-x.part", "~Vandrel--3.part", "~Vandrel-.part",
                                    "~Vandrel-" + gone + "-3.part.bak", "a~Vandrel-" + gone + "-3.part",
                                    "~Vandrel-1234567890123456789-3.part", "~Vandrel-" + gone + "-probe.txt",
                                    "_Vandrel-" + gone + "-3.part", "_Vandrel-" + gone + "-probe"};
    for (const std::string& name : not_ours) dir.write(name, "");

    FetchBudget budget = fetch_budget_new(kLimits);
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok.jpg", budget), 0);
    // Swept once a document: a later image of the same document does not look again.
    dir.write(temp_name(gone_pid, 4), "");
    EXPECT_EQ(fetch_with("/ok.jpg", dir.dir() / "ok2.jpg", budget), 0);
    EXPECT_TRUE(fs::exists(dir.dir() / temp_name(gone_pid, 4)));
    platform_process_stop_tree(live, 0);
    platform_process_free(live);
    EXPECT_FALSE(fs::exists(dir.dir() / temp_name(gone_pid, 3)));
    EXPECT_TRUE(fs::exists(dir.dir() / temp_name(live_pid, 0)));
    EXPECT_FALSE(fs::exists(dir.dir() / temp_name(live_pid, 1)));
    EXPECT_FALSE(fs::exists(dir.dir() / own));
    EXPECT_FALSE(fs::exists(dir.dir() / no_run));
    EXPECT_FALSE(fs::exists(dir.dir() / dead_probe));
    for (const std::string& name : not_ours) EXPECT_TRUE(fs::exists(dir.dir() / name)) << name;
}
