#include <cstdlib>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Clock.h"
#include "platform/win32/WindowsLocale.h"
#include "platform/win32/WindowsPlatform.h"
#include "settings/DateTimeText.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using testing::MatchesRegex;

const CivilDateTime kAfternoon{2024, 3, 7, 14, 5, 9, 0};

// Values whose texts differ in every way a format can: one- and two-digit
// days and months, midnight (no time written), noon and the hour after
// midnight on a 12-hour clock, the last second of a year, a leap day.
const std::vector<CivilDateTime> kRoundTripValues = {
    {2024, 3, 7, 14, 5, 9, 0}, {2024, 12, 31, 23, 59, 59, 0}, {2024, 2, 29, 0, 0, 0, 0},
    {2000, 1, 1, 12, 0, 0, 0}, {2023, 10, 15, 0, 30, 0, 0},   {2031, 11, 5, 12, 59, 1, 0},
    {1999, 6, 30, 9, 8, 7, 0}, {1601, 1, 1, 1, 0, 0, 0},
};

void ExpectRoundTrip(const Platform& platform, const std::string& label) {
    for (const CivilDateTime& civil : kRoundTripValues) {
        const DateTime value = EncodeDateTime(civil);
        const std::string text = FormatDateTimeText(platform, value);
        const auto back = ParseDateTimeText(platform, text);
        ASSERT_TRUE(back) << label << ": \"" << text << "\" does not read back";
        EXPECT_EQ(DecodeDateTime(*back), civil) << label << ": \"" << text << "\"";
    }
}

TEST(LocaleDateTimeFormats, EnglishUnitedStates) {
    const WindowsPlatform platform(L"en-US");
    EXPECT_EQ(platform.FormatShortDate(kAfternoon), "3/7/2024");
    EXPECT_EQ(platform.FormatLongTime(kAfternoon), "2:05:09 PM");
    EXPECT_EQ(FormatDateTimeText(platform, EncodeDateTime(kAfternoon)), "3/7/2024 2:05:09 PM");
    EXPECT_EQ(FormatDateTimeText(platform, EncodeDateTime({2024, 3, 7, 0, 0, 0, 0})), "3/7/2024");
    ExpectRoundTrip(platform, "en-US");
}

TEST(LocaleDateTimeFormats, GermanGermany) {
    const WindowsPlatform platform(L"de-DE");
    // Windows writes 07.03.2024, some Wine versions 7.3.2024.
    EXPECT_THAT(platform.FormatShortDate(kAfternoon), MatchesRegex("0?7\\.0?3\\.2024"));
    EXPECT_EQ(platform.FormatLongTime(kAfternoon), "14:05:09");
    ExpectRoundTrip(platform, "de-DE");
}

TEST(LocaleDateTimeFormats, RoundTripInLocalesOfEveryShape) {
    // Day first, year first, designator before the hour, dots and blanks,
    // a Buddhist and a Hijri calendar (written as ISO dates).
    for (const wchar_t* name : {L"en-GB", L"fr-FR", L"ja-JP", L"ko-KR", L"ru-RU", L"nl-NL",
                                L"zh-CN", L"es-ES", L"th-TH", L"ar-SA"}) {
        const WindowsPlatform platform(name);
        ExpectRoundTrip(platform, std::string(name, name + std::wcslen(name)));
    }
}

TEST(LocaleDateTimeFormats, TextOfOtherRegionalSettingsDoesNotReadAsAnotherDate) {
    const WindowsPlatform english(L"en-US");
    const WindowsPlatform german(L"de-DE");
    const std::string englishText = FormatDateTimeText(english, EncodeDateTime(kAfternoon));
    const std::string germanText = FormatDateTimeText(german, EncodeDateTime(kAfternoon));
    EXPECT_FALSE(german.ParseDateTime(englishText)) << englishText;
    EXPECT_FALSE(english.ParseDateTime(germanText)) << germanText;
    EXPECT_FALSE(ParseDateTimeText(german, englishText));
}

TEST(LocaleDateTimeFormats, RejectTextsThatAreNoDateTime) {
    const WindowsPlatform platform(L"en-US");
    for (const char* text :
         {"", " ", "3/7", "13/7/2024", "2/30/2024", "3/7/2024 13:05:09 PM", "3/7/2024 2:61:00 PM",
          "3/7/2024 2:05:09 XM", "3/7/2024 2:05:09 PM junk", "3/7/2024x", "tomorrow"}) {
        EXPECT_FALSE(platform.ParseDateTime(text)) << '"' << text << '"';
    }
    // Invalid UTF-8 is no text at all.
    EXPECT_FALSE(platform.ParseDateTime("3/7/2024 \xff"));
}

TEST(LocaleDateTimeFormats, BlanksAroundAndBetweenAreAllowed) {
    const WindowsPlatform platform(L"en-US");
    EXPECT_EQ(platform.ParseDateTime("  3/7/2024   2:05:09 pm "), kAfternoon);
    EXPECT_EQ(platform.ParseDateTime("03/07/2024 02:05:09 PM"), kAfternoon);
}

TEST(LocaleDateTimeFormats, YearsBeforeWindowsCalendarStillReadBack) {
    // The system's date functions start in 1601; such dates are written as
    // ISO texts.
    const WindowsPlatform platform(L"en-US");
    const CivilDateTime early{1600, 12, 31, 18, 0, 0, 0};
    const std::string text = FormatDateTimeText(platform, EncodeDateTime(early));
    EXPECT_EQ(text, "1600-12-31 18:00:00");
    const auto back = ParseDateTimeText(platform, text);
    ASSERT_TRUE(back);
    EXPECT_EQ(DecodeDateTime(*back), early);
}

DateTimePictures Pictures(std::wstring date, std::wstring time) {
    DateTimePictures p;
    p.date = std::move(date);
    p.time = std::move(time);
    p.am = L"AM";
    p.pm = L"PM";
    const wchar_t* months[] = {L"January",   L"February", L"March",    L"April",
                               L"May",       L"June",     L"July",     L"August",
                               L"September", L"October",  L"November", L"December"};
    for (int m = 0; m < 12; ++m) {
        p.monthNames[static_cast<std::size_t>(m)] = {months[m], std::wstring(months[m], 3)};
    }
    p.dayNames = {L"Thursday", L"Thu"};
    p.eraNames = {L"A.D."};
    return p;
}

TEST(ParseWithPictures, QuotedTextNamesAndEras) {
    EXPECT_EQ(ParseWithPictures(L"7 'de' March de 2024 14:05:09",
                                Pictures(L"d '''de''' MMMM 'de' yyyy", L"HH:mm:ss")),
              kAfternoon);
    EXPECT_EQ(ParseWithPictures(L"Thursday, march 7, 2024 A.D.",
                                Pictures(L"dddd, MMMM d, yyyy gg", L"HH:mm:ss")),
              (CivilDateTime{2024, 3, 7}));
    EXPECT_EQ(ParseWithPictures(L"07-Mar-2024", Pictures(L"dd-MMM-yyyy", L"HH:mm:ss")),
              (CivilDateTime{2024, 3, 7}));
    EXPECT_FALSE(ParseWithPictures(L"07-Mrz-2024", Pictures(L"dd-MMM-yyyy", L"HH:mm:ss")));
}

TEST(ParseWithPictures, TwoDigitYearsFallInTheHundredYearsEndingAtTheLimit) {
    DateTimePictures p = Pictures(L"d/M/yy", L"HH:mm:ss");
    p.twoDigitYearMax = 2049;
    EXPECT_EQ(ParseWithPictures(L"7/3/49", p)->year, 2049);
    EXPECT_EQ(ParseWithPictures(L"7/3/50", p)->year, 1950);
    EXPECT_EQ(ParseWithPictures(L"7/3/00", p)->year, 2000);
    p.twoDigitYearMax = 2029;
    EXPECT_EQ(ParseWithPictures(L"7/3/30", p)->year, 1930);
}

TEST(ParseWithPictures, TwelveHourClock) {
    const DateTimePictures p = Pictures(L"yyyy-MM-dd", L"tt h:mm:ss");
    EXPECT_EQ(ParseWithPictures(L"2024-03-07 AM 12:00:00", p)->hour, 0);
    EXPECT_EQ(ParseWithPictures(L"2024-03-07 PM 12:00:00", p)->hour, 12);
    EXPECT_EQ(ParseWithPictures(L"2024-03-07 PM 1:00:00", p)->hour, 13);
    EXPECT_FALSE(ParseWithPictures(L"2024-03-07 PM 0:00:00", p));
    EXPECT_FALSE(ParseWithPictures(L"2024-03-07 PM 13:00:00", p));
    // "t" is the designator's first letter.
    EXPECT_EQ(ParseWithPictures(L"2024-03-07 2:05:09 P", Pictures(L"yyyy-MM-dd", L"h:mm:ss t")),
              kAfternoon);
}

TEST(ParseWithPictures, NoBreakSpacesCountAsBlanks) {
    EXPECT_EQ(
        ParseWithPictures(L"3/7/2024\u00a02:05:09\u202fPM", Pictures(L"M/d/yyyy", L"h:mm:ss tt")),
        kAfternoon);
}

// The user's own formats, as the settings file uses them. The Wine wrapper
// pins the locale: en-US unless WYLO_TEST_LOCALE names another.
std::wstring ExpectedUserLocale() {
    const char* pinned = std::getenv("WYLO_TEST_LOCALE");
    if (!pinned || std::string(pinned).rfind("de_DE", 0) != 0) {
        return L"en-US";
    }
    return L"de-DE";
}

TEST(UserDateTimeFormats, FollowThePinnedLocale) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    ASSERT_EQ(std::wstring(name), ExpectedUserLocale());

    const WindowsPlatform platform;
    const std::string text = FormatDateTimeText(platform, EncodeDateTime(kAfternoon));
    if (ExpectedUserLocale() == L"de-DE") {
        EXPECT_THAT(text, MatchesRegex("0?7\\.0?3\\.2024 14:05:09"));
    } else {
        EXPECT_EQ(text, "3/7/2024 2:05:09 PM");
    }
    ExpectRoundTrip(platform, "user");
}

TEST(UserDateTimeFormats, LastChangeInTheSettingsFileReadsBack) {
    const test::TempDir dir;
    const WindowsPlatform platform;
    const std::filesystem::path file = dir / "Wylo.ini";
    Settings saved;
    saved.lastChange = EncodeDateTime(kAfternoon);
    SaveSettings(file, saved, platform);

    const std::string content = test::ReadFile(file);
    EXPECT_NE(content.find("LastChange=" + FormatDateTimeText(platform, saved.lastChange)),
              std::string::npos)
        << content;

    const ManualClock clock(EncodeDateTime({2030, 1, 1, 0, 0, 0, 0}));
    Settings loaded;
    LoadSettings(file, loaded, platform, clock, 0);
    EXPECT_EQ(DecodeDateTime(loaded.lastChange), kAfternoon);
}

}  // namespace
}  // namespace wylo
