#pragma once

#include <string>
#include <string_view>

namespace monitor::scanntech {

/** The base URL and a resource joined the way the service's paths are configured: one "/"
 *  between them unless the base already ends in "/" or the resource begins with "/", "?" or
 *  "#"; an empty resource leaves the base alone. */
std::string JoinUrl(std::string_view baseUrl, std::string_view resource);

/** The URL with every byte that a URL may not hold percent-encoded (spaces, quotes, braces,
 *  controls, non-ASCII bytes, a "%" not followed by two hex digits, a second "#"). Scheme,
 *  user and host are left as they are; what is already valid is not touched. */
std::string EncodeUrl(std::string_view url);

/** Every byte outside the unreserved set ("A-Z a-z 0-9 - . _ ~") percent-encoded. */
std::string PercentEncode(std::string_view text);

}  // namespace monitor::scanntech
