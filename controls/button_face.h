#pragma once

#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <cstdint>
#include <vector>

// The face of a sphere button, without any toolkit: one small sphere rendered with the
// shape rasteriser, cut into four quarters for the corners, its edge pixels stretched over
// the bands between them and its inner pixel over the centre.
//
// Images are ArgbImage (blue in the low byte, rows top first). The face's alpha byte comes
// from the sphere and means nothing on screen: whoever shows the face ignores it. The
// button's Bevel B is the shape's radiusPx + 1; the sphere is 2 x B pixels square.

// The largest Bevel the face is built with. A larger value is drawn as this one, so that a
// stray property value cannot ask for a sphere of gigabytes; no real button comes near it.
constexpr int32_t kMaxButtonBevel = 256;

// The shape of a new button: a new shape's light (1, 1, -1), Intensity 0.5, Phong 10,
// radiusPx 8 (Bevel 9), heightPx 8, sphere type and no offsets, with Color 0x00DC6464,
// LColor white, Ambient 0.5 and Mirror 0.5.
Shape buttonShape();

// The face of the control that stands for what is in front, such as the tab whose page
// shows: pressed in, with the light coming from the opposite side, and glowing amber like
// a lamp that is on (COLORREF 0x0030A8E8: red 232, green 168, blue 48). Everything else of
// the shape stays, so the face keeps the sphere look and its size.
constexpr uint32_t kFrontFaceColor = 0x0030A8E8;
Shape frontFaceShape(const Shape& shape);

// Builds the face of a width x height button into pad and the button's sphere into sphere
// (both reallocated and cleared first):
//
//   corners  the sphere's four B x B quarters, one in each corner of the face
//   bands    rows 0..B-1 and H-B..H-1 between the corners repeat column B-1 of their row;
//            columns 0..B-1 and W-B..W-1 between the corners repeat row B-1 of their column
//   centre   the sphere pixel at (B-1, B-1)
//
// A face smaller than the sphere (a layout can squeeze a button) gets what fits: the
// copies are cut at the face's edges, later corners over earlier ones. A Bevel below 1
// leaves the face cleared and the sphere empty. Sides of 0 or less give an empty face.
void buildButtonFace(const Shape& shape, int32_t width, int32_t height, ArgbImage& pad, ArgbImage& sphere);

// The same, when the sphere is not wanted.
ArgbImage buildButtonFace(const Shape& shape, int32_t width, int32_t height);

// One run of a region's row: columns left up to, but not including, right.
struct RegionSpan {
    int32_t row = 0;
    int32_t left = 0;
    int32_t right = 0;

    bool operator==(const RegionSpan&) const = default;
};

// The pixels of a rounded rectangle from (left, top) up to, but not including, (right,
// bottom), whose corners are quarters of an ellipse ellipseWidth wide and ellipseHeight
// high, as one span per row from top to bottom (rows with no pixel are left out). A pixel
// is inside when its centre lies inside the shape. Ellipses larger than the rectangle are
// cut to it, so a small enough rectangle becomes a plain ellipse.
std::vector<RegionSpan> roundRectSpans(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipseWidth,
                                       int32_t ellipseHeight);

// The visible region of a width x height button: the rounded rectangle from (1, 1) to
// (width, height) with corner ellipses 2 x bevel wide and high.
std::vector<RegionSpan> buttonRegion(int32_t width, int32_t height, int32_t bevel);

// Whether (x, y) lies in one of the spans.
bool spansContain(const std::vector<RegionSpan>& spans, int32_t x, int32_t y);
