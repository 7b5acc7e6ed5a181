#include "export/scaled_frame.h"

#include "export/bilinear_resampler.h"
#include "export/text_exception.h"
#include "pixels/argb_image.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kLargestSide = 16384;

int32_t scaledSide(int32_t side, int32_t scalePercent)
{
    const int64_t scaled = static_cast<int64_t>(std::max(side, 0)) * scalePercent / 100;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, 1, kLargestSide));
}

} // namespace

ArgbImage scaledFrame(const ArgbImage& frame, int32_t scalePercent)
{
    const int64_t pixelCount = static_cast<int64_t>(std::max(frame.width, 0)) * std::max(frame.height, 0);
    if (static_cast<int64_t>(frame.pixels.size()) < pixelCount)
        throw TextException(TextException::kBadArgument, "The frame holds fewer pixels than its size.\n");
    ArgbImage scaled;
    scaled.setSize(scaledSide(frame.width, scalePercent), scaledSide(frame.height, scalePercent));
    if (pixelCount == 0)
        return scaled;
    std::vector<const uint8_t*> frameRows(static_cast<std::size_t>(frame.height));
    for (int32_t row = 0; row < frame.height; ++row)
        frameRows[static_cast<std::size_t>(row)] = reinterpret_cast<const uint8_t*>(frame.row(row));
    std::vector<uint8_t*> scaledRows(static_cast<std::size_t>(scaled.height));
    for (int32_t row = 0; row < scaled.height; ++row)
        scaledRows[static_cast<std::size_t>(row)] = reinterpret_cast<uint8_t*>(scaled.row(row));
    const BilinearKernel filter;
    TwoPassScaler(filter).scale(frameRows.data(), frame.width, frame.height, scaledRows.data(), scaled.width,
        scaled.height);
    return scaled;
}
