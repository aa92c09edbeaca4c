#pragma once

#include <filesystem>
#include <vector>

#include "platform/Platform.h"

namespace wylo {

// A machine without a desktop, for the publishers' tool: the monitors and the
// data folder are what the command line says, dates are ISO 8601 text, and
// there is no wallpaper to set, no icon captions, no browser and no sound.
class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform(std::filesystem::path dataFolder, std::vector<Monitor> monitors);

    std::filesystem::path SharedDataFolder() const override { return dataFolder_; }
    std::vector<Monitor> Monitors() const override { return monitors_; }
    Size VirtualDesktopSize() const override { return BoundingSize(monitors_); }
    // Throws Error: a headless machine has no desktop to put a wallpaper on.
    void SetWallpaper(const std::filesystem::path& path, bool tile) override;
    void SetDesktopIconColours(Colour, Colour, bool) override {}
    void OpenUrl(const std::string&) override {}
    void Beep() override {}
    // A tool does not start at login.
    bool StartsAtLogin() const override { return false; }
    // Throws Error: there is no login to start at.
    void SetStartAtLogin(bool start) override;

    // yyyy-MM-dd and HH:mm:ss.
    std::string FormatShortDate(const CivilDateTime& value) const override;
    std::string FormatLongTime(const CivilDateTime& value) const override;
    std::optional<CivilDateTime> ParseDateTime(std::string_view text) const override;
    // The publishers' tool offers no folders of its own.
    std::vector<PictureFolder> PictureFolders() const override { return {}; }

private:
    std::filesystem::path dataFolder_;
    std::vector<Monitor> monitors_;
};

}  // namespace wylo
