#include "export/gif_frame_capture.h"

#include "pixels/argb_image.h"
#include "export/gif_writer.h"
#include "export/text_exception.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

ArgbImage flatFrame(int32_t width, int32_t height, uint32_t pixel)
{
    ArgbImage frame;
    frame.setSize(width, height);
    frame.fill(pixel);
    return frame;
}

// Shaded discs on a dark ground, as the renderer leaves them. The known frames use integers
// only, so they are the same on every machine and with every library.
ArgbImage discFrame(int32_t width, int32_t height, unsigned seed)
{
    ArgbImage frame;
    frame.setSize(width, height);
    frame.fill(makeArgb(255, 0, 0, 16));
    std::mt19937 random(seed);
    const int count = width * height / 900 + 3;
    for (int i = 0; i < count; ++i) {
        const int cx = static_cast<int>(random() % static_cast<unsigned>(width));
        const int cy = static_cast<int>(random() % static_cast<unsigned>(height));
        const int radius = 4 + static_cast<int>(random() % 40);
        const uint32_t tint[3] = {static_cast<uint32_t>(random() % 256), static_cast<uint32_t>(random() % 256),
            static_cast<uint32_t>(random() % 256)};
        for (int y = std::max(cy - radius, 0); y < std::min(cy + radius, height); ++y) {
            for (int x = std::max(cx - radius, 0); x < std::min(cx + radius, width); ++x) {
                const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d2 >= radius * radius)
                    continue;
                const auto light = static_cast<uint32_t>(255 * (radius * radius - d2) / (radius * radius));
                frame.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]
                    = makeArgb(255, light * tint[0] / 255, light * tint[1] / 255, light * tint[2] / 255);
            }
        }
    }
    return frame;
}

ArgbImage noiseFrame(int32_t width, int32_t height, unsigned seed)
{
    ArgbImage frame;
    frame.setSize(width, height);
    std::mt19937 random(seed);
    for (uint32_t& pixel : frame.pixels)
        pixel = static_cast<uint32_t>(random());
    return frame;
}

uint64_t fnv1a(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    return hash;
}

struct Case {
    const char* name;
    int32_t width, height;
    bool noisy;
    GifFrameSettings settings;
};

const std::vector<Case>& knownCases()
{
    static const std::vector<Case> all = {
        {"640x480 discs at 40 %, 128 colours", 640, 480, false, {40, 128, 4}},
        {"640x480 noise at 40 %, 128 colours", 640, 480, true, {40, 128, 4}},
        {"333x217 discs at 73 %, 200 colours", 333, 217, false, {73, 200, 7}},
        {"100x60 discs at 5 %, 32 colours", 100, 60, false, {5, 32, 1}},
        {"97x61 noise at 100 %, 255 colours", 97, 61, true, {100, 255, 10}},
        {"1280x720 discs at 100 %, 255 colours", 1280, 720, false, {100, 255, 4}},
        {"1024x768 discs at 99 %, 64 colours", 1024, 768, false, {99, 64, 4}},
    };
    return all;
}

// Three frames of the case in one animation (the later ones with local tables).
std::vector<uint8_t> knownStream(const Case& c)
{
    GifImage animation;
    for (unsigned frame = 0; frame < 3; ++frame) {
        const ArgbImage picture = c.noisy ? noiseFrame(c.width, c.height, 100 + frame) : discFrame(c.width, c.height, 200 + frame);
        appendGifFrame(animation, picture, c.settings);
    }
    return animation.saveToStream();
}

// The whole pipeline of a captured frame (scale, quantise, map, LZW, file) on frames made
// the same way everywhere: the streams must keep these bytes, whatever the code inside does
// to go faster. Sizes include odd ones, the 5 % and the 100 % paths, and three frames per
// file so that local colour tables are covered.
TEST(AppendGifFrame, KnownFramesKeepTheirBytes)
{
    struct Expected {
        const char* name;
        std::size_t size;
        uint64_t hash;
    };
    const Expected expected[] = {
        {"640x480 discs at 40 %, 128 colours", 81915, 0xc5b8dd5980e50276ull},
        {"640x480 noise at 40 %, 128 colours", 159132, 0xf5b1388232b7a288ull},
        {"333x217 discs at 73 %, 200 colours", 55250, 0x817fd1198445b357ull},
        {"100x60 discs at 5 %, 32 colours", 2441, 0x663f2966f8d81cf6ull},
        {"97x61 noise at 100 %, 255 colours", 26326, 0x2e8cf0cc16d2f528ull},
        {"1280x720 discs at 100 %, 255 colours", 1128283, 0x8bf51438a4008c89ull},
        {"1024x768 discs at 99 %, 64 colours", 678097, 0x45f5eeb26d2b7e02ull},
    };
    ASSERT_EQ(std::size(expected), knownCases().size());
    for (std::size_t i = 0; i < knownCases().size(); ++i) {
        const std::vector<uint8_t> bytes = knownStream(knownCases()[i]);
        EXPECT_STREQ(knownCases()[i].name, expected[i].name);
        EXPECT_EQ(bytes.size(), expected[i].size) << expected[i].name;
        EXPECT_EQ(fnv1a(bytes), expected[i].hash) << expected[i].name;
    }
}

TEST(AppendGifFrame, DefaultsOnA640By480PanelGiveTenFramesOf256By192)
{
    std::mt19937 random(1);
    ArgbImage frame;
    frame.setSize(640, 480);
    GifImage animation;
    const GifFrameSettings settings;  // 40 %, 128 colours, 4 frames per second
    for (int i = 0; i < 10; ++i) {
        for (uint32_t& pixel : frame.pixels) {
            pixel = static_cast<uint32_t>(random());
        }
        EXPECT_EQ(appendGifFrame(animation, frame, settings), i);
    }
    ScratchFolder folder;
    animation.saveToFile(folder.file("defaults.gif"));
    const DecodedGif decoded = decodeGifFile(folder.file("defaults.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.screenWidth, 256);
    EXPECT_EQ(decoded.screenHeight, 192);
    ASSERT_EQ(decoded.frames.size(), 10u);
    for (std::size_t f = 0; f < decoded.frames.size(); ++f) {
        const DecodedGifFrame& decodedFrame = decoded.frames[f];
        EXPECT_EQ(decodedFrame.width, 256);
        EXPECT_EQ(decodedFrame.height, 192);
        EXPECT_EQ(decodedFrame.delayHundredths, 25);
        EXPECT_EQ(decodedFrame.indices, animation.frame(static_cast<int>(f)).image().indices);
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
    GifImage animation;
    appendGifFrame(animation, flatFrame(100, 60, makeArgb(255, 1, 2, 3)), {5, 255, 10});
    EXPECT_EQ(animation.frame(0).width(), 5);
    EXPECT_EQ(animation.frame(0).height(), 3);
    EXPECT_EQ(animation.frame(0).delay(), 100);
    // The sides are truncated, not rounded: 4.95 x 2.95 gives 4 x 2.
    appendGifFrame(animation, flatFrame(99, 59, makeArgb(255, 1, 2, 3)), {5, 255, 10});
    EXPECT_EQ(animation.frame(1).width(), 4);
    EXPECT_EQ(animation.frame(1).height(), 2);
}

TEST(AppendGifFrame, DelaysAreWholeMillisecondsPerFrame)
{
    const uint16_t expected[10] = {1000, 500, 333, 250, 200, 166, 142, 125, 111, 100};
    GifImage animation;
    const ArgbImage frame = flatFrame(8, 8, 0);
    for (int32_t fps = 1; fps <= 10; ++fps) {
        const int index = appendGifFrame(animation, frame, {100, 32, fps});
        EXPECT_EQ(animation.frame(index).delay(), expected[fps - 1]);
    }
}

TEST(AppendGifFrame, HalvesOfRedAndBlueKeepTheirColours)
{
    // The left half is red, the right half blue; at full size each keeps the centre of its
    // colour cell, and row 0 stays on top.
    ArgbImage frame = flatFrame(32, 16, makeArgb(255, 255, 0, 0));
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 16; x < 32; ++x) {
            frame.pixels[static_cast<std::size_t>(y * 32 + x)] = makeArgb(0, 0, 0, 255);
        }
    }
    frame.pixels[0] = makeArgb(255, 0, 255, 0);
    GifImage animation;
    appendGifFrame(animation, frame, {100, 128, 4});
    ScratchFolder folder;
    animation.saveToFile(folder.file("halves.gif"));
    const DecodedGif decoded = decodeGifFile(folder.file("halves.gif"));
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
    GifImage animation;
    // 5 % of 10 x 10 would be 0 x 0.
    appendGifFrame(animation, flatFrame(10, 10, makeArgb(255, 200, 200, 200)), {5, 64, 4});
    EXPECT_EQ(animation.frame(0).width(), 1);
    EXPECT_EQ(animation.frame(0).height(), 1);
    // An empty capture becomes one black pixel; a rate of 0 counts as 1 frame per second.
    ArgbImage empty;
    appendGifFrame(animation, empty, {40, 64, 0});
    EXPECT_EQ(animation.frame(1).width(), 1);
    EXPECT_EQ(animation.frame(1).delay(), 1000);
    const GifIndexedImage& black = animation.frame(1).image();
    EXPECT_EQ(black.palette[black.indices[0]].red, 4);

    ScratchFolder folder;
    animation.saveToFile(folder.file("tiny.gif"));
    const DecodedGif decoded = decodeGifFile(folder.file("tiny.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 2u);

    EXPECT_THROW(appendGifFrame(animation, flatFrame(4, 4, 0), {100, 4, 4}), TextException);
    EXPECT_EQ(animation.frameCount(), 2);
}

} // namespace
