#include "engine/dirty_region.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
    const char* name;
    std::vector<PixelRect> added;
    std::vector<PixelRect> expected;
};

class DirtyRegionJoins : public ::testing::TestWithParam<Case> { };

TEST_P(DirtyRegionJoins, KeepsAFewRectanglesThatCoverEverythingAdded)
{
    DirtyRegion region;
    for (const PixelRect& rect : GetParam().added)
        region.add(rect);
    EXPECT_EQ(region.rects(), GetParam().expected);
    for (const PixelRect& rect : GetParam().added) {
        bool covered = false;
        for (const PixelRect& kept : region.rects())
            covered = covered || kept.intersected(rect) == rect;
        EXPECT_TRUE(covered || rect.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DirtyRegionJoins,
    ::testing::Values(Case { "EmptyAddsNothing", { { 5, 5, 5, 9 }, { 3, 3, 1, 1 } }, {} },
        // Apart, both stay; inside another, or side by side with the same rows, they join at no cost.
        Case { "FarApartStay", { { 0, 0, 10, 10 }, { 100, 100, 110, 110 } }, { { 0, 0, 10, 10 }, { 100, 100, 110, 110 } } },
        Case { "InsideJoins", { { 0, 0, 10, 10 }, { 2, 2, 5, 5 } }, { { 0, 0, 10, 10 } } },
        Case { "SideBySideJoins", { { 0, 0, 10, 10 }, { 10, 0, 20, 10 } }, { { 0, 0, 20, 10 } } },
        // A fifth far rectangle makes the cheapest pair join: the two nearest (worked by hand:
        // joining (0,0)-(10,10) with (12,0)-(22,10) adds 20 pixels, any other pair far more).
        Case { "TooManyJoinTheCheapestPair",
            { { 0, 0, 10, 10 }, { 12, 0, 22, 10 }, { 100, 0, 110, 10 }, { 200, 0, 210, 10 }, { 300, 0, 310, 10 } },
            { { 0, 0, 22, 10 }, { 100, 0, 110, 10 }, { 200, 0, 210, 10 }, { 300, 0, 310, 10 } } }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(DirtyRegion, AHundredSpritesAlongACurveStayAFewRectangles)
{
    DirtyRegion region;
    for (int i = 0; i < 100; ++i)
        region.add({ 3 * i, 50 + (i % 7) * 20, 3 * i + 40, 90 + (i % 7) * 20 });
    EXPECT_LE(region.rects().size(), DirtyRegion::kMostRects);
    EXPECT_EQ(region.bounds(), (PixelRect { 0, 50, 337, 210 }));
    region.markWhole();
    EXPECT_TRUE(region.whole());
    region.clear();
    EXPECT_TRUE(region.empty());
}

} // namespace
