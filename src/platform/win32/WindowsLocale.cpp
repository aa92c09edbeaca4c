#include "platform/win32/WindowsLocale.h"

#include <cstdio>
#include <cwchar>

#include <windows.h>

#include "platform/win32/WideText.h"

namespace wylo {
namespace {

bool IsBlank(wchar_t c) {
    // Some locales print a no-break or narrow no-break space where others
    // print a plain one.
    return c == L' ' || c == L'\t' || c == 0x00A0 || c == 0x202F;
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// One element of a format picture: a run of one pattern letter, or a literal.
struct PictureElement {
    wchar_t letter = 0;  // 0 for a literal
    int count = 0;
    std::wstring literal;
};

bool IsPatternLetter(wchar_t c) {
    switch (c) {
        case L'd':
        case L'M':
        case L'y':
        case L'g':
        case L'h':
        case L'H':
        case L'm':
        case L's':
        case L't':
            return true;
        default:
            return false;
    }
}

std::vector<PictureElement> SplitPicture(std::wstring_view picture) {
    std::vector<PictureElement> elements;
    auto addLiteral = [&elements](wchar_t c) {
        if (elements.empty() || elements.back().letter != 0) {
            elements.push_back({});
        }
        elements.back().literal += c;
    };
    std::size_t i = 0;
    while (i < picture.size()) {
        const wchar_t c = picture[i];
        if (c == L'\'') {
            // Quoted text stands as it is; two quotes inside are one quote.
            ++i;
            while (i < picture.size()) {
                if (picture[i] == L'\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == L'\'') {
                        addLiteral(L'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                addLiteral(picture[i]);
                ++i;
            }
        } else if (IsPatternLetter(c)) {
            std::size_t end = i;
            while (end < picture.size() && picture[end] == c) {
                ++end;
            }
            elements.push_back({c, static_cast<int>(end - i), {}});
            i = end;
        } else {
            addLiteral(c);
            ++i;
        }
    }
    return elements;
}

class Reader {
public:
    explicit Reader(std::wstring_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }

    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    // Up to maxDigits decimal digits, at least one.
    std::optional<int> Number(std::size_t maxDigits) {
        int value = 0;
        std::size_t read = 0;
        while (read < maxDigits && pos_ < text_.size() && IsDigit(text_[pos_])) {
            value = value * 10 + (text_[pos_] - L'0');
            ++pos_;
            ++read;
        }
        if (read == 0) {
            return std::nullopt;
        }
        return value;
    }

    // The longest of the names that the text continues with, ignoring case;
    // its index, or nothing.
    std::optional<std::size_t> Name(const std::vector<std::wstring>& names) {
        std::optional<std::size_t> best;
        std::size_t bestLength = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::wstring& name = names[i];
            if (name.empty() || name.size() <= bestLength || name.size() > text_.size() - pos_) {
                continue;
            }
            if (CompareStringOrdinal(text_.data() + pos_, static_cast<int>(name.size()),
                                     name.data(), static_cast<int>(name.size()),
                                     TRUE) == CSTR_EQUAL) {
                best = i;
                bestLength = name.size();
            }
        }
        if (best) {
            pos_ += bestLength;
        }
        return best;
    }

    bool Literal(std::wstring_view literal) {
        for (const wchar_t c : literal) {
            if (IsBlank(c)) {
                SkipBlanks();
            } else if (pos_ < text_.size() && text_[pos_] == c) {
                ++pos_;
            } else {
                return false;
            }
        }
        return true;
    }

private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

struct ParsedFields {
    std::optional<int> year;
    bool twoDigitYear = false;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    bool twelveHour = false;
    std::optional<bool> pm;
    std::optional<int> minute;
    std::optional<int> second;
};

bool ReadByPicture(Reader& reader, std::wstring_view picture, const DateTimePictures& pictures,
                   ParsedFields& fields) {
    for (const PictureElement& element : SplitPicture(picture)) {
        if (element.letter == 0) {
            if (!reader.Literal(element.literal)) {
                return false;
            }
            continue;
        }
        const int count = element.count;
        switch (element.letter) {
            case L'd':
                if (count <= 2) {
                    fields.day = reader.Number(2);
                    if (!fields.day) {
                        return false;
                    }
                } else if (!reader.Name(pictures.dayNames)) {
                    return false;
                }
                break;
            case L'M':
                if (count <= 2) {
                    fields.month = reader.Number(2);
                    if (!fields.month) {
                        return false;
                    }
                } else {
                    // Any spelling of any month: flatten and map back.
                    std::vector<std::wstring> names;
                    std::vector<int> monthOf;
                    for (int m = 0; m < 12; ++m) {
                        for (const std::wstring& name : pictures.monthNames[m]) {
                            names.push_back(name);
                            monthOf.push_back(m + 1);
                        }
                    }
                    const auto found = reader.Name(names);
                    if (!found) {
                        return false;
                    }
                    fields.month = monthOf[*found];
                }
                break;
            case L'y':
                if (count <= 2) {
                    fields.year = reader.Number(2);
                    fields.twoDigitYear = true;
                } else {
                    fields.year = reader.Number(count >= 5 ? 5 : 4);
                    fields.twoDigitYear = false;
                }
                if (!fields.year) {
                    return false;
                }
                break;
            case L'g':
                // The era ("A.D.") says nothing the year does not.
                if (!reader.Name(pictures.eraNames)) {
                    return false;
                }
                break;
            case L'h':
            case L'H':
                fields.hour = reader.Number(2);
                fields.twelveHour = element.letter == L'h';
                if (!fields.hour) {
                    return false;
                }
                break;
            case L'm':
                fields.minute = reader.Number(2);
                if (!fields.minute) {
                    return false;
                }
                break;
            case L's':
                fields.second = reader.Number(2);
                if (!fields.second) {
                    return false;
                }
                break;
            case L't': {
                if (pictures.am.empty() && pictures.pm.empty()) {
                    break;  // the locale prints nothing here
                }
                std::vector<std::wstring> designators{pictures.am, pictures.pm};
                if (count == 1) {
                    for (std::wstring& d : designators) {
                        d = d.substr(0, 1);
                    }
                }
                const auto found = reader.Name(designators);
                if (!found) {
                    return false;
                }
                fields.pm = *found == 1;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

std::optional<CivilDateTime> ParseWithPictures(std::wstring_view text,
                                               const DateTimePictures& pictures) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }

    ParsedFields fields;
    Reader reader(text);
    if (!ReadByPicture(reader, pictures.date, pictures, fields)) {
        return std::nullopt;
    }
    if (!fields.year || !fields.month || !fields.day) {
        return std::nullopt;
    }
    // Blanks separate the date from the time.
    if (!reader.AtEnd()) {
        reader.SkipBlanks();
        if (!ReadByPicture(reader, pictures.time, pictures, fields) || !reader.AtEnd()) {
            return std::nullopt;
        }
        if (!fields.hour) {
            return std::nullopt;
        }
    }

    CivilDateTime value;
    value.year = *fields.year;
    if (fields.twoDigitYear) {
        // The hundred years ending at twoDigitYearMax.
        const int max = pictures.twoDigitYearMax;
        const int century = max - max % 100;
        value.year = century + value.year;
        if (value.year > max) {
            value.year -= 100;
        }
    }
    value.month = *fields.month;
    value.day = *fields.day;
    value.hour = fields.hour.value_or(0);
    if (fields.twelveHour) {
        if (value.hour < 1 || value.hour > 12) {
            return std::nullopt;
        }
        if (fields.pm) {
            value.hour = value.hour % 12 + (*fields.pm ? 12 : 0);
        }
    }
    value.minute = fields.minute.value_or(0);
    value.second = fields.second.value_or(0);
    if (!IsValidCivil(value)) {
        return std::nullopt;
    }
    return value;
}

namespace {

std::optional<SYSTEMTIME> ToSystemTime(const CivilDateTime& value) {
    // SYSTEMTIME starts in 1601; the date-formatting functions refuse earlier.
    if (!IsValidCivil(value) || value.year < 1601) {
        return std::nullopt;
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(value.year);
    st.wMonth = static_cast<WORD>(value.month);
    st.wDay = static_cast<WORD>(value.day);
    st.wHour = static_cast<WORD>(value.hour);
    st.wMinute = static_cast<WORD>(value.minute);
    st.wSecond = static_cast<WORD>(value.second);
    // 30 December 1899, day 0, was a Saturday.
    const long long days =
        static_cast<long long>(EncodeDateTime({value.year, value.month, value.day, 0, 0, 0, 0}));
    st.wDayOfWeek = static_cast<WORD>(((days + 6) % 7 + 7) % 7);
    return st;
}

std::string Utf8OrEmpty(std::wstring_view text) {
    return Utf8FromWide(text).value_or("");
}

std::string IsoDate(const CivilDateTime& v) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", v.year, v.month, v.day);
    return text;
}

std::string IsoTime(const CivilDateTime& v) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", v.hour, v.minute, v.second);
    return text;
}

constexpr const wchar_t* kIsoDatePicture = L"yyyy-MM-dd";

std::optional<std::wstring> LocaleText(const wchar_t* name, LCTYPE type) {
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(name, type, buffer, static_cast<int>(std::size(buffer)));
    if (length <= 0) {
        return std::nullopt;
    }
    return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

std::optional<std::wstring> FormatDate(const wchar_t* name, DWORD flags, const SYSTEMTIME& st,
                                       const wchar_t* picture) {
    wchar_t buffer[128];
    const int length = GetDateFormatEx(name, flags, &st, picture, buffer,
                                       static_cast<int>(std::size(buffer)), nullptr);
    if (length <= 0) {
        return std::nullopt;
    }
    return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

}  // namespace

LocaleDateTime::LocaleDateTime(std::optional<std::wstring> localeName)
    : localeName_(std::move(localeName)) {}

const wchar_t* LocaleDateTime::Name() const {
    return localeName_ ? localeName_->c_str() : LOCALE_NAME_USER_DEFAULT;
}

bool LocaleDateTime::UsesGregorianCalendar() const {
    DWORD calendar = 0;
    if (GetLocaleInfoEx(Name(), LOCALE_ICALENDARTYPE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&calendar),
                        sizeof calendar / sizeof(wchar_t)) <= 0) {
        return true;
    }
    switch (calendar) {
        case CAL_GREGORIAN:
        case CAL_GREGORIAN_US:
        case CAL_GREGORIAN_ME_FRENCH:
        case CAL_GREGORIAN_ARABIC:
        case CAL_GREGORIAN_XLIT_ENGLISH:
        case CAL_GREGORIAN_XLIT_FRENCH:
            return true;
        default:
            return false;
    }
}

std::string LocaleDateTime::FormatShortDate(const CivilDateTime& value) const {
    const auto st = ToSystemTime(value);
    if (!st) {
        return IsoDate(value);
    }
    const auto text = UsesGregorianCalendar()
                          ? FormatDate(Name(), DATE_SHORTDATE, *st, nullptr)
                          : FormatDate(LOCALE_NAME_INVARIANT, 0, *st, kIsoDatePicture);
    return text ? Utf8OrEmpty(*text) : IsoDate(value);
}

std::string LocaleDateTime::FormatLongTime(const CivilDateTime& value) const {
    const auto st = ToSystemTime(value);
    if (!st) {
        return IsoTime(value);
    }
    wchar_t buffer[128];
    const int length =
        GetTimeFormatEx(Name(), 0, &*st, nullptr, buffer, static_cast<int>(std::size(buffer)));
    if (length <= 0) {
        return IsoTime(value);
    }
    return Utf8OrEmpty(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

DateTimePictures LocaleDateTime::Pictures() const {
    const wchar_t* name = Name();
    DateTimePictures pictures;
    pictures.date = LocaleText(name, LOCALE_SSHORTDATE).value_or(kIsoDatePicture);
    pictures.time = LocaleText(name, LOCALE_STIMEFORMAT).value_or(L"HH:mm:ss");
    pictures.am = LocaleText(name, LOCALE_S1159).value_or(L"");
    pictures.pm = LocaleText(name, LOCALE_S2359).value_or(L"");

    for (int m = 0; m < 12; ++m) {
        auto& names = pictures.monthNames[static_cast<std::size_t>(m)];
        const LCTYPE full = static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + m);
        const LCTYPE abbrev = static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + m);
        for (const LCTYPE type : {full, abbrev, full | LOCALE_RETURN_GENITIVE_NAMES,
                                  abbrev | LOCALE_RETURN_GENITIVE_NAMES}) {
            if (auto text = LocaleText(name, type); text && !text->empty()) {
                names.push_back(std::move(*text));
            }
        }
    }
    for (int d = 0; d < 7; ++d) {
        for (const LCTYPE type :
             {LOCALE_SDAYNAME1, LOCALE_SABBREVDAYNAME1, LOCALE_SSHORTESTDAYNAME1}) {
            if (auto text = LocaleText(name, static_cast<LCTYPE>(type + d)); text) {
                pictures.dayNames.push_back(std::move(*text));
            }
        }
    }
    SYSTEMTIME today{};
    GetLocalTime(&today);
    for (const wchar_t* picture : {L"g", L"gg"}) {
        if (auto era = FormatDate(name, 0, today, picture); era && !era->empty()) {
            pictures.eraNames.push_back(std::move(*era));
        }
    }

    DWORD yearMax = 0;
    if (GetCalendarInfoEx(name, CAL_GREGORIAN, nullptr, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER,
                          nullptr, 0, &yearMax) > 0 &&
        yearMax >= 99 && yearMax <= 9999) {
        pictures.twoDigitYearMax = static_cast<int>(yearMax);
    }
    return pictures;
}

std::optional<CivilDateTime> LocaleDateTime::Parse(std::string_view text) const {
    const auto wide = WideFromUtf8(text);
    if (!wide) {
        return std::nullopt;
    }
    DateTimePictures pictures = Pictures();
    if (UsesGregorianCalendar()) {
        if (auto value = ParseWithPictures(*wide, pictures)) {
            return value;
        }
    }
    // What FormatShortDate writes when the locale's own form cannot be used.
    pictures.date = kIsoDatePicture;
    if (auto value = ParseWithPictures(*wide, pictures)) {
        return value;
    }
    pictures.time = L"HH:mm:ss";
    return ParseWithPictures(*wide, pictures);
}

}  // namespace wylo
