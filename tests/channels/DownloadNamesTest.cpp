#include <string>

#include <gtest/gtest.h>

#include "channels/Download.h"

namespace wylo {
namespace {

TEST(FileNameFromUrlTest, TakesTheTextAfterTheLastSlash) {
    EXPECT_EQ(FileNameFromUrl("http://channels.example.com/wylo/wylo.xml"), "wylo.xml");
    EXPECT_EQ(FileNameFromUrl("http://host/a/b/photo01.jpg"), "photo01.jpg");
    EXPECT_EQ(FileNameFromUrl("photo01.jpg"), "photo01.jpg");
    EXPECT_EQ(FileNameFromUrl("http://host/images/"), "");
    EXPECT_EQ(FileNameFromUrl(""), "");
}

TEST(FileNameFromUrlTest, KeepsQueryAndFragment) {
    EXPECT_EQ(FileNameFromUrl("http://host/get.php?id=7"), "get.php?id=7");
    EXPECT_EQ(FileNameFromUrl("http://host/a.jpg#top"), "a.jpg#top");
    // A slash inside the query is still the last slash.
    EXPECT_EQ(FileNameFromUrl("http://host/get?path=a/b.jpg"), "b.jpg");
}

TEST(IsSafeNameTest, AcceptsPlainNames) {
    for (const std::string name :
         {"Channel.xml", "photo01.jpg", "a", ".hidden", "my photo.jpg", "con2.jpg", "nature-2024",
          "console.jpg", "com10", "r\xC3\xA9sum\xC3\xA9.jpg"}) {
        EXPECT_TRUE(IsSafeName(name)) << name;
    }
}

TEST(IsSafeNameTest, RefusesAnythingThatIsNotOnePlainElement) {
    for (const std::string name : {"",
                                   ".",
                                   "..",
                                   "../x",
                                   "a/b",
                                   "a\\b",
                                   "..\\..\\Wylo.ini",
                                   "/etc",
                                   "C:",
                                   "c:photo.jpg",
                                   "photo.jpg:stream",
                                   "a<b",
                                   "a>b",
                                   "a\"b",
                                   "a|b",
                                   "a?b",
                                   "a*b",
                                   "tab\tname",
                                   "new\nline",
                                   "del\x7f",
                                   "trailing.",
                                   "trailing ",
                                   ".. ",
                                   "..."}) {
        EXPECT_FALSE(IsSafeName(name)) << name;
    }
    EXPECT_FALSE(IsSafeName(std::string("nul\0byte", 8)));
}

TEST(IsSafeNameTest, RefusesWindowsDeviceNamesWithOrWithoutExtension) {
    for (const std::string name : {"con", "CON", "prn", "aux", "nul", "NUL.jpg", "com1", "COM9.xml",
                                   "lpt1", "lpt5.jpg", "con .jpg", "conin$", "CONOUT$"}) {
        EXPECT_FALSE(IsSafeName(name)) << name;
    }
}

}  // namespace
}  // namespace wylo
