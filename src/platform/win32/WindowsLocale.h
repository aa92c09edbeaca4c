#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"

namespace wylo {

// What it takes to read back a date-time text that Windows formatted: the
// format pictures ("M/d/yyyy", "h:mm:ss tt") and the names they may print.
struct DateTimePictures {
    std::wstring date;
    std::wstring time;
    std::wstring am;
    std::wstring pm;
    // Every spelling of each month (full, short, genitive), January first.
    std::array<std::vector<std::wstring>, 12> monthNames;
    // Every spelling of every weekday; read and ignored.
    std::vector<std::wstring> dayNames;
    std::vector<std::wstring> eraNames;
    // Two-digit years map into the hundred years ending here.
    int twoDigitYearMax = 2049;
};

// Reads "date" or "date time" by the pictures: numbers of one or two digits
// where the picture has d, M, h, H, m or s, names where it has ddd, MMM or
// tt, quoted and other characters as they stand, any run of blanks for a
// blank. Nothing unless the whole text is used and the result is a valid date.
std::optional<CivilDateTime> ParseWithPictures(std::wstring_view text,
                                               const DateTimePictures& pictures);

// Date and time texts in a Windows locale's formats: the user's own (with the
// changes made in the regional settings) when no name is given.
class LocaleDateTime {
public:
    explicit LocaleDateTime(std::optional<std::wstring> localeName = std::nullopt);

    // UTF-8 texts, as the rest of the program keeps them.
    std::string FormatShortDate(const CivilDateTime& value) const;
    std::string FormatLongTime(const CivilDateTime& value) const;
    std::optional<CivilDateTime> Parse(std::string_view text) const;

    // The pictures as the system gives them now.
    DateTimePictures Pictures() const;

private:
    const wchar_t* Name() const;
    // Locales whose calendar is not the Gregorian one (Thai, Hijri...) write
    // their dates as ISO yyyy-MM-dd, which reads back to the same day.
    bool UsesGregorianCalendar() const;

    std::optional<std::wstring> localeName_;
};

}  // namespace wylo
