#pragma once
// Temporary download files: short names of their own, so that any image name
// the file system accepts can be fetched; made exclusively, so that nothing
// planted under such a name is followed; swept when a stopped run left them.
#include <chrono>
#include <cstdio>
#include <string>

// A new temporary download in `dir`, covered by the removal on a stop; `next`
// numbers this run's names. nullptr when none can be made.
FILE* temp_download_create(const std::string& dir, unsigned& next, std::string& path);
// The file is no longer a download in progress (it was moved or removed).
void temp_download_done(const std::string& path);
// Removes the downloads in `dir` of runs that are gone, or that are older than
// `max_age` (a live run's download never is); never one of a live run.
void sweep_stopped_downloads(const std::string& dir, std::chrono::milliseconds max_age);
