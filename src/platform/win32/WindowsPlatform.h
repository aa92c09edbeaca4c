#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/WindowsLocale.h"

namespace wylo {

// The Windows back-end: the shell's common application-data folder, the
// display monitors, the user's wallpaper in the registry, the desktop's icon
// list view and the user's regional date and time formats.
class WindowsPlatform : public Platform {
public:
    // localeName: the locale whose date and time formats are used; the user's
    // own (with their regional settings) when not given.
    explicit WindowsPlatform(std::optional<std::wstring> localeName = std::nullopt);

    std::filesystem::path SharedDataFolder() const override;
    std::vector<Monitor> Monitors() const override;
    Size VirtualDesktopSize() const override;
    void SetWallpaper(const std::filesystem::path& path, bool tile) override;
    void SetDesktopIconColours(Colour text, Colour background, bool transparent) override;
    void OpenUrl(const std::string& url) override;
    void Beep() override;
    // The value "Wylo" of the current user's Run key.
    bool StartsAtLogin() const override;
    void SetStartAtLogin(bool start) override;
    std::string FormatShortDate(const CivilDateTime& value) const override;
    std::string FormatLongTime(const CivilDateTime& value) const override;
    std::optional<CivilDateTime> ParseDateTime(std::string_view text) const override;
    // The wallpapers that come with Windows and the user's Pictures folder.
    std::vector<PictureFolder> PictureFolders() const override;

private:
    LocaleDateTime dateTime_;
};

// The address with every byte that may not stand in a URL as it is (blanks,
// quotes, control and non-ASCII characters) percent-encoded. The shell hands
// the address to the browser inside a quoted command line, where a quote from
// a hostile channel would otherwise end the argument.
std::string ShellSafeAddress(std::string_view url);

}  // namespace wylo
