#include "engine/frame_presents.h"
#include "engine/recording_panel.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// A frame of that size, every pixel 0.
ArgbImage blank(int32_t width, int32_t height)
{
    ArgbImage frame;
    frame.setSize(width, height);
    return frame;
}

TEST(FramePresents, ABottomUpWholeFramePresentIsOneBlock)
{
    RecordingPanel panel(6, 4);
    panel.keepPixels = true;
    ArgbImage frame = blank(6, 4);
    for (int32_t y = 0; y < 4; ++y)
        frame.row(y)[5] = 100 + static_cast<uint32_t>(y);
    presentWholeFrame(&panel, frame, RowOrder::BottomUp);

    ASSERT_EQ(panel.presents.size(), 1u);
    const auto& present = panel.presents[0];
    EXPECT_EQ(std::tie(present.x, present.y, present.width, present.height), std::tuple(0, 0, 6, 4));
    EXPECT_EQ(present.order, RowOrder::BottomUp);
    EXPECT_EQ(panel.screen.row(3)[5], 100u); // frame row 0 is the bottom row on screen
    EXPECT_EQ(panel.screen.row(0)[5], 103u);
    EXPECT_EQ(panel.presentsOutsideBegin, 0);
}

TEST(FramePresents, ATopDownWholeFramePresentGoesOutInFourPixelStripsInOneBatch)
{
    RecordingPanel panel(10, 3);
    ArgbImage frame = blank(10, 3);
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = static_cast<uint32_t>(i);
    presentWholeFrame(&panel, frame, RowOrder::TopDown);

    ASSERT_EQ(panel.presents.size(), 3u);
    const std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> expected { { 0, 0, 4, 3 }, { 4, 0, 4, 3 },
        { 8, 0, 2, 3 } };
    for (size_t i = 0; i < 3; ++i) {
        const auto& present = panel.presents[i];
        EXPECT_EQ(std::tie(present.x, present.y, present.width, present.height), expected[i]);
        EXPECT_EQ(present.order, RowOrder::TopDown);
        EXPECT_EQ(present.batch, 1);
    }
    EXPECT_EQ(panel.screen.pixels, frame.pixels);
    EXPECT_EQ(panel.begins, 1);
    EXPECT_EQ(panel.ends, 1);
}

TEST(FramePresents, RectPresentIsCutToTheFrame)
{
    RecordingPanel panel(20, 10);
    panel.keepPixels = true;
    ArgbImage frame = blank(8, 6);
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = static_cast<uint32_t>(i);

    presentRect(&panel, frame, 1, 2, 4, 4);
    presentRect(&panel, frame, -5, -3, 2, 1);
    presentRect(&panel, frame, 6, 5, 100, 100);
    presentRect(&panel, frame, 9, 0, 12, 3); // wholly outside: nothing
    presentRect(&panel, frame, 3, 3, 3, 9); // empty
    ASSERT_EQ(panel.presents.size(), 3u);
    const auto& inside = panel.presents[0];
    EXPECT_EQ(std::tie(inside.x, inside.y, inside.width, inside.height), std::tuple(1, 2, 3, 2));
    EXPECT_EQ(inside.pixels, (std::vector<uint32_t> { 17, 18, 19, 25, 26, 27 }));
    const auto& corner = panel.presents[1];
    EXPECT_EQ(std::tie(corner.x, corner.y, corner.width, corner.height), std::tuple(0, 0, 2, 1));
    const auto& farCorner = panel.presents[2];
    EXPECT_EQ(std::tie(farCorner.x, farCorner.y, farCorner.width, farCorner.height), std::tuple(6, 5, 2, 1));
    EXPECT_EQ(farCorner.pixels, (std::vector<uint32_t> { 46, 47 }));
}

TEST(FramePresents, MissingFrameOrPanelPresentsNothing)
{
    RecordingPanel panel(4, 4);
    ArgbImage missing;
    ArgbImage frame = blank(4, 4);
    frame.fill(1);
    presentRect(&panel, missing, 0, 0, 4, 4);
    presentRect(nullptr, frame, 0, 0, 4, 4);
    presentWholeFrame(&panel, missing, RowOrder::TopDown);
    EXPECT_TRUE(panel.presents.empty());
}

} // namespace
