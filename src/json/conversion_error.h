#pragma once

#include <stdexcept>
#include <string>

namespace monitor::json {

/** Reading a document failed: the JSON does not fit the document's members. */
class EConversionError : public std::runtime_error {
public:
    explicit EConversionError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace monitor::json
