#include "engine/argb_image.h"

#include <gtest/gtest.h>

namespace {

ArgbImage onePixel(uint32_t pixel)
{
    ArgbImage image;
    image.SetSize(1, 1);
    image.pixels[0] = pixel;
    return image;
}

uint32_t compositeOne(uint32_t sprite, uint32_t under)
{
    ArgbImage image = onePixel(under);
    image.Composite(onePixel(sprite), 0, 0);
    return image.pixels[0];
}

TEST(ArgbImageComposite, BlendsTowardTheSpriteAndAddsAlpha)
{
    EXPECT_EQ(compositeOne(MakeArgb(64, 255, 0, 0), MakeArgb(128, 32, 64, 96)), MakeArgb(192, 87, 48, 72));
    // The blue step is (0 - 255) x 128 >> 8 = -128: the shift rounds toward minus infinity.
    EXPECT_EQ(compositeOne(MakeArgb(128, 0, 0, 0), MakeArgb(0, 0, 0, 255)), MakeArgb(128, 0, 0, 127));
    // Alpha 240 + 32 is capped at 255.
    EXPECT_EQ(compositeOne(MakeArgb(32, 255, 255, 255), MakeArgb(240, 16, 32, 48)), MakeArgb(255, 45, 59, 73));
}

TEST(ArgbImageComposite, TransparentSkipsAndOpaqueReplaces)
{
    EXPECT_EQ(compositeOne(MakeArgb(0, 200, 100, 50), MakeArgb(77, 1, 2, 3)), MakeArgb(77, 1, 2, 3));
    EXPECT_EQ(compositeOne(MakeArgb(255, 200, 100, 50), MakeArgb(77, 1, 2, 3)), MakeArgb(255, 200, 100, 50));
}

TEST(ArgbImageComposite, SameHalfSpriteTwiceBecomesMoreOpaque)
{
    ArgbImage image = onePixel(0);
    const ArgbImage sprite = onePixel(MakeArgb(100, 200, 0, 0));
    image.Composite(sprite, 0, 0);
    EXPECT_EQ(AlphaOf(image.pixels[0]), 100u);
    image.Composite(sprite, 0, 0);
    EXPECT_EQ(AlphaOf(image.pixels[0]), 200u);
}

TEST(ArgbImageComposite, PlacesTheSpriteAtItsPosition)
{
    ArgbImage image;
    image.SetSize(4, 3);
    ArgbImage sprite;
    sprite.SetSize(2, 2);
    sprite.Fill(MakeArgb(255, 9, 9, 9));
    image.Composite(sprite, 1, 1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(image.Row(y)[x], inside ? MakeArgb(255, 9, 9, 9) : 0u) << x << "," << y;
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
        image.SetSize(4, 3);
        ArgbImage sprite;
        sprite.SetSize(2, 2);
        sprite.Fill(MakeArgb(255, 1, 1, 1));
        image.Composite(sprite, position[0], position[1]);
        int changed = 0;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                const bool inside
                    = x >= int64_t { position[0] } && x < int64_t { position[0] } + 2
                    && y >= int64_t { position[1] } && y < int64_t { position[1] } + 2;
                EXPECT_EQ(image.Row(y)[x] != 0, inside);
                changed += inside;
            }
        }
        EXPECT_LE(changed, 4);
    }
}

TEST(ArgbImage, FillZeroEqualsClearAndSetSizeClears)
{
    ArgbImage a;
    a.SetSize(3, 2);
    a.Fill(0xDEADBEEF);
    ArgbImage b = a;
    a.Fill(0);
    b.Clear();
    EXPECT_EQ(a.pixels, b.pixels);

    b.Fill(0x12345678);
    b.SetSize(2, 5);
    EXPECT_EQ(b.pixels.size(), 10u);
    for (uint32_t pixel : b.pixels)
        EXPECT_EQ(pixel, 0u);

    b.SetSize(-3, 4);
    EXPECT_EQ(b.width, 0);
    EXPECT_TRUE(b.pixels.empty());
}

TEST(ArgbImage, EmptyImagesCompositeAsNoOps)
{
    ArgbImage empty;
    ArgbImage sprite = onePixel(MakeArgb(255, 1, 2, 3));
    empty.Composite(sprite, 0, 0);
    ArgbImage image = onePixel(MakeArgb(9, 9, 9, 9));
    image.Composite(ArgbImage {}, 0, 0);
    EXPECT_EQ(image.pixels[0], MakeArgb(9, 9, 9, 9));
}

} // namespace
