#include "document/fetch.h"

#include "document/curl_api.h"
#include "platform/platform.h"

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 30;

long response_status(const CurlApi& curl, CURL* easy) {
    long status = 0;
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// Verbose output is a debugging aid of a windowed program; here standard error
// carries the message boxes, so it is dropped.
int discard_debug(CURL*, curl_infotype, char*, size_t, void*) { return 0; }

bool open_temp(FetchJob* job) {
    if (job->file) return true;
    job->file = std::fopen(job->temp_path.c_str(), "wb");
    return job->file != nullptr;
}

}  // namespace

FetchJob* fetch_job_new() { return new (std::nothrow) FetchJob{}; }

void fetch_job_free(FetchJob* job) { delete job; }

size_t fetch_write_cb(char* data, size_t size, size_t count, void* user) {
    auto* job = static_cast<FetchJob*>(user);
    if (response_status(*curl_api(), static_cast<CURL*>(job->easy)) != 200) return 0;
    if (!open_temp(job)) return 0;
    return std::fwrite(data, size, count, job->file);
}

int fetch_to_file(FetchJob* job) {
    const CurlApi* api = curl_api();
    if (!job || !api) return CURLE_FAILED_INIT;
    const CurlApi& curl = *api;
    curl.global_init(CURL_GLOBAL_ALL);
    CURL* easy = curl.easy_init();
    if (!easy) {
        curl.global_cleanup();
        return CURLE_FAILED_INIT;
    }
    job->easy = easy;
    job->temp_path = job->target_path + "." + std::to_string(platform_process_id()) + ".part";
    curl_slist* headers = curl.slist_append(nullptr, "Pragma: no-cache");

    curl.easy_setopt(easy, CURLOPT_URL, job->url.c_str());
    curl.easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl.easy_setopt(easy, CURLOPT_WRITEFUNCTION, fetch_write_cb);
    curl.easy_setopt(easy, CURLOPT_WRITEDATA, job);
    curl.easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl.easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl.easy_setopt(easy, CURLOPT_DEBUGFUNCTION, discard_debug);
    // A stalled or unreachable server must not keep the renderer from starting.
    curl.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl.easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
#else
    curl.easy_setopt(easy, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif

    int result = curl.easy_perform(easy);
    if (result == CURLE_OK && response_status(curl, easy) != 200) result = CURLE_HTTP_RETURNED_ERROR;
    if (result == CURLE_OK && !open_temp(job)) result = CURLE_WRITE_ERROR;  // a complete, empty body
    if (job->file) {
        if (std::fclose(job->file) != 0 && result == CURLE_OK) result = CURLE_WRITE_ERROR;
        job->file = nullptr;
    }
    // Only a complete body replaces the image; anything else leaves no trace.
    if (result == CURLE_OK && !platform_replace_file(job->temp_path.c_str(), job->target_path.c_str())) {
        result = CURLE_WRITE_ERROR;
    }
    if (result != CURLE_OK) platform_remove_file(job->temp_path.c_str());

    curl.easy_cleanup(easy);
    job->easy = nullptr;
    curl.slist_free_all(headers);
    curl.global_cleanup();
    return result;
}
