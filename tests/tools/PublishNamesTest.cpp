// Titles, file names and addresses of published photos.

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "channels/Download.h"
#include "tools/wylo-channel/PublishNames.h"

namespace wylo::tool {
namespace {

TEST(TitleFromFileName, ReadsUnderscoresAndDashesAsBlanks) {
    EXPECT_EQ(TitleFromFileName("Sunset_over-the_Bay.jpg"), "Sunset over the Bay");
    EXPECT_EQ(TitleFromFileName("__Misty--morning__.JPEG"), "Misty morning");
    EXPECT_EQ(TitleFromFileName("v1.2 final.jpg"), "v1.2 final");
    EXPECT_EQ(TitleFromFileName("Lake"), "Lake");
    EXPECT_EQ(TitleFromFileName("Rock & Roll <live>.jpg"), "Rock & Roll <live>");
    // Nothing but separators: the name is better than an empty title.
    EXPECT_EQ(TitleFromFileName("_-_.jpg"), "_-_");
}

TEST(TitleFromFileName, MakesAnyFileNameValidText) {
    EXPECT_EQ(TitleFromFileName("caf\xE9.jpg"), "caf\xEF\xBF\xBD");  // Latin-1 on disk
    EXPECT_EQ(TitleFromFileName("two\nlines\t.jpg"), "two lines");
    EXPECT_EQ(TitleFromFileName("Z\xC3\xBCrich.jpg"), "Z\xC3\xBCrich");
}

TEST(CleanText, ReplacesMalformedUtf8AndControls) {
    EXPECT_EQ(CleanText("ok \xE2\x82\xAC"), "ok \xE2\x82\xAC");
    const std::string bad = "\xEF\xBF\xBD";                 // U+FFFD for each byte that is not text
    EXPECT_EQ(CleanText("\xC0\xAF"), bad + bad);            // an overlong "/"
    EXPECT_EQ(CleanText("\xED\xA0\x80"), bad + bad + bad);  // a surrogate
    EXPECT_EQ(CleanText("x\xF0\x9F\x98"), "x" + bad + bad + bad);  // cut off
    EXPECT_EQ(CleanText("\xF4\x90\x80\x80").size(), 12u);          // beyond U+10FFFF
    EXPECT_EQ(CleanText("a\x1B[31mb\x7F"), "a [31mb ");
    EXPECT_EQ(CleanText("one\r\ntwo\rthree\nfour"), "one two three four");
    EXPECT_EQ(CleanText("one\r\ntwo\rthree\nfour", true), "one\ntwo\nthree\nfour");
}

TEST(PercentEncode, KeepsOnlyUnreservedCharacters) {
    EXPECT_EQ(PercentEncode("a-b_c.d~e09AZ"), "a-b_c.d~e09AZ");
    EXPECT_EQ(PercentEncode("a b#?%&+/.jpg"), "a%20b%23%3F%25%26%2B%2F.jpg");
    EXPECT_EQ(PercentEncode("\xC3\xA9"), "%C3%A9");
}

TEST(BaseUrl, AcceptsHttpAddressesWithoutTrailingSlashes) {
    EXPECT_EQ(BaseUrl("http://localhost:8086/c/", "--base-url"), "http://localhost:8086/c");
    EXPECT_EQ(BaseUrl("HTTPS://example.org//", "--base-url"), "HTTPS://example.org");
    EXPECT_EQ(BaseUrl("http://h/a b", "--base-url"), "http://h/a b");
}

TEST(BaseUrl, RefusesOtherSchemesQueriesAndMissingHosts) {
    for (const char* bad : {"ftp://h/c", "file:///srv/c", "h/c", "", "http://", "http:///c",
                            "http://h/c?x=1", "http://h/c#top", "http://h/\nc"}) {
        EXPECT_THROW(BaseUrl(bad, "--base-url"), Error) << bad;
    }
    try {
        BaseUrl("ftp://h", "--base-url");
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("--base-url"), std::string::npos);
    }
}

TEST(CheckPageUrl, AllowsNothingOrAWebAddress) {
    EXPECT_NO_THROW(CheckPageUrl("", "--news"));
    EXPECT_NO_THROW(CheckPageUrl("https://h/news.html", "--news"));
    EXPECT_THROW(CheckPageUrl("javascript:alert(1)", "--news"), Error);
}

TEST(UrlUnder, EncodesEachElement) {
    EXPECT_EQ(UrlUnder("http://h/c", "images/Rock & Roll #1.jpg"),
              "http://h/c/images/Rock%20%26%20Roll%20%231.jpg");
    EXPECT_EQ(UrlUnder("http://h", "preview.jpg"), "http://h/preview.jpg");
}

TEST(PublishedName, UsesTheStemWithAJpgExtension) {
    std::set<std::string> taken;
    EXPECT_EQ(PublishedName("Photo.JPEG", taken), "Photo.jpg");
    EXPECT_EQ(PublishedName("Sunset_over-the_Bay.jpg", taken), "Sunset_over-the_Bay.jpg");
    EXPECT_EQ(PublishedName("Rock & Roll #1.jpg", taken), "Rock & Roll #1.jpg");
}

TEST(PublishedName, NeverCollidesIgnoringCaseAndExtension) {
    // The cache converts each image to a .bmp beside it and may ignore case.
    std::set<std::string> taken;
    EXPECT_EQ(PublishedName("a.jpg", taken), "a.jpg");
    EXPECT_EQ(PublishedName("A.jpeg", taken), "A-2.jpg");
    EXPECT_EQ(PublishedName("a.png", taken), "a-3.jpg");
    EXPECT_EQ(PublishedName("a-2.jpg", taken), "a-2-2.jpg");
}

TEST(PublishedName, IsAlwaysSafeInTheCache) {
    std::set<std::string> taken;
    EXPECT_EQ(PublishedName("con.jpg", taken), "_con.jpg");
    EXPECT_EQ(PublishedName("what?.jpg", taken), "what_.jpg");
    EXPECT_EQ(PublishedName("trail. .jpg", taken), "trail.jpg");
    EXPECT_EQ(PublishedName(".hidden.jpg", taken), "hidden.jpg");
    EXPECT_EQ(PublishedName("....jpg", taken), "photo.jpg");
    const std::string longName = std::string(300, '\xE6') + ".jpg";
    for (const std::string& name :
         {longName, std::string("lpt1.x.jpg"), std::string("a\\b:c|d*.jpg"), longName}) {
        const std::string published = PublishedName(name, taken);
        EXPECT_TRUE(IsSafeName(published)) << published;
        EXPECT_TRUE(IsSafeName(PercentEncode(published))) << published;
        EXPECT_LE(PercentEncode(published).size(), 150u) << published;
    }
}

}  // namespace
}  // namespace wylo::tool
