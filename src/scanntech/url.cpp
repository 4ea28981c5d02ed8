#include "scanntech/url.h"

#include <cctype>

namespace monitor::scanntech {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsUnreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
}

// Characters that may stand as they are in a path, query or fragment (RFC 3986 pchar plus
// "/" and "?"); "#" and "%" are handled by the caller.
bool MayStand(unsigned char c) {
    constexpr std::string_view kSubDelimsAndSeparators = "!$&'()*+,;=:@/?";
    return IsUnreserved(c) ||
           (c != 0 && kSubDelimsAndSeparators.find(static_cast<char>(c)) != std::string_view::npos);
}

void AppendEncoded(std::string& out, unsigned char c) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

// Length of "scheme://authority" at the start of the URL, 0 when there is none.
std::size_t AuthorityEnd(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return 0;
    for (std::size_t i = 0; i < scheme; ++i) {
        const char c = url[i];
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    const std::size_t end = url.find_first_of("/?#", scheme + 3);
    return end == std::string_view::npos ? url.size() : end;
}

}  // namespace

std::string JoinUrl(std::string_view baseUrl, std::string_view resource) {
    std::string url(baseUrl);
    if (resource.empty()) return url;
    const char first = resource.front();
    if (!url.ends_with('/') && first != '/' && first != '?' && first != '#') url += '/';
    url += resource;
    return url;
}

std::string EncodeUrl(std::string_view url) {
    const std::size_t start = AuthorityEnd(url);
    std::string out(url.substr(0, start));
    out.reserve(url.size() + 16);
    bool inFragment = false;
    for (std::size_t i = start; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c == '%' && i + 2 < url.size() && IsHex(url[i + 1]) && IsHex(url[i + 2])) {
            out += '%';
        } else if (c == '#' && !inFragment) {
            inFragment = true;
            out += '#';
        } else if (MayStand(c)) {
            out += static_cast<char>(c);
        } else {
            AppendEncoded(out, c);
        }
    }
    return out;
}

std::string PercentEncode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out += ch;
        } else {
            AppendEncoded(out, c);
        }
    }
    return out;
}

}  // namespace monitor::scanntech
