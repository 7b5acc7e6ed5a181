#include "pixels/argb_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

ArgbImage onePixel(uint32_t pixel)
{
    ArgbImage image;
    image.setSize(1, 1);
    image.pixels[0] = pixel;
    return image;
}

uint32_t compositeOne(uint32_t sprite, uint32_t under)
{
    ArgbImage image = onePixel(under);
    image.composite(onePixel(sprite), 0, 0);
    return image.pixels[0];
}

TEST(ArgbImageComposite, BlendsTowardTheSpriteAndAddsAlpha)
{
    EXPECT_EQ(compositeOne(makeArgb(64, 255, 0, 0), makeArgb(128, 32, 64, 96)), makeArgb(192, 87, 48, 72));
    // The blue step is (0 - 255) x 128 >> 8 = -128: the shift rounds toward minus infinity.
    EXPECT_EQ(compositeOne(makeArgb(128, 0, 0, 0), makeArgb(0, 0, 0, 255)), makeArgb(128, 0, 0, 127));
    // Alpha 240 + 32 is capped at 255.
    EXPECT_EQ(compositeOne(makeArgb(32, 255, 255, 255), makeArgb(240, 16, 32, 48)), makeArgb(255, 45, 59, 73));
}

TEST(ArgbImageComposite, TransparentSkipsAndOpaqueReplaces)
{
    EXPECT_EQ(compositeOne(makeArgb(0, 200, 100, 50), makeArgb(77, 1, 2, 3)), makeArgb(77, 1, 2, 3));
    EXPECT_EQ(compositeOne(makeArgb(255, 200, 100, 50), makeArgb(77, 1, 2, 3)), makeArgb(255, 200, 100, 50));
}

// The compositing rule as written, one byte at a time: the expected value in the tests below.
uint32_t ruleComposite(uint32_t s, uint32_t d)
{
    const int32_t sa = static_cast<int32_t>(alphaOf(s));
    if (sa == 0)
        return d;
    if (sa == 255)
        return s;
    uint32_t result = std::min<uint32_t>(alphaOf(d) + static_cast<uint32_t>(sa), 255) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t sc = static_cast<int32_t>((s >> shift) & 0xFF);
        const int32_t dc = static_cast<int32_t>((d >> shift) & 0xFF);
        result |= static_cast<uint32_t>(dc + (((sc - dc) * sa) >> 8)) << shift;
    }
    return result;
}

TEST(ArgbImageComposite, EveryAlphaAndEveryPairOfBytes)
{
    // For each sprite alpha, a 259 x 256 sprite over an image of the same size: the byte
    // pair (column, row) of the sprite and the image appears in every colour channel, the
    // image alpha runs through 0..255 down the rows, and the last columns repeat the first
    // so that row ends shorter than a full step are covered too.
    constexpr int32_t kWidth = 259;
    constexpr int32_t kHeight = 256;
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
        ArgbImage image;
        image.setSize(kWidth, kHeight);
        ArgbImage sprite;
        sprite.setSize(kWidth, kHeight);
        for (int32_t row = 0; row < kHeight; ++row) {
            for (int32_t column = 0; column < kWidth; ++column) {
                const auto s = static_cast<uint32_t>(column % 256);
                const auto d = static_cast<uint32_t>(row);
                sprite.row(row)[column] = makeArgb(alpha, s, 255 - s, s ^ 0xA5);
                image.row(row)[column] = makeArgb(d, d, 255 - d, d ^ 0x5A);
            }
        }
        const ArgbImage before = image;
        image.composite(sprite, 0, 0);
        for (size_t i = 0; i < image.pixels.size(); ++i)
            ASSERT_EQ(image.pixels[i], ruleComposite(sprite.pixels[i], before.pixels[i]))
                << "alpha " << alpha << ", pixel " << i;
    }
}

TEST(ArgbImageComposite, MixedRunsAtAnyWidthAndPlacement)
{
    // Sprites of every width from 1 to 13 with runs of transparent, opaque and partial
    // pixels, placed inside and across the edges of a noisy image.
    std::mt19937 random(7);
    for (int32_t width = 1; width <= 13; ++width) {
        for (int32_t x : { -3, 0, 2, 5 }) {
            ArgbImage image;
            image.setSize(16, 6);
            for (uint32_t& pixel : image.pixels)
                pixel = static_cast<uint32_t>(random());
            ArgbImage sprite;
            sprite.setSize(width, 4);
            for (uint32_t& pixel : sprite.pixels) {
                const uint32_t colour = static_cast<uint32_t>(random()) & 0x00FFFFFFu;
                const uint32_t kind = static_cast<uint32_t>(random()) % 4;
                const uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint32_t>(random()) % 256;
                pixel = (alpha << 24) | colour;
            }
            const ArgbImage before = image;
            image.composite(sprite, x, 1);
            for (int32_t row = 0; row < image.height; ++row) {
                for (int32_t column = 0; column < image.width; ++column) {
                    const int32_t i = column - x;
                    const int32_t j = row - 1;
                    const bool inside = i >= 0 && i < width && j >= 0 && j < sprite.height;
                    const uint32_t under = before.row(row)[column];
                    ASSERT_EQ(image.row(row)[column], inside ? ruleComposite(sprite.row(j)[i], under) : under)
                        << "width " << width << ", x " << x << ", at " << column << "," << row;
                }
            }
        }
    }
}

TEST(ArgbImageComposite, SameHalfSpriteTwiceBecomesMoreOpaque)
{
    ArgbImage image = onePixel(0);
    const ArgbImage sprite = onePixel(makeArgb(100, 200, 0, 0));
    image.composite(sprite, 0, 0);
    EXPECT_EQ(alphaOf(image.pixels[0]), 100u);
    image.composite(sprite, 0, 0);
    EXPECT_EQ(alphaOf(image.pixels[0]), 200u);
}

TEST(ArgbImageComposite, PlacesTheSpriteAtItsPosition)
{
    ArgbImage image;
    image.setSize(4, 3);
    ArgbImage sprite;
    sprite.setSize(2, 2);
    sprite.fill(makeArgb(255, 9, 9, 9));
    image.composite(sprite, 1, 1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(image.row(y)[x], inside ? makeArgb(255, 9, 9, 9) : 0u) << x << "," << y;
        }
    }
}

// Sprites partly or wholly outside the image, at extreme positions, only touch the overlap.
TEST(ArgbImageComposite, ClipsAtEveryEdge)
{
    const int positions[][2] = { { -1, -1 }, { 3, 2 }, { -5, 0 }, { 0, 7 }, { INT32_MIN, INT32_MIN },
        { INT32_MAX, INT32_MAX }, { INT32_MAX - 1, 0 } };
    for (const auto& position : positions) {
        ArgbImage image;
        image.setSize(4, 3);
        ArgbImage sprite;
        sprite.setSize(2, 2);
        sprite.fill(makeArgb(255, 1, 1, 1));
        image.composite(sprite, position[0], position[1]);
        int changed = 0;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                const bool inside = x >= int64_t { position[0] } && x < int64_t { position[0] } + 2
                    && y >= int64_t { position[1] } && y < int64_t { position[1] } + 2;
                EXPECT_EQ(image.row(y)[x] != 0, inside);
                changed += inside;
            }
        }
        EXPECT_LE(changed, 4);
    }
}

TEST(ArgbImage, FillZeroEqualsClearAndSetSizeClears)
{
    ArgbImage a;
    a.setSize(3, 2);
    a.fill(0xDEADBEEF);
    ArgbImage b = a;
    a.fill(0);
    b.clear();
    EXPECT_EQ(a.pixels, b.pixels);

    b.fill(0x12345678);
    b.setSize(2, 5);
    EXPECT_EQ(b.pixels.size(), 10u);
    for (uint32_t pixel : b.pixels)
        EXPECT_EQ(pixel, 0u);

    b.fill(0x12345678);
    b.setSize(5, 2); // the same count in another shape
    EXPECT_EQ(b.width, 5);
    for (uint32_t pixel : b.pixels)
        EXPECT_EQ(pixel, 0u);

    b.setSize(-3, 4);
    EXPECT_EQ(b.width, 0);
    EXPECT_TRUE(b.pixels.empty());
}

// A screen-sized image is made without writing its memory: its pages join the process only
// where something is drawn, so a picture at 3840 x 2160 costs no clearing before it is used.
TEST(ArgbImage, ANewSizeLeavesItsMemoryUntouchedUntilDrawnOn)
{
    const auto residentBytes = [] {
        std::ifstream statm("/proc/self/statm");
        long long total = 0;
        long long resident = 0;
        statm >> total >> resident;
        return resident * sysconf(_SC_PAGESIZE);
    };
    ArgbImage big;
    const long long before = residentBytes();
    big.setSize(4096, 4096); // 64 MiB
    const long long made = residentBytes();
    EXPECT_LT(made - before, 8ll << 20);
    EXPECT_EQ(big.pixels[big.pixels.size() / 2], 0u);
    EXPECT_EQ(big.pixels.back(), 0u);

    std::fill(big.pixels.begin(), big.pixels.end(), 0xFFFFFFFFu);
    big.setSize(4096, 4095); // a fresh block again: every pixel zero
    EXPECT_EQ(std::count(big.pixels.begin(), big.pixels.end(), 0u), static_cast<std::ptrdiff_t>(big.pixels.size()));
}

TEST(ArgbImage, EmptyImagesCompositeAsNoOps)
{
    ArgbImage empty;
    ArgbImage sprite = onePixel(makeArgb(255, 1, 2, 3));
    empty.composite(sprite, 0, 0);
    ArgbImage image = onePixel(makeArgb(9, 9, 9, 9));
    image.composite(ArgbImage {}, 0, 0);
    EXPECT_EQ(image.pixels[0], makeArgb(9, 9, 9, 9));
}

// A sprite whose rows are stretches of clear, opaque and translucent pixels of random
// lengths, short and long, as the edges and bodies of real sprites are.
ArgbImage stretchySprite(std::mt19937& random, int32_t width, int32_t height)
{
    ArgbImage sprite;
    sprite.setSize(width, height);
    uint32_t left = 0;
    uint32_t alphaKind = 0;
    for (uint32_t& pixel : sprite.pixels) {
        if (left == 0) {
            alphaKind = static_cast<uint32_t>(random()) % 3;
            left = 1 + static_cast<uint32_t>(random()) % (random() % 2 != 0 ? 6 : 40);
        }
        --left;
        const uint32_t alpha = alphaKind == 0 ? 0 : alphaKind == 1 ? 255 : 1 + static_cast<uint32_t>(random()) % 254;
        pixel = (alpha << 24) | (static_cast<uint32_t>(random()) & 0x00FFFFFFu);
    }
    return sprite;
}

// Laying a sprite by its runs gives the same image as pixel by pixel, wherever it lands:
// inside, across each edge and corner, and with a single row or column on the image.
TEST(SpriteRuns, CompositeEqualsThePlainOneAtEveryPlacement)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t side = 1 + static_cast<int32_t>(random() % 90);
        const ArgbImage sprite = stretchySprite(random, side, 1 + static_cast<int32_t>(random() % 90));
        const SpriteRuns runs(sprite);
        ArgbImage plain;
        plain.setSize(64 + static_cast<int32_t>(random() % 64), 48 + static_cast<int32_t>(random() % 48));
        for (uint32_t& pixel : plain.pixels)
            pixel = static_cast<uint32_t>(random());
        ArgbImage byRuns = plain;
        const int32_t x = static_cast<int32_t>(random() % static_cast<uint32_t>(plain.width + sprite.width)) - sprite.width + 1;
        const int32_t y = static_cast<int32_t>(random() % static_cast<uint32_t>(plain.height + sprite.height)) - sprite.height + 1;
        plain.composite(sprite, x, y);
        byRuns.composite(sprite, x, y, &runs);
        ASSERT_EQ(byRuns.pixels, plain.pixels) << "trial " << trial << ": " << sprite.width << " x " << sprite.height
                                               << " at " << x << "," << y;
    }
}

TEST(SpriteRuns, ShortClearAndOpaqueStretchesAreBlendedWithTheirNeighbours)
{
    const uint32_t clear = makeArgb(0, 1, 2, 3);
    const uint32_t opaque = makeArgb(255, 4, 5, 6);
    const uint32_t soft = makeArgb(100, 7, 8, 9);
    // 3 clear, 10 opaque, 2 soft, 15 clear, 1 soft, 5 opaque: the 3 clear and the 5 opaque
    // are too short for runs of their own.
    std::vector<uint32_t> row;
    const auto add = [&row](uint32_t pixel, int count) { row.insert(row.end(), static_cast<size_t>(count), pixel); };
    add(clear, 3);
    add(opaque, 10);
    add(soft, 2);
    add(clear, 15);
    add(soft, 1);
    add(opaque, 5);
    ArgbImage sprite;
    sprite.setSize(static_cast<int32_t>(row.size()), 1);
    std::copy(row.begin(), row.end(), sprite.pixels.begin());

    using Kind = SpriteRuns::Kind;
    const std::vector<std::pair<Kind, uint32_t>> expected { { Kind::Blend, 3 }, { Kind::Copy, 10 },
        { Kind::Blend, 2 }, { Kind::Skip, 15 }, { Kind::Blend, 6 } };
    std::vector<std::pair<Kind, uint32_t>> actual;
    for (const SpriteRuns::Run& run : SpriteRuns(sprite).rowRuns(0))
        actual.emplace_back(run.kind, run.length);
    EXPECT_EQ(actual, expected);
}

// Runs made from other pixels are not used: a sprite of another size, or the same size in
// another block, is laid pixel by pixel.
TEST(SpriteRuns, RunsOfAnotherSpriteAreNotUsed)
{
    std::mt19937 random(5);
    const ArgbImage first = stretchySprite(random, 20, 20);
    const SpriteRuns runs(first);
    EXPECT_TRUE(runs.describes(first));
    EXPECT_FALSE(SpriteRuns().describes(first));
    for (const ArgbImage& other : { stretchySprite(random, 20, 20), stretchySprite(random, 20, 19) }) {
        EXPECT_FALSE(runs.describes(other));
        ArgbImage plain;
        plain.setSize(30, 30);
        plain.fill(makeArgb(10, 20, 30, 40));
        ArgbImage withWrongRuns = plain;
        plain.composite(other, 3, 4);
        withWrongRuns.composite(other, 3, 4, &runs);
        EXPECT_EQ(withWrongRuns.pixels, plain.pixels);
    }
}

} // namespace
