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
        EXPECT_EQ(file_.ControlFileValue("title"), "");
        EXPECT_EQ(file_.ImageCount(), 0);
        EXPECT_EQ(file_.ImageValue("loc", 0), "");
    }

    TempDir dir_;
    ControlFile file_;
};

TEST_F(ControlFileTest, ReadsChannelValuesAndImagesByPosition) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_TRUE(file_.IsLoaded());
    EXPECT_EQ(file_.ControlFileValue("title"), "Alps");
    EXPECT_EQ(file_.ControlFileValue("description"), "Peaks\nand valleys");
    ASSERT_EQ(file_.ImageCount(), 3);
    EXPECT_EQ(file_.ImageValue("loc", 0), "http://host/alps/images/one.jpg");
    EXPECT_EQ(file_.ImageValue("thumb", 0), "http://host/alps/thumbs/one.jpg");
    EXPECT_EQ(file_.ImageValue("background", 0), "#102030");
    EXPECT_EQ(file_.ImageValue("font", 0), "#FFFFFF");
    EXPECT_EQ(file_.ImageValue("loc", 1), "http://host/alps/images/two.jpg");
    EXPECT_EQ(file_.ImageValue("loc", 2), "third");
}

TEST_F(ControlFileTest, NamesMatchExactlyCaseIncluded) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_EQ(file_.ControlFileValue("copyright"), "(c) Alps");
    EXPECT_EQ(file_.ControlFileValue("TITLE"), "");
    EXPECT_EQ(file_.ImageValue("title", 1), "");
    EXPECT_EQ(file_.ImageValue("Title", 1), "Capitalised, so not a title");
}

TEST_F(ControlFileTest, MissingOrEmptyValuesAndBadIndexesAreEmpty) {
    ASSERT_TRUE(LoadText(kChannel));
    EXPECT_EQ(file_.ControlFileValue("news"), "");
    EXPECT_EQ(file_.ControlFileValue("legal"), "");
    EXPECT_EQ(file_.ImageValue("title", 2), "");
    EXPECT_EQ(file_.ImageValue("loc", 3), "");
    EXPECT_EQ(file_.ImageValue("loc", -1), "");
    EXPECT_EQ(file_.ControlFileValue(""), "");
}

TEST_F(ControlFileTest, RootOtherThanProviderGivesNothing) {
    ASSERT_TRUE(LoadText("<Provider><title>x</title><images><i/></images></Provider>"));
    ExpectEmpty();
}

TEST_F(ControlFileTest, NoImagesElementMeansNoImages) {
    ASSERT_TRUE(LoadText("<provider><title>x</title></provider>"));
    EXPECT_EQ(file_.ControlFileValue("title"), "x");
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
