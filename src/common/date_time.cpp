#include "common/date_time.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace monitor {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1970-01-01 back to 1899-12-30.
constexpr std::int64_t kEpochOffsetDays = 25'569;

// Howard Hinnant's civil calendar algorithms, counted from 1970-01-01.
std::int64_t DaysFromCivil1970(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays1970(std::int64_t z, int& year, int& month, int& day) noexcept {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

bool IsValidDate(int year, int month, int day) noexcept {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : kDays[month - 1];
    return day <= last;
}

std::int64_t DaysFromCivil(int year, int month, int day) noexcept {
    return DaysFromCivil1970(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
           kEpochOffsetDays;
}

std::int64_t ToMilliseconds(TDateTime value) noexcept {
    return static_cast<std::int64_t>(std::llround(value.value * kMsPerDay));
}

TDateTime FromMilliseconds(std::int64_t ms) noexcept {
    return TDateTime{static_cast<double>(ms) / kMsPerDay};
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) noexcept {
    const std::int64_t ms = DaysFromCivil(year, month, day) * kMsPerDay + hour * 3'600'000LL +
                            minute * 60'000LL + second * 1'000LL + millisecond;
    return FromMilliseconds(ms);
}

DateTimeParts DecodeDateTime(TDateTime value) noexcept {
    const std::int64_t ms = ToMilliseconds(value);
    const std::int64_t days = FloorDiv(ms, kMsPerDay);
    std::int64_t rest = ms - days * kMsPerDay;
    DateTimeParts p;
    CivilFromDays1970(days - kEpochOffsetDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3'600'000);
    rest %= 3'600'000;
    p.minute = static_cast<int>(rest / 60'000);
    rest %= 60'000;
    p.second = static_cast<int>(rest / 1'000);
    p.millisecond = static_cast<int>(rest % 1'000);
    return p;
}

TDateTime DateOf(TDateTime value) noexcept {
    const std::int64_t days = FloorDiv(ToMilliseconds(value), kMsPerDay);
    return TDateTime{static_cast<double>(days)};
}

TDateTime AddSeconds(TDateTime value, std::int64_t seconds) noexcept {
    return FromMilliseconds(ToMilliseconds(value) + seconds * 1000);
}

std::string FormatSqlDate(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buf;
}

std::string FormatSqlTimestamp(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    char buf[48];
    if (p.millisecond != 0) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month,
                      p.day, p.hour, p.minute, p.second, p.millisecond);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                      p.hour, p.minute, p.second);
    }
    return buf;
}

TDateTime ParseSqlDateTime(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char frac[16] = {0};
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%9[0-9]", &y, &mo, &d, &h, &mi,
                              &s, frac);
    if (n < 3 || !IsValidDate(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
        s > 59) {
        throw std::invalid_argument("not a date or timestamp: \"" + text + "\"");
    }
    int ms = 0;
    if (n == 7) {
        std::string f = frac;
        f.resize(3, '0');
        ms = std::stoi(f);
    }
    return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

}  // namespace monitor
