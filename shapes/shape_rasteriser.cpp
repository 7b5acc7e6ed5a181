#include "shapes/shape_rasteriser.h"

#include "shapes/shape_shading.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

// The highlight power is formed by repeated multiplication, and only points near the
// highlight's peak need many factors before the value runs down to 0; but a flat dome lit
// head-on puts every pixel near the peak, and a preset may hold any Phong. So the factors
// of one shape are bounded as a whole: each pixel may use kHighlightBudget / (w x h) of
// them, kept within the two limits below, and the rest of its power comes from one pow().
// Sprites of side 181 or less get the full 4096 (exact up to a Phong of 2049), the side
// 315 of a 4K screen 1352 (a Phong of 677); the 2048-pixel sprites that only a huge master
// size asks for get 64 (a Phong of 33). One shape then costs at most about 3 x 10^8
// multiplications instead of 1.7 x 10^10.
constexpr int64_t kHighlightBudget = int64_t { 1 } << 27;
constexpr int64_t kMinHighlightFactors = 64;
constexpr int64_t kMaxHighlightFactors = 4096;

int64_t highlightFactorLimit(int32_t w, int32_t h)
{
    const int64_t pixels = std::max<int64_t>(int64_t { w } * h, 1);
    return std::clamp(kHighlightBudget / pixels, kMinHighlightFactors, kMaxHighlightFactors);
}

// trunc() of a channel value, then a value of 0 or less becomes 1 and one above 255
// becomes 255. Comparing before converting keeps NaN and huge values out of the integer
// conversion; NaN counts as "0 or less".
uint32_t channelByte(float value)
{
    if (!(value >= 1.0f))
        return 1;
    if (value >= 256.0f)
        return 255;
    return static_cast<uint32_t>(value);
}

// trunc() of an alpha value that the geometry keeps within 0..255; cut there all the same.
uint32_t alphaByte(float value)
{
    if (!(value >= 0.0f))
        return 0;
    if (value >= 255.0f)
        return 255;
    return static_cast<uint32_t>(value);
}

uint32_t outerAlpha(float d2, float threshold)
{
    if (d2 > threshold)
        return alphaByte(255.0f - (d2 - threshold) * 255.0f / (1.0f - threshold));
    return 255;
}

// The shading of one covered pixel with the z of its unit normal nz and the cosine cs
// between the normal and the reversed light: the plain form every path is held to.
uint32_t shadePixel(const ShapeShading& shading, uint32_t alpha, float nz, float cs)
{
    const float diffuse = shading.intensity * cs + shading.ambient;
    // The z of the reflected light; only a pixel facing the light with the reflection
    // coming towards the viewer gets a highlight.
    const float rz = cs > 0.0f ? 2.0f * nz * cs + shading.lightZ : 0.0f;
    const float base = rz > 0.0f ? rz : 0.0f;
    const float power = base > 0.0f ? highlightPower(base, shading.exponent, shading.maxFactors) : 0.0f;
    const float highlight = base > 0.0f ? shading.mirror * shading.intensity * power : 0.0f;
    const uint32_t red = channelByte(shading.bodyRed * diffuse + highlight * shading.lightRed);
    const uint32_t green = channelByte(shading.bodyGreen * diffuse + highlight * shading.lightGreen);
    const uint32_t blue = channelByte(shading.bodyBlue * diffuse + highlight * shading.lightBlue);
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

// Visits every pixel of the block with its coordinates x, y and d2 = x^2 + y^2; shade
// gives the pixel's value, or nothing for a pixel the shape does not cover.
template <typename Shade>
void paintEachPixel(const ShapeShading& shading, uint32_t* pixels, int32_t w, int32_t h, Shade shade)
{
    for (int32_t i = 0; i < h; ++i) {
        const float y = shadingRowY(shading, i);
        uint32_t* row = pixels + static_cast<std::size_t>(i) * static_cast<std::size_t>(w);
        for (int32_t j = 0; j < w; ++j) {
            const float x = shadingColumnX(shading, j);
            if (const std::optional<uint32_t> pixel = shade(x, y, x * x + y * y))
                row[j] = *pixel;
        }
    }
}

void paintSphereReference(const ShapeShading& shading, uint32_t* pixels, int32_t w, int32_t h)
{
    paintEachPixel(shading, pixels, w, h, [&](float x, float y, float d2) -> std::optional<uint32_t> {
        if (!(d2 < 1.0f))
            return std::nullopt;
        const float z = safeSqrt(1.0f - d2) / shading.qSquared;
        const float m = 1.0f / safeSqrt(x * x + y * y + z * z);
        const float nx = x * m;
        const float ny = y * m;
        const float nz = z * m;
        const float cs = -(shading.lightX * nx + shading.lightY * ny + shading.lightZ * nz);
        return shadePixel(shading, outerAlpha(d2, shading.threshold), nz, cs);
    });
}

void paintTorusReference(const ShapeShading& shading, uint32_t* pixels, int32_t w, int32_t h)
{
    const float e = shading.ringRadius;
    const float f = shading.tubeRadius;
    paintEachPixel(shading, pixels, w, h, [&](float x, float y, float d2) -> std::optional<uint32_t> {
        const float r = safeSqrt(d2);
        // The hole is widened by one pixel.
        if (!(d2 < 1.0f) || r <= shading.hole)
            return std::nullopt;
        const float tubeScale = (r - e) / (r + 0.00001f);
        const float tx = tubeScale * x;
        const float ty = tubeScale * y;
        const float tz = safeSqrt(f * f - (e - r) * (e - r));
        const float m = 1.0f / safeSqrt(tx * tx + ty * ty + tz * tz);
        const float nx = tx * m;
        const float ny = ty * m;
        const float nz = tz * m;
        const float lengths = safeSqrt(nx * nx + ny * ny + nz * nz) * shading.lightLength;
        const float dot = nx * shading.lightX + ny * shading.lightY + nz * shading.lightZ;
        const float cs = lengths > 0.0f ? -dot / lengths : 0.0f;

        uint32_t alpha = outerAlpha(d2, shading.threshold);
        // The inner edge starts at alpha 127 and rises to 255 over a tenth of the outer
        // radius.
        if (shading.innerStart < r && r < shading.innerEnd)
            alpha = alphaByte(255.0f - (shading.innerEnd - r) * 255.0f / (shading.innerEnd - shading.innerStart));
        return shadePixel(shading, alpha, nz, cs);
    });
}

bool runs(PaintShapeRowsFunction paint)
{
#if defined(OPAL_SHAPES_X86_VECTORS)
    __builtin_cpu_init();
    if (paint == paintShapeRowsAvx512)
        return __builtin_cpu_supports("avx512f");
    if (paint == paintShapeRowsAvx2)
        return __builtin_cpu_supports("avx2");
#endif
    return paint == paintShapeRowsBaseline;
}

// Paints rows with the given vector rasteriser, in working arrays of its own.
void paintRowsWith(PaintShapeRowsFunction paint, const ShapeShading& shading, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans)
{
    const std::size_t columns = scratchColumns(w);
    std::vector<float> floats(5 * columns);
    std::vector<int32_t> words(2 * columns);
    std::vector<uint32_t> chunks(2 * columns);
    ShapeRowsScratch scratch;
    scratch.columnX = floats.data();
    scratch.columnXX = scratch.columnX + columns;
    scratch.cosine = scratch.columnXX + columns;
    scratch.base = scratch.cosine + columns;
    scratch.power = scratch.base + columns;
    scratch.alpha = words.data();
    scratch.covered = scratch.alpha + columns;
    scratch.active = chunks.data();
    scratch.lit = scratch.active + columns;
    paint(shading, scratch, rows, w, firstRow, rowCount, spans);
}

// The widest vector rasteriser this processor runs, chosen once.
PaintShapeRowsFunction fastestPainter()
{
    static const PaintShapeRowsFunction fastest = supportedShapeRowPainters().back();
    return fastest;
}

void renderAs(int32_t type, uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path)
{
    ShapeShading shading;
    if (pixels == nullptr || !prepareShapeShading(shape, type, w, h, shading))
        return;
    if (path == ShadingPath::Reference) {
        if (type == kSphereType)
            paintSphereReference(shading, pixels, w, h);
        else
            paintTorusReference(shading, pixels, w, h);
        return;
    }
    paintRowsWith(fastestPainter(), shading, pixels, w, 0, h, nullptr);
}

} // namespace

std::vector<PaintShapeRowsFunction> supportedShapeRowPainters()
{
    std::vector<PaintShapeRowsFunction> painters { paintShapeRowsBaseline };
#if defined(OPAL_SHAPES_X86_VECTORS)
    for (PaintShapeRowsFunction paint : { paintShapeRowsAvx2, paintShapeRowsAvx512 }) {
        if (runs(paint))
            painters.push_back(paint);
    }
#endif
    return painters;
}

void renderShapeWith(PaintShapeRowsFunction paint, uint32_t* pixels, int32_t w, int32_t h, const Shape& shape)
{
    ShapeShading shading;
    if (pixels != nullptr && prepareShapeShading(shape, shape.type, w, h, shading))
        paintRowsWith(paint, shading, pixels, w, 0, h, nullptr);
}

bool prepareShapeShading(const Shape& shape, int32_t type, int32_t w, int32_t h, ShapeShading& shading)
{
    // One pixel of the shape's size in units of its outer radius, 1 / (radiusPx + 1); a
    // radius of -1 pixels draws nothing.
    const int64_t outer = int64_t { shape.radiusPx } + 1;
    if (w <= 0 || h <= 0 || outer == 0 || (type != kSphereType && type != kTorusType))
        return false;
    shading = ShapeShading {};
    shading.type = type;
    shading.pixel = 1.0f / static_cast<float>(outer);

    // A light of length zero, or one with a component that is not finite, has no
    // direction: the shape then gets its ambient term only.
    if (std::isfinite(shape.lightX) && std::isfinite(shape.lightY) && std::isfinite(shape.lightZ)) {
        const float length
            = safeSqrt(shape.lightX * shape.lightX + shape.lightY * shape.lightY + shape.lightZ * shape.lightZ);
        if (length > 0.0f && std::isfinite(length)) {
            const float k = 1.0f / length;
            shading.lightX = shape.lightX * k;
            shading.lightY = shape.lightY * k;
            shading.lightZ = shape.lightZ * k;
        }
    }
    shading.bodyRed = static_cast<float>(shape.color & 0xFF);
    shading.bodyGreen = static_cast<float>((shape.color >> 8) & 0xFF);
    shading.bodyBlue = static_cast<float>((shape.color >> 16) & 0xFF);
    shading.lightRed = static_cast<float>(shape.lColor & 0xFF);
    shading.lightGreen = static_cast<float>((shape.lColor >> 8) & 0xFF);
    shading.lightBlue = static_cast<float>((shape.lColor >> 16) & 0xFF);
    shading.ambient = shape.ambient;
    shading.mirror = shape.mirror;
    shading.intensity = shape.intensity;
    shading.exponent = std::max<int64_t>(2 * int64_t { shape.phong } - 1, 1);
    shading.maxFactors = highlightFactorLimit(w, h);

    // The soft outer edge depends on the block width, not on the shape size.
    shading.threshold = static_cast<float>(1.0 - 8.8 / static_cast<double>(w));

    const float s = shading.pixel;
    if (type == kSphereType) {
        // The height setting flattens (q < 1) or sharpens the dome. A radius of 0 pixels
        // makes q infinite and the dome flat, which the shading survives.
        const float q = static_cast<float>(shape.heightPx) / static_cast<float>(shape.radiusPx);
        shading.qSquared = q * q;
        shading.sphereCentreY = static_cast<float>(h) * 0.5f + static_cast<float>(shape.offsetY);
        shading.sphereCentreX = static_cast<float>(w) * 0.5f + static_cast<float>(shape.offsetX);
    } else {
        const float e = static_cast<float>(int64_t { shape.heightPx } + 1) / static_cast<float>(outer);
        const float f = 1.0f - e;
        shading.ringRadius = e;
        shading.tubeRadius = f;
        shading.hole = e - f + s;
        shading.innerStart = e - f + s - 0.1f;
        shading.innerEnd = shading.innerStart + 0.2f;
        shading.lightLength = safeSqrt(
            shading.lightX * shading.lightX + shading.lightY * shading.lightY + shading.lightZ * shading.lightZ);
        shading.torusCentreY = int64_t { h / 2 } + shape.offsetY;
        shading.torusCentreX = int64_t { w / 2 } + shape.offsetX;
    }
    return true;
}

float safeSqrt(float v)
{
    return v > 1e-30f ? std::sqrt(v) : 0.0f;
}

float highlightPower(float base, int64_t exponent, int64_t maxFactors)
{
    // The loop ends once a factor leaves the value as it is: it reached 0 or infinity, the
    // base is exactly 1, or rounding holds a tiny value in place. Every further factor
    // would do the same.
    float value = base;
    int64_t factorsLeft = exponent - 1;
    int64_t factorsDone = 0;
    while (factorsLeft > 0) {
        if (factorsDone >= maxFactors) {
            const double rest = std::pow(static_cast<double>(base), static_cast<double>(factorsLeft));
            return static_cast<float>(static_cast<double>(value) * rest);
        }
        const float next = value * base;
        if (next == value || std::isnan(next))
            return next;
        value = next;
        --factorsLeft;
        ++factorsDone;
    }
    return value;
}

void renderShape(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path)
{
    renderAs(shape.type, pixels, w, h, shape, path);
}

void renderSphere(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path)
{
    renderAs(kSphereType, pixels, w, h, shape, path);
}

void renderTorus(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path)
{
    renderAs(kTorusType, pixels, w, h, shape, path);
}

void renderShapeRows(uint32_t* rows, int32_t w, int32_t h, const Shape& shape, int32_t firstRow, int32_t rowCount,
    RowSpan* spans)
{
    if (spans != nullptr)
        std::fill_n(spans, std::max(rowCount, 0), RowSpan {});
    // Only the part of the asked rows that lies inside the block.
    const int64_t first = std::max<int64_t>(firstRow, 0);
    const int64_t end = std::min<int64_t>(int64_t { firstRow } + rowCount, h);
    ShapeShading shading;
    if (rows == nullptr || first >= end || !prepareShapeShading(shape, shape.type, w, h, shading))
        return;
    const auto skipped = static_cast<std::size_t>(first - firstRow);
    paintRowsWith(fastestPainter(), shading, rows + skipped * static_cast<std::size_t>(w), w, static_cast<int32_t>(first),
        static_cast<int32_t>(end - first), spans == nullptr ? nullptr : spans + skipped);
}
