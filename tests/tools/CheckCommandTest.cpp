// Runs the built wylo-channel program against a real server on loopback.

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RunTool.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::RunResult;
using test::RunTool;
using test::TempDir;
using test::TestHttpServer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class CheckCommandTest : public ::testing::Test {
protected:
    std::string Entry(const std::string& id, const std::string& path) {
        return "<provider><id>" + id + "</id><url>" + server_.Url(path) + "</url></provider>";
    }

    void ServeDirectory(const std::string& properties, const std::string& providers) {
        server_.Serve("/wylo/wylo.xml", "<wylo><PROPERTIES>" + properties +
                                            "</PROPERTIES><PROVIDERS>" + providers +
                                            "</PROVIDERS></wylo>");
    }

    RunResult Check() { return RunTool({"check", server_.Url("/wylo/wylo.xml")}); }

    TestHttpServer server_;
};

TEST_F(CheckCommandTest, ListsNewsChannelsAndImages) {
    ServeDirectory("<news>http://news.example/</news>",
                   Entry("alps", "/alps/Channel.xml") + Entry("sea", "/sea/Channel.xml"));
    server_.Serve("/alps/Channel.xml", R"(<provider>
  <title>The Alps</title>
  <images>
    <image><loc>http://h/a/one.jpg</loc><thumb>http://h/a/t1.jpg</thumb><title>One</title>
      <background>#102030</background><font>#FFFFFF</font></image>
    <image><loc>http://h/a/two.jpg</loc><Title>ignored</Title></image>
  </images>
</provider>)");

    const RunResult run = Check();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 5u);
    EXPECT_EQ(run.lines[0], "news http://news.example/");
    EXPECT_EQ(run.lines[1], "channel 0 id=alps title=The Alps images=2");
    EXPECT_EQ(run.lines[2],
              "  image 0 title=One loc=http://h/a/one.jpg thumb=http://h/a/t1.jpg "
              "background=#102030 font=#FFFFFF");
    EXPECT_EQ(run.lines[3], "  image 1 title= loc=http://h/a/two.jpg thumb= background= font=");
    EXPECT_THAT(run.lines[4], StartsWith("channel 1 id=sea unavailable: control file could not "
                                         "be downloaded from " +
                                         server_.Url("/sea/Channel.xml")));
}

TEST_F(CheckCommandTest, NoNewsLineWithoutNews) {
    ServeDirectory("", Entry("alps", "/alps/Channel.xml"));
    server_.Serve("/alps/Channel.xml", "<provider><title>A</title></provider>");
    const RunResult run = Check();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.lines, ElementsAre("channel 0 id=alps title=A images=0"));
}

TEST_F(CheckCommandTest, NoAvailableChannelExitsWithOne) {
    ServeDirectory("", Entry("../x", "/x/Channel.xml") + Entry("", "/y/Channel.xml") +
                           Entry("bad", "/bad/Channel.xml") +
                           "<provider><id>nourl</id></provider>");
    server_.Serve("/x/Channel.xml", "<provider><title>X</title></provider>");
    server_.Serve("/y/Channel.xml", "<provider><title>Y</title></provider>");
    server_.Serve("/bad/Channel.xml", "<provider><title>Bad</provider>");

    const RunResult run = Check();
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[0], "channel 0 id=../x unavailable: id is not usable as a folder name");
    EXPECT_EQ(run.lines[1], "channel 1 id= unavailable: no id");
    EXPECT_THAT(run.lines[2], StartsWith("channel 2 id=bad unavailable: control file could not be "
                                         "loaded: " +
                                         server_.Url("/bad/Channel.xml") + " is not"));
    EXPECT_EQ(run.lines[3], "channel 3 id=nourl unavailable: no control file address");
    // Unsafe channels are left alone entirely.
    EXPECT_EQ(server_.Count("GET", "/x/Channel.xml"), 0);
    EXPECT_EQ(server_.Count("GET", "/y/Channel.xml"), 0);
}

TEST_F(CheckCommandTest, EveryRefusalAndFailureSaysWhy) {
    const std::string longId(256, 'a');
    ServeDirectory("", Entry(longId, "/long/Channel.xml") + Entry("empty", "/empty/Channel.xml") +
                           Entry("gone", "/gone/Channel.xml"));
    server_.Serve("/long/Channel.xml", "<provider><title>L</title></provider>");
    server_.Serve("/empty/Channel.xml", "");

    const RunResult run = Check();
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], "channel 0 id=" + longId +
                                " unavailable: id is too long (256 bytes; at most 247) for a "
                                "folder name");
    EXPECT_EQ(run.lines[1],
              "channel 1 id=empty unavailable: control file could not be downloaded "
              "from " +
                  server_.Url("/empty/Channel.xml") + ": The server sent an empty file.");
    EXPECT_EQ(run.lines[2],
              "channel 2 id=gone unavailable: control file could not be downloaded "
              "from " +
                  server_.Url("/gone/Channel.xml") + ": The server answered with status 404.");
    EXPECT_EQ(server_.Count("GET", "/long/Channel.xml"), 0);
}

TEST_F(CheckCommandTest, ADirectoryWithoutChannelsSaysSo) {
    ServeDirectory("", "");
    RunResult run = Check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.lines, ElementsAre("no channels listed in the directory"));

    server_.Serve("/wylo/wylo.xml", "<wylo/>");
    run = Check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.lines, ElementsAre("no channels listed in the directory"));
}

TEST_F(CheckCommandTest, ControlCharactersCannotForgeLines) {
    ServeDirectory("", Entry("alps", "/alps/Channel.xml"));
    server_.Serve("/alps/Channel.xml",
                  "<provider><title>A&#10;channel 9 id=fake&#9;&#27;[31m</title></provider>");
    const RunResult run = Check();
    EXPECT_THAT(run.lines,
                ElementsAre("channel 0 id=alps title=A\\nchannel 9 id=fake\\t\\x1B[31m images=0"));
}

TEST_F(CheckCommandTest, UnreachableOrMalformedDirectoryExitsWithOne) {
    RunResult run = Check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.lines, IsEmpty());
    EXPECT_THAT(run.errors, HasSubstr("cannot download the channel directory"));

    server_.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS></wylo>");
    run = Check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("not a well-formed XML document"));
}

TEST_F(CheckCommandTest, BadUsageExitsWithTwoAndHelpWithZero) {
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"check"}).exitCode, 2);
    EXPECT_EQ(RunTool({"check", "file:///etc/passwd"}).exitCode, 2);
    EXPECT_EQ(RunTool({"check", server_.Url("/a"), server_.Url("/b")}).exitCode, 2);
    EXPECT_EQ(RunTool({"nonsense"}).exitCode, 2);
    EXPECT_TRUE(server_.Requests().empty());

    const RunResult help = RunTool({"check", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.lines, testing::Contains(HasSubstr("Exit status")));
}

}  // namespace
}  // namespace wylo
