#include "export/bilinear_resampler.h"

#include "export/bmp.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kBytesPerPixel = 4;

uint8_t truncateToByte(double sum)
{
    // The weights are never negative and add up to 1 (give or take the last bit), so the
    // clamp only guards against a sum a hair outside 0..255.
    return static_cast<uint8_t>(std::clamp(sum, 0.0, 255.0));
}

void scaleRow(const uint8_t* source, uint8_t* destination, int32_t newWidth,
              const C2PassScale::ContributionList& contributions)
{
    for (int32_t u = 0; u < newWidth; ++u) {
        double sums[kBytesPerPixel] = {0.0, 0.0, 0.0, 0.0};
        const double* weight = contributions.weights.data() + contributions.firstWeight[static_cast<std::size_t>(u)];
        const int32_t left = contributions.left[static_cast<std::size_t>(u)];
        const int32_t right = contributions.right[static_cast<std::size_t>(u)];
        for (int32_t k = left; k <= right; ++k, ++weight) {
            const uint8_t* pixel = source + static_cast<std::ptrdiff_t>(k) * kBytesPerPixel;
            for (int b = 0; b < kBytesPerPixel; ++b) {
                sums[b] += *weight * pixel[b];
            }
        }
        for (int b = 0; b < kBytesPerPixel; ++b) {
            destination[static_cast<std::ptrdiff_t>(u) * kBytesPerPixel + b] = truncateToByte(sums[b]);
        }
    }
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
    std::vector<uint8_t> intermediate(intermediateRowBytes * rows);

    // Horizontal pass, with one set of weights for every row. At the same width the rows
    // are copied, which is what the filter would give.
    if (sourceWidth == newWidth) {
        for (std::size_t y = 0; y < rows; ++y) {
            std::memcpy(intermediate.data() + y * intermediateRowBytes, sourceRows[y], intermediateRowBytes);
        }
    } else {
        const ContributionList across = CalcContributions(sourceWidth, newWidth);
        for (std::size_t y = 0; y < rows; ++y) {
            scaleRow(sourceRows[y], intermediate.data() + y * intermediateRowBytes, newWidth, across);
        }
    }

    // At the same height the filter's weights are exactly 0, 1, 0, so the pass would give
    // back every row unchanged: copy instead.
    if (sourceHeight == newHeight) {
        for (int32_t v = 0; v < newHeight; ++v) {
            std::memcpy(destinationRows[v], intermediate.data() + static_cast<std::size_t>(v) * intermediateRowBytes,
                        intermediateRowBytes);
        }
        return;
    }

    // Vertical pass. Whole rows are accumulated at once, source row by source row in the
    // same order as a column-by-column sum, which keeps the sums identical and the memory
    // access sequential.
    const ContributionList down = CalcContributions(sourceHeight, newHeight);
    std::vector<double> sums(intermediateRowBytes);
    for (int32_t v = 0; v < newHeight; ++v) {
        std::fill(sums.begin(), sums.end(), 0.0);
        const double* weight = down.weights.data() + down.firstWeight[static_cast<std::size_t>(v)];
        for (int32_t k = down.left[static_cast<std::size_t>(v)]; k <= down.right[static_cast<std::size_t>(v)];
             ++k, ++weight) {
            const uint8_t* row = intermediate.data() + static_cast<std::size_t>(k) * intermediateRowBytes;
            for (std::size_t i = 0; i < intermediateRowBytes; ++i) {
                sums[i] += *weight * row[i];
            }
        }
        uint8_t* destination = destinationRows[v];
        for (std::size_t i = 0; i < intermediateRowBytes; ++i) {
            destination[i] = truncateToByte(sums[i]);
        }
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
