#include <iterator>

#include <gtest/gtest.h>

#include "settings/PlacementChoice.h"

namespace wylo {
namespace {

TEST(PlacementChoice, EveryOfferedZoomRoundTripsThroughItsPosition) {
    for (const std::int32_t percent : kZoomPercentages) {
        const ImagePlacement placement =
            PlacementAt(PlacementModePosition(PlacementMode::Zoom), ZoomPosition(percent));
        EXPECT_EQ(placement, (ImagePlacement{PlacementMode::Zoom, percent}));
    }
}

TEST(PlacementChoice, AZoomTheListLacksShowsAsTheDefault) {
    const std::int32_t def = ZoomPosition(kDefaultZoom);
    EXPECT_EQ(kZoomPercentages[def], kDefaultZoom);
    for (const std::int32_t odd : {0, 77, -100, 201, 1000000}) {
        EXPECT_EQ(ZoomPosition(odd), def) << odd;
    }
}

TEST(PlacementChoice, PositionsOutsideTheControlsGiveTheDefaults) {
    const auto zoomCount = static_cast<std::int32_t>(std::size(kZoomPercentages));
    EXPECT_EQ(PlacementAt(-1, -1), ImagePlacement{});
    EXPECT_EQ(PlacementAt(kPlacementModeCount, zoomCount), ImagePlacement{});
    EXPECT_EQ(PlacementAt(1, zoomCount), (ImagePlacement{PlacementMode::Tile, kDefaultZoom}));
    EXPECT_EQ(PlacementAt(-1, 0), (ImagePlacement{PlacementMode::Center, kZoomPercentages[0]}));
}

}  // namespace
}  // namespace wylo
