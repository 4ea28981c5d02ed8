#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_value.h"
#include "scanntech/curl_easy.h"

namespace monitor::scanntech {

enum class TRESTRequestMethod { rmGET, rmPOST };
enum class TRESTRequestParameterKind { pkHTTPHEADER, pkREQUESTBODY };

struct TRESTRequestParameter {
    TRESTRequestParameterKind kind = TRESTRequestParameterKind::pkHTTPHEADER;
    std::string name;
    std::string value;  // UTF-8 text
    std::string contentType;
    /** Sent unchanged; otherwise percent-encoded. */
    bool doNotEncode = false;
};

struct RestHeader {
    std::string name;
    std::string value;
};

/** No answer arrived (no connection, time-out, bad URL, an answer past the size bound):
 *  "REST request failed: <reason>". */
class RestRequestFailed : public std::runtime_error {
  public:
    explicit RestRequestFailed(const std::string& reason)
        : std::runtime_error("REST request failed: " + reason) {}
};

/** An answer with status 500 or more, e.g. "HTTP/1.1 500 Internal Server Error". The response
 *  holds the answer. */
class HttpProtocolError : public std::runtime_error {
  public:
    HttpProtocolError(int statusCode, const std::string& message)
        : std::runtime_error(message), statusCode_(statusCode) {}
    int StatusCode() const noexcept { return statusCode_; }

  private:
    int statusCode_;
};

/** Answers larger than this are not read: the request fails. */
inline constexpr std::uint64_t kMaxResponseBytes = 64ULL * 1024 * 1024;
/** Bound on all header lines of one answer together. */
inline constexpr std::uint64_t kMaxHeaderBytes = 1024 * 1024;
/** A transfer that keeps trickling is ended after this long, whatever the read time-out. */
inline constexpr int kTransferCeilingMs = 120000;
inline constexpr int kMaxRedirects = 10;

/** The client: base URL, content type, time-outs and the one libcurl handle whose connection
 *  cache every request shares. */
class RestClient {
  public:
    /** Throws HttpClientError when the handle cannot be created. */
    RestClient();

    /** Clears base URL, content type and time-outs and restores the bounds. */
    void ResetToDefaults() noexcept;

    const std::string& BaseURL() const noexcept { return baseUrl_; }
    void SetBaseURL(std::string url) { baseUrl_ = std::move(url); }
    const std::string& ContentType() const noexcept { return contentType_; }
    void SetContentType(std::string type) { contentType_ = std::move(type); }
    int ConnectTimeout() const noexcept { return connectTimeoutMs_; }
    void SetConnectTimeout(int ms) noexcept { connectTimeoutMs_ = ms; }
    int ReadTimeout() const noexcept { return readTimeoutMs_; }
    void SetReadTimeout(int ms) noexcept { readTimeoutMs_ = ms; }

    std::uint64_t MaxResponseBytes() const noexcept { return maxResponseBytes_; }
    void SetMaxResponseBytes(std::uint64_t bytes) noexcept { maxResponseBytes_ = bytes; }
    int TransferCeiling() const noexcept { return transferCeilingMs_; }
    void SetTransferCeiling(int ms) noexcept { transferCeilingMs_ = ms; }

    CurlEasy& Handle() noexcept { return handle_; }

  private:
    CurlEasy handle_;
    std::string baseUrl_;
    std::string contentType_;
    int connectTimeoutMs_ = 0;
    int readTimeoutMs_ = 0;
    std::uint64_t maxResponseBytes_ = kMaxResponseBytes;
    int transferCeilingMs_ = kTransferCeilingMs;
};

/** The answer of the last execution. */
class RestResponse {
  public:
    void ResetToDefaults() noexcept;

    /** 0 when no answer arrived. */
    int StatusCode() const noexcept { return statusCode_; }
    const std::string& StatusText() const noexcept { return statusText_; }
    /** "HTTP/1.0", "HTTP/1.1" or "HTTP/2.0"; empty without an answer. */
    const std::string& ProtocolVersion() const noexcept { return version_; }
    const std::vector<RestHeader>& Headers() const noexcept { return headers_; }
    /** The last header of that name (any case); empty when there is none. */
    std::string HeaderValue(std::string_view name) const;
    std::string ContentType() const { return HeaderValue("Content-Type"); }
    /** The body decoded by the declared charset (UTF-8 by default), always valid UTF-8. */
    const std::string& Content() const noexcept { return content_; }
    const std::string& RawBytes() const noexcept { return raw_; }
    /** The body as JSON; null unless the body is non-empty valid JSON. */
    const json::JsonValue* JSONValue() const noexcept { return json_ ? &*json_ : nullptr; }

    /** Set by RestRequest::Execute when an answer has arrived. */
    void Fill(int statusCode, std::string statusText, std::string version,
              std::vector<RestHeader> headers, std::string raw);

  private:
    int statusCode_ = 0;
    std::string statusText_;
    std::string version_;
    std::vector<RestHeader> headers_;
    std::string raw_;
    std::string content_;
    std::optional<json::JsonValue> json_;
};

/** How long the last execution took, by phase; a phase that did not complete counts 0. */
struct ExecutionPerformance {
    std::int64_t preProcessingUs = 0;   // from Execute until the request is handed to libcurl
    std::int64_t executionUs = 0;       // libcurl's own total: connect, send, wait, receive
    std::int64_t postProcessingUs = 0;  // filling the response
    /** libcurl's own marks within the exchange, for diagnosis. */
    std::int64_t connectUs = 0;
    std::int64_t startTransferUs = 0;

    /** The sum of the phases, in whole milliseconds (rounded). */
    int TotalMs() const noexcept;
};

/** The request: method, resource, time-outs and parameters; Execute runs it on the client
 *  and fills the response. */
class RestRequest {
  public:
    RestRequest(RestClient& client, RestResponse& response) noexcept
        : client_(&client), response_(&response) {}

    /** Clears method (GET), resource, time-outs, parameters and the timings. */
    void ResetToDefaults() noexcept;

    TRESTRequestMethod Method() const noexcept { return method_; }
    void SetMethod(TRESTRequestMethod method) noexcept { method_ = method; }
    const std::string& Resource() const noexcept { return resource_; }
    void SetResource(std::string resource) { resource_ = std::move(resource); }
    int ConnectTimeout() const noexcept { return connectTimeoutMs_; }
    void SetConnectTimeout(int ms) noexcept { connectTimeoutMs_ = ms; }
    int ReadTimeout() const noexcept { return readTimeoutMs_; }
    void SetReadTimeout(int ms) noexcept { readTimeoutMs_ = ms; }

    void AddParameter(TRESTRequestParameter parameter) { params_.push_back(std::move(parameter)); }
    const std::vector<TRESTRequestParameter>& Params() const noexcept { return params_; }

    /** The URL the request goes to: base URL and resource joined, then re-encoded. */
    std::string FullURL() const;

    /** Sends the request and waits for the answer.
     *  - status below 500: returns; the response holds the answer;
     *  - status 500 or more: the response holds the answer, then throws HttpProtocolError;
     *  - no answer: throws RestRequestFailed; the response stays empty (status 0).
     *  A POST is sent at most once: libcurl re-sends a request by itself when a kept-alive
     *  connection dies before the answer, and a sale movement must never reach the service
     *  twice under one logged exchange, so such a re-send ends the exchange as a lost answer. */
    void Execute();

    const ExecutionPerformance& Performance() const noexcept { return performance_; }

  private:
    RestClient* client_;
    RestResponse* response_;
    TRESTRequestMethod method_ = TRESTRequestMethod::rmGET;
    std::string resource_;
    int connectTimeoutMs_ = 0;
    int readTimeoutMs_ = 0;
    std::vector<TRESTRequestParameter> params_;
    ExecutionPerformance performance_;
};

}  // namespace monitor::scanntech
