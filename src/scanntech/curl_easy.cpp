#include "scanntech/curl_easy.h"

#include <curl/curl.h>

#include <mutex>
#include <utility>

namespace monitor::scanntech {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw HttpClientError("the HTTP client library could not be initialised");
        }
    });
}

}  // namespace

CurlEasy::CurlEasy() {
    GlobalInit();
    handle_ = curl_easy_init();
    if (handle_ == nullptr) throw HttpClientError("the HTTP client could not be created");
}

CurlEasy::~CurlEasy() {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
}

CurlEasy::CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

CurlEasy& CurlEasy::operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) curl_easy_cleanup(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void CurlEasy::Reset() noexcept {
    if (handle_ != nullptr) curl_easy_reset(handle_);
}

CurlHeaderList::~CurlHeaderList() {
    if (list_ != nullptr) curl_slist_free_all(static_cast<curl_slist*>(list_));
}

void CurlHeaderList::Append(const std::string& line) {
    curl_slist* next = curl_slist_append(static_cast<curl_slist*>(list_), line.c_str());
    if (next == nullptr) throw HttpClientError("out of memory while building the request headers");
    list_ = next;
}

}  // namespace monitor::scanntech
