#include "engine/argb_image.h"

#include "platform/shared_pixels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The blend d + (((s - d) x a) >> 8), with >> an arithmetic shift, equals
// (s x a + d x (256 - a)) >> 8: both are floor((256 d + (s - d) a) / 256). The second form
// has no negative terms and stays below 65536, so red and blue share one 32-bit word here
// and SSE2 can work in unsigned 16-bit lanes. With a = 0 it gives d back unchanged.
inline uint32_t blendPixel(uint32_t source, uint32_t destination)
{
    const uint32_t alpha = source >> 24;
    const uint32_t rest = 256 - alpha;
    const uint32_t redBlue = (((source & 0x00FF00FFu) * alpha + (destination & 0x00FF00FFu) * rest) >> 8) & 0x00FF00FFu;
    const uint32_t green = (((source & 0x0000FF00u) * alpha + (destination & 0x0000FF00u) * rest) >> 8) & 0x0000FF00u;
    const uint32_t newAlpha = std::min<uint32_t>((destination >> 24) + alpha, 255);
    return (newAlpha << 24) | redBlue | green;
}

void compositeRowScalar(const uint32_t* source, uint32_t* destination, size_t columns)
{
    for (size_t i = 0; i < columns; ++i) {
        const uint32_t s = source[i];
        const uint32_t alpha = s >> 24;
        if (alpha == 0)
            continue;
        destination[i] = alpha == 255 ? s : blendPixel(s, destination[i]);
    }
}

#if defined(__SSE2__)

// blendPixel for four pixels, with the opaque ones (all bits set in `opaque`) copied.
inline __m128i blendFour(__m128i source, __m128i destination, __m128i opaque)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i full = _mm_set1_epi16(256);
    // Each pixel's alpha in all four of its 16-bit lanes.
    const __m128i alpha32 = _mm_srli_epi32(source, 24);
    const __m128i alpha16 = _mm_or_si128(alpha32, _mm_slli_epi32(alpha32, 16));
    const __m128i alphaLow = _mm_unpacklo_epi32(alpha16, alpha16);
    const __m128i alphaHigh = _mm_unpackhi_epi32(alpha16, alpha16);

    const auto blendTwo = [&](__m128i s, __m128i d, __m128i a) {
        const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(full, a)));
        return _mm_srli_epi16(sum, 8);
    };
    const __m128i low = blendTwo(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(destination, zero), alphaLow);
    const __m128i high = blendTwo(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(destination, zero), alphaHigh);
    const __m128i colours = _mm_andnot_si128(alphaMask, _mm_packus_epi16(low, high));
    // The alpha bytes add with saturation, which is the cap at 255.
    const __m128i alpha = _mm_and_si128(_mm_adds_epu8(source, destination), alphaMask);
    const __m128i blended = _mm_or_si128(colours, alpha);
    return _mm_or_si128(_mm_and_si128(opaque, source), _mm_andnot_si128(opaque, blended));
}

// Four pixels per step. Sprites are mostly runs of opaque pixels inside and transparent
// ones in the corners, so a step whose four pixels are all of one kind is a plain copy or
// nothing; only steps that touch the soft edge blend.
void compositeRow(const uint32_t* source, uint32_t* destination, size_t columns)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= columns; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i alpha = _mm_and_si128(s, alphaMask);
        const __m128i opaque = _mm_cmpeq_epi32(alpha, alphaMask);
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), s);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF)
            continue;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), blendFour(s, d, opaque));
    }
    compositeRowScalar(source + i, destination + i, columns - i);
}

#else

void compositeRow(const uint32_t* source, uint32_t* destination, size_t columns)
{
    compositeRowScalar(source, destination, columns);
}

#endif

} // namespace

void CompositeRow(const uint32_t* source, uint32_t* destination, std::size_t columns)
{
    compositeRow(source, destination, columns);
}

void* AllocateZeroedPixels(std::size_t bytes)
{
    if (bytes >= shared_pixels::kSmallestSharedBytes) {
        if (void* shared = shared_pixels::Allocate(bytes))
            return shared;
    }
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

void FreeZeroedPixels(void* memory) noexcept
{
    if (memory != nullptr && !shared_pixels::Free(memory))
        std::free(memory);
}

void ArgbImage::SetSize(int32_t newWidth, int32_t newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (count == pixels.size()) {
        Clear();
        return;
    }
    // The old block goes first, so that both are never held at once.
    Pixels().swap(pixels);
    Pixels fresh(count);
    pixels.swap(fresh);
}

void ArgbImage::Clear()
{
    std::fill(pixels.begin(), pixels.end(), 0u);
}

void ArgbImage::Fill(uint32_t pixel)
{
    std::fill(pixels.begin(), pixels.end(), pixel);
}

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
        compositeRow(source, destination, columns);
    }
}
