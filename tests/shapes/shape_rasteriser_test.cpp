#include "shapes/shape_rasteriser.h"

#include "pixels/argb_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kUntouched = 0x12345678;

// Shape 0 of a new object 1 (red body, white light) as the sprite builder sizes it at
// side 40.
Shape workedShape()
{
    Shape shape;
    shape.color = 0x000000FF;
    shape.lColor = 0x00FFFFFF;
    shape.ambient = 0.34f;
    shape.mirror = 0.99f;
    shape.intensity = 0.5f;
    shape.phong = 4;
    shape.radiusPx = 19;
    shape.heightPx = 20;
    return shape;
}

struct Block {
    Block(int32_t w, int32_t h)
        : width(w)
        , pixels(static_cast<size_t>(w) * static_cast<size_t>(h), kUntouched)
    {
    }
    uint32_t at(int32_t row, int32_t column) const { return pixels[static_cast<size_t>(row * width + column)]; }
    int32_t width;
    std::vector<uint32_t> pixels;
};

TEST(RenderSphere, WorkedPixels)
{
    Block block(40, 40);
    renderShape(block.pixels.data(), 40, 40, workedShape());
    EXPECT_EQ(block.at(20, 20), makeArgb(255, 163, 2, 2));
    EXPECT_EQ(block.at(10, 10), makeArgb(255, 230, 17, 17));
    EXPECT_EQ(block.at(30, 30), makeArgb(255, 58, 1, 1));
    EXPECT_EQ(block.at(20, 1), makeArgb(113, 178, 1, 1));
    // d2 is exactly 1 here.
    EXPECT_EQ(block.at(20, 0), kUntouched);
    EXPECT_EQ(block.at(0, 0), kUntouched);
}

TEST(RenderTorus, WorkedPixels)
{
    Shape shape = workedShape();
    shape.type = kTorusType;
    shape.radiusPx = 49;
    shape.heightPx = 25;
    Block block(100, 100);
    renderShape(block.pixels.data(), 100, 100, shape);
    EXPECT_EQ(block.at(50, 50), kUntouched); // the hole
    EXPECT_EQ(block.at(50, 45), makeArgb(178, 57, 1, 1)); // inner ramp
    EXPECT_EQ(block.at(50, 40), makeArgb(255, 92, 1, 1));
    EXPECT_EQ(block.at(50, 25), makeArgb(255, 158, 1, 1));
    EXPECT_EQ(block.at(50, 10), makeArgb(255, 203, 14, 14));
    EXPECT_EQ(block.at(50, 1), makeArgb(114, 178, 1, 1)); // outer ramp
    EXPECT_EQ(block.at(50, 0), kUntouched);
    EXPECT_EQ(block.at(25, 25), makeArgb(255, 255, 116, 116));
}

} // namespace

namespace {

// The highlight power written plainly: exponent - 1 multiplications, no shortcut.
float plainPower(float base, int64_t exponent)
{
    float value = base;
    for (int64_t i = 1; i < exponent; ++i)
        value *= base;
    return value;
}

TEST(HighlightPower, StoppingEarlyGivesTheSameValueAsMultiplyingOn)
{
    // Bases that run down to 0, that get held in place among the subnormals, that sit at
    // exactly 1, and that grow to infinity.
    const float bases[] = { 0.5f, 0.9f, 0.99f, 0.999999f, std::nextafter(1.0f, 0.0f), 1.0f, 1.0000001f, 1.5f, 1e-20f };
    // 4097 is the largest exponent formed by multiplication alone (a Phong of 2049).
    const int64_t exponents[] = { 1, 2, 7, 39, 1001, 4095, 4097 };
    for (float base : bases) {
        for (int64_t exponent : exponents)
            EXPECT_EQ(highlightPower(base, exponent), plainPower(base, exponent)) << base << "^" << exponent;
    }
}

TEST(HighlightPower, PowerPastTheFactorLimitStaysCloseToMultiplyingOn)
{
    for (float base : { 0.5f, 0.9f, 0.999f, std::nextafter(1.0f, 0.0f), 1.0f }) {
        // Up to the limit the value is the plain product, bit for bit.
        EXPECT_EQ(highlightPower(base, 65, 64), plainPower(base, 65)) << base;
        // Past it only the rounding of the later steps is lost (and the subnormals where a
        // plain product gets stuck, far below anything a channel can show).
        const float plain = plainPower(base, 1001);
        EXPECT_NEAR(highlightPower(base, 1001, 64), plain, plain * 1e-4f + 1e-30f) << base;
    }
}

TEST(HighlightPower, HugeExponentsFinish)
{
    EXPECT_EQ(highlightPower(0.5f, std::numeric_limits<int32_t>::max()), 0.0f);
    EXPECT_EQ(highlightPower(1.0f, int64_t { 1 } << 40), 1.0f);
    const float nearOne = highlightPower(std::nextafter(1.0f, 0.0f), int64_t { 1 } << 32);
    EXPECT_GE(nearOne, 0.0f);
    EXPECT_LT(nearOne, 1.0f);
}

TEST(RenderShape, OtherTypesLeaveTheBlockUntouched)
{
    for (int32_t type : { 1, 3, -1, 1000 }) {
        Shape shape = workedShape();
        shape.type = type;
        Block block(40, 40);
        renderShape(block.pixels.data(), 40, 40, shape);
        EXPECT_EQ(block.pixels, std::vector<uint32_t>(40 * 40, kUntouched)) << "type " << type;
    }
}

TEST(RenderSphere, HeadOnLightGivesFullBodyColourPlusHighlight)
{
    // At the centre the normal is (0, 0, 1): the cosine is 1, diffuse 0.5 + 0.5 = 1, the
    // reflected light's z is 1, so the highlight is Mirror x Intensity = 0.25 of white.
    Shape shape = workedShape();
    shape.lightX = 0.0f;
    shape.lightY = 0.0f;
    shape.lightZ = -1.0f;
    shape.ambient = 0.5f;
    shape.mirror = 0.5f;
    shape.color = 0x00003264; // red 100, green 50, blue 0
    Block block(40, 40);
    renderShape(block.pixels.data(), 40, 40, shape);
    EXPECT_EQ(block.at(20, 20), makeArgb(255, 163, 113, 63));
}

TEST(RenderSphere, ChannelsNeverDropToZero)
{
    // A pure red body without highlight: green and blue are 0 before the limit and 1 after.
    Shape shape = workedShape();
    shape.mirror = 0.0f;
    Block block(40, 40);
    renderShape(block.pixels.data(), 40, 40, shape);
    int covered = 0;
    for (uint32_t pixel : block.pixels) {
        if (pixel == kUntouched)
            continue;
        ++covered;
        EXPECT_EQ(greenOf(pixel), 1u);
        EXPECT_EQ(blueOf(pixel), 1u);
        EXPECT_GE(redOf(pixel), 1u);
    }
    EXPECT_GT(covered, 1000);
}

TEST(RenderSphere, EdgeRampFollowsTheBlockWidth)
{
    // In a block of width 8 the threshold is 1 - 8.8 / 8 = -0.1, so even the centre lies in
    // the ramp: 255 - 0.1 x 255 / 1.1 = 231.8.
    Shape shape = workedShape();
    shape.radiusPx = 3;
    shape.heightPx = 4;
    Block block(8, 8);
    renderShape(block.pixels.data(), 8, 8, shape);
    EXPECT_EQ(alphaOf(block.at(4, 4)), 231u);
    for (uint32_t pixel : block.pixels)
        EXPECT_TRUE(pixel == kUntouched || alphaOf(pixel) < 255);

    // In a 40-pixel block the ramp covers d2 from 0.78 to 1: the same small sphere drawn in
    // it is opaque at the centre.
    Block wide(40, 40);
    renderShape(wide.pixels.data(), 40, 40, shape);
    EXPECT_EQ(alphaOf(wide.at(20, 20)), 255u);
}

TEST(RenderShape, OffsetsMoveTheShape)
{
    Shape shape = workedShape();
    Block centred(40, 40);
    renderShape(centred.pixels.data(), 40, 40, shape);
    shape.offsetX = 5;
    shape.offsetY = -3;
    Block moved(40, 40);
    renderShape(moved.pixels.data(), 40, 40, shape);
    for (int32_t row = 3; row < 37; ++row) {
        for (int32_t column = 5; column < 40; ++column)
            ASSERT_EQ(moved.at(row - 3, column), centred.at(row, column - 5)) << row << ", " << column;
    }
}

// Records read from preset files can hold anything: the cases below are out of range for
// one field each.
Shape outOfRangeShape(int32_t type, int which)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    constexpr int32_t kBig = std::numeric_limits<int32_t>::max();
    constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
    Shape s = workedShape();
    s.type = type;
    if (type == kTorusType)
        s.heightPx = 10;
    switch (which) {
    case 0:
        s.lightX = s.lightY = s.lightZ = 0.0f;
        break;
    case 1:
        s.lightX = nan;
        break;
    case 2:
        s.lightZ = -inf;
        break;
    case 3:
        s.intensity = nan;
        break;
    case 4:
        s.ambient = inf;
        break;
    case 5:
        s.mirror = -inf;
        break;
    case 6:
        s.radiusPx = 0;
        break;
    case 7:
        s.heightPx = 0;
        break;
    case 8:
        s.radiusPx = -30;
        break;
    case 9:
        s.radiusPx = kBig;
        break;
    case 10:
        s.heightPx = kBig;
        break;
    case 11:
        s.offsetX = s.offsetY = kBig;
        break;
    case 12:
        s.offsetX = s.offsetY = kLow;
        break;
    case 13:
        s.phong = kBig;
        break;
    case 14:
        s.phong = kLow;
        break;
    case 15:
        s.heightPx = -1;
        break;
    default:
        break;
    }
    return s;
}

TEST(RenderShape, OutOfRangeRecordsGiveWellFormedPixels)
{
    // Whatever the record, every pixel is either untouched or has channels within 1..255.
    for (int32_t type : { kSphereType, kTorusType }) {
        for (int which = 0; which <= 15; ++which) {
            Block block(41, 40);
            renderShape(block.pixels.data(), 41, 40, outOfRangeShape(type, which));
            for (uint32_t pixel : block.pixels) {
                if (pixel == kUntouched)
                    continue;
                ASSERT_GE(redOf(pixel), 1u) << "type " << type << ", case " << which;
                ASSERT_GE(greenOf(pixel), 1u) << "type " << type << ", case " << which;
                ASSERT_GE(blueOf(pixel), 1u) << "type " << type << ", case " << which;
            }
        }
    }
}

TEST(RenderShape, RadiusOfMinusOnePixelDrawsNothing)
{
    // The sphere button with a bevel of 0 asks for this.
    for (int32_t type : { kSphereType, kTorusType }) {
        Shape shape = workedShape();
        shape.type = type;
        shape.radiusPx = -1;
        Block block(40, 40);
        renderShape(block.pixels.data(), 40, 40, shape);
        EXPECT_EQ(block.pixels, std::vector<uint32_t>(40 * 40, kUntouched));
    }
    // Empty blocks are no-ops.
    renderShape(nullptr, 0, 0, workedShape());
    renderShape(nullptr, -5, 10, workedShape());
}

TEST(RenderShape, ZeroLightLeavesAmbientOnly)
{
    // With no direction there is no diffuse cosine and no highlight: 255 x 0.34 = 86.7.
    Shape shape = workedShape();
    shape.lightX = shape.lightY = shape.lightZ = 0.0f;
    for (int32_t type : { kSphereType, kTorusType }) {
        shape.type = type;
        shape.heightPx = type == kTorusType ? 10 : 20;
        Block block(40, 40);
        renderShape(block.pixels.data(), 40, 40, shape);
        EXPECT_EQ(block.at(20, 4) & 0x00FFFFFF, makeArgb(0, 86, 1, 1)) << "type " << type;
    }
}

TEST(RenderShape, HugePhongKeepsTheShapeAndItsEdges)
{
    Shape shape = workedShape();
    Block reference(40, 40);
    renderShape(reference.pixels.data(), 40, 40, shape);
    shape.phong = std::numeric_limits<int32_t>::max();
    Block block(40, 40);
    renderShape(block.pixels.data(), 40, 40, shape);
    for (size_t i = 0; i < block.pixels.size(); ++i) {
        EXPECT_EQ(alphaOf(block.pixels[i]), alphaOf(reference.pixels[i]));
        // The highlight can only shrink with a larger power.
        if (reference.pixels[i] != kUntouched) {
            EXPECT_LE(greenOf(block.pixels[i]), greenOf(reference.pixels[i]));
        }
    }
}

} // namespace

namespace {

// Random shapes over the ranges the editor gives and somewhat beyond: every light
// direction (head-on and grazing ones included), Phong powers from 0 to past the factor
// limit, flat and sharp domes, thin and thick tori, off-centre placements.
Shape randomShape(std::mt19937& random)
{
    const auto real = [&](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
    const auto whole = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    Shape shape;
    shape.type = whole(0, 1) == 0 ? kSphereType : kTorusType;
    shape.lightX = real(-1.0f, 1.0f);
    shape.lightY = real(-1.0f, 1.0f);
    shape.lightZ = whole(0, 9) == 0 ? -1.0f : real(-1.0f, 0.3f);
    shape.color = static_cast<uint32_t>(random()) & 0xFFFFFFu;
    shape.lColor = static_cast<uint32_t>(random()) & 0xFFFFFFu;
    shape.ambient = real(-0.2f, 1.0f);
    shape.mirror = real(0.0f, 1.5f);
    shape.intensity = real(0.0f, 1.2f);
    shape.phong = whole(0, 19) == 0 ? whole(30, 300) : whole(0, 25);
    shape.radiusPx = whole(1, 60);
    shape.heightPx = shape.type == kSphereType ? whole(1, 80) : whole(0, shape.radiusPx);
    shape.offsetX = whole(-8, 8);
    shape.offsetY = whole(-8, 8);
    return shape;
}

} // namespace

// The highlights formed side by side over a row give every pixel the same bits as one
// pixel at a time.
TEST(RenderShape, SideBySideHighlightsMatchPixelByPixelOnRandomShapes)
{
    std::mt19937 random(1207);
    for (int trial = 0; trial < 3000; ++trial) {
        const Shape shape = randomShape(random);
        const int32_t side = 2 * (shape.radiusPx + 1) + std::uniform_int_distribution<int32_t>(-3, 6)(random);
        Block fast(side, side);
        Block plain(side, side);
        renderShape(fast.pixels.data(), side, side, shape, ShadingPath::Fast);
        renderShape(plain.pixels.data(), side, side, shape, ShadingPath::Reference);
        ASSERT_EQ(fast.pixels, plain.pixels) << "trial " << trial << ", type " << shape.type << ", Phong "
                                             << shape.phong << ", side " << side;
    }
}
