#include "engine/buffer_catch_up.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 48;
constexpr int32_t kHeight = 32;

// How many times each pixel of the panel is covered by the rectangles.
std::vector<int> coverage(const std::vector<PixelRect>& rects)
{
    std::vector<int> counts(static_cast<std::size_t>(kWidth * kHeight), 0);
    for (const PixelRect& rect : rects) {
        for (int32_t y = rect.top; y < rect.bottom; ++y) {
            for (int32_t x = rect.left; x < rect.right; ++x)
                ++counts[static_cast<std::size_t>(y * kWidth + x)];
        }
    }
    return counts;
}

PixelRect randomRect(std::mt19937& random)
{
    std::uniform_int_distribution<int32_t> x(-4, kWidth + 2);
    std::uniform_int_distribution<int32_t> y(-4, kHeight + 2);
    std::uniform_int_distribution<int32_t> size(0, 14);
    const int32_t left = x(random);
    const int32_t top = y(random);
    return PixelRect { left, top, left + size(random), top + size(random) }.intersected({ 0, 0, kWidth, kHeight });
}

struct PresentRun {
    const char* name;
    unsigned seed;
    std::size_t buffers;
    int rectsPerPresent;
};

class BufferCatchUpRuns : public ::testing::TestWithParam<PresentRun> { };

// A model of the buffers' contents (which present last wrote each pixel) follows a run of
// presents into buffers chosen at random; before every present the copies plus the present
// bring the chosen buffer exactly to the newest picture, and no copy lands where the present
// writes.
TEST_P(BufferCatchUpRuns, CopiesAndPresentMakeTheBufferTheNewestPicture)
{
    const PresentRun& run = GetParam();
    std::mt19937 random(run.seed);
    BufferCatchUp catchUp(run.buffers, kWidth, kHeight);
    const auto pixels = static_cast<std::size_t>(kWidth * kHeight);
    // -1: never written (what a new buffer holds is unknown).
    std::vector<std::vector<int>> contents(run.buffers, std::vector<int>(pixels, -1));
    std::vector<int> picture(pixels, -1);
    std::uniform_int_distribution<std::size_t> pick(0, run.buffers - 1);
    for (int present = 0; present < 300; ++present) {
        const std::size_t buffer = pick(random);
        std::vector<PixelRect> rects;
        if (present == 0 || !catchUp.hasNewest()) {
            rects.push_back({ 0, 0, kWidth, kHeight });
        } else {
            for (int i = 0; i < run.rectsPerPresent; ++i)
                rects.push_back(randomRect(random));
        }
        const std::vector<PixelRect> copies = catchUp.copiesBefore(buffer, rects);
        const std::vector<int> copied = coverage(copies);
        const std::vector<int> written = coverage(rects);
        if (catchUp.hasNewest()) {
            const std::vector<int>& newest = contents[catchUp.newest()];
            for (std::size_t p = 0; p < pixels; ++p) {
                ASSERT_FALSE(copied[p] > 0 && written[p] > 0) << "present " << present << " pixel " << p;
                if (copied[p] > 0)
                    contents[buffer][p] = newest[p];
            }
        } else {
            ASSERT_TRUE(copies.empty() || buffer == catchUp.newest());
        }
        for (std::size_t p = 0; p < pixels; ++p) {
            if (written[p] > 0) {
                contents[buffer][p] = present;
                picture[p] = present;
            }
        }
        ASSERT_EQ(contents[buffer], picture) << "present " << present;
        catchUp.committed(buffer, rects);
        ASSERT_EQ(catchUp.newest(), buffer);
        ASSERT_TRUE(catchUp.copiesBefore(buffer, {}).empty());
        if (present % 97 == 96) {
            // A buffer made anew (the compositor gave it back destroyed, or it was added).
            const std::size_t renewed = pick(random);
            catchUp.forget(renewed);
            std::fill(contents[renewed].begin(), contents[renewed].end(), -1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, BufferCatchUpRuns,
    ::testing::Values(PresentRun { "TwoBuffersOneRect", 1, 2, 1 }, PresentRun { "TwoBuffersManyRects", 2, 2, 9 },
        PresentRun { "ThreeBuffers", 3, 3, 4 },
        // More rectangles per present than a buffer keeps: the missed area becomes a box.
        PresentRun { "ThreeBuffersPastTheMostKept", 4, 3, 40 }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(BufferCatchUp, CopiesOnlyTheColumnsAPresentLeavesInEachBandOfRows)
{
    BufferCatchUp catchUp(2, 100, 50);
    // Both buffers caught up (committed with nothing left to write), then buffer 1 gets a
    // present that buffer 0 misses.
    catchUp.committed(0, {});
    catchUp.committed(1, {});
    catchUp.committed(1, { { 10, 10, 60, 30 } });
    // Buffer 0's next present covers the middle of what it missed, from row 20 down.
    const std::vector<PixelRect> copies = catchUp.copiesBefore(0, { { 20, 20, 40, 40 } });
    EXPECT_EQ(copies, (std::vector<PixelRect> { { 10, 10, 60, 20 }, { 10, 20, 20, 30 }, { 40, 20, 60, 30 } }));
    EXPECT_EQ(catchUp.missed(0).size(), 1U);
    catchUp.forgetAll();
    EXPECT_FALSE(catchUp.hasNewest());
    EXPECT_EQ(catchUp.missed(1), (std::vector<PixelRect> { { 0, 0, 100, 50 } }));
}

} // namespace
