#include "engine/frame_presents.h"

#include <algorithm>

namespace {

constexpr int32_t kStripWidth = 4;

} // namespace

void presentRect(RenderPanel* panel, const ArgbImage& frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
    bool frameAllZero)
{
    if (!panel || frame.pixels.empty())
        return;
    const int32_t left = std::max(x0, 0);
    const int32_t top = std::max(y0, 0);
    const int32_t right = std::min(x1, frame.width);
    const int32_t bottom = std::min(y1, frame.height);
    panel->beginPresent();
    if (left < right && top < bottom) {
        const PixelBlock block { frame.row(top) + left, right - left, bottom - top, frame.width, RowOrder::TopDown,
            frameAllZero };
        panel->present(block, left, top);
    }
    panel->endPresent();
}

void presentWholeFrame(RenderPanel* panel, const ArgbImage& frame, RowOrder order, bool frameAllZero)
{
    if (!panel || frame.pixels.empty())
        return;
    const int32_t width = frame.width;
    const int32_t height = frame.height;
    panel->beginPresent();
    if (order == RowOrder::BottomUp) {
        panel->present(PixelBlock { frame.pixels.data(), width, height, width, RowOrder::BottomUp, frameAllZero }, 0, 0);
    } else {
        for (int32_t x = 0; x < width; x += kStripWidth) {
            const PixelBlock strip { frame.pixels.data() + x, std::min(kStripWidth, width - x), height, width,
                RowOrder::TopDown, frameAllZero };
            panel->present(strip, x, 0);
        }
    }
    panel->endPresent();
}

void presentClearAround(RenderPanel* panel, const ArgbImage& frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (!panel || frame.pixels.empty())
        return;
    const int32_t width = frame.width;
    const int32_t height = frame.height;
    const int32_t left = std::clamp(x0, 0, width);
    const int32_t right = std::clamp(x1, left, width);
    const int32_t top = std::clamp(y0, 0, height);
    const int32_t bottom = std::clamp(y1, top, height);
    const auto clear = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
        if (w > 0 && h > 0)
            panel->present(PixelBlock { frame.row(y) + x, w, h, width, RowOrder::TopDown, true }, x, y);
    };
    panel->beginPresent();
    clear(0, 0, width, top);
    clear(0, top, left, bottom - top);
    clear(right, top, width - right, bottom - top);
    clear(0, bottom, width, height - bottom);
    panel->endPresent();
}
