#include <gtest/gtest.h>

#include "base/WebAddress.h"

namespace wylo {
namespace {

TEST(IsWebAddress, AcceptsHttpAndHttpsInAnyCase) {
    EXPECT_TRUE(IsWebAddress("http://example.org/terms"));
    EXPECT_TRUE(IsWebAddress("https://example.org/"));
    EXPECT_TRUE(IsWebAddress("HTTPS://EXAMPLE.ORG/"));
    EXPECT_TRUE(IsWebAddress("Http://localhost:8086/wylo/wylo.xml"));
}

TEST(IsWebAddress, RefusesEverythingElse) {
    EXPECT_FALSE(IsWebAddress(""));
    EXPECT_FALSE(IsWebAddress("http://"));
    EXPECT_FALSE(IsWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(IsWebAddress("ftp://example.org/"));
    EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(IsWebAddress("C:\\Windows\\notepad.exe"));
    EXPECT_FALSE(IsWebAddress(" http://example.org/"));
}

TEST(FetchableUrlTest, OnlyAbsoluteHttpAndHttpsWithoutControlCharacters) {
    EXPECT_TRUE(IsFetchableUrl("http://example.com/wylo/wylo.xml"));
    EXPECT_TRUE(IsFetchableUrl("HTTPS://example.com/a.jpg"));
    EXPECT_FALSE(IsFetchableUrl("http://"));
    EXPECT_FALSE(IsFetchableUrl("file:///etc/passwd"));
    EXPECT_FALSE(IsFetchableUrl("example.com/a.jpg"));
    EXPECT_FALSE(IsFetchableUrl("http://example.com/a\tb.jpg"));
    EXPECT_FALSE(IsFetchableUrl("http://example.com/a.jpg\r\nX-Injected: 1"));
    EXPECT_FALSE(IsFetchableUrl(""));
}

TEST(WebAddressWithoutBlanks, RefusesBlanksAndControlCharacters) {
    EXPECT_TRUE(IsWebAddressWithoutBlanks("https://intra.example/w.xml"));
    EXPECT_FALSE(IsWebAddressWithoutBlanks("https://intra.example/my w.xml"));
    EXPECT_FALSE(IsWebAddressWithoutBlanks("https://intra.example/w.xml\x7F"));
    EXPECT_FALSE(IsWebAddressWithoutBlanks("file:///etc/passwd"));
}

}  // namespace
}  // namespace wylo
