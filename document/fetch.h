#pragma once
// One HTTP(S) GET of an image; only a complete status-200 body that is an image
// becomes the file, and no transfer outlasts the time its document has left.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct CurlApi;

// How long and how large image transfers may be.
struct FetchLimits {
    int image_timeout_ms = 0;  // one image's transfer, connecting included
    int budget_ms = 0;         // all the image transfers of one document together
    int64_t max_bytes = 0;     // one image's body
};

// What the image fetches of one document share: the time left for all of them,
// and the temporary names this run has taken.
struct FetchBudget {
    FetchLimits limits;
    std::chrono::steady_clock::time_point deadline;
    unsigned next_temp = 0;
    bool swept = false;  // downloads left by stopped runs have been removed
};
// A budget of the limits' length, starting now.
FetchBudget fetch_budget_new(const FetchLimits& limits);

struct FetchJob {
    std::string target_path;  // local file to create
    std::string url;          // address to fetch
    FILE* file;               // the temporary download, once the first chunk has arrived
    void* easy;               // the transfer in progress
    std::string temp_path;    // where the body is written until it is complete
    const CurlApi* curl;      // libcurl's entry points during the transfer
    int64_t received;         // body bytes so far
    int64_t max_bytes;        // the most the body may have
    unsigned char head[8];    // the body's first bytes, enough to tell an image
    size_t head_size;
};

FetchJob* fetch_job_new();
void fetch_job_free(FetchJob* job);
struct FetchJobDeleter {
    void operator()(FetchJob* job) const { fetch_job_free(job); }
};
using FetchJobPtr = std::unique_ptr<FetchJob, FetchJobDeleter>;
// 0 when the image was stored; otherwise libcurl's nonzero result: 22 for a status
// other than 200, 23 for a body that is not an image, 28 when the time ran out
// (before the request, too), 63 for a body over the size limit.
int fetch_to_file(FetchJob* job, FetchBudget& budget);
// The same through the given libcurl entry points.
int fetch_to_file_with(const CurlApi& curl, FetchJob* job, FetchBudget& budget);
size_t fetch_write_cb(char* data, size_t size, size_t count, void* job);

// The bytes begin with the signature of an image format a renderer shows.
bool has_image_signature(const unsigned char* bytes, size_t count);
