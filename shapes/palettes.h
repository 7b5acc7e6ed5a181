#pragma once

#include <array>
#include <cstdint>
#include <span>

// The four colour-picker maps (palettes) and the rule that takes seven object colours from
// a path drawn on one. A palette maps a point, fx = column / width and fy = row / height
// with row 0 at the bottom (both in 0..1), to a hue of fx x 360 degrees and a lightness and
// saturation that depend on the palette:
//
//   0  L = 0.36       S = fy        grey at the bottom to full colour at the top
//   1  L = 1 - fy     S = 0.6       white through the hues to black
//   2  L = 0.6        S = 2 x fy    saturating at mid height, wrapping above
//   3  L = 3 x fy     S = fy        black, brightening fast, wrapping into bands
//
// Any other palette gives black everywhere.

constexpr int32_t kPaletteCount = 4;

// The picker RGB colour (0x00RRGGBB) of palette `palette` at (fx, fy).
uint32_t paletteColor(int32_t palette, double fx, double fy);

// The palette the palette path controls of one run share: 0 at start, not saved. The run
// owns it and hands it to its controls.
class PaletteChoice {
public:
    int32_t index() const { return m_index; }
    // Advances the index; 3 (or anything above) wraps to 0, and -1 gives 0.
    void next();
    void set(int32_t palette) { m_index = palette; }
    // Back to palette 0.
    void reset() { m_index = 0; }

private:
    int32_t m_index = 0;
};

// A point of a drawn path in map coordinates: x = column, y = row with row 0 at the bottom.
struct PathPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Seven COLORREF object colours from a path on a map of mapWidth x mapHeight in the given
// palette: colours 0 to 5 from the points at trunc(k x n / 7), colour 6 from the last point.
// An empty path gives seven zeros (the control never asks for one); a map side of 0 or less
// counts that coordinate as 0.
std::array<uint32_t, 7> pickObjectColors(
    int32_t palette, std::span<const PathPoint> path, int32_t mapWidth, int32_t mapHeight);
