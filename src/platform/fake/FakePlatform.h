#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace wylo {

// A platform for tests: monitors and folders are set by the test, and every
// call that would change the desktop is recorded instead.
class FakePlatform : public Platform {
public:
    struct WallpaperCall {
        std::filesystem::path path;
        bool tile = false;
        bool prepared = false;  // PrepareWallpaper came before it
    };
    struct IconColoursCall {
        Colour text = 0;
        Colour background = 0;
        bool transparent = false;
    };

    explicit FakePlatform(std::filesystem::path sharedDataFolder = {});

    std::filesystem::path SharedDataFolder() const override { return sharedDataFolder_; }
    std::vector<Monitor> Monitors() const override { return monitors_; }
    Size VirtualDesktopSize() const override;
    void SetWallpaper(const std::filesystem::path& path, bool tile) override;
    void PrepareWallpaper() override;
    void ForgetPreparedWallpaper() override;
    void SetDesktopIconColours(Colour text, Colour background, bool transparent) override;
    void OpenUrl(const std::string& url) override;
    void Beep() override { ++beeps; }
    bool StartsAtLogin() const override { return startsAtLogin; }
    // Throws while failStartAtLogin is set, as a read-only folder would.
    void SetStartAtLogin(bool start) override;

    // Dates as dd/mm/yyyy and times as hh:mm:ss, like a European desktop.
    std::string FormatShortDate(const CivilDateTime& value) const override;
    std::string FormatLongTime(const CivilDateTime& value) const override;
    std::optional<CivilDateTime> ParseDateTime(std::string_view text) const override;
    std::vector<PictureFolder> PictureFolders() const override { return pictureFolders; }

    void SetSharedDataFolder(std::filesystem::path folder) {
        sharedDataFolder_ = std::move(folder);
    }
    void SetMonitors(std::vector<Monitor> monitors) { monitors_ = std::move(monitors); }
    // A single primary monitor of the given size at 0,0.
    void SetSingleMonitor(int width, int height);
    // Makes SetWallpaper throw, as a system without any wallpaper back-end would.
    void FailWallpaper(bool fail) { failWallpaper_ = fail; }

    std::vector<WallpaperCall> wallpaperCalls;
    std::vector<IconColoursCall> iconColourCalls;
    std::vector<std::string> openedUrls;
    int beeps = 0;
    // What PictureFolders offers; none unless a test sets them.
    std::vector<PictureFolder> pictureFolders;
    // The entry that starts the program at login; a test may change it as
    // the user would by other means.
    bool startsAtLogin = false;
    bool failStartAtLogin = false;
    int preparations = 0;
    // Preparations dropped by ForgetPreparedWallpaper, unused.
    int forgottenPreparations = 0;

private:
    std::filesystem::path sharedDataFolder_;
    std::vector<Monitor> monitors_;
    bool failWallpaper_ = false;
    bool prepared_ = false;
};

}  // namespace wylo
