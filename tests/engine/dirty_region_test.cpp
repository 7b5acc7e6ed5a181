#include "engine/dirty_region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Row {
    int32_t y;
    int32_t left;
    int32_t right;
};

// Rows of pixels [left, right) from top to bottom, each as wide as the given stretch.
std::vector<Row> block(int32_t top, int32_t bottom, int32_t left, int32_t right)
{
    std::vector<Row> rows;
    for (int32_t y = top; y < bottom; ++y)
        rows.push_back({ y, left, right });
    return rows;
}

std::vector<Row> operator+(std::vector<Row> first, const std::vector<Row>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct Case {
    const char* name;
    std::vector<Row> added;
    std::vector<PixelRect> expected;
    int64_t rectPixels = DirtyRegion::kRectPixels;
};

class DirtyRegionRects : public ::testing::TestWithParam<Case> { };

TEST_P(DirtyRegionRects, CoverWhatWasAddedWithLittleMore)
{
    DirtyRegion region;
    region.setRectPixels(GetParam().rectPixels);
    for (const Row& row : GetParam().added)
        region.addRow(row.y, row.left, row.right);
    EXPECT_EQ(region.rects(), GetParam().expected);
    for (const Row& row : GetParam().added) {
        // Rows above the frame hold nothing.
        for (int32_t x = row.y < 0 ? row.right : row.left; x < row.right; ++x) {
            bool covered = false;
            for (const PixelRect& rect : region.rects())
                covered = covered || !rect.intersected({ x, row.y, x + 1, row.y + 1 }).empty();
            ASSERT_TRUE(covered) << x << ", " << row.y;
        }
    }
}

// Worked by hand, with a rectangle allowed its changed pixels / 16 + 512 beyond them (or
// + 8192 for an X11 put).
INSTANTIATE_TEST_SUITE_P(Cases, DirtyRegionRects,
    ::testing::Values(Case { "EmptyAddsNothing", { { 5, 9, 9 }, { 3, 4, 1 }, { -1, 0, 5 } }, {} },
        // Stretches that touch or overlap in a row are one.
        Case { "TouchingStretchesJoin", { { 0, 0, 10 }, { 0, 10, 20 }, { 0, 15, 25 } }, { { 0, 0, 25, 1 } } },
        // Two 100 x 100 squares, the lower one 50 to the right: growing the first by the
        // lower's first row makes a box of 150 x 101 = 15150 for 10100 changed pixels,
        // 5050 beyond them against 10100 / 16 + 512 = 1143 allowed. Two rectangles, 20000
        // pixels presented, every one of them changed.
        Case { "ASideStepEndsTheRectangle", block(0, 100, 0, 100) + block(100, 200, 50, 150),
            { { 0, 0, 100, 100 }, { 50, 100, 150, 200 } } },
        // 2 to the right: the box grows to 102 x 200 = 20400 for 20000, 400 beyond them
        // against 20000 / 16 + 512 = 1762: one rectangle, 1.02 x the pixels changed.
        Case { "ASmallStepGrowsIt", block(0, 100, 0, 100) + block(100, 200, 2, 102), { { 0, 0, 102, 200 } } },
        // 100 x 50 over 100 x 50 with the lower one 50 to the right. A damage box: the
        // first lower row makes 150 x 51 = 7650 for 5100, 2550 beyond them against
        // 5100 / 16 + 512 = 830: two boxes. A put: the whole 150 x 100 = 15000 for 10000
        // holds 5000 beyond them against 10000 / 16 + 8192 = 8817: one put of 1.5 x the
        // pixels changed, whose 5000 extra pixels cost less than a second put.
        Case { "ASideStepTakesTwoDamageBoxes", block(0, 50, 0, 100) + block(50, 100, 50, 150),
            { { 0, 0, 100, 50 }, { 50, 50, 150, 100 } } },
        Case { "ASideStepTakesOnePut", block(0, 50, 0, 100) + block(50, 100, 50, 150), { { 0, 0, 150, 100 } },
            DirtyRegion::kPutPixels },
        // Two 100 x 100 squares, the lower 50 to the right, for puts: after k lower rows the
        // box holds 5000 + 50k beyond (10000 + 100k) changed, allowed (10000 + 100k) / 16 +
        // 8192; k = 87 holds 9350 <= 9360, k = 88 holds 9400 > 9367, so the put ends there.
        Case { "APutGrowsWhileTheWasteCostsLessThanAPut", block(0, 100, 0, 100) + block(100, 200, 50, 150),
            { { 0, 0, 150, 187 }, { 50, 187, 150, 200 } }, DirtyRegion::kPutPixels },
        // Nine stretches in one row: the two with the narrowest gap (5) become one.
        Case { "ARowKeepsEightStretches",
            { { 0, 0, 10 }, { 0, 20, 30 }, { 0, 40, 50 }, { 0, 60, 70 }, { 0, 80, 90 }, { 0, 100, 110 },
                { 0, 120, 130 }, { 0, 140, 150 }, { 0, 155, 165 } },
            { { 0, 0, 10, 1 }, { 20, 0, 30, 1 }, { 40, 0, 50, 1 }, { 60, 0, 70, 1 }, { 80, 0, 90, 1 },
                { 100, 0, 110, 1 }, { 120, 0, 130, 1 }, { 140, 0, 165, 1 } } }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// Fourteen discs of radius 60 (seven objects and their mirror copies) each stepping 3 right
// and 2 down eight times, as a refresh's sprites: the rectangles present at most 1.2 x the
// pixels painted (the discs' bounding squares alone would be 4 / pi = 1.27 x), and cover
// every one of them.
TEST(DirtyRegion, ARefreshOfDiscTrailsPresentsAtMostAFifthMoreThanPainted)
{
    constexpr int32_t kWidth = 1920;
    constexpr int32_t kHeight = 1080;
    constexpr int32_t kRadius = 60;
    DirtyRegion region;
    std::vector<uint8_t> painted(static_cast<std::size_t>(kWidth) * kHeight, 0);
    int64_t paintedPixels = 0;
    for (int32_t object = 0; object < 14; ++object) {
        const int32_t startX = 100 + 125 * object;
        const int32_t startY = object % 2 == 0 ? 100 + 60 * object : 900 - 55 * object;
        for (int32_t step = 0; step < 8; ++step) {
            const int32_t cx = startX + 3 * step;
            const int32_t cy = startY + 2 * step;
            for (int32_t dy = -kRadius; dy < kRadius; ++dy) {
                const auto half = static_cast<int32_t>(std::sqrt(double(kRadius * kRadius - (dy + 0.5) * (dy + 0.5))));
                region.addRow(cy + dy, cx - half, cx + half);
                for (int32_t x = cx - half; x < cx + half; ++x) {
                    uint8_t& pixel = painted[static_cast<std::size_t>(cy + dy) * kWidth + static_cast<std::size_t>(x)];
                    paintedPixels += pixel ? 0 : 1;
                    pixel = 1;
                }
            }
        }
    }
    EXPECT_EQ(region.rowPixels(), paintedPixels);
    int64_t presented = 0;
    for (const PixelRect& rect : region.rects()) {
        presented += rect.area();
        for (int32_t y = rect.top; y < rect.bottom; ++y) {
            for (int32_t x = rect.left; x < rect.right; ++x)
                painted[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = 0;
        }
    }
    EXPECT_LE(presented * 5, paintedPixels * 6) << presented << " presented, " << paintedPixels << " painted";
    EXPECT_EQ(std::count(painted.begin(), painted.end(), 1), 0);
    EXPECT_LE(region.rects().size(), 14u * 12u);
}

// A region allowed fewer rectangles joins the cheapest pairs; bounds, whole and clear.
TEST(DirtyRegion, FewRectanglesAllowedJoinTheCheapestPairs)
{
    DirtyRegion region;
    region.setMostRects(2);
    for (const PixelRect& square : { PixelRect { 0, 0, 10, 10 }, PixelRect { 12, 0, 22, 10 },
             PixelRect { 300, 0, 310, 10 }, PixelRect { 0, 300, 10, 310 } })
        region.add(square);
    // (0,0)-(10,10) with (12,0)-(22,10) adds 20 pixels; then that with (300,0)-(310,10) adds
    // 2780 against 2990 with (0,300)-(10,310).
    EXPECT_EQ(region.rects(), (std::vector<PixelRect> { { 0, 0, 310, 10 }, { 0, 300, 10, 310 } }));
    EXPECT_EQ(region.bounds(), (PixelRect { 0, 0, 310, 310 }));
    EXPECT_EQ(region.rowPixels(), 400);
    region.markWhole();
    EXPECT_TRUE(region.whole());
    region.clear();
    EXPECT_TRUE(region.empty());
    EXPECT_TRUE(region.rects().empty());
    EXPECT_EQ(region.mostRects(), 2U);
}

} // namespace
