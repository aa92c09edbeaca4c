#include <filesystem>

#include <gtest/gtest.h>

#include "channels/ChannelSession.h"
#include "session/DirectoryAddress.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(ChannelDirectoryUrlTest, SettingsFileChannelsSectionSetsTheAddress) {
    TempDir dir;
    const fs::path ini = dir / "Wylo.ini";
    EXPECT_EQ(ReadChannelDirectoryUrl(ini), kDefaultChannelDirectoryUrl);
    WriteFile(
        ini,
        "[Settings]\nCurrentChannel=1\n[Channels]\nDirectoryUrl=https://intra.example/w.xml\n");
    EXPECT_EQ(ReadChannelDirectoryUrl(ini), "https://intra.example/w.xml");
    WriteFile(ini, "[Channels]\nDirectoryUrl=file:///etc/passwd\n");
    EXPECT_EQ(ReadChannelDirectoryUrl(ini), kDefaultChannelDirectoryUrl);
    WriteFile(ini, "[Settings]\nDirectoryUrl=https://wrong.section/w.xml\n");
    EXPECT_EQ(ReadChannelDirectoryUrl(ini), kDefaultChannelDirectoryUrl);
}

}  // namespace
}  // namespace wylo
