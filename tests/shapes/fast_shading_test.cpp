// The fast shading paths held to the plain one: every vector rasteriser this processor
// runs, painting in bands, and sprite building on several threads must give the same
// bytes as the plain per-pixel rasteriser painting each shape whole.

#include "pixels/argb_image.h"
#include "shapes/shape_rasteriser.h"
#include "shapes/shape_shading.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kUntouched = 0x12345678;

class RandomShapes {
public:
    explicit RandomShapes(uint32_t seed)
        : m_random(seed)
    {
    }

    float real(float low, float high) { return std::uniform_real_distribution<float>(low, high)(m_random); }
    int32_t whole(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(m_random); }

    // Spheres and tori (and now and then a type that draws nothing) with any light,
    // colour and shading factors, Phong powers up to past the factor limit, radii from -1
    // pixel up, off-centre placements, and a few lights that have no direction.
    Shape next()
    {
        Shape shape;
        const int32_t kind = whole(0, 19);
        shape.type = kind < 9 ? kSphereType : kind < 18 ? kTorusType : whole(-2, 5);
        shape.lightX = real(-1.0f, 1.0f);
        shape.lightY = real(-1.0f, 1.0f);
        shape.lightZ = whole(0, 9) == 0 ? -1.0f : real(-1.0f, 0.5f);
        switch (whole(0, 39)) {
        case 0:
            shape.lightX = shape.lightY = shape.lightZ = 0.0f;
            break;
        case 1:
            shape.lightY = std::numeric_limits<float>::quiet_NaN();
            break;
        case 2:
            shape.lightX = 0.0f;
            shape.lightY = 0.0f;
            shape.lightZ = -0.0f;
            break;
        default:
            break;
        }
        shape.color = static_cast<uint32_t>(m_random()) & 0xFFFFFFu;
        shape.lColor = static_cast<uint32_t>(m_random()) & 0xFFFFFFu;
        shape.ambient = real(-0.3f, 1.2f);
        shape.mirror = real(0.0f, 2.0f);
        shape.intensity = real(0.0f, 1.5f);
        const int32_t phong = whole(0, 59);
        shape.phong = phong == 0 ? whole(-5, 0) : phong == 1 ? whole(100, 3000) : whole(1, 40);
        shape.radiusPx = whole(0, 24) == 0 ? whole(-1, 1) : whole(2, 70);
        shape.heightPx = shape.type == kTorusType ? whole(0, std::max(shape.radiusPx, 0)) : whole(0, 90);
        shape.offsetX = whole(-10, 10);
        shape.offsetY = whole(-10, 10);
        return shape;
    }

    // A block side around the shape's diameter, now and then one of the edge sizes.
    int32_t side(const Shape& shape)
    {
        if (whole(0, 9) == 0)
            return whole(1, 3);
        return std::max(1, 2 * (std::max(shape.radiusPx, 0) + 1) + whole(-6, 8));
    }

    std::mt19937& engine() { return m_random; }

private:
    std::mt19937 m_random;
};

std::string describe(const Shape& shape, int32_t w, int32_t h)
{
    return "type " + std::to_string(shape.type) + ", radius " + std::to_string(shape.radiusPx) + ", height "
        + std::to_string(shape.heightPx) + ", Phong " + std::to_string(shape.phong) + ", block "
        + std::to_string(w) + " x " + std::to_string(h);
}

std::vector<uint32_t> reference(const Shape& shape, int32_t w, int32_t h)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), kUntouched);
    renderShape(pixels.data(), w, h, shape, ShadingPath::Reference);
    return pixels;
}

} // namespace

// Each instruction set's rasteriser, not only the one this processor would pick, on blocks
// square and not, from 1 x 1 up.
TEST(FastShading, EveryVectorWidthMatchesTheReferenceOnRandomShapes)
{
    const std::vector<PaintShapeRowsFunction> painters = supportedShapeRowPainters();
    RandomShapes random(20261207);
    for (int trial = 0; trial < 3000; ++trial) {
        const Shape shape = random.next();
        const int32_t w = random.side(shape);
        const int32_t h = random.whole(0, 3) == 0 ? random.side(shape) : w;
        const std::vector<uint32_t> plain = reference(shape, w, h);
        for (size_t painter = 0; painter < painters.size(); ++painter) {
            std::vector<uint32_t> fast(plain.size(), kUntouched);
            renderShapeWith(painters[painter], fast.data(), w, h, shape);
            ASSERT_EQ(fast, plain) << "trial " << trial << ", painter " << painter << ", " << describe(shape, w, h);
        }
        std::vector<uint32_t> chosen(plain.size(), kUntouched);
        renderShape(chosen.data(), w, h, shape);
        ASSERT_EQ(chosen, plain) << "trial " << trial << ", " << describe(shape, w, h);
    }
}

// Bands of any height, some reaching past the block's top or bottom, give the rows of the
// whole block; each row's span holds every pixel the band changed.
TEST(FastShading, BandsMatchTheWholeBlockAndKeepWithinTheirSpans)
{
    RandomShapes random(77);
    for (int trial = 0; trial < 400; ++trial) {
        const Shape shape = random.next();
        const int32_t w = random.side(shape);
        const int32_t h = random.side(shape);
        const std::vector<uint32_t> plain = reference(shape, w, h);
        for (int32_t firstRow = -random.whole(0, 3); firstRow < h;) {
            const int32_t rows = random.whole(1, 20);
            std::vector<uint32_t> band(static_cast<size_t>(rows) * static_cast<size_t>(w), kUntouched);
            std::vector<RowSpan> spans(static_cast<size_t>(rows), RowSpan { -5, 99999 });
            renderShapeRows(band.data(), w, h, shape, firstRow, rows, spans.data());
            for (int32_t row = 0; row < rows; ++row) {
                const int32_t i = firstRow + row;
                const RowSpan span = spans[static_cast<size_t>(row)];
                ASSERT_LE(0, span.first);
                ASSERT_LE(span.first, span.end);
                ASSERT_LE(span.end, w);
                for (int32_t j = 0; j < w; ++j) {
                    const uint32_t got = band[static_cast<size_t>(row * w + j)];
                    const uint32_t want
                        = i >= 0 && i < h ? plain[static_cast<size_t>(i) * static_cast<size_t>(w) + j] : kUntouched;
                    ASSERT_EQ(got, want) << "trial " << trial << ", row " << i << ", column " << j << ", "
                                         << describe(shape, w, h);
                    if (j < span.first || j >= span.end) {
                        ASSERT_EQ(got, kUntouched) << "outside the span, row " << i << ", column " << j;
                    }
                }
            }
            firstRow += rows;
        }
    }
}

// Whole sprites: stacks of up to five shapes at sides from 0 to past the band height, in
// both sprite forms and with the half-size flip, built on one thread, on two, and as the
// build chooses, against the plain path.
TEST(FastShading, SpritesOnAnyNumberOfThreadsMatchTheReference)
{
    RandomShapes random(4242);
    for (int trial = 0; trial < 150; ++trial) {
        SpriteScale scale;
        scale.sizeScale = random.real(0.2f, 3.5f);
        scale.flipLight = random.whole(0, 1) != 0;
        auto stack = newShapeStack();
        stack->shapeCount = random.whole(1, kMaxShapes);
        stack->masterSize = random.whole(0, 160);
        for (Shape& shape : stack->shapes) {
            shape = random.next();
            shape.width = random.whole(0, 110);
            shape.height = random.whole(0, 110);
        }
        const bool full = random.whole(0, 1) == 0;
        const int32_t side = full ? random.whole(0, 260) : 70;
        const int32_t which = random.whole(0, 4) == 0 ? random.whole(0, kMaxShapes - 1) : -1;

        SpriteBuildOptions plainOptions;
        plainOptions.path = ShadingPath::Reference;
        const auto plain = buildSprite(*stack, side, which, full, scale, plainOptions);
        for (int32_t threads : { 1, 2, 0 }) {
            SpriteBuildOptions options;
            options.threads = threads;
            const auto fast = buildSprite(*stack, side, which, full, scale, options);
            ASSERT_EQ(fast->width, plain->width);
            ASSERT_EQ(fast->pixels, plain->pixels)
                << "trial " << trial << ", threads " << threads << ", side " << plain->width;
        }
    }
}

// A big sprite, where a second thread surely takes bands, built again and again: every
// build is the same as the single-threaded one.
TEST(FastShading, RepeatedParallelBuildsOfALargeSpriteAgree)
{
    auto stack = newShapeStack();
    stack->shapeCount = kMaxShapes;
    stack->masterSize = 100;
    RandomShapes random(9);
    for (Shape& shape : stack->shapes) {
        shape = random.next();
        shape.type = random.whole(0, 1) == 0 ? kSphereType : kTorusType;
        shape.width = random.whole(40, 100);
        shape.height = random.whole(20, 100);
    }
    SpriteBuildOptions one;
    one.threads = 1;
    const auto single = buildSprite(*stack, 480, -1, true, {}, one);
    SpriteBuildOptions several;
    several.threads = 4;
    for (int build = 0; build < 12; ++build)
        ASSERT_EQ(buildSprite(*stack, 480, -1, true, {}, several)->pixels, single->pixels) << "build " << build;
}
