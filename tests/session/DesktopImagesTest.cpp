// What the windows say of the pictures on the desktop: the mark of a row.
#include <gtest/gtest.h>

#include "session/SessionObserver.h"

using namespace wylo;

TEST(DesktopImagesMark, OneImageIsOnTheDesktopAndSeveralNameTheirMonitors) {
    DesktopImages one;
    one.images = {{0, "Dunes", 2}};
    EXPECT_EQ(one.MarkText(2), "On the desktop");
    EXPECT_EQ(one.MarkText(1), "");
    EXPECT_EQ(one.MarkText(-1), "");

    DesktopImages three;
    three.images = {{0, "Dunes", 4}, {1, "Sea", 1}, {2, "Dunes", 4}};
    EXPECT_EQ(three.MarkText(4), "On monitors 1, 3");
    EXPECT_EQ(three.MarkText(1), "On monitor 2");
    EXPECT_EQ(three.MarkText(0), "");
    // A picture of another channel has no row, and marks none.
    DesktopImages elsewhere;
    elsewhere.images = {{0, "Dunes", -1}};
    EXPECT_EQ(elsewhere.MarkText(-1), "");
}
