#include "export/gif_writer.h"

#include "export/text_exception.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

std::vector<GifColor> rampPalette(int entries, int seed)
{
    std::vector<GifColor> palette;
    for (int i = 0; i < entries; ++i) {
        palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>((i * 7 + seed) % 256),
                           static_cast<uint8_t>(255 - i)});
    }
    return palette;
}

GifIndexedImage flatImage(int32_t width, int32_t height, uint8_t index, int seed = 0)
{
    GifIndexedImage image;
    image.width = width;
    image.height = height;
    image.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), index);
    image.palette = rampPalette(256, seed);
    return image;
}

GifIndexedImage randomImage(int32_t width, int32_t height, unsigned seed, int colors = 256)
{
    std::mt19937 random(seed);
    GifIndexedImage image = flatImage(width, height, 0, static_cast<int>(seed));
    for (uint8_t& index : image.indices) {
        index = static_cast<uint8_t>(random() % static_cast<unsigned>(colors));
    }
    return image;
}

// Decodes the file with giflib and compares every frame index for index and colour for colour.
void expectDecodesTo(const std::string& path, const std::vector<GifIndexedImage>& images)
{
    const DecodedGif decoded = decodeGifFile(path);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), images.size());
    for (std::size_t f = 0; f < images.size(); ++f) {
        const DecodedGifFrame& frame = decoded.frames[f];
        const GifIndexedImage& image = images[f];
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        ASSERT_EQ(frame.width, image.width);
        ASSERT_EQ(frame.height, image.height);
        EXPECT_FALSE(frame.interlaced);
        EXPECT_EQ(frame.hasLocalColorMap, f > 0);
        ASSERT_EQ(frame.indices, image.indices) << "frame " << f;
        ASSERT_EQ(frame.colors.size(), image.palette.size() * 3);
        for (std::size_t i = 0; i < image.indices.size(); ++i) {
            const GifColor& expected = image.palette[image.indices[i]];
            const std::size_t at = static_cast<std::size_t>(frame.indices[i]) * 3;
            ASSERT_EQ(frame.colors[at], expected.red);
            ASSERT_EQ(frame.colors[at + 1], expected.green);
            ASSERT_EQ(frame.colors[at + 2], expected.blue);
        }
    }
}

// Steps over the data sub-blocks that start at `at` and returns the position after them.
std::size_t skipSubBlocks(const std::vector<uint8_t>& stream, std::size_t at)
{
    while (at < stream.size() && stream[at] != 0) {
        at += 1 + stream[at];
    }
    return at + 1;
}

TEST(GifImage, ThreeFramesAtFourFramesPerSecondByteForByte)
{
    GifImage animation;
    std::vector<GifIndexedImage> images = {randomImage(6, 4, 1), randomImage(6, 4, 2), randomImage(6, 4, 3)};
    for (const GifIndexedImage& image : images) {
        animation.frame(animation.addFrame(image)).setDelay(1000 / 4);
    }
    const std::vector<uint8_t> stream = animation.saveToStream();

    ASSERT_GT(stream.size(), 13u + 768u);
    EXPECT_EQ(std::string(stream.begin(), stream.begin() + 6), "GIF89a");
    EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 6, stream.begin() + 13),
              (std::vector<uint8_t>{6, 0, 4, 0, 0xF7, 0, 0}));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(stream[13 + static_cast<std::size_t>(i) * 3], images[0].palette[static_cast<std::size_t>(i)].red);
        ASSERT_EQ(stream[14 + static_cast<std::size_t>(i) * 3], images[0].palette[static_cast<std::size_t>(i)].green);
    }
    std::size_t at = 13 + 768;
    for (std::size_t f = 0; f < images.size(); ++f) {
        EXPECT_EQ(std::vector<uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                       stream.begin() + static_cast<std::ptrdiff_t>(at + 8)),
                  (std::vector<uint8_t>{0x21, 0xF9, 4, 0, 25, 0, 0, 0}))
            << "graphic control of frame " << f;
        at += 8;
        EXPECT_EQ(std::vector<uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                       stream.begin() + static_cast<std::ptrdiff_t>(at + 10)),
                  (std::vector<uint8_t>{0x2C, 0, 0, 0, 0, 6, 0, 4, 0, static_cast<uint8_t>(f == 0 ? 0 : 0x87)}))
            << "descriptor of frame " << f;
        at += 10;
        if (f > 0) {
            EXPECT_EQ(stream[at], images[f].palette[0].red);
            EXPECT_EQ(stream[at + 767], images[f].palette[255].blue);
            at += 768;
        }
        EXPECT_EQ(stream[at], 8) << "minimum code size";
        at = skipSubBlocks(stream, at + 1);
    }
    ASSERT_EQ(at + 1, stream.size());
    EXPECT_EQ(stream.back(), 0x3B);

    ScratchFolder folder;
    animation.saveToFile(folder.file("three.gif"));
    EXPECT_EQ(readWholeFile(folder.file("three.gif")), stream);
    expectDecodesTo(folder.file("three.gif"), images);
    const DecodedGif decoded = decodeGifFile(folder.file("three.gif"));
    for (const DecodedGifFrame& frame : decoded.frames) {
        EXPECT_EQ(frame.delayHundredths, 25);
    }
}

TEST(GifImage, DelaysGoInWholeHundredths)
{
    // The capture's delays for 1 to 10 frames per second, cut down to hundredths; a frame
    // without a delay has no graphic control block at all.
    const uint16_t milliseconds[11] = {1000, 500, 333, 250, 200, 166, 142, 125, 111, 100, 0};
    const int hundredths[11] = {100, 50, 33, 25, 20, 16, 14, 12, 11, 10, -1};
    GifImage animation;
    for (uint16_t delay : milliseconds) {
        animation.frame(animation.addFrame(flatImage(2, 2, 1))).setDelay(delay);
    }
    ScratchFolder folder;
    animation.saveToFile(folder.file("delays.gif"));
    const DecodedGif decoded = decodeGifFile(folder.file("delays.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 11u);
    for (std::size_t f = 0; f < 11; ++f) {
        EXPECT_EQ(decoded.frames[f].delayHundredths, hundredths[f]) << milliseconds[f] << " ms";
    }
}

TEST(GifImage, FlatFrameRoundTrips)
{
    ScratchFolder folder;
    GifImage animation;
    const GifIndexedImage image = flatImage(256, 192, 77);
    animation.frame(animation.addFrame(image)).setDelay(250);
    animation.saveToFile(folder.file("flat.gif"));
    expectDecodesTo(folder.file("flat.gif"), {image});
}

TEST(GifImage, RandomFramesPassCode4094ManyTimes)
{
    // About one code per pixel: 512 x 400 pixels fill the 3836 free codes over fifty times.
    ScratchFolder folder;
    GifImage animation;
    const std::vector<GifIndexedImage> images = {randomImage(512, 400, 4), randomImage(300, 500, 5, 200)};
    for (const GifIndexedImage& image : images) {
        animation.frame(animation.addFrame(image)).setDelay(100);
    }
    animation.saveToFile(folder.file("random.gif"));
    expectDecodesTo(folder.file("random.gif"), images);
}

TEST(GifImage, AllColoursOfTheQuantiser)
{
    // Indices 0 to 254 in every row, shifted row by row, with the white entry 255 unused.
    ScratchFolder folder;
    GifIndexedImage image = flatImage(255, 40, 0);
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            image.indices[static_cast<std::size_t>(y * image.width + x)] = static_cast<uint8_t>((x + y) % 255);
        }
    }
    image.palette[255] = GifColor{255, 255, 255};
    GifImage animation;
    animation.frame(animation.addFrame(image)).setDelay(250);
    animation.frame(animation.addFrame(image)).setDelay(250);
    animation.saveToFile(folder.file("colours.gif"));
    expectDecodesTo(folder.file("colours.gif"), {image, image});
}

// Index patterns that stress the coder in different ways: one index makes ever longer
// strings, the 256 indices in turn lengthen every string by one per lap and fill the table
// many times over, noise makes a code per pixel or so.
enum class IndexPattern { Flat, Cycling, Noise };

void PrintTo(IndexPattern pattern, std::ostream* out)
{
    *out << (pattern == IndexPattern::Flat ? "flat" : pattern == IndexPattern::Cycling ? "cycling" : "noise");
}

GifIndexedImage patternImage(int32_t width, int32_t height, IndexPattern pattern)
{
    GifIndexedImage image = flatImage(width, height, 200, width + height);
    std::mt19937 random(static_cast<unsigned>(width * 31 + height));
    for (std::size_t i = 0; i < image.indices.size(); ++i) {
        if (pattern == IndexPattern::Cycling) {
            image.indices[i] = static_cast<uint8_t>(i);
        } else if (pattern == IndexPattern::Noise) {
            image.indices[i] = static_cast<uint8_t>(random());
        }
    }
    return image;
}

class GifShapes : public testing::TestWithParam<std::tuple<std::pair<int32_t, int32_t>, IndexPattern>> {};

TEST_P(GifShapes, DecodeIndexForIndex)
{
    const auto [size, pattern] = GetParam();
    const GifIndexedImage image = patternImage(size.first, size.second, pattern);
    GifImage animation;
    animation.frame(animation.addFrame(image)).setDelay(100);
    animation.addFrame(image);
    ScratchFolder folder;
    animation.saveToFile(folder.file("shape.gif"));
    expectDecodesTo(folder.file("shape.gif"), {image, image});
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GifShapes,
    testing::Combine(testing::Values(std::make_pair(1, 1), std::make_pair(1, 2), std::make_pair(2, 1),
                                     std::make_pair(1, 5000), std::make_pair(5000, 1), std::make_pair(257, 3),
                                     std::make_pair(1920, 1080)),
                     testing::Values(IndexPattern::Flat, IndexPattern::Cycling, IndexPattern::Noise)));

TEST(GifImage, OneIndexLongEnoughToFillTheTable)
{
    // One index throughout makes strings of 1, 2, 3, ... indices, one new code each: the
    // 3837 codes up to 4094 take about 7.4 million pixels, so this frame clears once with
    // strings thousands of indices long.
    const GifIndexedImage image = flatImage(4096, 2048, 3);
    GifImage animation;
    animation.addFrame(image);
    ScratchFolder folder;
    animation.saveToFile(folder.file("long.gif"));
    expectDecodesTo(folder.file("long.gif"), {image});
}

TEST(GifImage, ScreenTakesTheLargestFrameEdges)
{
    ScratchFolder folder;
    GifImage animation;
    const std::vector<GifIndexedImage> images = {flatImage(40, 10, 1), randomImage(20, 30, 6), flatImage(1, 1, 9)};
    for (const GifIndexedImage& image : images) {
        animation.frame(animation.addFrame(image)).setDelay(500);
    }
    EXPECT_EQ(animation.screenWidth(), 40);
    EXPECT_EQ(animation.screenHeight(), 30);
    animation.saveToFile(folder.file("sizes.gif"));
    const DecodedGif decoded = decodeGifFile(folder.file("sizes.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.screenWidth, 40);
    EXPECT_EQ(decoded.screenHeight, 30);
    expectDecodesTo(folder.file("sizes.gif"), images);
}

TEST(GifImage, OneStillFrameIsVersion87a)
{
    GifImage animation;
    EXPECT_EQ(animation.version(), "");
    const GifIndexedImage image = randomImage(3, 5, 7, 4);
    animation.addFrame(image);
    EXPECT_EQ(animation.version(), "87a");
    const std::vector<uint8_t> stream = animation.saveToStream();
    EXPECT_EQ(std::string(stream.begin(), stream.begin() + 6), "GIF87a");
    EXPECT_EQ(stream[13 + 768], 0x2C) << "no graphic control block without a delay";
    animation.frame(0).setDelay(10);
    EXPECT_EQ(animation.version(), "89a");
}

TEST(GifImage, SmallerPowerOfTwoTables)
{
    ScratchFolder folder;
    GifIndexedImage image = randomImage(9, 9, 8, 2);
    image.palette = rampPalette(2, 3);
    GifIndexedImage second = randomImage(9, 9, 9, 16);
    second.palette = rampPalette(16, 4);
    GifImage animation;
    animation.addFrame(image);
    animation.addFrame(second);
    const std::vector<uint8_t> stream = animation.saveToStream();
    EXPECT_EQ(stream[10], 0xF0) << "a global table of 2 entries";
    animation.saveToFile(folder.file("small.gif"));
    expectDecodesTo(folder.file("small.gif"), {image, second});
}

TEST(GifImage, RefusesWhatNoGifCanHold)
{
    ScratchFolder folder;
    GifImage animation;
    EXPECT_THROW(animation.saveToFile(folder.file("empty.gif")), TextException);
    EXPECT_THROW(animation.addFrame(flatImage(0, 5, 0)), TextException);
    EXPECT_THROW(animation.addFrame(flatImage(70000, 1, 0)), TextException);
    GifIndexedImage mismatched = flatImage(4, 4, 0);
    mismatched.indices.pop_back();
    EXPECT_THROW(animation.addFrame(mismatched), TextException);
    EXPECT_EQ(animation.frameCount(), 0);

    GifIndexedImage threeColours = flatImage(2, 2, 1);
    threeColours.palette.resize(3);
    animation.addFrame(threeColours);
    EXPECT_THROW(animation.saveToFile(folder.file("three.gif")), TextException);

    GifImage pastTheTable;
    GifIndexedImage beyond = flatImage(2, 2, 5);
    beyond.palette.resize(4);
    pastTheTable.addFrame(beyond);
    EXPECT_THROW(pastTheTable.saveToFile(folder.file("beyond.gif")), TextException);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(GifImage, TargetThatCannotBeCreatedWritesNothing)
{
    ScratchFolder folder;
    GifImage animation;
    animation.addFrame(flatImage(4, 4, 0));
    const std::string path = folder.file("missing/anim.gif");
    try {
        animation.saveToFile(path);
        FAIL() << "no error";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), -1);
        EXPECT_EQ(error.getText(),
            "Opening " + path + " failed: the folder " + folder.file("missing") + " does not exist\n");
    }
    EXPECT_TRUE(folder.entries().empty());

    // A failed save keeps the file that was there.
    const std::string existing = folder.file("kept.gif");
    std::ofstream(existing) << "old";
    GifImage broken;
    GifIndexedImage image = flatImage(2, 2, 0);
    image.palette.resize(5);
    broken.addFrame(image);
    EXPECT_THROW(broken.saveToFile(existing), TextException);
    EXPECT_EQ(readWholeFile(existing), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST(GifImage, SavingTwiceGivesTheSameFile)
{
    GifImage animation;
    animation.addFrame(randomImage(8, 8, 10));
    animation.addFrame(randomImage(8, 8, 11));
    EXPECT_EQ(animation.saveToStream(), animation.saveToStream());
    EXPECT_FALSE(animation.frame(0).hasLocalColorTable());
    EXPECT_TRUE(animation.frame(1).hasLocalColorTable());
}

} // namespace
