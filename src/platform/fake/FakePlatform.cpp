#include "platform/fake/FakePlatform.h"

#include <cstdio>

#include "base/Error.h"
#include "base/WebAddress.h"

namespace wylo {

FakePlatform::FakePlatform(std::filesystem::path sharedDataFolder)
    : sharedDataFolder_(std::move(sharedDataFolder)) {
    SetSingleMonitor(1920, 1080);
}

void FakePlatform::SetSingleMonitor(int width, int height) {
    monitors_ = {Monitor{Rect{0, 0, width, height}, true}};
}

Size FakePlatform::VirtualDesktopSize() const {
    return BoundingSize(monitors_);
}

void FakePlatform::SetWallpaper(const std::filesystem::path& path, bool tile) {
    if (failWallpaper_) {
        throw Error("No wallpaper back-end could take " + path.string());
    }
    wallpaperCalls.push_back({path, tile, prepared_});
    prepared_ = false;
}

void FakePlatform::PrepareWallpaper() {
    ++preparations;
    prepared_ = true;
}

void FakePlatform::ForgetPreparedWallpaper() {
    forgottenPreparations += prepared_ ? 1 : 0;
    prepared_ = false;
}

void FakePlatform::SetDesktopIconColours(Colour text, Colour background, bool transparent) {
    iconColourCalls.push_back({text, background, transparent});
}

void FakePlatform::OpenUrl(const std::string& url) {
    if (IsWebAddress(url)) {
        openedUrls.push_back(url);
    }
}

void FakePlatform::SetStartAtLogin(bool start) {
    if (failStartAtLogin) {
        throw Error("Could not write the login entry: permission denied");
    }
    startsAtLogin = start;
}

std::string FakePlatform::FormatShortDate(const CivilDateTime& v) const {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", v.day, v.month, v.year);
    return text;
}

std::string FakePlatform::FormatLongTime(const CivilDateTime& v) const {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", v.hour, v.minute, v.second);
    return text;
}

std::optional<CivilDateTime> FakePlatform::ParseDateTime(std::string_view text) const {
    const std::string s(text);
    CivilDateTime v;
    int consumed = 0;
    if (std::sscanf(s.c_str(), "%2d/%2d/%4d%n", &v.day, &v.month, &v.year, &consumed) != 3 ||
        consumed != 10) {
        return std::nullopt;
    }
    if (static_cast<size_t>(consumed) != s.size()) {
        int more = 0;
        if (std::sscanf(s.c_str() + consumed, " %2d:%2d:%2d%n", &v.hour, &v.minute, &v.second,
                        &more) != 3 ||
            static_cast<size_t>(consumed + more) != s.size()) {
            return std::nullopt;
        }
    }
    if (!IsValidCivil(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace wylo
