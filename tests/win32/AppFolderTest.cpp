#include <filesystem>

#include <gtest/gtest.h>

#include "platform/AppFolder.h"
#include "platform/Platform.h"

namespace wylo {
namespace {

TEST(WindowsAppFolder, IsWyloInTheCommonApplicationDataFolder) {
    const auto platform = CreateSystemPlatform();
    EXPECT_EQ(platform->SharedDataFolder().wstring(), L"C:\\ProgramData");
    EXPECT_EQ(AppFolder(*platform).wstring(), L"C:\\ProgramData\\Wylo\\");
}

TEST(WindowsAppFolder, IsCreatedWhenMissing) {
    const auto platform = CreateSystemPlatform();
    const std::filesystem::path folder = AppFolder(*platform);
    std::filesystem::remove_all(folder);
    ASSERT_FALSE(std::filesystem::exists(folder));

    EnsureAppFolder(*platform);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    // Present already: nothing happens.
    EnsureAppFolder(*platform);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace wylo
