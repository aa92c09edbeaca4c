#include <gtest/gtest.h>

#include "channels/ChannelText.h"

namespace wylo {
namespace {

TEST(ShownDescription, LineBreaksOfEveryKindBecomeOneLineFeed) {
    EXPECT_EQ(ShownDescription("one\ntwo\r\nthree\rfour"), "one\ntwo\nthree\nfour");
    EXPECT_EQ(ShownDescription("\n\n"), "\n\n");
}

TEST(ShownDescription, TabsDisappear) {
    EXPECT_EQ(ShownDescription("\tIndented\tand\ttabbed\t"), "Indentedandtabbed");
    EXPECT_EQ(ShownDescription(""), "");
}

TEST(IsSubscriptionRequired, OneOrTrueInAnyCase) {
    EXPECT_TRUE(IsSubscriptionRequired("1"));
    EXPECT_TRUE(IsSubscriptionRequired("TRUE"));
    EXPECT_TRUE(IsSubscriptionRequired("true"));
    EXPECT_TRUE(IsSubscriptionRequired("tRuE"));
    EXPECT_FALSE(IsSubscriptionRequired(""));
    EXPECT_FALSE(IsSubscriptionRequired("0"));
    EXPECT_FALSE(IsSubscriptionRequired("yes"));
    EXPECT_FALSE(IsSubscriptionRequired(" true"));
    EXPECT_FALSE(IsSubscriptionRequired("01"));
}

TEST(ImageCaption, TitleElseFileNameOfTheAddress) {
    EXPECT_EQ(ImageCaption("Dunes", "http://h/images/dunes.jpg"), "Dunes");
    EXPECT_EQ(ImageCaption("", "http://h/images/dunes.jpg"), "dunes.jpg");
    EXPECT_EQ(ImageCaption("", ""), "");
    EXPECT_EQ(ImageCaption("", "http://h/images/"), "");
}

}  // namespace
}  // namespace wylo
