#include "data/stored_text.h"

#include <string>

#include "common/cp1252.h"

namespace monitor::db {

Value StoredText(std::string_view utf8, std::size_t length) {
    // After the round trip every character is one the code page holds, so the cut counts the
    // characters the column will hold.
    std::string text = Cp1252Roundtrip(utf8);
    for (char& c : text) {
        if (c == '\0') c = '?';
    }
    if (length != std::numeric_limits<std::size_t>::max()) text = Utf8Left(text, length);
    return Value::Text(std::move(text));
}

}  // namespace monitor::db
