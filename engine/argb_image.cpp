#include "engine/argb_image.h"

#include <algorithm>

namespace {

inline uint32_t blendPixel(uint32_t source, uint32_t destination)
{
    const int32_t alpha = static_cast<int32_t>(source >> 24);
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t s = static_cast<int32_t>((source >> shift) & 0xFF);
        const int32_t d = static_cast<int32_t>((destination >> shift) & 0xFF);
        // C++20 defines >> of a negative value as an arithmetic shift.
        const int32_t blended = d + (((s - d) * alpha) >> 8);
        result |= static_cast<uint32_t>(blended) << shift;
    }
    const uint32_t newAlpha = std::min<uint32_t>((destination >> 24) + static_cast<uint32_t>(alpha), 255);
    return result | (newAlpha << 24);
}

} // namespace

void ArgbImage::SetSize(int32_t newWidth, int32_t newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
}

void ArgbImage::Clear() { std::fill(pixels.begin(), pixels.end(), 0u); }

void ArgbImage::Fill(uint32_t pixel) { std::fill(pixels.begin(), pixels.end(), pixel); }

void ArgbImage::Composite(const ArgbImage& sprite, int32_t x, int32_t y)
{
    // Intersect the sprite's rectangle with the image in 64 bits, so that no position
    // overflows; everything outside is cut off.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t { x } + sprite.width, width);
    const int64_t bottom = std::min<int64_t>(int64_t { y } + sprite.height, height);
    if (left >= right || top >= bottom || pixels.empty() || sprite.pixels.empty())
        return;

    const auto columns = static_cast<size_t>(right - left);
    for (int64_t row = top; row < bottom; ++row) {
        const uint32_t* source = sprite.Row(static_cast<int32_t>(row - y)) + (left - x);
        uint32_t* destination = Row(static_cast<int32_t>(row)) + left;
        for (size_t i = 0; i < columns; ++i) {
            const uint32_t s = source[i];
            const uint32_t alpha = s >> 24;
            if (alpha == 0)
                continue;
            destination[i] = alpha == 255 ? s : blendPixel(s, destination[i]);
        }
    }
}
