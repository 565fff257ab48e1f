#include "document/image_url.h"

#include <memory>

#include "document/curl_api.h"
#include "util/latin1.h"

int image_server_url(const std::string& base, const std::string& latin1_name, std::string& url) {
    return image_server_url_with(curl_api(), base, latin1_name, url);
}

int image_server_url_with(const CurlApi* curl, const std::string& base, const std::string& latin1_name,
                          std::string& url) {
    if (!curl) return CURLE_FAILED_INIT;
    const std::string utf8 = latin1_to_utf8(latin1_name);
    const auto release = [curl](char* text) { curl->free(text); };
    // The handle is not used for escaping since libcurl 7.82.
    std::unique_ptr<char, decltype(release)> escaped(
        curl->easy_escape(nullptr, utf8.c_str(), static_cast<int>(utf8.size())), release);
    if (!escaped) return CURLE_OUT_OF_MEMORY;
    url = base + escaped.get();
    return CURLE_OK;
}

// Written by hand: libcurl's escaping would also encode the URL's own ":", "/", "?" and "%".
std::string reference_url(const std::string& latin1_reference) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url;
    for (const char c : latin1_to_utf8(latin1_reference)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}
