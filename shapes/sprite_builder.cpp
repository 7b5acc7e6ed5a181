#include "shapes/sprite_builder.h"

#include "shapes/sprite_painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The animation form's sprite side at master size 100 and scale 1; a torus in the
// animation form keeps its diameter below it (see adjustTorusSize).
constexpr int32_t kReducedBaseSide = 70;
// d never drops below this many pixels, so a master size of 0 still draws.
constexpr float kMinDrawnSize = 3.0f;
// Computed radii are kept within this many pixels, so that the size adjustments and the
// rasteriser's sums stay inside 32 bits whatever the percentages are.
constexpr double kMaxComputedPx = 1 << 30;

int32_t clampSide(double side)
{
    if (!(side >= 0.0))
        return 0;
    if (side >= kMaxSpriteSide)
        return kMaxSpriteSide;
    return static_cast<int32_t>(side);
}

// trunc() of a computed pixel size, within +-kMaxComputedPx.
int32_t truncatePx(double value)
{
    return static_cast<int32_t>(std::clamp(value, -kMaxComputedPx, kMaxComputedPx));
}

// A torus is drawn with radiusPx as the larger of the two sizes, so its tube has positive
// thickness; when the tube would fill the hole the outer radius grows by one, unless that
// would make it reach the limit.
void adjustTorusSize(Shape& shape, int32_t limit)
{
    if (shape.heightPx > shape.radiusPx)
        std::swap(shape.heightPx, shape.radiusPx);
    if (shape.heightPx + 1 >= shape.radiusPx) {
        ++shape.radiusPx;
        if (2 * int64_t { shape.radiusPx } >= limit) {
            --shape.radiusPx;
            --shape.heightPx;
        }
    }
    if (shape.radiusPx < 2)
        shape.radiusPx = 3;
    if (shape.heightPx < 2)
        shape.heightPx = 2;
}

// Computes radiusPx and heightPx of one shape for a sprite of the given side.
void sizeShape(Shape& shape, int32_t masterSize, int32_t side, bool full)
{
    float d = static_cast<float>(int64_t { masterSize } * side / 100);
    if (d < kMinDrawnSize)
        d = kMinDrawnSize;
    shape.radiusPx = truncatePx(shape.width * static_cast<double>(d) * 0.005 - 1.0);
    shape.heightPx = truncatePx(shape.height * static_cast<double>(d) * 0.005);
    if (shape.type == kTorusType) {
        adjustTorusSize(shape, full ? side : kReducedBaseSide);
    } else {
        if (shape.radiusPx < 2)
            shape.radiusPx = 2;
        if (shape.heightPx < 2)
            shape.heightPx = 2;
    }
}
} // namespace

std::unique_ptr<ArgbImage> buildSprite(ShapeStack& stack, int32_t side, int32_t which, bool full,
    const SpriteScale& scale, const SpriteBuildOptions& options)
{
    const int32_t imageSide
        = full ? clampSide(side) : clampSide(static_cast<double>(side) * static_cast<double>(scale.sizeScale));
    const bool flipLight = !full && scale.flipLight;
    auto sprite = std::make_unique<ArgbImage>();
    sprite->setSize(imageSide, imageSide);

    // From the bottom of the stack up, so that shape 0 is composited last and covers the
    // others. Every shape is sized first; the painting only reads the copies.
    std::vector<Shape> painted;
    for (int32_t index = shapesInUse(stack) - 1; index >= 0; --index) {
        if (which != -1 && which != index)
            continue;
        Shape& shape = stack.shapes[static_cast<std::size_t>(index)];
        sizeShape(shape, stack.masterSize, imageSide, full);

        // Half-size sprites are drawn upside down by the renderer, so their light comes
        // from the other side; the stored direction stays as it is.
        Shape lit = shape;
        if (flipLight)
            lit.lightY = -lit.lightY;
        painted.push_back(lit);
    }
    paintSprite(*sprite, painted, options);
    return sprite;
}

void buildFullSprite(ShapeStack& stack, int32_t side, int32_t which)
{
    stack.fullSize = side;
    stack.fullSprite.reset();
    stack.fullSprite = buildSprite(stack, side, which, true);
    stack.fullDirty = false;
}

void buildReducedSprite(ShapeStack& stack, int32_t which, const SpriteScale& scale)
{
    if (!stack.reducedDirty && stack.reducedSprite && stack.reducedScale == scale)
        return;
    // Formed in 64 bits; the quotient always fits in 32 (|70 x masterSize / 100| < 2^31).
    // It is not cut here: buildSprite bounds the side after scaling, so a large master size
    // on a small screen still gets its true side.
    const int64_t side = int64_t { kReducedBaseSide } * stack.masterSize / 100;
    stack.reducedSprite.reset();
    stack.reducedSprite = buildSprite(stack, static_cast<int32_t>(side), which, false, scale);
    stack.reducedScale = scale;
    stack.reducedRuns = SpriteRuns(*stack.reducedSprite);
    stack.reducedDirty = false;
}
