#pragma once

#include "shapes/row_span.h"
#include "shapes/shape_stack.h"

#include <cstdint>

// The per-pixel shading of one shape: a sphere or a torus lit by one directional light
// with a diffuse term, an ambient term and a Phong mirror highlight in the light colour,
// with a soft alpha edge.
//
// The destination is w x h ARGB pixels (alpha in the top byte, blue in the low byte), row
// 0 first, no padding. Colours are written unpremultiplied; pixels the shape does not
// cover are left exactly as they were, so callers clear the block first. Only the shape's
// light, colours, Ambient, Mirror, Intensity, Phong, radiusPx, Type, heightPx and offsets
// are read. Any value is survivable: zero or non-finite lights, radii of -1 or 0, huge
// offsets and huge Phong powers draw something or nothing, but never fault.

// The square root of v when v > 1e-30, else 0.
float safeSqrt(float v);

// base^exponent formed by repeated multiplication in single precision, as the highlight
// needs it. It stops early once a further factor cannot change the value, which gives the
// same result as multiplying on. Past maxFactors factors the remaining power comes from one
// pow() in double precision, which bounds the work per pixel; that part no longer carries
// the rounding of every step, so the value can drift from plain multiplication (by a few
// units in the last place for most bases, more for a base within a few units of 1 and an
// exponent in the millions). The renderers allow 4096 factors (a Phong of 2049) in blocks
// of up to 181 x 181 pixels, fewer in larger blocks so that one shape's highlights stay
// bounded, and never fewer than 64 (a Phong of 33).
float highlightPower(float base, int64_t exponent, int64_t maxFactors = 4096);

// Type 0 draws a sphere, type 2 a torus; any other type leaves the pixels untouched.
void renderShape(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path = ShadingPath::Fast);
void renderSphere(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path = ShadingPath::Fast);
void renderTorus(uint32_t* pixels, int32_t w, int32_t h, const Shape& shape, ShadingPath path = ShadingPath::Fast);

// Paints only rows firstRow .. firstRow + rowCount - 1 of the w x h block, with the pixels
// renderShape gives there. `rows` holds just those rows, row firstRow first, so that bands
// of one block can be painted apart (and on different threads). Rows outside the block
// are left untouched. When spans is given (rowCount entries), each row's entry receives
// the columns outside which the row was left untouched.
void renderShapeRows(uint32_t* rows, int32_t w, int32_t h, const Shape& shape, int32_t firstRow, int32_t rowCount,
    RowSpan* spans = nullptr);
