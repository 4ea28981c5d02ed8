#pragma once

#include <string>
#include <string_view>

namespace monitor::scanntech {

/** Standard Base64 alphabet with "=" padding, on one line. */
std::string Base64Encode(std::string_view bytes);

}  // namespace monitor::scanntech
