#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

// Zeroed pixel memory: a large block in shared memory the X server can read in place (see
// shared_pixels.h), anything else from calloc. Neither is written here, so a screen-sized
// picture costs no clearing: the system hands out zero pages and makes only those that are
// drawn on.
void* AllocateZeroedPixels(std::size_t bytes);
void FreeZeroedPixels(void* memory) noexcept;

// An allocator of that memory, which leaves an element made without a value as the memory
// holds it. Elements made without a value are zero only in memory fresh from allocate; a
// vector of this allocator must therefore never grow into capacity it used before
// (shrinking with resize and growing again). ArgbImage only ever grows by taking a new block.
template <typename T>
struct ZeroedAllocator {
    using value_type = T;

    ZeroedAllocator() = default;
    template <typename U>
    ZeroedAllocator(const ZeroedAllocator<U>& /*other*/) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(AllocateZeroedPixels(count * sizeof(T)));
    }
    void deallocate(T* memory, std::size_t /*count*/) noexcept { FreeZeroedPixels(memory); }

    template <typename U>
    void construct(U* /*element*/) noexcept
    {
    }
    template <typename U, typename... Arguments>
    void construct(U* element, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(element)) U(std::forward<Arguments>(arguments)...);
    }

    template <typename U>
    bool operator==(const ZeroedAllocator<U>& /*other*/) const noexcept
    {
        return true;
    }
};

struct ArgbImage {
    using Pixels = std::vector<uint32_t, ZeroedAllocator<uint32_t>>;

    int32_t width = 0;
    int32_t height = 0;
    Pixels pixels;

    // Makes the image width x height pixels, all 0. A negative side counts as 0. A new size
    // takes a fresh block, whose zero pages are not written until something is drawn.
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
