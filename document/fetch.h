#pragma once
// One HTTP(S) GET of an image; only a complete status-200 body becomes the file.
#include <cstddef>
#include <cstdio>
#include <string>

struct FetchJob {
    std::string target_path;  // local file to create
    std::string url;          // address to fetch
    FILE* file;               // the temporary download, once the first chunk has arrived
    void* easy;               // the transfer in progress
    std::string temp_path;    // where the body is written until it is complete
};

FetchJob* fetch_job_new();
void fetch_job_free(FetchJob* job);
// 0 when the image was stored; otherwise libcurl's nonzero result (22 for a status other than 200).
int fetch_to_file(FetchJob* job);
size_t fetch_write_cb(char* data, size_t size, size_t count, void* job);
