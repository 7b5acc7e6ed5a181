#include "engine/filters.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The four bytes of a pixel widened to 16-bit lanes, so that four neighbours can be
// added without overflow (4 x 255 = 1020).
#if defined(__SSE2__)
using Lanes = __m128i;

inline Lanes widen(uint32_t pixel)
{
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), _mm_setzero_si128());
}
inline Lanes add(Lanes a, Lanes b)
{
    return _mm_add_epi16(a, b);
}
inline Lanes quarter(Lanes sum)
{
    return _mm_srli_epi16(sum, 2);
}
inline uint32_t narrow(Lanes lanes)
{
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}
// Writes the pixel into two neighbouring pixels with one 64-bit store.
inline void storeTwice(uint32_t* destination, Lanes lanes)
{
    const __m128i packed = _mm_packus_epi16(lanes, lanes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(destination), _mm_unpacklo_epi32(packed, packed));
}

// Four centres at once. Every right, upper and lower neighbour is known before the walk
// reaches a centre, so only the left one chains, and since floor((floor(x / 4) + y) / 4)
// equals floor((x + 4y) / 16) for whole numbers the chain unrolls: centre i of the block
// becomes (v + R0 + 4 R1 + ... + 4^i Ri) >> 2(i + 1), where v is the smoothed pixel before
// the block and Ri the sum of centre i's other three neighbours. For four centres those
// sums stay below 65536, so 16-bit lanes hold them. Writes the four results into the
// centres and, doubled, into out; returns the last one as the next left neighbour.
inline Lanes smoothFour(uint32_t* centre, int32_t w, Lanes left, uint32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [](const uint32_t* pixels) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)); };
    const __m128i right = load(centre + 1);
    const __m128i up = load(centre - w);
    const __m128i down = load(centre + w);
    const __m128i sums01 = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(up, zero)),
        _mm_unpacklo_epi8(down, zero)); // [R0 | R1]
    const __m128i sums23 = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(up, zero)),
        _mm_unpackhi_epi8(down, zero)); // [R2 | R3]
    const __m128i weights01 = _mm_set_epi16(4, 4, 4, 4, 1, 1, 1, 1);
    const __m128i weights23 = _mm_set_epi16(64, 64, 64, 64, 16, 16, 16, 16);
    // [R0 | R0 + 4 R1]
    const __m128i unrolled01 = _mm_add_epi16(_mm_mullo_epi16(sums01, weights01), _mm_slli_si128(sums01, 8));
    // [16 R2 | 64 R3], then [R0 + 4 R1 + 16 R2 | R0 + 4 R1 + 16 R2 + 64 R3]
    const __m128i weighted23 = _mm_mullo_epi16(sums23, weights23);
    const __m128i unrolled23 = _mm_add_epi16(
        _mm_add_epi16(weighted23, _mm_slli_si128(weighted23, 8)), _mm_unpackhi_epi64(unrolled01, unrolled01));
    const __m128i before = _mm_unpacklo_epi64(left, left);
    const __m128i total01 = _mm_add_epi16(unrolled01, before);
    const __m128i total23 = _mm_add_epi16(unrolled23, before);
    // The low half of the first, the high half of the second.
    const auto merge = [](__m128i low, __m128i high) {
        return _mm_castpd_si128(_mm_move_sd(_mm_castsi128_pd(high), _mm_castsi128_pd(low)));
    };
    const __m128i results01 = merge(_mm_srli_epi16(total01, 2), _mm_srli_epi16(total01, 4));
    const __m128i results23 = merge(_mm_srli_epi16(total23, 6), _mm_srli_epi16(total23, 8));
    const __m128i packed = _mm_packus_epi16(results01, results23);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(centre), packed);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(packed, packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi32(packed, packed));
    return _mm_unpackhi_epi64(results23, results23);
}
#else
using Lanes = uint64_t;

inline Lanes widen(uint32_t pixel)
{
    return (pixel & 0xFFu) | (uint64_t { pixel & 0xFF00u } << 8) | (uint64_t { pixel & 0xFF0000u } << 16)
        | (uint64_t { pixel >> 24 } << 48);
}
inline Lanes add(Lanes a, Lanes b)
{
    return a + b;
}
inline Lanes quarter(Lanes sum)
{
    return (sum >> 2) & 0x00FF00FF00FF00FFull;
}
inline uint32_t narrow(Lanes lanes)
{
    return static_cast<uint32_t>(
        (lanes & 0xFF) | ((lanes >> 8) & 0xFF00) | ((lanes >> 16) & 0xFF0000) | ((lanes >> 24) & 0xFF000000));
}
inline void storeTwice(uint32_t* destination, Lanes lanes)
{
    const uint32_t pixel = narrow(lanes);
    destination[0] = pixel;
    destination[1] = pixel;
}
#endif

// The frame row a pass writes, or null when it lies outside the frame.
uint32_t* frameRow(ArgbImage& frame, int64_t row)
{
    if (row < 0 || row >= frame.height || frame.width <= 0)
        return nullptr;
    return frame.row(static_cast<int32_t>(row));
}

} // namespace

void filterPass(ArgbImage& half, ArgbImage& frame, FilterPassKind pass)
{
    const int32_t w = half.width;
    const int32_t h = half.height;
    if (w <= 0 || h <= 0 || half.pixels.size() < static_cast<size_t>(w) * static_cast<size_t>(h))
        return;
    uint32_t* const src = half.pixels.data();
    const int64_t passOffset = pass == FilterPassKind::A ? 0 : 1;
    // Columns whose doubled pair fits wholly into a frame row.
    const int32_t pairsThatFit = std::min(w, std::max(frame.width, 0) / 2);

    for (int32_t r = 1; r <= h - 2; ++r) {
        const int32_t kBegin = r == 1 ? 1 : 0;
        const int32_t kEnd = r == h - 2 ? w - 2 : w - 1; // inclusive
        if (kBegin > kEnd)
            continue;
        uint32_t* rowPixels = src + static_cast<int64_t>(r) * w;
        // The left neighbour of the first centre: in memory already smoothed, if it was a centre.
        Lanes left = widen(rowPixels[kBegin - 1]);
        int32_t k = kBegin;

        const auto smooth = [&](int32_t column) {
            uint32_t* centre = rowPixels + column;
            const Lanes sum = add(add(left, widen(centre[1])), add(widen(centre[-w]), widen(centre[w])));
            left = quarter(sum);
            *centre = narrow(left);
        };

        if (k == 0) {
            smooth(0);
            if (uint32_t* out = frameRow(frame, 2 * int64_t { r } - 2 + passOffset)) {
                if (pairsThatFit >= 1)
                    storeTwice(out, left);
                else
                    out[0] = narrow(left);
            }
            k = 1;
        }

        uint32_t* out = frameRow(frame, 2 * int64_t { r } - 1 + passOffset);
        const int32_t fastEnd = out ? std::min(kEnd, pairsThatFit - 1) : -1;
#if defined(__SSE2__)
        for (; k + 3 <= fastEnd; k += 4)
            left = smoothFour(rowPixels + k, w, left, out + 2 * k);
#endif
        for (; k <= fastEnd; ++k) {
            smooth(k);
            storeTwice(out + 2 * k, left);
        }
        for (; k <= kEnd; ++k) {
            smooth(k);
            if (out && 2 * k < frame.width)
                out[2 * k] = narrow(left);
        }
    }

    std::fill_n(src, w, 0u);
    std::fill_n(src + static_cast<int64_t>(h - 1) * w, w, 0u);
}

void runBlurPass(ArgbImage& frame, ArgbImage& halfFrame, BlurPassTurn& turn, bool interlace)
{
    if (frame.pixels.empty() || halfFrame.pixels.empty())
        return;
    filterPass(halfFrame, frame, turn.next(interlace));
}
