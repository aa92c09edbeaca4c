#include "platform/headless/HeadlessPlatform.h"

#include <cstdio>
#include <string>
#include <utility>

#include "base/Error.h"

namespace wylo {

HeadlessPlatform::HeadlessPlatform(std::filesystem::path dataFolder, std::vector<Monitor> monitors)
    : dataFolder_(std::move(dataFolder)), monitors_(std::move(monitors)) {}

void HeadlessPlatform::SetWallpaper(const std::filesystem::path& path, bool) {
    throw Error("There is no desktop here to put " + path.string() + " on.");
}

void HeadlessPlatform::SetStartAtLogin(bool) {
    throw Error("There is no login here to start at.");
}

std::string HeadlessPlatform::FormatShortDate(const CivilDateTime& v) const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", v.year, v.month, v.day);
    return text;
}

std::string HeadlessPlatform::FormatLongTime(const CivilDateTime& v) const {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", v.hour, v.minute, v.second);
    return text;
}

std::optional<CivilDateTime> HeadlessPlatform::ParseDateTime(std::string_view text) const {
    const std::string s(text);
    CivilDateTime v;
    int consumed = 0;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &v.year, &v.month, &v.day, &consumed) != 3 ||
        consumed != 10) {
        return std::nullopt;
    }
    if (static_cast<std::size_t>(consumed) < s.size()) {
        int rest = 0;
        if (std::sscanf(s.c_str() + consumed, " %2d:%2d:%2d%n", &v.hour, &v.minute, &v.second,
                        &rest) != 3 ||
            static_cast<std::size_t>(consumed + rest) != s.size()) {
            return std::nullopt;
        }
    }
    if (!IsValidCivil(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace wylo
