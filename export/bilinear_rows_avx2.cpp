// The resampler's row kernels in four-double registers, for processors with AVX2 (this file
// alone is built for them; the caller checks the processor first).
#include "export/bilinear_rows_kernel.h"

namespace bilinear_rows {

const Kernels& avx2()
{
    static const Kernels kernels { "avx2", widenRow, scaleRows, blendRows };
    return kernels;
}

} // namespace bilinear_rows
