// The vector rasteriser in eight lanes, for processors with AVX2 (this file alone is built
// for them; the caller checks the processor first).
#define OPAL_SHAPE_LANES 8
#include "shapes/shape_rows_kernel.h"

void paintShapeRowsAvx2(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans)
{
    paintShapeRows(shading, scratch, rows, w, firstRow, rowCount, spans);
}
