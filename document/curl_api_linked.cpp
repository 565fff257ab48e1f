// libcurl linked into the program (the static Windows build): the table holds
// its functions directly.
#include "document/curl_api.h"

const CurlApi* curl_api() {
    static const CurlApi api{curl_global_init, curl_global_cleanup, curl_easy_init,
                             curl_easy_setopt, curl_easy_perform,   curl_easy_getinfo,
                             curl_easy_cleanup, curl_slist_append,  curl_slist_free_all,
                             curl_easy_escape,  curl_free};
    return &api;
}
