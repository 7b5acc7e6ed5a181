#include "export/bilinear_resampler.h"

#include "export/bilinear_rows.h"
#include "export/bmp_image.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 4;

using bilinear_rows::Tap;

// The sources of each destination position that carry weight. A weight of exactly 0 adds
// +0 to a sum that is never negative, which changes nothing, so the zero weights at both
// ends of a position's sources are skipped.
std::vector<Tap> nonZeroTaps(const TwoPassScaler::ContributionList& contributions)
{
    std::vector<Tap> taps(contributions.left.size());
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

} // namespace

ResampleKernel::~ResampleKernel() = default;

double BilinearKernel::filter(double t) const
{
    t = std::fabs(t);
    return t < m_width ? 1.0 - t : 0.0;
}

TwoPassScaler::ContributionList TwoPassScaler::calcContributions(int32_t sourceLength, int32_t destinationLength) const
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
    const double filterWidth = m_filter.getWidth();
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
            const double weight = filterScale * m_filter.filter(filterScale * (centre - static_cast<double>(k)));
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

void TwoPassScaler::scale(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t sourceHeight,
                        uint8_t* const* destinationRows, int32_t newWidth, int32_t newHeight) const
{
    scale(sourceRows, sourceWidth, sourceHeight, destinationRows, newWidth, newHeight, bilinear_rows::fastest());
}

void TwoPassScaler::scale(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t sourceHeight,
                        uint8_t* const* destinationRows, int32_t newWidth, int32_t newHeight,
                        const bilinear_rows::Kernels& kernels) const
{
    if (newWidth <= 0 || newHeight <= 0) {
        return;
    }
    const auto rowBytes = static_cast<std::size_t>(newWidth) * kBytesPerPixel;
    const bool sameWidth = sourceWidth == newWidth;
    if (sameWidth && sourceHeight == newHeight) {
        // Both passes would give back every byte: the weights are exactly 0, 1, 0.
        for (int32_t v = 0; v < newHeight; ++v) {
            std::memcpy(destinationRows[v], sourceRows[v], rowBytes);
        }
        return;
    }

    // Horizontal pass, with one set of weights for every row. At the same width it would
    // give back the row, which is then only widened.
    ContributionList across;
    std::vector<Tap> acrossTaps;
    if (!sameWidth) {
        across = calcContributions(sourceWidth, newWidth);
        acrossTaps = nonZeroTaps(across);
    }
    // Vertical pass. At the same height each row stands for itself with weight 1, which
    // the blend passes through unchanged.
    static const double kWholeWeight = 1.0;
    ContributionList down;
    std::vector<Tap> downTaps;
    if (sourceHeight == newHeight) {
        downTaps.resize(static_cast<std::size_t>(newHeight));
        for (int32_t v = 0; v < newHeight; ++v) {
            downTaps[static_cast<std::size_t>(v)] = { v, 1, &kWholeWeight };
        }
    } else {
        down = calcContributions(sourceHeight, newHeight);
        downTaps = nonZeroTaps(down);
    }

    // The rows of the intermediate picture are made when a destination row first needs
    // them and kept, widened, in a ring of as many rows as one destination row takes:
    // intermediate row r lives in slot r modulo that count, so the rows of one destination
    // row never share a slot, and as the rows move down the picture each is made once.
    int32_t slots = 1;
    for (const Tap& tap : downTaps) {
        slots = std::max(slots, tap.count);
    }
    const std::size_t wideRow = rowBytes;  // doubles per widened row: one per byte
    const auto slotCount = static_cast<std::size_t>(slots);
    std::vector<double> ring(slotCount * wideRow);
    std::vector<int32_t> slotRow(slotCount, -1);

    // The rows a destination row still lacks are made two at a time: the horizontal
    // kernels take a pair through the same taps together.
    constexpr std::size_t kRowsTogether = 2;
    const std::size_t wideSourceRow = static_cast<std::size_t>(std::max(sourceWidth, 0)) * kBytesPerPixel;
    std::vector<double> wideSources(sameWidth ? 0 : wideSourceRow * kRowsTogether);
    std::vector<int32_t> missingRows(slotCount);
    std::vector<double*> missingSlots(slotCount);
    std::vector<const double*> tapRows(slotCount);

    for (int32_t v = 0; v < newHeight; ++v) {
        const Tap& tap = downTaps[static_cast<std::size_t>(v)];
        std::size_t missing = 0;
        for (int32_t k = 0; k < tap.count; ++k) {
            const int32_t row = tap.first + k;
            const auto slot = static_cast<std::size_t>(row % slots);
            double* wide = ring.data() + slot * wideRow;
            if (slotRow[slot] != row) {
                missingRows[missing] = row;
                missingSlots[missing] = wide;
                ++missing;
                slotRow[slot] = row;
            }
            tapRows[static_cast<std::size_t>(k)] = wide;
        }
        for (std::size_t m = 0; m < missing; m += kRowsTogether) {
            const std::size_t together = std::min(kRowsTogether, missing - m);
            if (sameWidth) {
                for (std::size_t i = 0; i < together; ++i) {
                    kernels.widenRow(sourceRows[missingRows[m + i]], newWidth, missingSlots[m + i]);
                }
                continue;
            }
            const double* sources[kRowsTogether] = {};
            for (std::size_t i = 0; i < together; ++i) {
                double* wideSource = wideSources.data() + i * wideSourceRow;
                kernels.widenRow(sourceRows[missingRows[m + i]], sourceWidth, wideSource);
                sources[i] = wideSource;
            }
            kernels.scaleRows(sources, static_cast<int32_t>(together), acrossTaps.data(), newWidth, missingSlots.data() + m);
        }
        kernels.blendRows(tapRows.data(), tap.weights, tap.count, newWidth, destinationRows[v]);
    }
}

ImageFilter::~ImageFilter() = default;

void BilinearResizeFilter::apply(BmpImage& bitmap) const
{
    if (bitmap.getBitsPerPixel() != 32) {
        throw TextException(TextException::kBadArgument, "Only 32-bit pictures can be resized.\n");
    }
    PlainBmpImage scaled;
    scaled.create(m_newWidth, m_newHeight, bitmap.getBitsPerPixel(), bitmap.hasAlpha());
    const BilinearKernel filter;
    const TwoPassScaler scaler(filter);
    scaler.scale(bitmap.getLineArray(), bitmap.getWidth(), bitmap.getHeight(), scaled.getLineArray(), m_newWidth,
                 m_newHeight);
    bitmap.copyFrom(scaled);
}
