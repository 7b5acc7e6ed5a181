#include "export/gif_frame_capture.h"

#include "pixels/argb_image.h"
#include "export/bilinear_resampler.h"
#include "export/bmp_image.h"
#include "export/color_quantiser.h"
#include "export/gif_writer.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kLargestGifSide = 65535;
constexpr int32_t kMillisecondsPerSecond = 1000;

int32_t scaledSide(int32_t side, int32_t scalePercent)
{
    const int64_t scaled = static_cast<int64_t>(std::max(side, 0)) * scalePercent / 100;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, 1, kLargestGifSide));
}

} // namespace

int appendGifFrame(GifImage& animation, const ArgbImage& frame, const GifFrameSettings& settings)
{
    const int64_t pixelCount = static_cast<int64_t>(std::max(frame.width, 0)) * std::max(frame.height, 0);
    if (static_cast<int64_t>(frame.pixels.size()) < pixelCount) {
        throw TextException(TextException::kBadArgument, "The frame holds fewer pixels than its size.\n");
    }
    const int32_t width = scaledSide(frame.width, settings.scalePercent);
    const int32_t height = scaledSide(frame.height, settings.scalePercent);

    // The frame's rows are scaled where they lie into one contiguous block, top row first,
    // for the quantiser: the same passes as on a bitmap copy of the frame, without the copies.
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));
    std::vector<const uint8_t*> frameRows(static_cast<std::size_t>(std::max(frame.height, 0)));
    for (int32_t row = 0; row < frame.height; ++row) {
        frameRows[static_cast<std::size_t>(row)] = reinterpret_cast<const uint8_t*>(frame.row(row));
    }
    std::vector<uint8_t*> scaledRows(static_cast<std::size_t>(height));
    for (int32_t row = 0; row < height; ++row) {
        scaledRows[static_cast<std::size_t>(row)] = pixels.data() + static_cast<std::size_t>(row) * rowBytes;
    }
    const BilinearKernel filter;
    TwoPassScaler(filter).scale(frameRows.data(), std::max(frame.width, 0), std::max(frame.height, 0),
                              scaledRows.data(), width, height);

    ImageSource32 source(width, height, static_cast<int32_t>(rowBytes), pixels.data(), true);
    ColorReducer reductor(source, settings.colors);
    if (reductor.quantise() != 1) {
        throw TextException(TextException::kBadArgument,
                             "The colours of a GIF frame could not be reduced to "
                                 + std::to_string(settings.colors) + ".\n");
    }

    GifIndexedImage indexed;
    indexed.width = width;
    indexed.height = height;
    indexed.indices.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    indexed.palette.resize(color_quantiser::kPaletteEntries);
    for (std::size_t i = 0; i < indexed.palette.size(); ++i) {
        const QuantiserColor& color = reductor.palette()[i];
        indexed.palette[i] = GifColor{color.red, color.green, color.blue};
    }
    for (int32_t row = 0; row < height; ++row) {
        reductor.mapRow(row, indexed.indices.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width));
    }

    const int index = animation.addFrame(indexed);
    const int32_t framesPerSecond = std::max(settings.framesPerSecond, 1);
    animation.frame(index).setDelay(static_cast<uint16_t>(kMillisecondsPerSecond / framesPerSecond));
    return index;
}
