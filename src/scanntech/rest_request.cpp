#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "common/cp1252.h"
#include "scanntech/rest_client.h"
#include "scanntech/url.h"

namespace monitor::scanntech {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr const char* kAccept = "application/json, text/plain; q=0.9, text/html;q=0.8,";
constexpr const char* kAcceptCharset = "utf-8, *;q=0.8";
// Below the keep-alive time-out common servers use (5 s), so an idle connection is seldom
// found dead when it is taken up again.
constexpr long kMaxConnectionAgeSeconds = 4;

// Rounded up: a phase that completed never counts 0.
std::int64_t Microseconds(SteadyClock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return (ns + 999) / 1000;
}

std::string SizeText(std::uint64_t bytes) {
    if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
    return std::to_string(bytes) + " bytes";
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// What the callbacks of one transfer share.
struct Transfer {
    std::uint64_t maxBodyBytes = kMaxResponseBytes;
    std::chrono::milliseconds readTimeout{0};

    std::string body;
    std::uint64_t headerBytes = 0;
    std::vector<RestHeader> headers;
    std::string reason;  // of the last status line
    std::string abortReason;

    // The read time-out counts from the moment the request is sent, restarting with every
    // byte that moves; the connect time-out covers what comes before.
    bool sent = false;
    // A sale movement goes out at most once per execution: see OnRequestReady.
    bool refuseResend = false;
    bool answeredSinceSent = false;
    SteadyClock::time_point lastActivity = SteadyClock::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;

    void Touch() { lastActivity = SteadyClock::now(); }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t.Touch();
    if (t.body.size() + n > t.maxBodyBytes) {
        t.abortReason = "the answer is larger than " + SizeText(t.maxBodyBytes);
        return 0;  // libcurl ends the transfer
    }
    t.body.append(data, n);
    return n;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t.Touch();
    t.headerBytes += n;
    if (t.headerBytes > kMaxHeaderBytes) {
        t.abortReason = "the answer's headers are larger than " + SizeText(kMaxHeaderBytes);
        return 0;
    }
    const std::string_view line = Trim(std::string_view(data, n));
    if (line.starts_with("HTTP/")) {
        t.answeredSinceSent = true;
        // A new answer begins (after a redirect or an interim 1xx): forget the previous one.
        t.headers.clear();
        t.reason.clear();
        const std::size_t codeStart = line.find(' ');
        const std::size_t reasonStart =
            codeStart == std::string_view::npos ? codeStart : line.find(' ', codeStart + 1);
        if (reasonStart != std::string_view::npos) t.reason = Trim(line.substr(reasonStart + 1));
    } else if (const std::size_t colon = line.find(':'); colon != std::string_view::npos) {
        t.headers.push_back(
            {std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))});
    }
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto& t = *static_cast<Transfer*>(user);
    if (!t.sent || t.readTimeout.count() <= 0) return 0;
    if (down != t.lastDown || up != t.lastUp) {
        t.lastDown = down;
        t.lastUp = up;
        t.Touch();
        return 0;
    }
    if (SteadyClock::now() - t.lastActivity >= t.readTimeout) {
        t.abortReason =
            "read timed out: no data for " + std::to_string(t.readTimeout.count()) + " ms";
        return 1;
    }
    return 0;
}

int OnRequestReady(void* user, char*, char*, int, int) {
    auto& t = *static_cast<Transfer*>(user);
    // libcurl sends a request again by itself when a kept-alive connection turns out dead
    // before any answer byte. The service may have taken the first one all the same, so a
    // movement would arrive twice with one logst row: end the exchange instead, as a lost
    // answer, and the sale is offered again at the next check. A redirect has an answer first.
    if (t.refuseResend && t.sent && !t.answeredSinceSent) {
        t.abortReason = "the connection was lost before an answer; the request was not sent again";
        return CURL_PREREQFUNC_ABORT;
    }
    t.sent = true;
    t.answeredSinceSent = false;
    t.Touch();
    return CURL_PREREQFUNC_OK;
}

std::string VersionText(long version) {
    switch (version) {
        case CURL_HTTP_VERSION_1_0:
            return "HTTP/1.0";
        case CURL_HTTP_VERSION_2_0:
            return "HTTP/2.0";
        case CURL_HTTP_VERSION_3:
            return "HTTP/3.0";
        default:
            return "HTTP/1.1";
    }
}

std::string StandardReason(int status) {
    switch (status) {
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return {};
    }
}

std::string HeaderLine(const std::string& name, const std::string& value) {
    if (name.find_first_of("\r\n:") != std::string::npos || name.empty() ||
        value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        throw RestRequestFailed("the header \"" + name + "\" cannot be sent as given");
    }
    // "Name;" is libcurl's way of sending a header with an empty value.
    return value.empty() ? name + ";" : name + ": " + value;
}

template <typename T>
void SetOption(CURL* h, CURLoption option, T value) {
    if (const CURLcode rc = curl_easy_setopt(h, option, value); rc != CURLE_OK) {
        throw RestRequestFailed(curl_easy_strerror(rc));
    }
}

std::int64_t InfoMicroseconds(CURL* h, CURLINFO info) {
    curl_off_t value = 0;
    return curl_easy_getinfo(h, info, &value) == CURLE_OK ? static_cast<std::int64_t>(value) : 0;
}

}  // namespace

void RestRequest::ResetToDefaults() noexcept {
    method_ = TRESTRequestMethod::rmGET;
    resource_.clear();
    connectTimeoutMs_ = 0;
    readTimeoutMs_ = 0;
    params_.clear();
    performance_ = ExecutionPerformance{};
}

std::string RestRequest::FullURL() const {
    return EncodeUrl(JoinUrl(client_->BaseURL(), resource_));
}

void RestRequest::Execute() {
    const auto start = SteadyClock::now();
    performance_ = ExecutionPerformance{};
    response_->ResetToDefaults();

    CURL* h = client_->Handle().get();
    client_->Handle().Reset();  // nothing of the previous request survives; connections do

    const bool post = method_ == TRESTRequestMethod::rmPOST;
    const std::string url = FullURL();
    CurlHeaderList headers;
    std::string body;
    std::string bodyType;
    bool haveBody = false;
    for (const TRESTRequestParameter& p : params_) {
        const std::string value = p.doNotEncode ? p.value : PercentEncode(p.value);
        if (p.kind == TRESTRequestParameterKind::pkHTTPHEADER) {
            headers.Append(HeaderLine(p.name, value));
        } else if (!haveBody) {
            body = Utf8ToCp1252(value);  // the service reads bodies in Windows-1252
            bodyType = p.contentType;
            haveBody = true;
        }
    }
    headers.Append(HeaderLine("Accept", kAccept));
    headers.Append(HeaderLine("Accept-Charset", kAcceptCharset));
    if (post) {
        const std::string& type =
            !client_->ContentType().empty() ? client_->ContentType() : bodyType;
        if (!type.empty()) headers.Append(HeaderLine("Content-Type", type));
        headers.Append("Expect:");  // no "100-continue" round trip
    }

    const int connectMs = connectTimeoutMs_ > 0 ? connectTimeoutMs_ : client_->ConnectTimeout();
    const int readMs = readTimeoutMs_ > 0 ? readTimeoutMs_ : client_->ReadTimeout();
    Transfer transfer;
    transfer.maxBodyBytes = client_->MaxResponseBytes();
    transfer.readTimeout = std::chrono::milliseconds(readMs);
    char errorText[CURL_ERROR_SIZE] = {};
    // However it ends, the handle keeps no pointer into this frame.
    struct ResetOnExit {
        CurlEasy& handle;
        ~ResetOnExit() { handle.Reset(); }
    } resetOnExit{client_->Handle()};

    SetOption(h, CURLOPT_URL, url.c_str());
    SetOption(h, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    SetOption(h, CURLOPT_FOLLOWLOCATION, 1L);
    SetOption(h, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    SetOption(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    SetOption(h, CURLOPT_PROXY, "");  // never a proxy from the environment
    SetOption(h, CURLOPT_NOSIGNAL, 1L);
    SetOption(h, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(h, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs));
    SetOption(h, CURLOPT_TIMEOUT_MS, static_cast<long>(client_->TransferCeiling()));
    SetOption(h, CURLOPT_MAXAGE_CONN, kMaxConnectionAgeSeconds);
    SetOption(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maxBodyBytes));
    SetOption(h, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(headers.get()));
    SetOption(h, CURLOPT_ERRORBUFFER, errorText);
    SetOption(h, CURLOPT_WRITEFUNCTION, &OnBody);
    SetOption(h, CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
    SetOption(h, CURLOPT_HEADERFUNCTION, &OnHeader);
    SetOption(h, CURLOPT_HEADERDATA, static_cast<void*>(&transfer));
    SetOption(h, CURLOPT_NOPROGRESS, 0L);
    SetOption(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    SetOption(h, CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
    SetOption(h, CURLOPT_PREREQFUNCTION, &OnRequestReady);
    SetOption(h, CURLOPT_PREREQDATA, static_cast<void*>(&transfer));
    if (post) {
        SetOption(h, CURLOPT_POST, 1L);
        SetOption(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        SetOption(h, CURLOPT_POSTFIELDS, body.data());
        transfer.refuseResend = true;
    } else {
        SetOption(h, CURLOPT_HTTPGET, 1L);
    }

    const auto handedOver = SteadyClock::now();
    performance_.preProcessingUs = Microseconds(handedOver - start);
    const CURLcode rc = curl_easy_perform(h);
    const auto answered = SteadyClock::now();

    if (rc != CURLE_OK) {
        std::string reason = transfer.abortReason;
        if (reason.empty() && rc == CURLE_FILESIZE_EXCEEDED) {
            reason = "the answer is larger than " + SizeText(transfer.maxBodyBytes);
        }
        if (reason.empty() && rc == CURLE_OUT_OF_MEMORY && errorText[0] == '\0') {
            // libcurl refuses a header line beyond its own bound (100 KB) this way, unexplained.
            reason = "the answer holds a header line that is too long, or memory ran out";
        }
        if (reason.empty()) reason = errorText[0] != '\0' ? errorText : curl_easy_strerror(rc);
        throw RestRequestFailed(reason);
    }

    performance_.executionUs = InfoMicroseconds(h, CURLINFO_TOTAL_TIME_T);
    performance_.connectUs = InfoMicroseconds(h, CURLINFO_CONNECT_TIME_T);
    performance_.startTransferUs = InfoMicroseconds(h, CURLINFO_STARTTRANSFER_TIME_T);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    long version = 0;
    curl_easy_getinfo(h, CURLINFO_HTTP_VERSION, &version);

    std::string reason =
        transfer.reason.empty() ? StandardReason(static_cast<int>(status)) : transfer.reason;
    const std::string versionText = VersionText(version);
    response_->Fill(static_cast<int>(status), reason, versionText, std::move(transfer.headers),
                    std::move(transfer.body));
    if (status >= 500) {
        throw HttpProtocolError(static_cast<int>(status),
                                versionText + " " + std::to_string(status) + " " + reason);
    }
    performance_.postProcessingUs = Microseconds(SteadyClock::now() - answered);
}

}  // namespace monitor::scanntech
