#pragma once

#include <string>
#include <string_view>

namespace monitor::scanntech {

/** The charset parameter of a Content-Type value, in lower case; empty when there is none. */
std::string CharsetOf(std::string_view contentType);

/** A response body as UTF-8 text, decoded by the declared charset: Windows-1252 (and the
 *  names browsers treat as such: us-ascii), ISO-8859-1 (each byte its own code point), and
 *  UTF-8 for everything else, the default. Invalid UTF-8 sequences become U+FFFD and a leading
 *  byte-order mark is dropped, so the result is always valid UTF-8. */
std::string DecodeBody(std::string_view bytes, std::string_view charset);

/** The text with every invalid UTF-8 sequence replaced by U+FFFD. */
std::string SanitizeUtf8(std::string_view bytes);

}  // namespace monitor::scanntech
