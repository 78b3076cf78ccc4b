#ifndef TRAKMOOR_MAP_CURLHANDLES_H
#define TRAKMOOR_MAP_CURLHANDLES_H

// Owning handles for the few libcurl objects the map download uses, so that every way out of a
// download, exceptions included, gives them back.

#include <curl/curl.h>

#include <memory>

namespace trakmoor {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlUrlDeleter {
    void operator()(CURLU* handle) const noexcept { curl_url_cleanup(handle); }
};
using CurlUrlPtr = std::unique_ptr<CURLU, CurlUrlDeleter>;

// Strings that libcurl allocates (escaped text, URL parts) go back through curl_free.
struct CurlFreeDeleter {
    void operator()(char* text) const noexcept { curl_free(text); }
};
using CurlStringPtr = std::unique_ptr<char, CurlFreeDeleter>;

} // namespace trakmoor

#endif
