#include "editor/shape_stack_browser.h"

#include "pixels/argb_image.h"
#include "engine/render_panel.h"
#include "shapes/shape_stack.h"

#include <algorithm>
#include <cstring>

void ShapeStackBrowserPainter::SetStack(ShapeStack* newStack)
{
    stack = newStack;
    if (panel)
        panel->Invalidate();
}

void ShapeStackBrowserPainter::SetSelected(int32_t shape)
{
    selected = shape;
    if (panel)
        panel->Invalidate();
}

void ShapeStackBrowserPainter::Paint(RenderPanel& surface)
{
    const int32_t w = surface.Width();
    const int32_t h = surface.Height();
    if (w <= 0 || h <= 0)
        return;
    ArgbImage column;
    column.SetSize(w, h);
    column.Fill(0xFF000000u);
    if (stack) {
        const int32_t count = ShapesInUse(*stack);
        const int32_t empty = (kCells - count) * w;
        ArgbImage cell;
        for (int32_t i = 0; i < count; ++i) {
            stack->ReducedDirty = 1;
            stack->FullDirty = 1;
            BuildFullSprite(*stack, w, i);
            cell.SetSize(w, w);
            cell.Fill(i == selected ? kSelectedGround : 0xFF000000u);
            if (stack->FullSprite)
                cell.Composite(*stack->FullSprite, 0, 0);
            // Upright, as the object thumbnails show the same sprites.
            const int32_t top = empty + i * w;
            for (int32_t r = 0; r < w; ++r) {
                const int32_t y = top + r;
                if (y >= 0 && y < h)
                    std::memcpy(column.Row(y), cell.Row(r), static_cast<size_t>(w) * sizeof(uint32_t));
            }
        }
    }
    surface.BeginPresent();
    surface.Present(PixelBlock { column.pixels.data(), w, h, w, RowOrder::TopDown }, 0, 0);
    surface.EndPresent();
}
