#pragma once

#include "engine/render_panel.h"
#include "pixels/argb_image.h"

#include <cstdint>

class RenderPanel;

// Presentation and the blur filter: moving the renderer's pixels to its panel, and the
// blur pass that smooths the half-size frame of filter mode and doubles it into the full
// frame.

enum class FilterPassKind {
    A, // writes the frame's rows 1, 3, 5, ...
    B, // writes the frame's rows 2, 4, 6, ...
};

// One blur pass. Walks the pixels of half in raster order, every pixel of rows 1 to h - 2
// except the first of row 1 and the last of row h - 2, and replaces each, byte by byte,
// by the average of its left, right, upper and lower neighbours, rounded down. The walk
// is in place: later pixels see the smoothed left and upper neighbours, and a pixel of
// column 0 has the last pixel of the row above as its left neighbour (and the last
// column the first of the row below as its right one). Each result is also written twice,
// side by side, into frame: half's row r, column k >= 1 lands in frame row 2r - 1 (pass
// A) or 2r (pass B), columns 2k and 2k + 1; column 0 lands one frame row higher, at
// columns 0 and 1. Afterwards rows 0 and h - 1 of half are zeroed, so trails fade.
//
// Frame rows are addressed with the frame's real row length: a frame one pixel wider
// than twice the half frame (an odd panel width) keeps its last column, and a frame too
// small for the doubled picture gets only what fits. Half frames of fewer than three
// rows have no pixels to smooth; only their rows 0 and h - 1 are zeroed.
void filterPass(ArgbImage& half, ArgbImage& frame, FilterPassKind pass);

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

// Runs one blur pass from halfFrame into frame: pass B when oddPass or interlace is set,
// else pass A; oddPass is inverted either way. Without frames nothing happens.
void runBlurPass(ArgbImage& frame, ArgbImage& halfFrame, int32_t& oddPass, bool interlace);
