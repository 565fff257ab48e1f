#include "document/fetch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "document/curl_api.h"
#include "document/temp_download.h"
#include "platform/platform.h"
#include "util/memory.h"
#include "util/paths.h"

namespace {

using std::chrono::milliseconds;

constexpr long kConnectTimeoutMs = 10000;
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 30;

// Named by number: a libcurl loaded at run time may be older or newer than the
// headers, and the bitmask form is marked deprecated in newer ones.
constexpr auto kProtocolsText = static_cast<CURLoption>(10318);  // CURLOPT_PROTOCOLS_STR, 7.85.0
constexpr auto kProtocolsMask = static_cast<CURLoption>(181);    // CURLOPT_PROTOCOLS
constexpr long kHttpAndHttps = CURLPROTO_HTTP | CURLPROTO_HTTPS;

struct Signature {
    const char* bytes;
    size_t size;
};
constexpr Signature kImageSignatures[] = {
    {"\xFF\xD8\xFF", 3},                          // JPEG
    {"\x89PNG\r\n\x1A\n", 8},                     // PNG
    {"GIF87a", 6},          {"GIF89a", 6},        // GIF
    {"BM", 2},                                    // BMP
    {"II*\0", 4},           {"MM\0*", 4},         // TIFF
    {"\0\0\1\0", 4},                              // ICO
};

long response_status(const CurlApi& curl, CURL* easy) {
    long status = 0;
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// Verbose output is a debugging aid of a windowed program; here standard error
// carries the message boxes, so it is dropped.
int discard_debug(CURL*, curl_infotype, char*, size_t, void*) { return 0; }

// The restrictions an invoice's URL must not escape; false when libcurl refuses one.
bool restrict_transfer(const CurlApi& curl, CURL* easy) {
    const bool protocols = curl.easy_setopt(easy, kProtocolsText, "http,https") == CURLE_OK ||
                           curl.easy_setopt(easy, kProtocolsMask, kHttpAndHttps) == CURLE_OK;
    return protocols && curl.easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
}

void set_options(const CurlApi& curl, CURL* easy, FetchJob* job, curl_slist* headers, long timeout_ms) {
    curl.easy_setopt(easy, CURLOPT_URL, job->url.c_str());
    curl.easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl.easy_setopt(easy, CURLOPT_WRITEFUNCTION, fetch_write_cb);
    curl.easy_setopt(easy, CURLOPT_WRITEDATA, job);
    curl.easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl.easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl.easy_setopt(easy, CURLOPT_DEBUGFUNCTION, discard_debug);
    // A slow, stalled or unreachable server must not keep the renderer from starting.
    curl.easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, std::min(kConnectTimeoutMs, timeout_ms));
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    // Refused at once when the announced length is larger; the body is counted as well.
    curl.easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(job->max_bytes));
}

// The transfer's result once it has ended, with what libcurl cannot judge.
int judge(const CurlApi& curl, FetchJob* job, int performed) {
    if (performed == CURLE_WRITE_ERROR && job->received >= job->max_bytes) {
        return CURLE_FILESIZE_EXCEEDED;
    }
    if (performed != CURLE_OK) return performed;
    if (response_status(curl, static_cast<CURL*>(job->easy)) != 200) return CURLE_HTTP_RETURNED_ERROR;
    // An empty body, an HTML page or anything else served as 200 is not an image.
    if (!has_image_signature(job->head, job->head_size)) return CURLE_WRITE_ERROR;
    return CURLE_OK;
}

// Only a complete image replaces the file; anything else leaves no trace.
int settle_download(FetchJob* job, int result) {
    if (job->file) {
        if (std::fclose(job->file) != 0 && result == CURLE_OK) result = CURLE_WRITE_ERROR;
        job->file = nullptr;
    }
    if (job->temp_path.empty()) return result;
    if (result == CURLE_OK && !platform_replace_file(job->temp_path.c_str(), job->target_path.c_str())) {
        result = CURLE_WRITE_ERROR;
    }
    if (result != CURLE_OK) platform_remove_file(job->temp_path.c_str());
    temp_download_done(job->temp_path);
    return result;
}

}  // namespace

bool has_image_signature(const unsigned char* bytes, size_t count) {
    return std::any_of(std::begin(kImageSignatures), std::end(kImageSignatures), [&](const Signature& signature) {
        return count >= signature.size && std::memcmp(bytes, signature.bytes, signature.size) == 0;
    });
}

FetchBudget fetch_budget_new(const FetchLimits& limits) {
    FetchBudget budget;
    budget.limits = limits;
    budget.deadline = std::chrono::steady_clock::now() + milliseconds(limits.budget_ms);
    return budget;
}

// Taken from the records' allocator, so that a refused block is seen as it is for any record.
FetchJob* fetch_job_new() {
    void* block = memory_take(sizeof(FetchJob));
    return block ? new (block) FetchJob{} : nullptr;
}

void fetch_job_free(FetchJob* job) {
    if (!job) return;
    job->~FetchJob();
    std::free(job);
}

size_t fetch_write_cb(char* data, size_t size, size_t count, void* user) {
    auto* job = static_cast<FetchJob*>(user);
    const size_t bytes = size * count;
    if (response_status(*job->curl, static_cast<CURL*>(job->easy)) != 200) return 0;
    if (static_cast<int64_t>(bytes) > job->max_bytes - job->received) {
        job->received = job->max_bytes;
        return 0;
    }
    for (size_t i = 0; i < bytes && job->head_size < sizeof job->head; ++i) job->head[job->head_size++] = data[i];
    // Judged as soon as the longest signature could have arrived.
    if (job->head_size == sizeof job->head && !has_image_signature(job->head, job->head_size)) return 0;
    const size_t written = std::fwrite(data, 1, bytes, job->file);
    job->received += static_cast<int64_t>(written);
    return written == bytes ? count : 0;
}

int fetch_to_file(FetchJob* job, FetchBudget& budget) {
    const CurlApi* api = curl_api();
    if (!api) return CURLE_FAILED_INIT;
    return fetch_to_file_with(*api, job, budget);
}

int fetch_to_file_with(const CurlApi& curl, FetchJob* job, FetchBudget& budget) {
    if (!job) return CURLE_FAILED_INIT;
    const auto left = std::chrono::duration_cast<milliseconds>(budget.deadline - std::chrono::steady_clock::now());
    // Once the document's time is spent, no further image is asked for.
    if (left.count() <= 0) return CURLE_OPERATION_TIMEDOUT;
    const long timeout_ms = static_cast<long>(std::min<long long>(budget.limits.image_timeout_ms, left.count()));
    // A bare name lies in the working directory.
    const std::string named = path_directory_of(job->target_path, platform_dir_separator());
    const std::string dir = named.empty() ? std::string(".") : named;
    if (!budget.swept) {
        sweep_stopped_downloads(dir, milliseconds(budget.limits.budget_ms));
        budget.swept = true;
    }

    curl.global_init(CURL_GLOBAL_ALL);
    CURL* easy = curl.easy_init();
    curl_slist* headers = easy ? curl.slist_append(nullptr, "Pragma: no-cache") : nullptr;
    int result = CURLE_FAILED_INIT;
    if (easy && headers && restrict_transfer(curl, easy)) {
        job->file = temp_download_create(dir, budget.next_temp, job->temp_path);
        result = job->file ? CURLE_OK : CURLE_WRITE_ERROR;
    }
    if (result == CURLE_OK) {
        job->easy = easy;
        job->curl = &curl;
        job->max_bytes = budget.limits.max_bytes;
        set_options(curl, easy, job, headers, timeout_ms);
        result = judge(curl, job, curl.easy_perform(easy));
    }
    result = settle_download(job, result);

    if (easy) curl.easy_cleanup(easy);
    job->easy = nullptr;
    if (headers) curl.slist_free_all(headers);
    curl.global_cleanup();
    return result;
}
