#include <string>

#include <gtest/gtest.h>

#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::TempDir;
using test::WriteFile;

const char* const kChannel = R"(<?xml version="1.0" encoding="UTF-8"?>
<provider>
  <title>Alps</title>
  <description>Peaks
and valleys</description>
  <Copyright>not this one</Copyright>
  <copyright>(c) Alps</copyright>
  <news></news>
  <images>
    <image>
      <loc>http://host/alps/images/one.jpg</loc>
      <thumb>http://host/alps/thumbs/one.jpg</thumb>
      <title>One</title>
      <background>#102030</background>
      <font>#FFFFFF</font>
    </image>
    <picture>
      <loc>http://host/alps/images/two.jpg</loc>
      <Title>Capitalised, so not a title</Title>
    </picture>
    <image><loc>third</loc></image>
  </images>
</provider>)";

class ControlFileTest : public ::testing::Test {
protected:
    bool LoadText(const std::string& xml) {
        WriteFile(dir_ / "Channel.xml", xml);
        return file_.Load(dir_ / "Channel.xml");
    }

    // Every lookup answers nothing.
    void ExpectEmpty() {
        EXPECT_EQ(file_.channel().title, "");
        EXPECT_EQ(file_.ImageCount(), 0);
        EXPECT_EQ(file_.Image(0).loc, "");
    }

    TempDir dir_;
    ControlFile file_;
};

TEST_F(ControlFileTest, ReadsChannelValuesAndImagesByPosition) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_TRUE(file_.IsLoaded());
    EXPECT_EQ(file_.channel().title, "Alps");
    EXPECT_EQ(file_.channel().description, "Peaks\nand valleys");
    ASSERT_EQ(file_.ImageCount(), 3);
    EXPECT_EQ(file_.Image(0).loc, "http://host/alps/images/one.jpg");
    EXPECT_EQ(file_.Image(0).thumb, "http://host/alps/thumbs/one.jpg");
    EXPECT_EQ(file_.Image(0).background, "#102030");
    EXPECT_EQ(file_.Image(0).font, "#FFFFFF");
    EXPECT_EQ(file_.Image(1).loc, "http://host/alps/images/two.jpg");
    EXPECT_EQ(file_.Image(2).loc, "third");
}

TEST_F(ControlFileTest, NamesMatchExactlyCaseIncluded) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_EQ(file_.channel().copyright, "(c) Alps");
    EXPECT_EQ(file_.Image(1).title, "");
}

TEST_F(ControlFileTest, MissingOrEmptyValuesAndBadIndexesAreEmpty) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_EQ(file_.channel().news, "");
    EXPECT_EQ(file_.channel().legal, "");
    EXPECT_EQ(file_.Image(2).title, "");
    EXPECT_EQ(file_.Image(3).loc, "");
    EXPECT_EQ(file_.Image(-1).loc, "");
}

TEST_F(ControlFileTest, RootOtherThanProviderGivesNothing) {
    ASSERT_TRUE(LoadText("<Provider><title>x</title><images><i/></images></Provider>"));
    ExpectEmpty();
}

TEST_F(ControlFileTest, NoImagesElementMeansNoImages) {
    ASSERT_TRUE(LoadText("<provider><title>x</title></provider>"));
    EXPECT_EQ(file_.channel().title, "x");
    EXPECT_EQ(file_.ImageCount(), 0);
}

TEST_F(ControlFileTest, NothingLoadedAnswersEmpty) {
    ExpectEmpty();
}

TEST_F(ControlFileTest, MalformedFileFailsAndClosesThePreviousDocument) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_FALSE(LoadText("<provider><title>x</provider>"));
    EXPECT_FALSE(file_.IsLoaded());
    EXPECT_NE(file_.LoadError().find("Channel.xml"), std::string::npos) << file_.LoadError();
    ExpectEmpty();
}

TEST_F(ControlFileTest, MissingEmptyOrOversizedFileFails) {
    EXPECT_FALSE(file_.Load(dir_ / "none.xml"));
    EXPECT_FALSE(LoadText(""));
    std::string big = "<provider><title>x</title>";
    big.append(kMaxChannelDocumentBytes, ' ');
    big += "</provider>";
    EXPECT_FALSE(LoadText(big));
    ExpectEmpty();
}

}  // namespace
}  // namespace wylo
