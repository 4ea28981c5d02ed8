#include "json/iso_date_time.h"

#include <cstdint>
#include <cstdio>

namespace monitor::json {
namespace {

constexpr std::int64_t kMsPerMinute = 60'000;
constexpr std::int64_t kMsPerHour = 3'600'000;
constexpr std::int64_t kMsPerDay = 86'400'000;

void AppendDigits(std::string& out, int value, int width) {
    char buf[8];
    for (int i = width - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(buf, static_cast<std::size_t>(width));
}

class Cursor {
public:
    explicit Cursor(std::string_view text) noexcept : text_(text) {}

    bool AtEnd() const noexcept { return pos_ == text_.size(); }

    bool Take(char c) noexcept {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool IsDigit() const noexcept {
        return pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9';
    }

    // Reads exactly `count` digits; consumes nothing when they are not all there.
    bool Digits(int count, int& value) noexcept {
        if (text_.size() - pos_ < static_cast<std::size_t>(count)) return false;
        int v = 0;
        for (int k = 0; k < count; ++k) {
            const char c = text_[pos_ + static_cast<std::size_t>(k)];
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        pos_ += static_cast<std::size_t>(count);
        value = v;
        return true;
    }

    // A fraction's digits as milliseconds, rounded half up (so .9995 gives 1000).
    int FractionMilliseconds() noexcept {
        int ms = 0;
        int digits = 0;
        bool round_up = false;
        for (; IsDigit(); ++pos_, ++digits) {
            const int d = text_[pos_] - '0';
            if (digits < 3) {
                ms = ms * 10 + d;
            } else if (digits == 3) {
                round_up = d >= 5;
            }
        }
        for (int k = digits; k < 3; ++k) ms *= 10;
        return ms + (round_up ? 1 : 0);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// hh[:nn[:ss[.fff]]] or hh[nn[ss[.fff]]]; the time of day in milliseconds.
std::optional<std::int64_t> ReadTime(Cursor& c) noexcept {
    int hour = 0, minute = 0, second = 0, ms = 0;
    if (!c.Digits(2, hour)) return std::nullopt;
    bool has_seconds = false;
    if (c.Take(':')) {
        if (!c.Digits(2, minute)) return std::nullopt;
        if (c.Take(':')) {
            if (!c.Digits(2, second)) return std::nullopt;
            has_seconds = true;
        }
    } else if (c.Digits(2, minute)) {
        has_seconds = c.Digits(2, second);
    }
    if (has_seconds && (c.Take('.') || c.Take(','))) {
        if (!c.IsDigit()) return std::nullopt;
        ms = c.FractionMilliseconds();
    }
    if (hour > 24 || minute > 59 || second > 60) return std::nullopt;
    return hour * kMsPerHour + minute * kMsPerMinute + second * 1000LL + ms;
}

// Z, +hh, +hh:mm, +hhmm (or "-"); the offset from UTC in milliseconds.
std::optional<std::int64_t> ReadZone(Cursor& c) noexcept {
    if (c.Take('Z')) return 0;
    int sign = 0;
    if (c.Take('+')) {
        sign = 1;
    } else if (c.Take('-')) {
        sign = -1;
    } else {
        return 0;
    }
    int hours = 0, minutes = 0;
    if (!c.Digits(2, hours)) return std::nullopt;
    if (c.Take(':')) {
        if (!c.Digits(2, minutes)) return std::nullopt;
    } else {
        c.Digits(2, minutes);
    }
    if (hours > 23 || minutes > 59) return std::nullopt;
    return sign * (hours * kMsPerHour + minutes * kMsPerMinute);
}

}  // namespace

void AppendIsoDateTime(std::string& out, TDateTime value) {
    if (value.IsZero()) return;
    const DateTimeParts p = DecodeDateTime(value);
    if (p.year >= 0 && p.year <= 9999) {
        AppendDigits(out, p.year, 4);
    } else {
        char buf[16];
        const int n = std::snprintf(buf, sizeof buf, "%d", p.year);
        out.append(buf, static_cast<std::size_t>(n));
    }
    out += '-';
    AppendDigits(out, p.month, 2);
    out += '-';
    AppendDigits(out, p.day, 2);
    out += 'T';
    AppendDigits(out, p.hour, 2);
    out += ':';
    AppendDigits(out, p.minute, 2);
    out += ':';
    AppendDigits(out, p.second, 2);
    out += '.';
    AppendDigits(out, p.millisecond, 3);
    out += 'Z';
}

std::string FormatIsoDateTime(TDateTime value) {
    std::string out;
    AppendIsoDateTime(out, value);
    return out;
}

std::optional<TDateTime> ParseIsoDateTime(std::string_view text) noexcept {
    if (text.empty()) return TDateTime{};
    Cursor c(text);
    int year = 0, month = 0, day = 0;
    if (!c.Digits(4, year)) return std::nullopt;
    const bool extended = c.Take('-');
    if (!c.Digits(2, month)) return std::nullopt;
    if (extended && !c.Take('-')) return std::nullopt;
    if (!c.Digits(2, day) || !IsValidDate(year, month, day)) return std::nullopt;
    std::int64_t ms = DaysFromCivil(year, month, day) * kMsPerDay;
    if (c.Take('T')) {
        const auto time = ReadTime(c);
        if (!time) return std::nullopt;
        const auto offset = ReadZone(c);
        if (!offset) return std::nullopt;
        ms += *time - *offset;
    }
    if (!c.AtEnd()) return std::nullopt;
    return FromMilliseconds(ms);
}

}  // namespace monitor::json
