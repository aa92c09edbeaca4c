#include <gtest/gtest.h>

#include "platform/fake/FakePlatform.h"
#include "settings/DateTimeText.h"

namespace wylo {
namespace {

TEST(DateTimeText, DateAndLongTimeWithTheTimeLeftOutAtMidnight) {
    const FakePlatform platform;
    EXPECT_EQ(FormatDateTimeText(platform, EncodeDateTime({2026, 12, 8, 17, 21, 25})),
              "08/12/2026 17:21:25");
    EXPECT_EQ(FormatDateTimeText(platform, EncodeDateTime({2026, 12, 8})), "08/12/2026");
    EXPECT_EQ(FormatDateTimeText(platform, EncodeDateTime({2026, 12, 8, 0, 0, 1})),
              "08/12/2026 00:00:01");
}

TEST(DateTimeText, ReadsTheUsersFormatsBack) {
    const FakePlatform platform;
    EXPECT_EQ(ParseDateTimeText(platform, "08/12/2026 17:21:25"),
              EncodeDateTime({2026, 12, 8, 17, 21, 25}));
    EXPECT_EQ(ParseDateTimeText(platform, "08/12/2026"), EncodeDateTime({2026, 12, 8}));
}

TEST(DateTimeText, FallsBackToIso8601) {
    const FakePlatform platform;
    EXPECT_EQ(ParseDateTimeText(platform, "2001-01-01T00:00:00"), EncodeDateTime({2001, 1, 1}));
    EXPECT_EQ(ParseDateTimeText(platform, "2001-02-03T04:05:06"),
              EncodeDateTime({2001, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ParseDateTimeText(platform, "2001-02-03 04:05:06"),
              EncodeDateTime({2001, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ParseDateTimeText(platform, "2024-02-29"), EncodeDateTime({2024, 2, 29}));
}

TEST(DateTimeText, RejectsWhatNeitherReadingUnderstands) {
    const FakePlatform platform;
    for (const char* text :
         {"", "12/8/26 5:21 PM", "2023-02-29", "2001-13-01", "2001-1-1", "2001-01-01T24:00:00",
          "2001-01-01T10:00", "2001-01-01T10:00:00Z", "2001-01-01x", "31/02/2023", "yesterday"}) {
        EXPECT_EQ(ParseDateTimeText(platform, text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace wylo
