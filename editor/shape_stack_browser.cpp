#include "editor/shape_stack_browser.h"

#include "pixels/argb_image.h"
#include "engine/render_panel.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <algorithm>
#include <cstring>

void ShapeStackBrowserPainter::setStack(ShapeStack* newStack)
{
    stack = newStack;
    if (panel)
        panel->invalidate();
}

void ShapeStackBrowserPainter::setSelected(int32_t shape)
{
    selected = shape;
    if (panel)
        panel->invalidate();
}

void ShapeStackBrowserPainter::paint(RenderPanel& surface)
{
    const int32_t w = surface.deviceWidth();
    const int32_t h = surface.deviceHeight();
    if (w <= 0 || h <= 0)
        return;
    ArgbImage column;
    column.setSize(w, h);
    column.fill(0xFF000000u);
    if (stack) {
        const int32_t count = shapesInUse(*stack);
        const int32_t empty = (kCells - count) * w;
        ArgbImage cell;
        for (int32_t i = 0; i < count; ++i) {
            stack->reducedDirty = true;
            stack->fullDirty = true;
            buildFullSprite(*stack, w, i);
            cell.setSize(w, w);
            cell.fill(i == selected ? kSelectedGround : 0xFF000000u);
            if (stack->fullSprite)
                cell.composite(*stack->fullSprite, 0, 0);
            // Upright, as the object thumbnails show the same sprites.
            const int32_t top = empty + i * w;
            for (int32_t r = 0; r < w; ++r) {
                const int32_t y = top + r;
                if (y >= 0 && y < h)
                    std::memcpy(column.row(y), cell.row(r), static_cast<size_t>(w) * sizeof(uint32_t));
            }
        }
    }
    surface.beginPresent();
    surface.present(PixelBlock { column.pixels.data(), w, h, w, RowOrder::TopDown }, 0, 0);
    surface.endPresent();
}
