#pragma once

#include <stdexcept>
#include <string>

namespace monitor::scanntech {

/** A failure of the HTTP client machinery itself (not of a request). */
class HttpClientError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/** Owns one libcurl easy handle. The handle's connection cache survives Reset(), so requests
 *  made one after another to the same host share one TCP (and TLS) connection while every
 *  option of the previous request is gone. */
class CurlEasy {
  public:
    /** Throws HttpClientError when libcurl cannot create a handle. */
    CurlEasy();
    ~CurlEasy();
    CurlEasy(CurlEasy&& other) noexcept;
    CurlEasy& operator=(CurlEasy&& other) noexcept;
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    /** The CURL* handle. */
    void* get() const noexcept { return handle_; }
    /** Back to libcurl's defaults; connections stay cached. */
    void Reset() noexcept;

  private:
    void* handle_ = nullptr;
};

/** Owns a libcurl header list (curl_slist). */
class CurlHeaderList {
  public:
    CurlHeaderList() = default;
    ~CurlHeaderList();
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    /** Adds one "Name: value" line; throws HttpClientError when out of memory. */
    void Append(const std::string& line);
    /** The curl_slist*. */
    void* get() const noexcept { return list_; }

  private:
    void* list_ = nullptr;
};

}  // namespace monitor::scanntech
