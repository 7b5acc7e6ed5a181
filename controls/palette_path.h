#pragma once

#include "pixels/argb_image.h"
#include "shapes/palettes.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The colour picker behind the palette path control, without any toolkit: a palette map
// the size of the control, the path the user drags over it, the view that shows the map
// with the path drawn in, and the seven object colours taken from the path.
//
// mapImage holds one picker RGB value (0x00RRGGBB, alpha 0) per pixel; viewImage is the
// map with the path over it, also with alpha 0. Both images are stored row 0 first, and
// row 0 is the bottom edge of the control: whoever shows the view shows it bottom-up.
// Points are map coordinates: x the column, y the row counted from the bottom.
//
// The palette index is a PaletteChoice: the control's own until sharePalette hands it the
// one of its run, which every path control of the run then shows (each the palette that
// was current when its map was last filled).
class PalettePath {
public:
    // The longest path; further moves of a drag are ignored.
    static constexpr int32_t kMaxPoints = 9999;
    // How much the brush brightens the map.
    static constexpr int32_t kBrushAmount = 30;

    PalettePath();

    // The control's size in pixels. The images are made at the next build; the path is
    // kept (its points are clamped when drawn).
    void setSize(int32_t width, int32_t height);
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    // Each arm of the plus-shaped brush becomes scale x scale pixels, so that a path drawn
    // in device pixels on a scaled screen is as thick as on a plain one. 1 unless set.
    void setBrushScale(int32_t scale);

    // mapImage(x, y) = getColor(x / W, y / H) for every pixel.
    void fillMap();
    // Makes and fills the map if there is none, then draws the view afresh: the map with
    // the whole path over it.
    void build();
    // Drops both images and builds them again.
    void rebuild();
    // Draws the segments between consecutive points; a single point draws nothing.
    void drawPoints();
    // Draws one segment with the brush, truncating every coordinate towards zero: a
    // horizontal or vertical run includes both ends, any other segment steps along its
    // longer axis and leaves its end point to the next segment.
    void drawLine(float x0, float y0, float x1, float y1);
    // The plus-shaped brush at (x, y), held one brush arm inside the map.
    void drawPoint(int32_t x, int32_t y);
    // viewImage(x, y) from mapImage(x, y): each channel brightened by amount (limited to
    // 0..255) and rotated, new red = old green, new green = old blue, new blue = 255 minus
    // old red, so the path stands out on every part of every palette. Reading the map
    // keeps strokes that overlap from adding up. Pixels outside the map are ignored.
    void lumi(int32_t x, int32_t y, int32_t amount);

    // The mouse. A left press starts a new path (the old one disappears); other presses
    // change nothing. A move during a left drag appends the point x = X, y = H - Y (X, Y
    // from the control's top-left corner), both limited to the map, and returns true when
    // the view must be drawn again. A release of any button ends the drag and, when there
    // is a path, takes the seven colours from it and returns true: the control then tells
    // its owner.
    void press(bool leftButton);
    bool move(int32_t x, int32_t y);
    bool release();

    // The last seven colours taken, COLORREF, one per object; zeros before the first.
    const std::array<uint32_t, 7>& colors() const { return m_colors; }

    // Palette operations: the next palette (3 wraps to 0), palette 0 again, and the index.
    // Changing the palette clears the path but keeps Colors.
    void nextPalette();
    void classicPalette();
    // Shows the given palette, as the other two do.
    void usePalette(int32_t palette);
    int32_t palette() const { return choice().index(); }
    // From now on the palette is the given one, which must outlive the control.
    void sharePalette(PaletteChoice& palette) { m_sharedPalette = &palette; }
    // The picker RGB colour of the current palette at (fx, fy).
    uint32_t getColor(double fx, double fy) const;

    const ArgbImage& mapImage() const { return m_map; }
    const ArgbImage& viewImage() const { return m_view; }
    std::span<const PathPoint> points() const { return m_points; }
    int32_t pointCount() const { return static_cast<int32_t>(m_points.size()); }
    bool dragging() const { return m_dragging; }

private:
    // Clears the path and, once the map exists, draws the current palette into it.
    void showPalette();
    PaletteChoice& choice() { return m_sharedPalette != nullptr ? *m_sharedPalette : m_ownPalette; }
    const PaletteChoice& choice() const { return m_sharedPalette != nullptr ? *m_sharedPalette : m_ownPalette; }

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_brushScale = 1;
    bool m_mapMade = false;
    ArgbImage m_map;
    ArgbImage m_view;
    bool m_dragging = false;
    std::vector<PathPoint> m_points;
    std::array<uint32_t, 7> m_colors {};
    PaletteChoice m_ownPalette;
    PaletteChoice* m_sharedPalette = nullptr; // the run's, once shared
};
