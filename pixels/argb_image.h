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
void* allocateZeroedPixels(std::size_t bytes);
void freeZeroedPixels(void* memory) noexcept;

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
        return static_cast<T*>(allocateZeroedPixels(count * sizeof(T)));
    }
    void deallocate(T* memory, std::size_t /*count*/) noexcept { freeZeroedPixels(memory); }

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

class SpriteRuns;

struct ArgbImage {
    using Pixels = std::vector<uint32_t, ZeroedAllocator<uint32_t>>;

    int32_t width = 0;
    int32_t height = 0;
    Pixels pixels;

    // Makes the image width x height pixels, all 0. A negative side counts as 0. A new size
    // takes a fresh block, whose zero pages are not written until something is drawn.
    void setSize(int32_t newWidth, int32_t newHeight);
    // Sets every pixel to 0 (transparent black).
    void clear();
    // Sets every pixel to the given value.
    void fill(uint32_t pixel);

    // Lays the sprite over this image with its top-left pixel at column x, row y.
    //
    // Colour moves toward the sprite by alpha / 256 (an arithmetic shift of the signed
    // product, so it rounds toward minus infinity) while alpha adds up, capped at 255;
    // alpha 0 leaves the pixel alone and alpha 255 replaces all four bytes. The part of
    // the sprite that falls outside the image is cut off, so callers never have to keep
    // the sprite inside; for a sprite wholly inside, the result is the plain rule above.
    //
    // Given the sprite's runs (made from these very pixels), clear runs are skipped and
    // opaque ones copied without a look at each pixel; the result is the same.
    void composite(const ArgbImage& sprite, int32_t x, int32_t y, const SpriteRuns* runs = nullptr);

    uint32_t* row(int32_t y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const uint32_t* row(int32_t y) const
    {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

// A sprite's rows cut into runs of clear pixels, which a composite skips, opaque pixels, which
// it copies, and the rest, which it blends one by one. A sprite is mostly an opaque body with
// clear corners and a thin soft edge, so laying one with its runs costs about a copy of its
// body. The runs describe the pixels they were made from: once those change, they must be
// made again (Describes tells a different size or a different block, not changed values).
class SpriteRuns {
public:
    SpriteRuns() = default;
    explicit SpriteRuns(const ArgbImage& sprite);

    bool describes(const ArgbImage& sprite) const
    {
        return m_pixels != nullptr && m_pixels == sprite.pixels.data() && m_width == sprite.width
            && m_height == sprite.height;
    }

    // Clear and opaque stretches shorter than this are blended with their neighbours: a
    // separate run would cost more than it saves.
    static constexpr uint32_t kShortestRun = 8;

    enum class Kind : uint32_t { Skip = 0, Copy = 1, Blend = 2 };
    struct Run {
        Kind kind;
        uint32_t length;
    };
    // The runs of one row, left to right; their lengths add up to the width.
    std::vector<Run> rowRuns(int32_t row) const;

    // The columns of a row from its first pixel with alpha > 0 to just past its last one
    // ({0, 0} when it has none): all that a composite of the row can change.
    struct Span {
        int32_t begin;
        int32_t end;
    };
    Span paintedSpan(int32_t row) const { return m_painted[static_cast<std::size_t>(row)]; }
    // Every row's painted span, row 0 first.
    const Span* paintedSpans() const { return m_painted.data(); }

private:
    friend struct ArgbImage;
    // Rows a composite asks for ahead of the row it writes.
    static constexpr int64_t kRowsAhead = 16;
    // The part of the image a composite covers, in image columns and rows; never empty.
    struct Overlap {
        int64_t left, top, right, bottom;
    };
    void composite(const ArgbImage& sprite, ArgbImage& image, int32_t x, int32_t y, const Overlap& overlap) const;
    // Calls visit(kind, start, stop) for each run of the row cut to the columns [from, to).
    template <typename Visit>
    void forEachRun(int32_t row, uint32_t from, uint32_t to, Visit&& visit) const;

    const uint32_t* m_pixels = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint32_t> m_rowStarts; // index of each row's first run; one more at the end
    std::vector<uint32_t> m_runs; // length << 2 | kind
    std::vector<Span> m_painted; // per row
};

// Lays `columns` pixels of a sprite row over a row of an image by the rule of Composite,
// for callers that know which part of a row holds anything.
void compositeRow(const uint32_t* source, uint32_t* destination, std::size_t columns);

// Pixel packing helpers for the ARGB byte order above.
constexpr uint32_t makeArgb(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
{
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}
constexpr uint32_t alphaOf(uint32_t pixel) { return pixel >> 24; }
constexpr uint32_t redOf(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
constexpr uint32_t greenOf(uint32_t pixel) { return (pixel >> 8) & 0xFF; }
constexpr uint32_t blueOf(uint32_t pixel) { return pixel & 0xFF; }
