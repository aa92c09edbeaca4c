#include <gtest/gtest.h>

#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

TEST(AppFolder, IsWyloInsideTheSharedDataFolderWithAFinalSeparator) {
    test::TempDir dir;
    FakePlatform platform(dir.path());
    const std::filesystem::path folder = AppFolder(platform);
    EXPECT_EQ(folder.parent_path(), dir.path() / "Wylo");
    EXPECT_TRUE(folder.filename().empty());
}

TEST(AppFolder, SitsAtTheRootWhenTheSystemNamesNoDataFolder) {
    FakePlatform platform;
    const std::filesystem::path folder = AppFolder(platform);
    EXPECT_TRUE(folder.is_absolute() || folder.has_root_directory()) << folder;
    EXPECT_EQ(folder.parent_path().filename(), "Wylo");
}

TEST(AppFolder, IsCreatedWithItsParentsOnlyWhenMissing) {
    test::TempDir dir;
    FakePlatform platform(dir / "a" / "b");
    EnsureAppFolder(platform);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b" / "Wylo"));
    test::WriteFile(dir / "a" / "b" / "Wylo" / "keep.txt", "x");
    EnsureAppFolder(platform);
    EXPECT_EQ(test::ReadFile(dir / "a" / "b" / "Wylo" / "keep.txt"), "x");
}

}  // namespace
}  // namespace wylo
