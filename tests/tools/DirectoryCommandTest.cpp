// Runs the built wylo-channel directory on real folders and reads the
// directory back the way Wylo does.

#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RunTool.h"
#include "channels/ChannelDirectory.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::RunTool;
using test::TempDir;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kBase = "http://localhost:8086";

void WriteChannel(const fs::path& folder, const std::string& title) {
    fs::create_directories(folder);
    WriteFile(folder / "Channel.xml", "<provider><title>" + title +
                                          "</title><images><image><loc>http://h/a.jpg</loc>"
                                          "</image></images></provider>");
}

class DirectoryCommandTest : public ::testing::Test {
protected:
    RunResult List(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"directory", root_.path().string(), "--base-url", kBase};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args);
    }

    TempDir root_;
};

TEST_F(DirectoryCommandTest, ListsFoldersWithControlFilesByName) {
    WriteChannel(root_ / "sea", "Sea");
    WriteChannel(root_ / "alps", "Alps");
    WriteChannel(root_ / "my photos", "Mine");
    fs::create_directories(root_ / "empty" / "images");
    WriteChannel(root_ / "empty" / "nested", "Too deep");
    fs::create_directories(root_ / "broken");
    WriteFile(root_ / "broken" / "Channel.xml", "<provider><title>Broken</provider>");
    WriteChannel(root_ / "con", "Device");
    WriteFile(root_ / "Channel.xml", "<provider/>");
    WriteFile(root_ / "readme.txt", "hello");

    const RunResult run = List({"--news", "http://localhost:8086/news.html"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(run.lines, ElementsAre(HasSubstr("wylo.xml: 3 channels")));
    EXPECT_THAT(run.errors, AllOf(HasSubstr("skipped broken"), HasSubstr("skipped con"),
                                  Not(HasSubstr("empty"))));

    ChannelDirectory directory;
    directory.Open(root_ / "wylo" / "wylo.xml");
    ASSERT_EQ(directory.ChannelCount(), 3);
    EXPECT_EQ(directory.Channel(0).id, "alps");
    EXPECT_EQ(directory.Channel(0).url, "http://localhost:8086/alps/Channel.xml");
    EXPECT_EQ(directory.Channel(1).id, "my photos");
    EXPECT_EQ(directory.Channel(1).url, "http://localhost:8086/my%20photos/Channel.xml");
    EXPECT_EQ(directory.Channel(2).id, "sea");
    EXPECT_EQ(directory.news(), "http://localhost:8086/news.html");
}

TEST_F(DirectoryCommandTest, WithoutNewsThePropertyIsEmpty) {
    WriteChannel(root_ / "sea", "Sea");
    ASSERT_EQ(List().exitCode, 0);
    ChannelDirectory directory;
    directory.Open(root_ / "wylo" / "wylo.xml");
    EXPECT_EQ(directory.ChannelCount(), 1);
    EXPECT_EQ(directory.news(), "");
}

TEST_F(DirectoryCommandTest, NoChannelsOrAnUnsafeTargetWritesNothing) {
    fs::create_directories(root_ / "empty");
    RunResult run = List();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("No channel folder"));
    EXPECT_FALSE(fs::exists(root_ / "wylo"));

    WriteChannel(root_ / "sea", "Sea");
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), root_ / "wylo");
    run = List();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(DirectoryCommandTest, BadUsageExitsWithTwo) {
    WriteChannel(root_ / "sea", "Sea");
    EXPECT_EQ(RunTool({"directory", root_.path().string()}).exitCode, 2);
    EXPECT_EQ(RunTool({"directory", root_.path().string(), "--base-url", "file:///srv"}).exitCode,
              2);
    EXPECT_EQ(RunTool({"directory", (root_ / "missing").string(), "--base-url", kBase}).exitCode,
              2);
    EXPECT_EQ(List({"--news", "gopher://h/"}).exitCode, 2);
    EXPECT_FALSE(fs::exists(root_ / "wylo"));
}

}  // namespace
}  // namespace wylo
