// The vector rasteriser in the lanes every build target has: four lanes, on x86 the SSE2
// of every 64-bit processor.
#define OPAL_SHAPE_LANES 4
#include "shapes/shape_rows_kernel.h"

void paintShapeRowsBaseline(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans)
{
    paintShapeRows(shading, scratch, rows, w, firstRow, rowCount, spans);
}
