// libcurl as a shared library, loaded by its stable name at the first fetch and
// kept until the program ends.
#include "document/curl_api.h"

#include "platform/platform.h"

namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(platform_library_symbol(library, name));
    return function != nullptr;
}

bool load(CurlApi& api) {
    void* library = platform_library_open(VIEWER_CURL_LIBRARY);
    if (!library) return false;
    return resolve(library, "curl_global_init", api.global_init) &&
           resolve(library, "curl_global_cleanup", api.global_cleanup) &&
           resolve(library, "curl_easy_init", api.easy_init) && resolve(library, "curl_easy_setopt", api.easy_setopt) &&
           resolve(library, "curl_easy_perform", api.easy_perform) &&
           resolve(library, "curl_easy_getinfo", api.easy_getinfo) &&
           resolve(library, "curl_easy_cleanup", api.easy_cleanup) &&
           resolve(library, "curl_slist_append", api.slist_append) &&
           resolve(library, "curl_slist_free_all", api.slist_free_all) &&
           resolve(library, "curl_easy_escape", api.easy_escape) && resolve(library, "curl_free", api.free);
}

}  // namespace

const CurlApi* curl_api() {
    static CurlApi api{};
    static const bool loaded = load(api);
    return loaded ? &api : nullptr;
}
