#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/X11Desktop.h"

namespace wylo {

// The Linux back-end: XDG folders, monitors from RandR or the Wayland
// compositor, the desktop environment's own wallpaper setting and the X root
// window, the C library's locale.
class LinuxPlatform : public Platform {
public:
    std::filesystem::path SharedDataFolder() const override;
    std::vector<Monitor> Monitors() const override;
    Size VirtualDesktopSize() const override;
    void SetWallpaper(const std::filesystem::path& path, bool tile) override;
    void SetWallpaperWritten(const std::filesystem::path& path, const Bitmap& picture,
                             bool tile) override;
    void SetWallpaperWhileWritten(const std::filesystem::path& path, const Bitmap& picture,
                                  bool tile, const std::function<void()>& written) override;
    void PrepareWallpaper() override;
    void ForgetPreparedWallpaper() override;
    void SetDesktopIconColours(Colour text, Colour background, bool transparent) override;
    void OpenUrl(const std::string& url) override;
    void Beep() override;
    // The user's XDG autostart entry, wylo.desktop.
    bool StartsAtLogin() const override;
    void SetStartAtLogin(bool start) override;
    std::string FormatShortDate(const CivilDateTime& value) const override;
    std::string FormatLongTime(const CivilDateTime& value) const override;
    std::optional<CivilDateTime> ParseDateTime(std::string_view text) const override;
    // The distribution's wallpapers and the user's XDG pictures folder.
    std::vector<PictureFolder> PictureFolders() const override;

private:
    // Runs one installation, reporting a failure only when it is new.
    template <typename Install>
    void Report(const Install& install);
    // The last wallpaper failure reported, so it is not reported again.
    std::string lastFailure_;
    // The X root's next pixmap, made while the change decodes its pictures.
    std::unique_ptr<X11RootPreparation> preparedRoot_;
};

}  // namespace wylo
