#include <string>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "channels/ChannelDirectory.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::TempDir;
using test::WriteFile;

class ChannelDirectoryTest : public ::testing::Test {
protected:
    // Opens a directory document with the given text.
    void OpenText(const std::string& xml) {
        WriteFile(dir_ / "wylo.xml", xml);
        directory_.Open(dir_ / "wylo.xml");
    }

    TempDir dir_;
    ChannelDirectory directory_;
};

TEST_F(ChannelDirectoryTest, ReadsChannelsAndPropertiesOfAPlainDirectory) {
    OpenText(R"(<?xml version="1.0"?>
<wylo>
  <PROPERTIES><news>http://host/news.html</news></PROPERTIES>
  <PROVIDERS>
    <provider><id>alps</id><url>http://host/alps/Channel.xml</url></provider>
    <provider><id>sea</id><url>http://host/sea/Channel.xml</url></provider>
  </PROVIDERS>
</wylo>)");
    EXPECT_TRUE(directory_.IsOpen());
    ASSERT_EQ(directory_.ChannelCount(), 2);
    EXPECT_EQ(directory_.Channel(0).id, "alps");
    EXPECT_EQ(directory_.Channel(1).url, "http://host/sea/Channel.xml");
    EXPECT_EQ(directory_.news(), "http://host/news.html");
}

TEST_F(ChannelDirectoryTest, SectionAndValueNamesIgnoreCase) {
    OpenText(R"(<Root>
  <Properties><NEWS>n</NEWS></Properties>
  <providers><p><ID>upper</ID><Url>u</Url></p></providers>
</Root>)");
    EXPECT_TRUE(directory_.ListsChannels());
    EXPECT_EQ(directory_.ChannelCount(), 1);
    EXPECT_EQ(directory_.Channel(0).id, "upper");
    EXPECT_EQ(directory_.Channel(0).url, "u");
    EXPECT_EQ(directory_.news(), "n");
}

TEST_F(ChannelDirectoryTest, CaseFoldingIsAsciiOnly) {
    // Only a-z fold: a Turkish dotless "ı" or dotted "İ", which other rules
    // fold to "I" or "i", does not make "id".
    OpenText(
        "<r><PROVIDERS><p><\xC4\xB1"
        "d>dotless</\xC4\xB1"
        "d><\xC4\xB0"
        "D>dotted</\xC4\xB0"
        "D>"
        "<uRl>u</uRl></p></PROVIDERS></r>");
    EXPECT_EQ(directory_.Channel(0).id, "");
    EXPECT_EQ(directory_.Channel(0).url, "u");
}

TEST_F(ChannelDirectoryTest, MissingSectionsGiveNoChannelsAndNoNews) {
    OpenText("<wylo><other/></wylo>");
    EXPECT_FALSE(directory_.ListsChannels());
    EXPECT_EQ(directory_.ChannelCount(), 0);
    EXPECT_EQ(directory_.news(), "");
}

TEST_F(ChannelDirectoryTest, LastNewsCountsButFirstIdCounts) {
    OpenText(R"(<wylo>
  <PROPERTIES><news>first</news><other>o</other><News>last</News></PROPERTIES>
  <PROVIDERS><p><id>one</id><ID>two</ID></p></PROVIDERS>
</wylo>)");
    EXPECT_EQ(directory_.news(), "last");
    EXPECT_EQ(directory_.Channel(0).id, "one");
}

TEST_F(ChannelDirectoryTest, EntriesAreTakenByPositionWhateverTheirNames) {
    OpenText(R"(<wylo><PROVIDERS>
  <a><id>0</id></a>
  stray text is not an entry
  <b><id>1</id></b>
  <provider><id>2</id></provider>
</PROVIDERS></wylo>)");
    ASSERT_EQ(directory_.ChannelCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(directory_.Channel(i).id, std::to_string(i));
    }
}

TEST_F(ChannelDirectoryTest, FirstMatchingSectionOfTheRootCounts) {
    OpenText(R"(<wylo>
  <PROVIDERS><p><id>first</id></p></PROVIDERS>
  <providers><p><id>second</id></p><p><id>third</id></p></providers>
</wylo>)");
    EXPECT_EQ(directory_.ChannelCount(), 1);
    EXPECT_EQ(directory_.Channel(0).id, "first");
}

TEST_F(ChannelDirectoryTest, AMatchUnderALaterTopLevelNodeReplacesAnEarlierOne) {
    OpenText(
        "<a><PROVIDERS><p><id>a</id></p></PROVIDERS></a>"
        "<b><other/></b>"
        "<c><providers><p><id>c0</id></p><p><id>c1</id></p></providers></c>");
    ASSERT_EQ(directory_.ChannelCount(), 2);
    EXPECT_EQ(directory_.Channel(1).id, "c1");
}

TEST_F(ChannelDirectoryTest, SectionsDeeperThanTheRootsChildrenAreNotFound) {
    OpenText("<wylo><inner><PROVIDERS><p><id>x</id></p></PROVIDERS></inner></wylo>");
    EXPECT_EQ(directory_.ChannelCount(), 0);
}

TEST_F(ChannelDirectoryTest, MissingAndEmptyValuesAreEmpty) {
    OpenText("<wylo><PROVIDERS><p><id/><url></url></p></PROVIDERS></wylo>");
    EXPECT_EQ(directory_.Channel(0).id, "");
    EXPECT_EQ(directory_.Channel(0).url, "");
}

TEST_F(ChannelDirectoryTest, ValuesAreElementTextNeverAttributes) {
    OpenText(
        R"(<wylo><PROVIDERS><p id="attr"><url>a&amp;b<![CDATA[]]></url></p></PROVIDERS></wylo>)");
    EXPECT_EQ(directory_.Channel(0).id, "");
    EXPECT_EQ(directory_.Channel(0).url, "a&b");
}

TEST_F(ChannelDirectoryTest, IndexOutsideTheListThrows) {
    OpenText("<wylo><PROVIDERS><p><id>x</id></p></PROVIDERS></wylo>");
    EXPECT_THROW((void)directory_.Channel(1), Error);
    EXPECT_THROW((void)directory_.Channel(-1), Error);
    directory_.Close();
    EXPECT_FALSE(directory_.IsOpen());
    EXPECT_EQ(directory_.ChannelCount(), 0);
    EXPECT_THROW((void)directory_.Channel(0), Error);
}

TEST_F(ChannelDirectoryTest, MalformedFileThrowsNamingTheFileAndLeavesItClosed) {
    OpenText("<wylo><PROVIDERS><p><id>x</id></p></PROVIDERS></wylo>");
    WriteFile(dir_ / "bad.xml", "<wylo><PROVIDERS></wylo>");
    try {
        directory_.Open(dir_ / "bad.xml");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("bad.xml"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(directory_.IsOpen());
    EXPECT_EQ(directory_.ChannelCount(), 0);
}

TEST_F(ChannelDirectoryTest, EmptyOrMissingFileThrows) {
    WriteFile(dir_ / "empty.xml", "");
    EXPECT_THROW(directory_.Open(dir_ / "empty.xml"), Error);
    EXPECT_THROW(directory_.Open(dir_ / "missing.xml"), Error);
}

TEST_F(ChannelDirectoryTest, EntitiesOfADoctypeAreNotExpanded) {
    // A "billion laughs" document must neither hang nor grow.
    OpenText(R"(<?xml version="1.0"?>
<!DOCTYPE wylo [
  <!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">
  <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
  <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
]>
<wylo><PROPERTIES><news>&c;</news></PROPERTIES></wylo>)");
    EXPECT_EQ(directory_.news(), "&c;");
}

TEST_F(ChannelDirectoryTest, OversizedFileIsRefusedBeforeParsing) {
    std::string big = "<wylo><PROVIDERS>";
    big.append(kMaxChannelDocumentBytes, ' ');
    big += "</PROVIDERS></wylo>";
    WriteFile(dir_ / "big.xml", big);
    EXPECT_THROW(directory_.Open(dir_ / "big.xml"), Error);
    EXPECT_FALSE(directory_.IsOpen());
}

TEST_F(ChannelDirectoryTest, ReopeningReplacesTheDocument) {
    OpenText("<wylo><PROVIDERS><p/><p/></PROVIDERS></wylo>");
    OpenText("<wylo><PROVIDERS><p><id>only</id></p></PROVIDERS></wylo>");
    EXPECT_EQ(directory_.ChannelCount(), 1);
    EXPECT_EQ(directory_.Channel(0).id, "only");
}

}  // namespace
}  // namespace wylo
