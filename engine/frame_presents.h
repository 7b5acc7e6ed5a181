#pragma once

#include "engine/render_panel.h"
#include "pixels/argb_image.h"

#include <cstdint>

// Moving the renderer's frame to its panel: a rectangle of it, all of it, or all of it but
// a rectangle that the caller knows is clear.

// Copies the rectangle (x0, y0) to (x1, y1), exclusive, of frame to the panel at the same
// place, top row first, cut to the frame. Without a frame or a panel nothing happens.
// frameAllZero tells that nothing has been drawn into the frame since it was cleared; the
// block then says so, and a panel may show it as a fill.
void presentRect(RenderPanel* panel, const ArgbImage& frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
    bool frameAllZero = false);

// Copies the whole frame to the panel: top row first in strips four pixels wide (the last
// one narrower), or bottom-up as one block, so that frame row 0 is the bottom row on screen
// (filter mode). frameAllZero as above.
void presentWholeFrame(RenderPanel* panel, const ArgbImage& frame, RowOrder order, bool frameAllZero = false);

// Copies all of frame outside the rectangle (x0, y0) to (x1, y1), exclusive, to the panel
// in one begin/end pair: the bands above and below it across the whole width, and the
// parts left and right of it. The caller knows that part of the frame is clear, and the
// blocks say so (a panel may show them as fills). An empty rectangle leaves the whole
// frame.
void presentClearAround(RenderPanel* panel, const ArgbImage& frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
