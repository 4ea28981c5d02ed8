#include "scanntech/charset.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "common/cp1252.h"

namespace monitor::scanntech {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) AppendUtf8(out, static_cast<std::uint8_t>(c));  // Latin-1 is U+0000..U+00FF
    return out;
}

}  // namespace

std::string CharsetOf(std::string_view contentType) {
    std::size_t pos = contentType.find(';');
    while (pos != std::string_view::npos) {
        const std::size_t next = contentType.find(';', pos + 1);
        std::string_view param = Trim(contentType.substr(
            pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1));
        const std::size_t eq = param.find('=');
        if (eq != std::string_view::npos && Lower(Trim(param.substr(0, eq))) == "charset") {
            std::string_view value = Trim(param.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return Lower(value);
        }
        pos = next;
    }
    return {};
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        char32_t cp = 0;
        if (NextUtf8CodePoint(bytes, i, cp)) {
            out.append(bytes.substr(start, i - start));
        } else {
            out += kReplacement;
        }
    }
    return out;
}

std::string DecodeBody(std::string_view bytes, std::string_view charset) {
    const std::string name = Lower(charset);
    if (name == "windows-1252" || name == "cp1252" || name == "x-cp1252" || name == "us-ascii" ||
        name == "ascii") {
        return Cp1252ToUtf8(bytes);
    }
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "latin-1" ||
        name == "iso_8859-1" || name == "l1") {
        return Latin1ToUtf8(bytes);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return SanitizeUtf8(bytes);
}

}  // namespace monitor::scanntech
