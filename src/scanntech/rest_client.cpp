#include "scanntech/rest_client.h"

#include <algorithm>
#include <cctype>

#include "json/json_value.h"
#include "scanntech/charset.h"

namespace monitor::scanntech {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

RestClient::RestClient() = default;

void RestClient::ResetToDefaults() noexcept {
    baseUrl_.clear();
    contentType_.clear();
    connectTimeoutMs_ = 0;
    readTimeoutMs_ = 0;
    maxResponseBytes_ = kMaxResponseBytes;
    transferCeilingMs_ = kTransferCeilingMs;
}

void RestResponse::ResetToDefaults() noexcept {
    statusCode_ = 0;
    statusText_.clear();
    version_.clear();
    headers_.clear();
    raw_.clear();
    content_.clear();
    json_.reset();
}

std::string RestResponse::HeaderValue(std::string_view name) const {
    for (auto it = headers_.rbegin(); it != headers_.rend(); ++it) {
        if (EqualIgnoringCase(it->name, name)) return it->value;
    }
    return {};
}

void RestResponse::Fill(int statusCode, std::string statusText, std::string version,
                        std::vector<RestHeader> headers, std::string raw) {
    ResetToDefaults();
    statusCode_ = statusCode;
    statusText_ = std::move(statusText);
    version_ = std::move(version);
    headers_ = std::move(headers);
    raw_ = std::move(raw);
    content_ = DecodeBody(raw_, CharsetOf(HeaderValue("Content-Type")));
    if (!content_.empty()) json_ = json::Parse(content_);
}

int ExecutionPerformance::TotalMs() const noexcept {
    const std::int64_t us = preProcessingUs + executionUs + postProcessingUs;
    return static_cast<int>((us + 500) / 1000);
}

}  // namespace monitor::scanntech
