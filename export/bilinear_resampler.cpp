#include "export/bilinear_resampler.h"

#include "export/bmp.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kBytesPerPixel = 4;

#if !defined(__SSE2__)
uint8_t truncateToByte(double sum)
{
    // The weights are never negative and add up to 1 (give or take the last bit), so the
    // clamp only guards against a sum a hair outside 0..255.
    return static_cast<uint8_t>(std::clamp(sum, 0.0, 255.0));
}
#endif

// The sources of one destination position that carry weight. A weight of exactly 0 adds
// +0 to a sum that is never negative, which changes nothing, so the zero weights at both
// ends of a position's sources are skipped.
struct Taps {
    int32_t first = 0; // source position of the first weight
    int32_t count = 0;
    const double* weights = nullptr;
};

std::vector<Taps> nonZeroTaps(const C2PassScale::ContributionList& contributions)
{
    std::vector<Taps> taps(contributions.left.size());
    for (std::size_t u = 0; u < taps.size(); ++u) {
        const double* weights = contributions.weights.data() + contributions.firstWeight[u];
        int32_t first = contributions.left[u];
        int32_t last = contributions.right[u];
        while (first <= last && weights[0] == 0.0) {
            ++first;
            ++weights;
        }
        while (last >= first && weights[last - first] == 0.0)
            --last;
        taps[u] = { first, last - first + 1, weights };
    }
    return taps;
}

#if defined(__SSE2__)
// Four bytes as four doubles in two registers: [byte 0, byte 1] and [byte 2, byte 3].
inline void widenPixel(const uint8_t* pixel, __m128d& low, __m128d& high)
{
    uint32_t word = 0;
    std::memcpy(&word, pixel, sizeof(word));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lanes
        = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(word)), zero), zero);
    low = _mm_cvtepi32_pd(lanes);
    high = _mm_cvtepi32_pd(_mm_shuffle_epi32(lanes, 0x0E));
}

// Clamps four sums to 0..255, truncates them toward zero and stores them as four bytes,
// as truncateToByte does one at a time.
inline void storePixel(uint8_t* destination, __m128d low, __m128d high)
{
    const __m128d floor = _mm_setzero_pd();
    const __m128d ceiling = _mm_set1_pd(255.0);
    const __m128i lowInts = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(low, floor), ceiling));
    const __m128i highInts = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(high, floor), ceiling));
    const __m128i ints = _mm_unpacklo_epi64(lowInts, highInts);
    const __m128i words = _mm_packs_epi32(ints, ints);
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    std::memcpy(destination, &packed, sizeof(packed));
}
#endif

// One output pixel: every byte is the sum, in source order, of weight x source byte, as a
// double, truncated. The sources of a tap lie `step` bytes apart (4 along a row, a row's
// length down a column). The vector code does the same multiplications and additions in
// the same order per byte, only four bytes at once, so its sums are the same to the last bit.
void sumTaps(const uint8_t* pixel, std::ptrdiff_t step, const Taps& tap, uint8_t* out)
{
#if defined(__SSE2__)
    __m128d low = _mm_setzero_pd();
    __m128d high = _mm_setzero_pd();
    for (int32_t k = 0; k < tap.count; ++k, pixel += step) {
        const __m128d weight = _mm_set1_pd(tap.weights[k]);
        __m128d pixelLow;
        __m128d pixelHigh;
        widenPixel(pixel, pixelLow, pixelHigh);
        low = _mm_add_pd(low, _mm_mul_pd(weight, pixelLow));
        high = _mm_add_pd(high, _mm_mul_pd(weight, pixelHigh));
    }
    storePixel(out, low, high);
#else
    double sums[kBytesPerPixel] = { 0.0, 0.0, 0.0, 0.0 };
    for (int32_t k = 0; k < tap.count; ++k, pixel += step) {
        for (int b = 0; b < kBytesPerPixel; ++b)
            sums[b] += tap.weights[k] * pixel[b];
    }
    for (int b = 0; b < kBytesPerPixel; ++b)
        out[b] = truncateToByte(sums[b]);
#endif
}

void scaleRow(const uint8_t* source, uint8_t* destination, const std::vector<Taps>& taps)
{
    for (std::size_t u = 0; u < taps.size(); ++u) {
        const Taps& tap = taps[u];
        sumTaps(source + static_cast<std::ptrdiff_t>(tap.first) * kBytesPerPixel, kBytesPerPixel, tap,
            destination + u * kBytesPerPixel);
    }
}

// One destination row of the vertical pass from the intermediate rows.
void scaleColumns(const uint8_t* intermediate, std::size_t rowBytes, const Taps& tap, uint8_t* destination)
{
    const uint8_t* firstRow = intermediate + static_cast<std::size_t>(tap.first) * rowBytes;
    for (std::size_t i = 0; i < rowBytes; i += kBytesPerPixel)
        sumTaps(firstRow + i, static_cast<std::ptrdiff_t>(rowBytes), tap, destination + i);
}

} // namespace

CGenericFilter::~CGenericFilter() = default;

double CBilinearFilter::Filter(double t) const
{
    t = std::fabs(t);
    return t < m_width ? 1.0 - t : 0.0;
}

C2PassScale::ContributionList C2PassScale::CalcContributions(int32_t sourceLength, int32_t destinationLength) const
{
    ContributionList list;
    const auto count = static_cast<std::size_t>(std::max(destinationLength, 0));
    list.left.assign(count, 0);
    list.right.assign(count, -1);
    list.firstWeight.assign(count, 0);
    if (sourceLength <= 0 || destinationLength <= 0) {
        return list;
    }

    // When shrinking, the filter widens by the inverse scale so that every source
    // pixel is taken into account.
    const double scale = static_cast<double>(destinationLength) / static_cast<double>(sourceLength);
    const double filterWidth = m_filter.GetWidth();
    const double filterScale = scale >= 1.0 ? 1.0 : scale;
    const double width = scale >= 1.0 ? filterWidth : filterWidth / scale;
    list.window = 2 * static_cast<int32_t>(std::ceil(width)) + 1;
    list.weights.reserve(count * static_cast<std::size_t>(list.window));

    for (std::size_t u = 0; u < count; ++u) {
        const double centre = static_cast<double>(u) / scale;
        auto left = static_cast<int32_t>(std::max(std::floor(centre - width), 0.0));
        const auto right = static_cast<int32_t>(std::min(std::ceil(centre + width), static_cast<double>(sourceLength - 1)));
        if (right - left + 1 > list.window) {
            ++left;
        }
        list.left[u] = left;
        list.right[u] = right;
        list.firstWeight[u] = list.weights.size();
        double total = 0.0;
        for (int32_t k = left; k <= right; ++k) {
            const double weight = filterScale * m_filter.Filter(filterScale * (centre - static_cast<double>(k)));
            list.weights.push_back(weight);
            total += weight;
        }
        if (total > 0.0) {
            for (std::size_t i = list.firstWeight[u]; i < list.weights.size(); ++i) {
                list.weights[i] /= total;
            }
        }
    }
    return list;
}

void C2PassScale::Scale(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t sourceHeight,
                        uint8_t* const* destinationRows, int32_t newWidth, int32_t newHeight) const
{
    if (newWidth <= 0 || newHeight <= 0) {
        return;
    }
    const auto intermediateRowBytes = static_cast<std::size_t>(newWidth) * kBytesPerPixel;
    const auto rows = static_cast<std::size_t>(std::max(sourceHeight, 0));
    // Every byte of the intermediate picture is written by the horizontal pass below.
    const std::unique_ptr<uint8_t[]> intermediateStore(new uint8_t[std::max<std::size_t>(intermediateRowBytes * rows, 1)]);
    uint8_t* const intermediate = intermediateStore.get();

    // Horizontal pass, with one set of weights for every row. At the same width the rows
    // are copied, which is what the filter would give.
    if (sourceWidth == newWidth) {
        for (std::size_t y = 0; y < rows; ++y) {
            std::memcpy(intermediate + y * intermediateRowBytes, sourceRows[y], intermediateRowBytes);
        }
    } else {
        const ContributionList across = CalcContributions(sourceWidth, newWidth);
        const std::vector<Taps> taps = nonZeroTaps(across);
        for (std::size_t y = 0; y < rows; ++y) {
            scaleRow(sourceRows[y], intermediate + y * intermediateRowBytes, taps);
        }
    }

    // At the same height the filter's weights are exactly 0, 1, 0, so the pass would give
    // back every row unchanged: copy instead.
    if (sourceHeight == newHeight) {
        for (int32_t v = 0; v < newHeight; ++v) {
            std::memcpy(destinationRows[v], intermediate + static_cast<std::size_t>(v) * intermediateRowBytes,
                        intermediateRowBytes);
        }
        return;
    }

    // Vertical pass, one destination row at a time.
    const ContributionList down = CalcContributions(sourceHeight, newHeight);
    const std::vector<Taps> taps = nonZeroTaps(down);
    for (int32_t v = 0; v < newHeight; ++v) {
        scaleColumns(intermediate, intermediateRowBytes, taps[static_cast<std::size_t>(v)], destinationRows[v]);
    }
}

CFilter::~CFilter() = default;

void CFilterResizeBilinear::Apply(CBmp& bitmap) const
{
    if (bitmap.GetBitsPerPixel() != 32) {
        throw CTextException(CTextException::kBadArgument, "Only 32-bit pictures can be resized.\n");
    }
    CAnyBmp scaled;
    scaled.Create(m_newWidth, m_newHeight, bitmap.GetBitsPerPixel(), bitmap.HasAlpha());
    const CBilinearFilter filter;
    const C2PassScale scaler(filter);
    scaler.Scale(bitmap.GetLineArray(), bitmap.GetWidth(), bitmap.GetHeight(), scaled.GetLineArray(), m_newWidth,
                 m_newHeight);
    bitmap.CopyFrom(scaled);
}
