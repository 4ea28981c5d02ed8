#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/iso_date_time.h"

namespace monitor::json {
namespace {

TEST(IsoDateTime, WritesTheValueAsItIsWithAZ) {
    struct Case {
        TDateTime value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {TDateTime{}, ""},
        {EncodeDateTime(2023, 12, 8, 14, 5, 9, 123), "2023-12-08T14:05:09.123Z"},
        {EncodeDateTime(2022, 7, 29, 9, 55, 59), "2022-07-29T09:55:59.000Z"},
        {EncodeDateTime(1899, 12, 30, 9, 55, 59), "1899-12-30T09:55:59.000Z"},
        {EncodeDateTime(2024, 2, 29, 23, 59, 59, 999), "2024-02-29T23:59:59.999Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatIsoDateTime(c.value), c.text);
    }
}

TEST(IsoDateTime, ReadsIso8601AndShiftsOffsetsToUtc) {
    struct Case {
        const char* text;
        TDateTime value;
    };
    const std::vector<Case> cases = {
        {"", TDateTime{}},
        {"2023-12-01T00:00:00.000-03:00", EncodeDateTime(2023, 12, 1, 3)},
        {"2023-12-01T00:00:00.000Z", EncodeDateTime(2023, 12, 1)},
        {"2023-12-01T00:00:00", EncodeDateTime(2023, 12, 1)},
        {"2023-12-01", EncodeDateTime(2023, 12, 1)},
        {"20231201", EncodeDateTime(2023, 12, 1)},
        {"2023-12-31T23:59:59-03:00", EncodeDateTime(2024, 1, 1, 2, 59, 59)},
        {"2023-12-01T10:00:00+0130", EncodeDateTime(2023, 12, 1, 8, 30)},
        {"2023-12-01T10:00+02", EncodeDateTime(2023, 12, 1, 8)},
        {"2023-12-01T10", EncodeDateTime(2023, 12, 1, 10)},
        {"20231201T101112", EncodeDateTime(2023, 12, 1, 10, 11, 12)},
        {"20231201T1011", EncodeDateTime(2023, 12, 1, 10, 11)},
        {"2023-12-08T14:05:09.123Z", EncodeDateTime(2023, 12, 8, 14, 5, 9, 123)},
        {"2023-12-08T14:05:09.1Z", EncodeDateTime(2023, 12, 8, 14, 5, 9, 100)},
        {"2023-12-08T14:05:09.123456", EncodeDateTime(2023, 12, 8, 14, 5, 9, 123)},
        {"2023-12-08T14:05:09,5", EncodeDateTime(2023, 12, 8, 14, 5, 9, 500)},
        {"2023-12-31T24:00:00", EncodeDateTime(2024, 1, 1)},
        {"2023-12-31T23:59:60", EncodeDateTime(2024, 1, 1)},
        {"2023-12-31T23:59:59.9996", EncodeDateTime(2024, 1, 1)},
        {"2024-02-29T12:00:00Z", EncodeDateTime(2024, 2, 29, 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto read = ParseIsoDateTime(c.text);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(ToMilliseconds(*read), ToMilliseconds(c.value));
    }
}

TEST(IsoDateTime, RefusesTextThatIsNotIso8601) {
    const std::vector<std::string> cases = {
        "abc",
        "2023-12-01 10:00:00",     // blank instead of T
        "2023-12-01T",
        "2023-12-01T10:00:00Zjunk",
        "2023-12-01T10:00:00.Z",
        "2023-12-01T10:00:00+3",
        "2023-12-01T10:00:00+03:0",
        "2023-12-01T10:0",
        "2023-13-01",
        "2023-02-30",
        "0000-01-01",
        "2023-12-1",
        "2023-1201",
        "23-12-01",
        "2023-12-01T25:00:00",
        "2023-12-01T10:60:00",
        "2023-12-01T10:00:61",
        "2023-12-01T10:00:00+24:00",
        "2023-12-01Z",
        std::string("2023-12-01\0", 11),
        " 2023-12-01",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseIsoDateTime(text).has_value());
    }
}

}  // namespace
}  // namespace monitor::json
