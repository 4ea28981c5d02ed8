#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/date_time.h"

namespace monitor::json {

/** The document form of a date-time: yyyy-mm-ddThh:nn:ss.zzzZ, the value's own digits with a
 *  literal "Z" (no zone conversion); the zero date is written as the empty text. */
std::string FormatIsoDateTime(TDateTime value);
void AppendIsoDateTime(std::string& out, TDateTime value);

/** Reads ISO 8601: yyyy-mm-dd or yyyymmdd, optionally "T" and hh[:nn[:ss]] or hh[nn[ss]] with
 *  an optional fraction of seconds and an optional zone ("Z", +hh, +hh:mm, +hhmm or the same
 *  with "-"). An offset shifts the value to UTC; "Z" or no zone leaves it as written. Hour 24,
 *  second 60 and a fraction that rounds to 1000 ms roll over into the next unit. The empty text
 *  reads as the zero date. No value when the text is not in this form or leaves characters
 *  over. */
std::optional<TDateTime> ParseIsoDateTime(std::string_view text) noexcept;

}  // namespace monitor::json
