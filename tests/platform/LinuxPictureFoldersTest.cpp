// The folders of pictures a Linux system offers, on folders built in a
// temporary system root and home.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/LinuxPictureFolders.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(XdgPicturesFolder, ReadsTheUsersSettingAndFallsBackToPictures) {
    const fs::path home = "/home/ann";
    EXPECT_EQ(XdgPicturesFolder("", home), home / "Pictures");
    EXPECT_EQ(XdgPicturesFolder("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                "XDG_PICTURES_DIR=\"$HOME/Bilder\"\r\n",
                                home),
              home / "Bilder");
    EXPECT_EQ(XdgPicturesFolder("XDG_PICTURES_DIR=\"/data/Photo\\\"s\"\n", home),
              fs::path("/data/Photo\"s"));
    // Set to the home folder itself: switched off.
    EXPECT_EQ(XdgPicturesFolder("XDG_PICTURES_DIR=\"$HOME/\"\n", home), fs::path());
    // Lines that cannot be read count as missing.
    EXPECT_EQ(
        XdgPicturesFolder("XDG_PICTURES_DIR=\"relative/x\"\nXDG_PICTURES_DIR=\"$HOME/P", home),
        home / "Pictures");
    EXPECT_EQ(XdgPicturesFolder("XDG_PICTURES_DIR=\"$HOME/a/../Fotos\"", home), home / "Fotos");
}

TEST(LinuxPictureFolders, OffersTheSystemsWallpapersAndTheUsersPicturesThatExist) {
    TempDir dir;
    const fs::path root = dir / "root";
    const fs::path home = dir / "home";
    fs::create_directories(root / "usr" / "share" / "backgrounds");
    fs::create_directories(root / "usr" / "share" / "wallpapers");
    fs::create_directories(home / "Bilder");
    fs::create_directories(home / ".config");
    WriteFile(home / ".config" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");

    const std::vector<PictureFolder> folders = LinuxPictureFolders(root, home, {});
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].path, root / "usr" / "share" / "backgrounds");
    EXPECT_FALSE(folders[0].wallpaperPackages);
    EXPECT_EQ(folders[1].path, root / "usr" / "share" / "wallpapers");
    EXPECT_TRUE(folders[1].wallpaperPackages);
    EXPECT_EQ(folders[2].path, home / "Bilder");
    for (const PictureFolder& folder : folders) {
        EXPECT_FALSE(folder.title.empty());
    }

    // XDG_CONFIG_HOME elsewhere, naming a folder that is missing; no system
    // wallpapers at all.
    fs::remove_all(root / "usr");
    const fs::path config = dir / "config";
    fs::create_directories(config);
    WriteFile(config / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Gone\"\n");
    EXPECT_TRUE(LinuxPictureFolders(root, home, config).empty());
    WriteFile(config / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    ASSERT_EQ(LinuxPictureFolders(root, home, config).size(), 1u);
}

}  // namespace
}  // namespace wylo
