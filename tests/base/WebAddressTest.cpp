#include <gtest/gtest.h>

#include "platform/Platform.h"

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

}  // namespace
}  // namespace wylo
