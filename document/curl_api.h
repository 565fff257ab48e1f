#pragma once
// The libcurl entry points the image fetch uses, reached through one table.
// Where libcurl is a shared library it is loaded at the first fetch only: most
// runs fetch nothing, and loading it with its dependencies would cost every run
// several milliseconds before the renderer starts.
#include <curl/curl.h>

struct CurlApi {
    CURLcode (*global_init)(long flags);
    void (*global_cleanup)();
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL* easy, CURLoption option, ...);
    CURLcode (*easy_perform)(CURL* easy);
    CURLcode (*easy_getinfo)(CURL* easy, CURLINFO info, ...);
    void (*easy_cleanup)(CURL* easy);
    curl_slist* (*slist_append)(curl_slist* list, const char* text);
    void (*slist_free_all)(curl_slist* list);
    char* (*easy_escape)(CURL* easy, const char* text, int length);
    void (*free)(void* block);
};

// The table, filled at the first call; nullptr when libcurl cannot be had.
const CurlApi* curl_api();
