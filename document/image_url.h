#pragma once
// Addresses of images, written so that the server is asked for exactly the name
// the image is stored under.
#include <string>

struct CurlApi;

// The image server's address of a (Latin-1) image name: `base` and the name as
// UTF-8, every byte outside A-Z a-z 0-9 - . _ ~ written %XX (libcurl's escaping).
// 0 when made; otherwise libcurl's code: CURLE_FAILED_INIT when libcurl cannot be
// had, CURLE_OUT_OF_MEMORY when its escape fails.
int image_server_url(const std::string& base, const std::string& latin1_name, std::string& url);
// The same through the given libcurl entry points (none: libcurl cannot be had).
int image_server_url_with(const CurlApi* curl, const std::string& base, const std::string& latin1_name,
                          std::string& url);
// A (Latin-1) reference that is itself a URL, as written except that spaces,
// control characters and characters above 0x7E are written %XX as UTF-8.
std::string reference_url(const std::string& latin1_reference);
