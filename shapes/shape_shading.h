#pragma once

// What the plain rasteriser and the vector one share: everything about one shape in one
// block that does not change from pixel to pixel, prepared once per call, and the
// coordinates of its rows and columns. Both paths take these values from here, so that
// they start every pixel from the same bits. Internal to the shapes library.

#include "shapes/row_span.h"
#include "shapes/shape_stack.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ShapeShading {
    int32_t type = kSphereType;

    // The normalised light, the body and light colours as floats, and the shading factors.
    float lightX = 0.0f;
    float lightY = 0.0f;
    float lightZ = 0.0f;
    float bodyRed = 0.0f;
    float bodyGreen = 0.0f;
    float bodyBlue = 0.0f;
    float lightRed = 0.0f;
    float lightGreen = 0.0f;
    float lightBlue = 0.0f;
    float ambient = 0.0f;
    float mirror = 0.0f;
    float intensity = 0.0f;
    // The highlight exponent, and how many of its factors are plain multiplications before
    // highlightPower takes the rest from pow().
    int64_t exponent = 1;
    int64_t maxFactors = 1;

    // One pixel in units of the outer radius, and where the soft outer edge starts (in d2).
    float pixel = 0.0f;
    float threshold = 0.0f;

    // Sphere: the square of the height ratio and the centre as fractional pixels.
    float qSquared = 0.0f;
    float sphereCentreX = 0.0f;
    float sphereCentreY = 0.0f;

    // Torus: the radius of the tube's centre line and the tube's radius, the widened hole,
    // the inner alpha ramp, the length of the normalised light, and the centre in whole
    // pixels (64 bits, so that no offset overflows).
    float ringRadius = 0.0f;
    float tubeRadius = 0.0f;
    float hole = 0.0f;
    float innerStart = 0.0f;
    float innerEnd = 0.0f;
    float lightLength = 0.0f;
    int64_t torusCentreX = 0;
    int64_t torusCentreY = 0;

};

// The shape's coordinates of column j and row i, in units of the outer radius. Static, so
// that every source file keeps its own copy: the vector files are built for other
// instruction sets, and no copy of theirs may stand in for the plain path's.
static inline float shadingColumnX(const ShapeShading& shading, int32_t j)
{
    return shading.type == kSphereType ? shading.pixel * (static_cast<float>(j) - shading.sphereCentreX)
                                       : -shading.pixel * static_cast<float>(shading.torusCentreX - j);
}

static inline float shadingRowY(const ShapeShading& shading, int32_t i)
{
    return shading.type == kSphereType ? shading.pixel * (static_cast<float>(i) - shading.sphereCentreY)
                                       : -shading.pixel * static_cast<float>(shading.torusCentreY - i);
}

// Prepares the shading of the shape drawn as the given type (sphere or torus, whatever its
// Type field says) in a w x h block. False when nothing is drawn: no pixels, another type,
// or a radius of -1 pixels.
bool prepareShapeShading(const Shape& shape, int32_t type, int32_t w, int32_t h, ShapeShading& shading);

// The working arrays of the vector rasteriser for one block width. Each array holds
// scratchColumns(w) entries; the caller owns them, and each thread needs its own.
struct ShapeRowsScratch {
    float* columnX = nullptr;
    float* columnXX = nullptr;
    float* cosine = nullptr;
    float* base = nullptr;
    float* power = nullptr;
    int32_t* alpha = nullptr;
    int32_t* covered = nullptr;
    uint32_t* active = nullptr;
    uint32_t* lit = nullptr;
};

// Whole vectors of the widest lane count for w columns, plus one spare vector.
constexpr std::size_t kMaxShapeLanes = 16;
static constexpr std::size_t scratchColumns(int32_t w)
{
    return (static_cast<std::size_t>(w > 0 ? w : 0) + kMaxShapeLanes - 1) / kMaxShapeLanes * kMaxShapeLanes
        + kMaxShapeLanes;
}

// The vector rasteriser for one instruction set: paints rows firstRow .. firstRow +
// rowCount - 1 of the block into `rows` (row firstRow first, w pixels each), every pixel
// bit for bit as the plain path gives it, and the columns it may have changed in each row
// into spans (rowCount entries) unless that is null.
using PaintShapeRowsFunction = void (*)(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows,
    int32_t w, int32_t firstRow, int32_t rowCount, RowSpan* spans);
void paintShapeRowsBaseline(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans);
#if defined(OPAL_SHAPES_X86_VECTORS)
void paintShapeRowsAvx2(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans);
void paintShapeRowsAvx512(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans);
#endif

// The vector rasterisers this processor runs, narrowest first; the last is the one the
// fast path uses. renderShapeWith paints a whole shape with one of them, so that tests can
// hold each to the reference.
std::vector<PaintShapeRowsFunction> supportedShapeRowPainters();
void renderShapeWith(PaintShapeRowsFunction paint, uint32_t* pixels, int32_t w, int32_t h, const Shape& shape);
