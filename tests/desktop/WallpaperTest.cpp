#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/Bitmap.h"
#include "compose/BmpFile.h"
#include "desktop/Wallpaper.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class WallpaperTest : public ::testing::Test {
protected:
    WallpaperTest() : platform_(dir_ / "shared") {}

    static Bitmap Canvas(int w, int h, Colour colour) {
        Bitmap b(w, h);
        b.Fill(colour);
        b.SetPixel(w - 1, h - 1, kWhite);
        return b;
    }

    TempDir dir_;
    FakePlatform platform_;
};

TEST_F(WallpaperTest, SavesTheCanvasInTheAppFolderAndInstallsItTiled) {
    SaveDesktop(platform_, Canvas(30, 20, 0x123456));

    const auto path = AppFolder(platform_) / "desktop.bmp";
    EXPECT_EQ(DesktopBitmapPath(platform_), path);
    const Bitmap saved = ReadBmpFile(path);
    EXPECT_EQ(saved.width(), 30);
    EXPECT_EQ(saved.height(), 20);
    EXPECT_EQ(saved.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(saved.Pixel(29, 19), kWhite);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(platform_.wallpaperCalls[0].path, path);
    EXPECT_TRUE(platform_.wallpaperCalls[0].tile);
}

TEST_F(WallpaperTest, EveryChangeReplacesTheFileAndInstallsTheSamePathAgain) {
    SaveDesktop(platform_, Canvas(30, 20, 0x111111));
    SaveDesktop(platform_, Canvas(10, 5, 0x222222));

    EXPECT_EQ(ReadBmpFile(DesktopBitmapPath(platform_)).Pixel(0, 0), 0x222222u);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 2u);
    EXPECT_EQ(platform_.wallpaperCalls[0].path, platform_.wallpaperCalls[1].path);
    // Nothing but the wallpaper is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(AppFolder(platform_))) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(WallpaperTest, AFailedWriteKeepsTheInstalledFileAndInstallsNothing) {
    std::filesystem::create_directories(AppFolder(platform_));
    WriteFile(DesktopBitmapPath(platform_), "the wallpaper before");

    EXPECT_THROW(SaveDesktop(platform_, Bitmap()), Error);

    EXPECT_EQ(ReadFile(DesktopBitmapPath(platform_)), "the wallpaper before");
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(WallpaperTest, AWallpaperTheSystemRefusesReachesTheCaller) {
    platform_.FailWallpaper(true);
    EXPECT_THROW(SaveDesktop(platform_, Canvas(4, 4, kBlack)), Error);
    EXPECT_TRUE(std::filesystem::exists(DesktopBitmapPath(platform_)));
}

}  // namespace
}  // namespace wylo
