#include "controls/button_face.h"

#include "shapes/shape_rasteriser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Shape shapeWithBevel(int32_t bevel)
{
    Shape shape = buttonShape();
    shape.radiusPx = bevel - 1;
    shape.heightPx = 6;
    shape.ambient = 0.7f;
    shape.mirror = 0.9f;
    shape.phong = 20;
    return shape;
}

// The button's sphere drawn straight with the rasteriser.
ArgbImage sphereOf(const Shape& shape)
{
    ArgbImage sphere;
    const int32_t side = 2 * (shape.radiusPx + 1);
    sphere.setSize(side, side);
    renderShape(sphere.pixels.data(), side, side, shape);
    return sphere;
}

uint32_t at(const ArgbImage& image, int32_t x, int32_t y)
{
    return image.row(y)[x];
}

TEST(ButtonFace, StartsWithTheButtonShape)
{
    const Shape shape = buttonShape();
    EXPECT_EQ(shape.radiusPx + 1, 9);
    EXPECT_EQ(shape.heightPx, 8);
    EXPECT_EQ(shape.color, 0x00DC6464u);
    EXPECT_EQ(shape.lColor, 0x00FFFFFFu);
    EXPECT_FLOAT_EQ(shape.ambient, 0.5f);
    EXPECT_FLOAT_EQ(shape.mirror, 0.5f);
    EXPECT_FLOAT_EQ(shape.intensity, 0.5f);
    EXPECT_EQ(shape.phong, 10);
    EXPECT_EQ(shape.type, kSphereType);
    EXPECT_FLOAT_EQ(shape.lightZ, -1.0f);
}

// A 40 x 20 face with Bevel 8: 8 x 8 corners from the 16 x 16 sphere, bands 24 long at top
// and bottom and 4 long at the sides, and a 24 x 4 centre in the sphere's pixel (7, 7).
TEST(ButtonFace, FortyByTwentyWithBevelEightPixelByPixel)
{
    const Shape shape = shapeWithBevel(8);
    ArgbImage pad;
    ArgbImage sphere;
    buildButtonFace(shape, 40, 20, pad, sphere);
    ASSERT_EQ(pad.width, 40);
    ASSERT_EQ(pad.height, 20);
    const ArgbImage expectedSphere = sphereOf(shape);
    ASSERT_EQ(sphere.width, 16);
    ASSERT_EQ(sphere.height, 16);
    EXPECT_EQ(sphere.pixels, expectedSphere.pixels);

    // Which sphere pixel each face pixel shows: corner pixels map straight, band pixels
    // take the sphere's column or row 7, the centre its pixel (7, 7).
    auto sphereColumn = [](int32_t x) { return x < 8 ? x : x >= 32 ? x - 24 : 7; };
    auto sphereRow = [](int32_t y) { return y < 8 ? y : y >= 12 ? y - 4 : 7; };
    int32_t centrePixels = 0;
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            ASSERT_EQ(at(pad, x, y), at(expectedSphere, sphereColumn(x), sphereRow(y))) << "at " << x << ", " << y;
            if (x >= 8 && x < 32 && y >= 8 && y < 12) {
                EXPECT_EQ(at(pad, x, y), at(expectedSphere, 7, 7));
                ++centrePixels;
            }
        }
    }
    EXPECT_EQ(centrePixels, 24 * 4);
    // The corners hold the sphere's own edge: its outside is black, inside opaque.
    EXPECT_EQ(at(pad, 0, 0), 0u);
    EXPECT_EQ(at(pad, 39, 19), 0u);
    EXPECT_EQ(alphaOf(at(pad, 20, 10)), 255u);
}

// When the face is exactly the sphere's size the four quarters put the sphere back
// together; one pixel more gives one band column and row of the sphere's middle pixels.
TEST(ButtonFace, FaceOfTheSpheresSizeIsTheSphere)
{
    for (int32_t bevel : { 1, 4, 6, 7, 8, 9 }) {
        const Shape shape = shapeWithBevel(bevel);
        const ArgbImage sphere = sphereOf(shape);
        EXPECT_EQ(buildButtonFace(shape, 2 * bevel, 2 * bevel).pixels, sphere.pixels) << "bevel " << bevel;

        const ArgbImage wider = buildButtonFace(shape, 2 * bevel + 1, 2 * bevel + 1);
        EXPECT_EQ(at(wider, bevel, 0), at(sphere, bevel - 1, 0));
        EXPECT_EQ(at(wider, 0, bevel), at(sphere, 0, bevel - 1));
        EXPECT_EQ(at(wider, bevel, bevel), at(sphere, bevel - 1, bevel - 1));
        EXPECT_EQ(at(wider, 2 * bevel, 2 * bevel), at(sphere, 2 * bevel - 1, 2 * bevel - 1));
    }
}

// The front face is lit from the opposite side in amber: the sphere's highlight moves from
// the upper left quarter to the lower right one, so the button reads as pressed in, and
// the face is warm where the others are blue. Nothing else of the shape changes.
TEST(ButtonFace, FrontFaceIsPressedInAndAmber)
{
    const Shape shape = shapeWithBevel(8);
    const Shape front = frontFaceShape(shape);
    EXPECT_EQ(front.lightZ, shape.lightZ);
    EXPECT_EQ(front.radiusPx, shape.radiusPx);
    EXPECT_EQ(front.heightPx, shape.heightPx);
    EXPECT_EQ(front.phong, shape.phong);

    // Where the brightest pixel of a sphere lies: 0 upper left, 3 lower right.
    const auto highlightQuarter = [](const ArgbImage& sphere) {
        int32_t best = -1;
        int32_t quarter = -1;
        for (int32_t y = 0; y < sphere.height; ++y) {
            for (int32_t x = 0; x < sphere.width; ++x) {
                const uint32_t pixel = at(sphere, x, y);
                const auto sum = static_cast<int32_t>((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF));
                if (sum > best) {
                    best = sum;
                    quarter = (x >= sphere.width / 2 ? 1 : 0) + (y >= sphere.height / 2 ? 2 : 0);
                }
            }
        }
        return quarter;
    };
    EXPECT_EQ(highlightQuarter(sphereOf(shape)), 0);
    EXPECT_EQ(highlightQuarter(sphereOf(front)), 3);

    // The faces' middles: ARGB, so red is bits 16 to 23.
    const uint32_t blue = at(buildButtonFace(shape, 46, 23), 23, 11);
    const uint32_t amber = at(buildButtonFace(front, 46, 23), 23, 11);
    EXPECT_GT(blue & 0xFF, blue >> 16 & 0xFF);
    EXPECT_GT(amber >> 16 & 0xFF, amber >> 8 & 0xFF);
    EXPECT_GT(amber >> 8 & 0xFF, amber & 0xFF);
}

// A layout may squeeze a button below its sphere: the copies are cut to the face, and
// the bottom-right corner still ends in the sphere's bottom-right pixel. The sanitizer
// build checks that nothing outside is touched.
TEST(ButtonFace, FacesSmallerThanTheSphereGetWhatFits)
{
    const Shape shape = shapeWithBevel(8);
    const ArgbImage sphere = sphereOf(shape);
    const std::pair<int32_t, int32_t> sizes[] = { { 1, 1 }, { 3, 40 }, { 40, 3 }, { 7, 7 }, { 15, 15 }, { 9, 30 } };
    for (const auto& [w, h] : sizes) {
        const ArgbImage pad = buildButtonFace(shape, w, h);
        ASSERT_EQ(pad.width, w);
        ASSERT_EQ(pad.height, h);
        EXPECT_EQ(at(pad, w - 1, h - 1), at(sphere, 15, 15)) << w << " x " << h;
    }
    // A tall narrow face: the side bands repeat row 7 of their column.
    const ArgbImage tall = buildButtonFace(shape, 9, 30);
    for (int32_t x = 0; x < 9; ++x)
        EXPECT_EQ(at(tall, x, 15), at(tall, x, 7)) << "column " << x;
}

TEST(ButtonFace, DegenerateBevelsAndSizes)
{
    Shape shape = shapeWithBevel(0);
    ArgbImage pad;
    ArgbImage sphere;
    buildButtonFace(shape, 30, 20, pad, sphere);
    EXPECT_EQ(pad.width, 30);
    EXPECT_TRUE(std::all_of(pad.pixels.begin(), pad.pixels.end(), [](uint32_t p) { return p == 0; }));
    EXPECT_EQ(sphere.width, 0);

    shape.radiusPx = INT32_MIN;
    EXPECT_EQ(buildButtonFace(shape, 30, 20).width, 30);
    shape.radiusPx = INT32_MAX;
    buildButtonFace(shape, 3, 2, pad, sphere);
    EXPECT_EQ(sphere.width, 2 * kMaxButtonBevel);
    EXPECT_EQ(pad.pixels.size(), 6u);

    shape = shapeWithBevel(8);
    EXPECT_TRUE(buildButtonFace(shape, 0, 20).pixels.empty());
    EXPECT_TRUE(buildButtonFace(shape, -5, -5).pixels.empty());
}

// The region of a 40 x 20 button with Bevel 8: the rounded rectangle from (1, 1) to
// (40, 20) with corner circles of radius 8, so row 0 and column 0 lie outside.
TEST(ButtonRegion, CornersOfFortyByTwentyWithBevelEight)
{
    const auto spans = buttonRegion(40, 20, 8);
    ASSERT_EQ(spans.size(), 19u);
    EXPECT_EQ(spans.front(), (RegionSpan { 1, 6, 35 }));
    EXPECT_EQ(spans.back(), (RegionSpan { 19, 6, 35 }));
    for (int32_t row = 8; row <= 12; ++row)
        EXPECT_EQ(spans[static_cast<std::size_t>(row - 1)], (RegionSpan { row, 1, 40 }));

    EXPECT_FALSE(spansContain(spans, 0, 0));
    EXPECT_FALSE(spansContain(spans, 1, 1));
    EXPECT_FALSE(spansContain(spans, 5, 1));
    EXPECT_TRUE(spansContain(spans, 6, 1));
    EXPECT_TRUE(spansContain(spans, 34, 1));
    EXPECT_FALSE(spansContain(spans, 35, 1));
    EXPECT_FALSE(spansContain(spans, 0, 10));
    EXPECT_TRUE(spansContain(spans, 1, 10));
    EXPECT_TRUE(spansContain(spans, 39, 10));
    EXPECT_FALSE(spansContain(spans, 40, 10));
    EXPECT_FALSE(spansContain(spans, 38, 18));
    EXPECT_TRUE(spansContain(spans, 20, 19));
    EXPECT_FALSE(spansContain(spans, 20, 20));
    EXPECT_FALSE(spansContain(spans, 20, 0));
}

// Every rounded rectangle is symmetric about its middle, whatever its size and corners,
// and its rows only widen towards the middle.
TEST(ButtonRegion, SymmetricAndConvex)
{
    for (int32_t w : { 2, 9, 16, 17, 48, 119, 230 }) {
        for (int32_t h : { 2, 14, 15, 23, 25 }) {
            for (int32_t bevel : { 0, 4, 6, 7, 8, 9, 40 }) {
                const auto spans = buttonRegion(w, h, bevel);
                ASSERT_EQ(static_cast<int32_t>(spans.size()), h - 1) << w << " x " << h << " bevel " << bevel;
                for (std::size_t i = 0; i < spans.size(); ++i) {
                    const RegionSpan& top = spans[i];
                    const RegionSpan& bottom = spans[spans.size() - 1 - i];
                    EXPECT_EQ(top.left - 1, w - top.right) << "row " << top.row;
                    EXPECT_EQ(top.left, bottom.left);
                    if (2 * i + 1 < spans.size()) {
                        EXPECT_GE(top.left, spans[i + 1].left);
                    }
                }
            }
        }
    }
    EXPECT_TRUE(buttonRegion(1, 1, 8).empty());
    EXPECT_TRUE(roundRectSpans(5, 5, 5, 9, 4, 4).empty());
}

} // namespace
