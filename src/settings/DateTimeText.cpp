#include "settings/DateTimeText.h"

namespace wylo {
namespace {

// Reads exactly count decimal digits at text[pos], advancing pos.
std::optional<int> Digits(std::string_view text, std::size_t& pos, std::size_t count) {
    if (pos + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

std::string FormatDateTimeText(const Platform& platform, DateTime value) {
    const CivilDateTime civil = DecodeDateTime(value);
    std::string text = platform.FormatShortDate(civil);
    if (civil.hour != 0 || civil.minute != 0 || civil.second != 0) {
        text += ' ';
        text += platform.FormatLongTime(civil);
    }
    return text;
}

std::optional<DateTime> ParseIsoDateTime(std::string_view text) {
    std::size_t pos = 0;
    CivilDateTime civil;
    const auto year = Digits(text, pos, 4);
    if (!year || !Expect(text, pos, '-')) {
        return std::nullopt;
    }
    const auto month = Digits(text, pos, 2);
    if (!month || !Expect(text, pos, '-')) {
        return std::nullopt;
    }
    const auto day = Digits(text, pos, 2);
    if (!day) {
        return std::nullopt;
    }
    civil.year = *year;
    civil.month = *month;
    civil.day = *day;
    if (pos < text.size()) {
        if (!Expect(text, pos, 'T') && !Expect(text, pos, ' ')) {
            return std::nullopt;
        }
        const auto hour = Digits(text, pos, 2);
        if (!hour || !Expect(text, pos, ':')) {
            return std::nullopt;
        }
        const auto minute = Digits(text, pos, 2);
        if (!minute || !Expect(text, pos, ':')) {
            return std::nullopt;
        }
        const auto second = Digits(text, pos, 2);
        if (!second || pos != text.size()) {
            return std::nullopt;
        }
        civil.hour = *hour;
        civil.minute = *minute;
        civil.second = *second;
    }
    if (!IsValidCivil(civil)) {
        return std::nullopt;
    }
    return EncodeDateTime(civil);
}

std::optional<DateTime> ParseDateTimeText(const Platform& platform, std::string_view text) {
    if (const auto civil = platform.ParseDateTime(text); civil && IsValidCivil(*civil)) {
        return EncodeDateTime(*civil);
    }
    return ParseIsoDateTime(text);
}

}  // namespace wylo
