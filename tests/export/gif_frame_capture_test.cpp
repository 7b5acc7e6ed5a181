#include "export/gif_frame_capture.h"

#include "engine/argb_image.h"
#include "export/gif_writer.h"
#include "export/text_exception.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

ArgbImage flatFrame(int32_t width, int32_t height, uint32_t pixel)
{
    ArgbImage frame;
    frame.SetSize(width, height);
    frame.Fill(pixel);
    return frame;
}

TEST(AppendGifFrame, DefaultsOnA640By480PanelGiveTenFramesOf256By192)
{
    std::mt19937 random(1);
    ArgbImage frame;
    frame.SetSize(640, 480);
    TGIFImage animation;
    const GifFrameSettings settings;  // 40 %, 128 colours, 4 frames per second
    for (int i = 0; i < 10; ++i) {
        for (uint32_t& pixel : frame.pixels) {
            pixel = static_cast<uint32_t>(random());
        }
        EXPECT_EQ(AppendGifFrame(animation, frame, settings), i);
    }
    ScratchFolder folder;
    animation.SaveToFile(folder.File("defaults.gif"));
    const DecodedGif decoded = DecodeGifFile(folder.File("defaults.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.screenWidth, 256);
    EXPECT_EQ(decoded.screenHeight, 192);
    ASSERT_EQ(decoded.frames.size(), 10u);
    for (std::size_t f = 0; f < decoded.frames.size(); ++f) {
        const DecodedGifFrame& decodedFrame = decoded.frames[f];
        EXPECT_EQ(decodedFrame.width, 256);
        EXPECT_EQ(decodedFrame.height, 192);
        EXPECT_EQ(decodedFrame.delayHundredths, 25);
        EXPECT_EQ(decodedFrame.indices, animation.Frame(static_cast<int>(f)).Image().indices);
        for (uint8_t index : decodedFrame.indices) {
            ASSERT_LT(index, 128);
        }
        // Entry 255 is white.
        EXPECT_EQ(decodedFrame.colors[255 * 3], 255);
        EXPECT_EQ(decodedFrame.colors[255 * 3 + 1], 255);
        EXPECT_EQ(decodedFrame.colors[255 * 3 + 2], 255);
    }
}

TEST(AppendGifFrame, FivePercentOfA100By60Panel)
{
    TGIFImage animation;
    AppendGifFrame(animation, flatFrame(100, 60, MakeArgb(255, 1, 2, 3)), {5, 255, 10});
    EXPECT_EQ(animation.Frame(0).Width(), 5);
    EXPECT_EQ(animation.Frame(0).Height(), 3);
    EXPECT_EQ(animation.Frame(0).Delay(), 100);
    // The sides are truncated, not rounded: 4.95 x 2.95 gives 4 x 2.
    AppendGifFrame(animation, flatFrame(99, 59, MakeArgb(255, 1, 2, 3)), {5, 255, 10});
    EXPECT_EQ(animation.Frame(1).Width(), 4);
    EXPECT_EQ(animation.Frame(1).Height(), 2);
}

TEST(AppendGifFrame, DelaysAreWholeMillisecondsPerFrame)
{
    const uint16_t expected[10] = {1000, 500, 333, 250, 200, 166, 142, 125, 111, 100};
    TGIFImage animation;
    const ArgbImage frame = flatFrame(8, 8, 0);
    for (int32_t fps = 1; fps <= 10; ++fps) {
        const int index = AppendGifFrame(animation, frame, {100, 32, fps});
        EXPECT_EQ(animation.Frame(index).Delay(), expected[fps - 1]);
    }
}

TEST(AppendGifFrame, HalvesOfRedAndBlueKeepTheirColours)
{
    // The left half is red, the right half blue; at full size each keeps the centre of its
    // colour cell, and row 0 stays on top.
    ArgbImage frame = flatFrame(32, 16, MakeArgb(255, 255, 0, 0));
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 16; x < 32; ++x) {
            frame.pixels[static_cast<std::size_t>(y * 32 + x)] = MakeArgb(0, 0, 0, 255);
        }
    }
    frame.pixels[0] = MakeArgb(255, 0, 255, 0);
    TGIFImage animation;
    AppendGifFrame(animation, frame, {100, 128, 4});
    ScratchFolder folder;
    animation.SaveToFile(folder.File("halves.gif"));
    const DecodedGif decoded = DecodeGifFile(folder.File("halves.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    const DecodedGifFrame& only = decoded.frames.at(0);
    auto colourAt = [&](int x, int y) {
        const std::size_t at = static_cast<std::size_t>(only.indices[static_cast<std::size_t>(y * 32 + x)]) * 3;
        return std::vector<int>{only.colors[at], only.colors[at + 1], only.colors[at + 2]};
    };
    EXPECT_EQ(colourAt(0, 0), (std::vector<int>{4, 254, 4}));
    EXPECT_EQ(colourAt(1, 0), (std::vector<int>{252, 2, 4}));
    EXPECT_EQ(colourAt(15, 15), (std::vector<int>{252, 2, 4}));
    EXPECT_EQ(colourAt(16, 0), (std::vector<int>{4, 2, 252}));
    EXPECT_EQ(colourAt(31, 15), (std::vector<int>{4, 2, 252}));
}

TEST(AppendGifFrame, DegenerateInputGivesTheSmallestSensibleFrame)
{
    TGIFImage animation;
    // 5 % of 10 x 10 would be 0 x 0.
    AppendGifFrame(animation, flatFrame(10, 10, MakeArgb(255, 200, 200, 200)), {5, 64, 4});
    EXPECT_EQ(animation.Frame(0).Width(), 1);
    EXPECT_EQ(animation.Frame(0).Height(), 1);
    // An empty capture becomes one black pixel; a rate of 0 counts as 1 frame per second.
    ArgbImage empty;
    AppendGifFrame(animation, empty, {40, 64, 0});
    EXPECT_EQ(animation.Frame(1).Width(), 1);
    EXPECT_EQ(animation.Frame(1).Delay(), 1000);
    const GifIndexedImage& black = animation.Frame(1).Image();
    EXPECT_EQ(black.palette[black.indices[0]].red, 4);

    ScratchFolder folder;
    animation.SaveToFile(folder.File("tiny.gif"));
    const DecodedGif decoded = DecodeGifFile(folder.File("tiny.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 2u);

    EXPECT_THROW(AppendGifFrame(animation, flatFrame(4, 4, 0), {100, 4, 4}), CTextException);
    EXPECT_EQ(animation.FrameCount(), 2);
}

} // namespace
