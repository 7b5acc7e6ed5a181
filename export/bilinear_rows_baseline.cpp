// The resampler's row kernels for every processor, and the choice among the kernel sets.
#include "export/bilinear_rows_kernel.h"

namespace bilinear_rows {

const Kernels& Baseline()
{
    static const Kernels kernels { "baseline", widenRow, scaleRows, blendRows };
    return kernels;
}

std::vector<const Kernels*> Runnable()
{
    std::vector<const Kernels*> runnable { &Baseline() };
#if defined(OPAL_EXPORT_X86_VECTORS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        runnable.push_back(&Avx2());
#endif
    return runnable;
}

const Kernels& Fastest()
{
    static const Kernels& fastest = *Runnable().back();
    return fastest;
}

} // namespace bilinear_rows
