#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The one pixel container of the program: frames, sprites, blocks copied to windows and
// the pictures of the custom controls.
//
// Pixels are 32-bit words, blue in bits 0-7, green 8-15, red 16-23 and alpha 24-31
// (0 transparent, 255 opaque); this is also the byte order of a 32-bit QImage
// (Format_ARGB32 / Format_RGB32) on a little-endian machine. Rows are stored top row
// first with no padding, so pixel (x, y) is pixels[y * width + x]. The block is empty
// until the first SetSize.
struct ArgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    // Reallocates width x height pixels, all 0. A negative side counts as 0.
    void SetSize(int32_t newWidth, int32_t newHeight);
    // Sets every pixel to 0 (transparent black).
    void Clear();
    // Sets every pixel to the given value.
    void Fill(uint32_t pixel);

    // Lays the sprite over this image with its top-left pixel at column x, row y.
    //
    // Colour moves toward the sprite by alpha / 256 (an arithmetic shift of the signed
    // product, so it rounds toward minus infinity) while alpha adds up, capped at 255;
    // alpha 0 leaves the pixel alone and alpha 255 replaces all four bytes. The part of
    // the sprite that falls outside the image is cut off, so callers never have to keep
    // the sprite inside; for a sprite wholly inside, the result is the plain rule above.
    void Composite(const ArgbImage& sprite, int32_t x, int32_t y);

    uint32_t* Row(int32_t y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const uint32_t* Row(int32_t y) const
    {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

// Lays `columns` pixels of a sprite row over a row of an image by the rule of Composite,
// for callers that know which part of a row holds anything.
void CompositeRow(const uint32_t* source, uint32_t* destination, std::size_t columns);

// Pixel packing helpers for the ARGB byte order above.
constexpr uint32_t MakeArgb(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
{
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}
constexpr uint32_t AlphaOf(uint32_t pixel) { return pixel >> 24; }
constexpr uint32_t RedOf(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
constexpr uint32_t GreenOf(uint32_t pixel) { return (pixel >> 8) & 0xFF; }
constexpr uint32_t BlueOf(uint32_t pixel) { return pixel & 0xFF; }
