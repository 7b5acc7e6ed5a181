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

// Seven objects' trails spread over a screen: a region allowed more rectangles keeps them
// apart and covers far less area than the usual few, yet still everything added.
TEST(DirtyRegion, MoreRectanglesAllowedCoverTheTrailsWithLessArea)
{
    DirtyRegion few;
    DirtyRegion many;
    many.setMostRects(16);
    std::vector<PixelRect> added;
    for (int sprite = 0; sprite < 56; ++sprite) {
        const int object = sprite % 7;
        const int step = sprite / 7;
        added.push_back({ 250 * object + 2 * step, 120 * object + step, 250 * object + 2 * step + 60, 120 * object + step + 60 });
        few.add(added.back());
        many.add(added.back());
    }
    const auto area = [](const DirtyRegion& region) {
        int64_t total = 0;
        for (const PixelRect& rect : region.rects())
            total += rect.area();
        return total;
    };
    EXPECT_EQ(few.rects().size(), DirtyRegion::kMostRects);
    EXPECT_LE(many.rects().size(), many.mostRects());
    EXPECT_LT(area(many) * 2, area(few));
    for (const PixelRect& rect : added) {
        bool covered = false;
        for (const PixelRect& kept : many.rects())
            covered = covered || kept.intersected(rect) == rect;
        EXPECT_TRUE(covered);
    }
    many.clear();
    EXPECT_EQ(many.mostRects(), 16U);
}

} // namespace
