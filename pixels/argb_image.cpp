#include "pixels/argb_image.h"

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
void blendRow(const uint32_t* source, uint32_t* destination, size_t columns)
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

void blendRow(const uint32_t* source, uint32_t* destination, size_t columns)
{
    compositeRowScalar(source, destination, columns);
}

#endif

} // namespace

void compositeRow(const uint32_t* source, uint32_t* destination, std::size_t columns)
{
    blendRow(source, destination, columns);
}

void* allocateZeroedPixels(std::size_t bytes)
{
    if (bytes >= shared_pixels::kSmallestSharedBytes) {
        if (void* shared = shared_pixels::allocate(bytes))
            return shared;
    }
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

void freeZeroedPixels(void* memory) noexcept
{
    if (memory != nullptr && !shared_pixels::free(memory))
        std::free(memory);
}

void ArgbImage::setSize(int32_t newWidth, int32_t newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (count == pixels.size()) {
        clear();
        return;
    }
    // The old block goes first, so that both are never held at once.
    Pixels().swap(pixels);
    Pixels fresh(count);
    pixels.swap(fresh);
}

void ArgbImage::clear()
{
    std::fill(pixels.begin(), pixels.end(), 0u);
}

void ArgbImage::fill(uint32_t pixel)
{
    std::fill(pixels.begin(), pixels.end(), pixel);
}

void ArgbImage::composite(const ArgbImage& sprite, int32_t x, int32_t y, const SpriteRuns* runs)
{
    // Intersect the sprite's rectangle with the image in 64 bits, so that no position
    // overflows; everything outside is cut off.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t { x } + sprite.width, width);
    const int64_t bottom = std::min<int64_t>(int64_t { y } + sprite.height, height);
    if (left >= right || top >= bottom || pixels.empty() || sprite.pixels.empty())
        return;

    if (runs != nullptr && runs->describes(sprite)) {
        runs->composite(sprite, *this, x, y, { left, top, right, bottom });
        return;
    }
    const auto columns = static_cast<size_t>(right - left);
    for (int64_t row = top; row < bottom; ++row) {
        const uint32_t* source = sprite.row(static_cast<int32_t>(row - y)) + (left - x);
        uint32_t* destination = this->row(static_cast<int32_t>(row)) + left;
        blendRow(source, destination, columns);
    }
}

namespace {

inline void prefetchForWriting(const void* address)
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetchw %0" : : "m"(*static_cast<const char*>(address)));
#else
    __builtin_prefetch(address, 1, 3);
#endif
}

SpriteRuns::Kind kindOf(uint32_t pixel)
{
    const uint32_t alpha = pixel >> 24;
    return alpha == 0 ? SpriteRuns::Kind::Skip : alpha == 255 ? SpriteRuns::Kind::Copy : SpriteRuns::Kind::Blend;
}

} // namespace

SpriteRuns::SpriteRuns(const ArgbImage& sprite)
    : m_pixels(sprite.pixels.data())
    , m_width(sprite.width)
    , m_height(sprite.height)
{
    m_rowStarts.reserve(static_cast<size_t>(m_height) + 1);
    m_painted.reserve(static_cast<size_t>(m_height));
    for (int32_t row = 0; row < m_height; ++row) {
        m_rowStarts.push_back(static_cast<uint32_t>(m_runs.size()));
        const uint32_t* pixels = sprite.row(row);
        const auto width = static_cast<uint32_t>(m_width);
        Span painted { 0, m_width };
        while (painted.begin < painted.end && alphaOf(pixels[painted.begin]) == 0)
            ++painted.begin;
        while (painted.end > painted.begin && alphaOf(pixels[painted.end - 1]) == 0)
            --painted.end;
        m_painted.push_back(painted.begin < painted.end ? painted : Span { 0, 0 });
        uint32_t blend = 0; // blended pixels not yet written as a run
        const auto emit = [this](Kind kind, uint32_t length) {
            m_runs.push_back(length << 2 | static_cast<uint32_t>(kind));
        };
        for (uint32_t i = 0; i < width;) {
            const Kind kind = kindOf(pixels[i]);
            uint32_t end = i + 1;
            while (end < width && kindOf(pixels[end]) == kind)
                ++end;
            if (kind != Kind::Blend && end - i >= kShortestRun) {
                if (blend > 0)
                    emit(Kind::Blend, blend);
                blend = 0;
                emit(kind, end - i);
            } else {
                blend += end - i;
            }
            i = end;
        }
        if (blend > 0)
            emit(Kind::Blend, blend);
    }
    m_rowStarts.push_back(static_cast<uint32_t>(m_runs.size()));
}

std::vector<SpriteRuns::Run> SpriteRuns::rowRuns(int32_t row) const
{
    std::vector<Run> runs;
    for (uint32_t i = m_rowStarts[static_cast<size_t>(row)]; i < m_rowStarts[static_cast<size_t>(row) + 1]; ++i)
        runs.push_back({ static_cast<Kind>(m_runs[i] & 3), m_runs[i] >> 2 });
    return runs;
}

template <typename Visit>
void SpriteRuns::forEachRun(int32_t row, uint32_t from, uint32_t to, Visit&& visit) const
{
    uint32_t column = 0;
    const uint32_t last = m_rowStarts[static_cast<size_t>(row) + 1];
    for (uint32_t i = m_rowStarts[static_cast<size_t>(row)]; i < last && column < to; ++i) {
        const uint32_t run = m_runs[i];
        const uint32_t end = column + (run >> 2);
        const uint32_t start = std::max(column, from);
        const uint32_t stop = std::min(end, to);
        column = end;
        if (start < stop)
            visit(static_cast<Kind>(run & 3), start, stop);
    }
}

void SpriteRuns::composite(const ArgbImage& sprite, ArgbImage& image, int32_t x, int32_t y, const Overlap& overlap) const
{
    // Columns [from, to) of the sprite fall on the image.
    const auto from = static_cast<uint32_t>(overlap.left - x);
    const auto to = static_cast<uint32_t>(overlap.right - x);
    // The display server reads each presented rectangle out of the frame, so the lines a
    // sprite lands on are usually held by another processor, and every store would wait for
    // its line in turn. Asking for the lines of a row some rows ahead lets those waits overlap.
    const auto askForRow = [&](int64_t row) {
        const uint32_t* destination = image.row(static_cast<int32_t>(row)) + overlap.left;
        forEachRun(static_cast<int32_t>(row - y), from, to, [&](Kind kind, uint32_t start, uint32_t stop) {
            if (kind == Kind::Skip)
                return;
            const auto* first = reinterpret_cast<const char*>(destination + (start - from));
            const auto* lastByte = reinterpret_cast<const char*>(destination + (stop - from)) - 1;
            for (const char* line = first; line <= lastByte; line += 64)
                prefetchForWriting(line);
            prefetchForWriting(lastByte);
        });
    };
    for (int64_t row = overlap.top; row < std::min(overlap.top + kRowsAhead, overlap.bottom); ++row)
        askForRow(row);
    for (int64_t row = overlap.top; row < overlap.bottom; ++row) {
        if (row + kRowsAhead < overlap.bottom)
            askForRow(row + kRowsAhead);
        const auto spriteRow = static_cast<int32_t>(row - y);
        const uint32_t* source = sprite.row(spriteRow);
        uint32_t* destination = image.row(static_cast<int32_t>(row)) + overlap.left;
        forEachRun(spriteRow, from, to, [&](Kind kind, uint32_t start, uint32_t stop) {
            switch (kind) {
            case Kind::Skip:
                break;
            case Kind::Copy:
                std::copy(source + start, source + stop, destination + (start - from));
                break;
            case Kind::Blend:
                blendRow(source + start, destination + (start - from), stop - start);
                break;
            }
        });
    }
}
