#include "export/shown_picture.h"

#include "pixels/argb_image.h"

#include <algorithm>

void copyPictureAsShown(const ArgbImage& frame, bool shownBottomUp, ArgbImage& picture)
{
    picture.setSize(frame.width, frame.height);
    if (!shownBottomUp) {
        picture.pixels = frame.pixels;
        return;
    }
    const auto width = static_cast<std::size_t>(frame.width);
    for (int32_t row = 0; row < frame.height; ++row) {
        const auto source = frame.pixels.begin() + static_cast<std::ptrdiff_t>(row * width);
        std::copy(source, source + static_cast<std::ptrdiff_t>(width),
            picture.pixels.begin() + static_cast<std::ptrdiff_t>((frame.height - 1 - row) * width));
    }
}
