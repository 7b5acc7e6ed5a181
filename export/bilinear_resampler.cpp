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

// The taps of one pass, with the contributions whose weights they point into.
struct PassTaps {
    TwoPassScaler::ContributionList contributions;
    std::vector<Tap> taps;
};

PassTaps passTaps(TwoPassScaler::ContributionList contributions)
{
    PassTaps pass { std::move(contributions), {} };
    pass.taps = nonZeroTaps(pass.contributions);
    return pass;
}

// A vertical pass at the same height: each row stands for itself with weight 1, which the
// blend passes through unchanged.
PassTaps wholeRowTaps(int32_t height)
{
    static const double kWholeWeight = 1.0;
    PassTaps pass;
    pass.taps.resize(static_cast<std::size_t>(height));
    for (int32_t v = 0; v < height; ++v) {
        pass.taps[static_cast<std::size_t>(v)] = { v, 1, &kWholeWeight };
    }
    return pass;
}

void copyRows(const uint8_t* const* sourceRows, uint8_t* const* destinationRows, int32_t height, std::size_t rowBytes)
{
    for (int32_t v = 0; v < height; ++v) {
        std::memcpy(destinationRows[v], sourceRows[v], rowBytes);
    }
}

// The rows of the intermediate picture (after the horizontal pass, widened to one double
// per byte) are made when a destination row first needs them and kept in a ring of as many
// rows as one destination row takes: intermediate row r lives in slot r modulo that count,
// so the rows of one destination row never share a slot, and as the rows move down the
// picture each is made once.
class IntermediateRows {
public:
    // wideSourceWidth is the source width when the horizontal pass scales, 0 when it only
    // widens.
    IntermediateRows(const std::vector<Tap>& downTaps, std::size_t wideRow, int32_t wideSourceWidth)
        : m_wideRow(wideRow)
    {
        for (const Tap& tap : downTaps) {
            m_slots = std::max(m_slots, tap.count);
        }
        const auto slotCount = static_cast<std::size_t>(m_slots);
        m_ring.resize(slotCount * m_wideRow);
        m_slotRow.assign(slotCount, -1);
        m_missingRows.resize(slotCount);
        m_missingSlots.resize(slotCount);
        m_tapRows.resize(slotCount);
        m_wideSourceRow = static_cast<std::size_t>(std::max(wideSourceWidth, 0)) * kBytesPerPixel;
        m_wideSources.resize(m_wideSourceRow * kRowsTogether);
    }

    // Points the tap rows at the slots of the tap's rows and notes those not made yet.
    void place(const Tap& tap)
    {
        m_missing = 0;
        for (int32_t k = 0; k < tap.count; ++k) {
            const int32_t row = tap.first + k;
            const auto slot = static_cast<std::size_t>(row % m_slots);
            double* wide = m_ring.data() + slot * m_wideRow;
            if (m_slotRow[slot] != row) {
                m_missingRows[m_missing] = row;
                m_missingSlots[m_missing] = wide;
                ++m_missing;
                m_slotRow[slot] = row;
            }
            m_tapRows[static_cast<std::size_t>(k)] = wide;
        }
    }

    // Makes the rows place noted, two at a time: the horizontal kernels take a pair through
    // the same taps together. Without across taps (the same width) a row is only widened.
    void makeMissing(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t newWidth,
                     const std::vector<Tap>& acrossTaps, const bilinear_rows::Kernels& kernels)
    {
        for (std::size_t m = 0; m < m_missing; m += kRowsTogether) {
            const std::size_t together = std::min(kRowsTogether, m_missing - m);
            if (acrossTaps.empty()) {
                for (std::size_t i = 0; i < together; ++i) {
                    kernels.widenRow(sourceRows[m_missingRows[m + i]], newWidth, m_missingSlots[m + i]);
                }
                continue;
            }
            const double* sources[kRowsTogether] = {};
            for (std::size_t i = 0; i < together; ++i) {
                double* wideSource = m_wideSources.data() + i * m_wideSourceRow;
                kernels.widenRow(sourceRows[m_missingRows[m + i]], sourceWidth, wideSource);
                sources[i] = wideSource;
            }
            kernels.scaleRows(sources, static_cast<int32_t>(together), acrossTaps.data(), newWidth,
                m_missingSlots.data() + m);
        }
    }

    // The rows of the tap last placed, in its order.
    const double* const* tapRows() const { return m_tapRows.data(); }

private:
    static constexpr std::size_t kRowsTogether = 2;

    std::size_t m_wideRow; // doubles per widened row: one per byte
    int32_t m_slots = 1;
    std::vector<double> m_ring;
    std::vector<int32_t> m_slotRow; // the intermediate row each slot holds, -1 for none
    std::size_t m_wideSourceRow = 0;
    std::vector<double> m_wideSources;
    std::size_t m_missing = 0;
    std::vector<int32_t> m_missingRows;
    std::vector<double*> m_missingSlots;
    std::vector<const double*> m_tapRows;
};

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
        copyRows(sourceRows, destinationRows, newHeight, rowBytes);
        return;
    }

    // Horizontal pass, with one set of weights for every row. At the same width it would
    // give back the row, which is then only widened.
    const PassTaps across = sameWidth ? PassTaps {} : passTaps(calcContributions(sourceWidth, newWidth));
    const PassTaps down
        = sourceHeight == newHeight ? wholeRowTaps(newHeight) : passTaps(calcContributions(sourceHeight, newHeight));
    IntermediateRows rows(down.taps, rowBytes, sameWidth ? 0 : sourceWidth);
    for (int32_t v = 0; v < newHeight; ++v) {
        const Tap& tap = down.taps[static_cast<std::size_t>(v)];
        rows.place(tap);
        rows.makeMissing(sourceRows, sourceWidth, newWidth, across.taps, kernels);
        kernels.blendRows(rows.tapRows(), tap.weights, tap.count, newWidth, destinationRows[v]);
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
