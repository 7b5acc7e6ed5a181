// The row kernels of bilinear_rows.h. Each source file that includes this header is built for
// its own instruction set and gets its own copy of everything here (all of it lives in an
// anonymous namespace), so code built for one instruction set never stands in for another's.
// With AVX2 a widened pixel is one register of four doubles, otherwise two of two; the
// operations per byte are the same either way.

#include "export/bilinear_rows.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#else
#include <algorithm>
#endif

namespace {

constexpr int kChannels = 4;

inline uint32_t loadWord(const uint8_t* bytes)
{
    uint32_t word = 0;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
}

#if defined(__SSE2__)
// Four integers 0..255 stored as the four bytes of a pixel.
inline void storeByteLanes(__m128i ints, uint8_t* pixel)
{
    const __m128i words = _mm_packs_epi32(ints, ints);
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    std::memcpy(pixel, &packed, sizeof(packed));
}
#endif

#if defined(__AVX2__)

// The four sums of one pixel.
struct Sums {
    __m256d all = _mm256_setzero_pd();

    // sum += weight x pixel, for each byte; the product is rounded before the addition.
    void add(__m256d weight, const double* pixel) { all = _mm256_add_pd(all, _mm256_mul_pd(weight, _mm256_loadu_pd(pixel))); }
    // Clamped to 0..255 and truncated toward zero, as four 32-bit integers.
    __m128i truncated() const
    {
        const __m256d clamped = _mm256_min_pd(_mm256_max_pd(all, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
        return _mm256_cvttpd_epi32(clamped);
    }
    void storeWide(double* pixel) const { _mm256_storeu_pd(pixel, _mm256_cvtepi32_pd(truncated())); }
    void storeBytes(uint8_t* pixel) const { storeByteLanes(truncated(), pixel); }
};

inline __m256d splat(double weight) { return _mm256_set1_pd(weight); }
using Weight = __m256d;

// Each byte b goes into the low bits of the double 2^52, which then holds 2^52 + b exactly;
// taking 2^52 away leaves b. Cheaper than the integer conversion, and exact.
inline void widenPixel(const uint8_t* pixel, double* wide)
{
    const __m256d twoTo52 = _mm256_set1_pd(4503599627370496.0);
    const __m256i bytes = _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(static_cast<int>(loadWord(pixel))));
    const __m256d biased = _mm256_castsi256_pd(_mm256_or_si256(bytes, _mm256_castpd_si256(twoTo52)));
    _mm256_storeu_pd(wide, _mm256_sub_pd(biased, twoTo52));
}

#elif defined(__SSE2__)

struct Sums {
    __m128d low = _mm_setzero_pd();  // bytes 0 and 1
    __m128d high = _mm_setzero_pd(); // bytes 2 and 3

    void add(__m128d weight, const double* pixel)
    {
        low = _mm_add_pd(low, _mm_mul_pd(weight, _mm_loadu_pd(pixel)));
        high = _mm_add_pd(high, _mm_mul_pd(weight, _mm_loadu_pd(pixel + 2)));
    }
    __m128i truncated() const
    {
        const __m128d floor = _mm_setzero_pd();
        const __m128d ceiling = _mm_set1_pd(255.0);
        const __m128i lowInts = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(low, floor), ceiling));
        const __m128i highInts = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(high, floor), ceiling));
        return _mm_unpacklo_epi64(lowInts, highInts);
    }
    void storeWide(double* pixel) const
    {
        const __m128i ints = truncated();
        _mm_storeu_pd(pixel, _mm_cvtepi32_pd(ints));
        _mm_storeu_pd(pixel + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(ints, 0x0E)));
    }
    void storeBytes(uint8_t* pixel) const { storeByteLanes(truncated(), pixel); }
};

inline __m128d splat(double weight) { return _mm_set1_pd(weight); }
using Weight = __m128d;

inline void widenPixel(const uint8_t* pixel, double* wide)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lanes
        = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(loadWord(pixel))), zero), zero);
    _mm_storeu_pd(wide, _mm_cvtepi32_pd(lanes));
    _mm_storeu_pd(wide + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(lanes, 0x0E)));
}

#else

struct Sums {
    double byte[kChannels] = { 0.0, 0.0, 0.0, 0.0 };

    void add(double weight, const double* pixel)
    {
        for (int b = 0; b < kChannels; ++b)
            byte[b] += weight * pixel[b];
    }
    uint8_t truncated(int b) const { return static_cast<uint8_t>(std::clamp(byte[b], 0.0, 255.0)); }
    void storeWide(double* pixel) const
    {
        for (int b = 0; b < kChannels; ++b)
            pixel[b] = truncated(b);
    }
    void storeBytes(uint8_t* pixel) const
    {
        for (int b = 0; b < kChannels; ++b)
            pixel[b] = truncated(b);
    }
};

inline double splat(double weight) { return weight; }
using Weight = double;

inline void widenPixel(const uint8_t* pixel, double* wide)
{
    for (int b = 0; b < kChannels; ++b)
        wide[b] = pixel[b];
}

#endif

void widenRow(const uint8_t* source, int32_t pixels, double* wide)
{
    for (int32_t x = 0; x < pixels; ++x)
        widenPixel(source + static_cast<std::ptrdiff_t>(x) * kChannels, wide + static_cast<std::ptrdiff_t>(x) * kChannels);
}

// Adds each tap's products to the sums of `Rows` rows, one weight after another in tap
// order. With a Count above 0 the trip count is known and the loop is laid out flat.
template <int Rows, int Count>
inline void addTaps(const double* const (&sources)[Rows], const double* weights, int32_t count, Sums (&sums)[Rows])
{
    const int32_t taps = Count > 0 ? Count : count;
    for (int32_t k = 0; k < taps; ++k) {
        const Weight weight = splat(weights[k]);
        for (int r = 0; r < Rows; ++r)
            sums[r].add(weight, sources[r] + static_cast<std::ptrdiff_t>(k) * kChannels);
    }
}

template <int Rows>
inline void sumTaps(const double* const (&sources)[Rows], const double* weights, int32_t count, Sums (&sums)[Rows])
{
    switch (count) {
    case 2: addTaps<Rows, 2>(sources, weights, count, sums); return;
    case 3: addTaps<Rows, 3>(sources, weights, count, sums); return;
    case 4: addTaps<Rows, 4>(sources, weights, count, sums); return;
    case 5: addTaps<Rows, 5>(sources, weights, count, sums); return;
    case 6: addTaps<Rows, 6>(sources, weights, count, sums); return;
    case 7: addTaps<Rows, 7>(sources, weights, count, sums); return;
    default: addTaps<Rows, 0>(sources, weights, count, sums); return;
    }
}

// Rows that share the taps go through them together: each weight is fetched once, and the
// rows' sums are independent of one another.
template <int Rows>
void scaleRowsTogether(const double* const* wideSources, const bilinear_rows::Tap* taps, int32_t pixels,
    double* const* wideDestinations)
{
    for (int32_t u = 0; u < pixels; ++u) {
        const bilinear_rows::Tap& tap = taps[u];
        const double* sources[Rows];
        for (int r = 0; r < Rows; ++r)
            sources[r] = wideSources[r] + static_cast<std::ptrdiff_t>(tap.first) * kChannels;
        Sums sums[Rows];
        sumTaps<Rows>(sources, tap.weights, tap.count, sums);
        for (int r = 0; r < Rows; ++r)
            sums[r].storeWide(wideDestinations[r] + static_cast<std::ptrdiff_t>(u) * kChannels);
    }
}

void scaleRows(const double* const* wideSources, int32_t rows, const bilinear_rows::Tap* taps, int32_t pixels,
    double* const* wideDestinations)
{
    int32_t row = 0;
    for (; row + 2 <= rows; row += 2)
        scaleRowsTogether<2>(wideSources + row, taps, pixels, wideDestinations + row);
    if (row < rows)
        scaleRowsTogether<1>(wideSources + row, taps, pixels, wideDestinations + row);
}

// Four pixels at a time share each weight; their sums are independent of one another.
void blendRows(const double* const* rows, const double* weights, int32_t count, int32_t pixels, uint8_t* destination)
{
    constexpr int32_t kBlock = 4;
    int32_t x = 0;
    for (; x + kBlock <= pixels; x += kBlock) {
        const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(x) * kChannels;
        Sums sums[kBlock];
        for (int32_t k = 0; k < count; ++k) {
            const Weight weight = splat(weights[k]);
            const double* row = rows[k] + offset;
            for (int32_t i = 0; i < kBlock; ++i)
                sums[i].add(weight, row + i * kChannels);
        }
        for (int32_t i = 0; i < kBlock; ++i)
            sums[i].storeBytes(destination + offset + i * kChannels);
    }
    for (; x < pixels; ++x) {
        const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(x) * kChannels;
        Sums sums;
        for (int32_t k = 0; k < count; ++k)
            sums.add(splat(weights[k]), rows[k] + offset);
        sums.storeBytes(destination + offset);
    }
}

} // namespace
