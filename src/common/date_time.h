#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace monitor {

/** A point in time the way the point-of-sale and Scanntech's documents count it:
 *  days since 1899-12-30, the fraction being the time of day. Zero is "no date". */
struct TDateTime {
    double value = 0.0;

    friend auto operator<=>(const TDateTime&, const TDateTime&) = default;
    bool IsZero() const noexcept { return value == 0.0; }
};

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

/** Days from 1899-12-30 to the given civil date (proleptic Gregorian). */
std::int64_t DaysFromCivil(int year, int month, int day) noexcept;
bool IsValidDate(int year, int month, int day) noexcept;

/** Builds a value from its parts; the parts must be in range (see IsValidDate). */
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int millisecond = 0) noexcept;
DateTimeParts DecodeDateTime(TDateTime value) noexcept;

/** The whole milliseconds a value stands for, counted from 1899-12-30 00:00. */
std::int64_t ToMilliseconds(TDateTime value) noexcept;
TDateTime FromMilliseconds(std::int64_t ms) noexcept;

TDateTime DateOf(TDateTime value) noexcept;
TDateTime AddSeconds(TDateTime value, std::int64_t seconds) noexcept;

/** "yyyy-mm-dd" and "yyyy-mm-dd hh:nn:ss", the forms PostgreSQL reads and writes. */
std::string FormatSqlDate(TDateTime value);
std::string FormatSqlTimestamp(TDateTime value);
/** Reads PostgreSQL's text of a date or a timestamp without zone; throws std::invalid_argument. */
TDateTime ParseSqlDateTime(const std::string& text);

}  // namespace monitor
