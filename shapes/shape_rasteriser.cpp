#include "shapes/shape_rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
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

// What both renderers need from the shape, prepared once per call.
struct Lighting {
    float lightX = 0.0f;
    float lightY = 0.0f;
    float lightZ = 0.0f;
    float bodyRed = 0.0f;
    float bodyGreen = 0.0f;
    float bodyBlue = 0.0f;
    float lightRed = 0.0f;
    float lightGreen = 0.0f;
    float lightBlue = 0.0f;
    float ambient = 0.0f;
    float mirror = 0.0f;
    float intensity = 0.0f;
    int64_t exponent = 1;
    int64_t maxFactors = kMaxHighlightFactors;
};

Lighting prepareLighting(const Shape& shape, int32_t w, int32_t h)
{
    Lighting lighting;
    // A light of length zero, or one with a component that is not finite, has no
    // direction: the shape then gets its ambient term only.
    if (std::isfinite(shape.LightX) && std::isfinite(shape.LightY) && std::isfinite(shape.LightZ)) {
        const float length
            = SafeSqrt(shape.LightX * shape.LightX + shape.LightY * shape.LightY + shape.LightZ * shape.LightZ);
        if (length > 0.0f && std::isfinite(length)) {
            const float k = 1.0f / length;
            lighting.lightX = shape.LightX * k;
            lighting.lightY = shape.LightY * k;
            lighting.lightZ = shape.LightZ * k;
        }
    }
    lighting.bodyRed = static_cast<float>(shape.Color & 0xFF);
    lighting.bodyGreen = static_cast<float>((shape.Color >> 8) & 0xFF);
    lighting.bodyBlue = static_cast<float>((shape.Color >> 16) & 0xFF);
    lighting.lightRed = static_cast<float>(shape.LColor & 0xFF);
    lighting.lightGreen = static_cast<float>((shape.LColor >> 8) & 0xFF);
    lighting.lightBlue = static_cast<float>((shape.LColor >> 16) & 0xFF);
    lighting.ambient = shape.Ambient;
    lighting.mirror = shape.Mirror;
    lighting.intensity = shape.Intensity;
    lighting.exponent = std::max<int64_t>(2 * int64_t { shape.Phong } - 1, 1);
    lighting.maxFactors = highlightFactorLimit(w, h);
    return lighting;
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

// The covered pixels of one row, shaded together once the row's geometry is known: the
// highlight powers are long chains of multiplications, each waiting on the one before, so
// one chain per pixel leaves the processor idle. Taken over the whole row, factor by factor,
// the chains run side by side (and in vector lanes); every lane still multiplies its own
// value by its own base in the same order, so each power comes out to the same bit.
class RowShading {
public:
    RowShading(const Lighting& lighting, int32_t w, HighlightMode mode)
        : m_lighting(lighting)
        , m_mode(mode)
    {
        const auto capacity = static_cast<std::size_t>(std::max(w, 0));
        m_column.resize(capacity);
        m_alpha.resize(capacity);
        m_normalZ.resize(capacity);
        m_cosine.resize(capacity);
        m_base.resize(capacity);
        m_power.resize(capacity);
    }

    // Notes a covered pixel with its alpha, the z of its unit normal and the cosine cs
    // between the normal and the reversed light.
    void Add(int32_t column, uint32_t alpha, float nz, float cs)
    {
        m_column[m_count] = column;
        m_alpha[m_count] = alpha;
        m_normalZ[m_count] = nz;
        m_cosine[m_count] = cs;
        ++m_count;
    }

    // Shades the noted pixels into the row and starts the next row.
    void Finish(uint32_t* row)
    {
        computePowers();
        const Lighting& lighting = m_lighting;
        for (std::size_t k = 0; k < m_count; ++k) {
            const float cs = m_cosine[k];
            const float diffuse = lighting.intensity * cs + lighting.ambient;
            const float highlight = m_base[k] > 0.0f ? lighting.mirror * lighting.intensity * m_power[k] : 0.0f;
            const uint32_t red = channelByte(lighting.bodyRed * diffuse + highlight * lighting.lightRed);
            const uint32_t green = channelByte(lighting.bodyGreen * diffuse + highlight * lighting.lightGreen);
            const uint32_t blue = channelByte(lighting.bodyBlue * diffuse + highlight * lighting.lightBlue);
            row[m_column[k]] = (m_alpha[k] << 24) | (red << 16) | (green << 8) | blue;
        }
        m_count = 0;
    }

private:
    // m_power[k] = rz^exponent for the pixels that get a highlight, those whose cosine cs
    // and rz = 2 nz cs + Lz (the z of the reflected light) are both above 0; m_base[k] is
    // rz for them and 0 for the others.
    void computePowers()
    {
        const Lighting& lighting = m_lighting;
        float* base = m_base.data();
        float* power = m_power.data();
        for (std::size_t k = 0; k < m_count; ++k) {
            const float cs = m_cosine[k];
            const float rz = cs > 0.0f ? 2.0f * m_normalZ[k] * cs + lighting.lightZ : 0.0f;
            base[k] = rz > 0.0f ? rz : 0.0f;
        }
        const int64_t factors = lighting.exponent - 1;
        // Side by side only while every factor is a plain multiplication: past the factor
        // limit HighlightPower takes the rest from pow(), which one pixel at a time does.
        if (m_mode == HighlightMode::PixelByPixel || factors > lighting.maxFactors) {
            for (std::size_t k = 0; k < m_count; ++k)
                power[k] = base[k] > 0.0f ? HighlightPower(base[k], lighting.exponent, lighting.maxFactors) : 0.0f;
            return;
        }
        // HighlightPower stops a chain once a factor leaves its value unchanged (0, infinity,
        // a base of 1, a value held by rounding); every further factor would leave it
        // unchanged too, so multiplying on gives the same value.
        std::copy_n(base, m_count, power);
        for (int64_t factor = 0; factor < factors; ++factor) {
            for (std::size_t k = 0; k < m_count; ++k)
                power[k] *= base[k];
        }
    }

    const Lighting& m_lighting;
    HighlightMode m_mode;
    std::vector<int32_t> m_column;
    std::vector<uint32_t> m_alpha;
    std::vector<float> m_normalZ;
    std::vector<float> m_cosine;
    std::vector<float> m_base;
    std::vector<float> m_power;
    std::size_t m_count = 0;
};

// The threshold of the soft outer edge: pixels with d2 above it fade out towards d2 = 1.
// It depends on the block width, not on the shape size.
float edgeThreshold(int32_t w)
{
    return static_cast<float>(1.0 - 8.8 / static_cast<double>(w));
}

uint32_t outerAlpha(float d2, float threshold)
{
    if (d2 > threshold)
        return alphaByte(255.0f - (d2 - threshold) * 255.0f / (1.0f - threshold));
    return 255;
}

// One pixel of the shape's size in units of its outer radius, 1 / (RadiusPx + 1); 0 when
// the radius is -1 pixels, which draws nothing.
float pixelSize(const Shape& shape)
{
    const int64_t outer = int64_t { shape.RadiusPx } + 1;
    return outer == 0 ? 0.0f : 1.0f / static_cast<float>(outer);
}

bool drawable(const uint32_t* pixels, int32_t w, int32_t h)
{
    return pixels != nullptr && w > 0 && h > 0;
}

} // namespace

float SafeSqrt(float v)
{
    return v > 1e-30f ? std::sqrt(v) : 0.0f;
}

float HighlightPower(float base, int64_t exponent, int64_t maxFactors)
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

void RenderShape(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, HighlightMode mode)
{
    if (shape.Type == kSphereType)
        RenderSphere(pixels, w, h, shape, mode);
    else if (shape.Type == kTorusType)
        RenderTorus(pixels, w, h, shape, mode);
}

void RenderSphere(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, HighlightMode mode)
{
    const float s = pixelSize(shape);
    if (!drawable(pixels, w, h) || s == 0.0f)
        return;
    const Lighting lighting = prepareLighting(shape, w, h);
    RowShading shading(lighting, w, mode);
    const float threshold = edgeThreshold(w);
    // The height setting flattens (q < 1) or sharpens the dome. A radius of 0 pixels
    // makes q infinite and the dome flat, which the shading survives.
    const float q = static_cast<float>(shape.HeightPx) / static_cast<float>(shape.RadiusPx);
    const float qSquared = q * q;
    const float centreY = static_cast<float>(h) * 0.5f + static_cast<float>(shape.OffsetY);
    const float centreX = static_cast<float>(w) * 0.5f + static_cast<float>(shape.OffsetX);

    for (int32_t i = 0; i < h; ++i) {
        const float y = s * (static_cast<float>(i) - centreY);
        uint32_t* row = pixels + static_cast<std::size_t>(i) * static_cast<std::size_t>(w);
        for (int32_t j = 0; j < w; ++j) {
            const float x = s * (static_cast<float>(j) - centreX);
            const float d2 = x * x + y * y;
            if (!(d2 < 1.0f))
                continue;
            const float z = SafeSqrt(1.0f - d2) / qSquared;
            const float m = 1.0f / SafeSqrt(x * x + y * y + z * z);
            const float nx = x * m;
            const float ny = y * m;
            const float nz = z * m;
            const float cs = -(lighting.lightX * nx + lighting.lightY * ny + lighting.lightZ * nz);
            shading.Add(j, outerAlpha(d2, threshold), nz, cs);
        }
        shading.Finish(row);
    }
}

void RenderTorus(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, HighlightMode mode)
{
    const float s = pixelSize(shape);
    if (!drawable(pixels, w, h) || s == 0.0f)
        return;
    const Lighting lighting = prepareLighting(shape, w, h);
    RowShading shading(lighting, w, mode);
    const float threshold = edgeThreshold(w);
    // The tube's centre line lies at radius e and the tube's radius is f, in units of the
    // outer radius.
    const float e
        = static_cast<float>(int64_t { shape.HeightPx } + 1) / static_cast<float>(int64_t { shape.RadiusPx } + 1);
    const float f = 1.0f - e;
    const float hole = e - f + s;
    const float innerStart = e - f + s - 0.1f;
    const float innerEnd = innerStart + 0.2f;
    const float lightLength = SafeSqrt(
        lighting.lightX * lighting.lightX + lighting.lightY * lighting.lightY + lighting.lightZ * lighting.lightZ);
    // The centre sums are integers; they are formed in 64 bits so that no offset overflows.
    const int64_t centreY = int64_t { h / 2 } + shape.OffsetY;
    const int64_t centreX = int64_t { w / 2 } + shape.OffsetX;

    for (int32_t i = 0; i < h; ++i) {
        const float y = -s * static_cast<float>(centreY - i);
        uint32_t* row = pixels + static_cast<std::size_t>(i) * static_cast<std::size_t>(w);
        for (int32_t j = 0; j < w; ++j) {
            const float x = -s * static_cast<float>(centreX - j);
            const float d2 = x * x + y * y;
            const float r = SafeSqrt(d2);
            // The hole is widened by one pixel.
            if (!(d2 < 1.0f) || r <= hole)
                continue;
            const float tubeScale = (r - e) / (r + 0.00001f);
            const float tx = tubeScale * x;
            const float ty = tubeScale * y;
            const float tz = SafeSqrt(f * f - (e - r) * (e - r));
            const float m = 1.0f / SafeSqrt(tx * tx + ty * ty + tz * tz);
            const float nx = tx * m;
            const float ny = ty * m;
            const float nz = tz * m;
            const float lengths = SafeSqrt(nx * nx + ny * ny + nz * nz) * lightLength;
            const float dot = nx * lighting.lightX + ny * lighting.lightY + nz * lighting.lightZ;
            const float cs = lengths > 0.0f ? -dot / lengths : 0.0f;

            uint32_t alpha = outerAlpha(d2, threshold);
            // The inner edge starts at alpha 127 and rises to 255 over a tenth of the
            // outer radius.
            if (innerStart < r && r < innerEnd)
                alpha = alphaByte(255.0f - (innerEnd - r) * 255.0f / (innerEnd - innerStart));
            shading.Add(j, alpha, nz, cs);
        }
        shading.Finish(row);
    }
}
