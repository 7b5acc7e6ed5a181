// The resampler's row kernels for every processor, and the choice among the kernel sets.
#include "export/bilinear_rows_kernel.h"

namespace bilinear_rows {

const Kernels& baseline()
{
    static const Kernels kernels { "baseline", widenRow, scaleRows, blendRows };
    return kernels;
}

std::vector<const Kernels*> runnable()
{
    std::vector<const Kernels*> runnable { &baseline() };
#if defined(OPAL_EXPORT_X86_VECTORS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        runnable.push_back(&avx2());
#endif
    return runnable;
}

const Kernels& fastest()
{
    static const Kernels& fastest = *runnable().back();
    return fastest;
}

} // namespace bilinear_rows
