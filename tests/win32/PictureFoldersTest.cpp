// The folders of pictures Windows offers, with real shell calls.
#include <algorithm>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Platform.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;

bool Offers(const std::vector<PictureFolder>& folders, const fs::path& path) {
    return std::any_of(folders.begin(), folders.end(),
                       [&](const PictureFolder& folder) { return folder.path == path; });
}

TEST(WindowsPictureFolders, OfferTheSystemsWallpapersWhenTheyExist) {
    const auto platform = CreateSystemPlatform();
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const fs::path wallpapers = fs::path(windows) / L"Web" / L"Wallpaper";
    const bool existed = fs::is_directory(wallpapers);
    fs::create_directories(wallpapers);

    const std::vector<PictureFolder> folders = platform->PictureFolders();
    EXPECT_TRUE(Offers(folders, wallpapers));
    for (const PictureFolder& folder : folders) {
        EXPECT_TRUE(fs::is_directory(folder.path)) << folder.path;
        EXPECT_FALSE(folder.title.empty());
        EXPECT_FALSE(folder.wallpaperPackages);
    }

    if (!existed) {
        fs::remove(wallpapers);
        EXPECT_FALSE(Offers(platform->PictureFolders(), wallpapers));
    }
}

}  // namespace
}  // namespace wylo
