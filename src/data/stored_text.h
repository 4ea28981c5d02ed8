#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

#include "data/query.h"

namespace monitor::db {

/** Text as stored in a column that the point-of-sale reads as Windows-1252: a character the
 *  code page lacks becomes "?", and so does NUL, which libpq would take for the end of the
 *  text. Then cut to `length` characters, the column's size. */
Value StoredText(std::string_view utf8,
                     std::size_t length = std::numeric_limits<std::size_t>::max());

}  // namespace monitor::db
