#include "engine/shape_preview_painter.h"

#include "pixels/argb_image.h"
#include "engine/render_panel.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kShortArm = 5; // top and left arms, in stored rows and columns
constexpr int32_t kLongArm = 6; // bottom and right arms

void markPixel(ArgbImage& image, int32_t x, int32_t y)
{
    if (x >= 0 && x < image.width && y >= 0 && y < image.height)
        image.row(y)[x] = ShapePreviewPainter::kHighlightColor;
}

// Two-pixel-thick corner marks (the two outermost rows and columns of each side), in
// the stored, upside-down rows of the image.
void drawCornerMarks(ArgbImage& image)
{
    const int32_t w = image.width;
    const int32_t h = image.height;
    const int32_t edgeColumns[] = { 0, 1, w - 2, w - 1 };
    const int32_t edgeRows[] = { 0, 1, h - 2, h - 1 };
    for (int32_t i = 0; i < kShortArm; ++i)
        for (const int32_t x : edgeColumns)
            markPixel(image, x, i);
    for (int32_t i = h - kLongArm; i < h; ++i)
        for (const int32_t x : edgeColumns)
            markPixel(image, x, i);
    for (int32_t i = 0; i < kShortArm; ++i)
        for (const int32_t y : edgeRows)
            markPixel(image, i, y);
    for (int32_t i = w - kLongArm; i < w; ++i)
        for (const int32_t y : edgeRows)
            markPixel(image, i, y);
}

} // namespace

void ShapePreviewPainter::setStack(ShapeStack* newStack)
{
    stack = newStack;
    if (panel)
        panel->invalidate();
}

void ShapePreviewPainter::setHighlight(bool on)
{
    highlight = on ? 1 : 0;
    if (panel)
        panel->invalidate();
}

void ShapePreviewPainter::paint(RenderPanel& surface)
{
    if (!stack)
        return;
    const int32_t w = surface.deviceWidth();
    const int32_t h = surface.deviceHeight();
    if (w <= 0 || h <= 0)
        return;
    buildFullSprite(*stack, w, -1);
    const ArgbImage* sprite = stack->fullSprite.get();

    ArgbImage shown;
    shown.setSize(w, h);
    if (sprite) {
        const int32_t rows = std::min(h, sprite->height);
        const auto columns = static_cast<size_t>(std::min(w, sprite->width));
        for (int32_t i = 0; i < rows; ++i)
            std::memcpy(shown.row(h - 1 - i), sprite->row(i), columns * sizeof(uint32_t));
    }
    if (highlight)
        drawCornerMarks(shown);

    surface.beginPresent();
    surface.present(PixelBlock { shown.pixels.data(), w, h, w, RowOrder::BottomUp }, 0, 0);
    surface.endPresent();
}
