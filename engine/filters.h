#pragma once

#include "pixels/argb_image.h"

#include <cstdint>

// The blur filter: the pass that smooths the half-size frame of filter mode and doubles it
// into the full frame.

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

// The turn of the blur passes, kept by whoever runs them: pass A and pass B in turn, or
// pass B every time when interlaced; the turn moves on either way.
class BlurPassTurn {
public:
    FilterPassKind next(bool interlace)
    {
        const FilterPassKind pass = m_odd || interlace ? FilterPassKind::B : FilterPassKind::A;
        m_odd = !m_odd;
        return pass;
    }
    // Whether the next pass without interlace is pass B.
    bool odd() const { return m_odd; }

private:
    bool m_odd = false;
};

// Runs the turn's next blur pass from halfFrame into frame. Without frames nothing happens,
// and the turn stays.
void runBlurPass(ArgbImage& frame, ArgbImage& halfFrame, BlurPassTurn& turn, bool interlace);
