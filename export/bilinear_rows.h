#pragma once

#include <cstdint>
#include <vector>

// The row kernels of the bilinear resampler, built once for every processor and once more
// for processors with AVX2; the resampler takes the widest one the processor runs.
//
// Pixels travel between the kernels widened: the four bytes of a pixel as four doubles.
// Every kernel performs the resampler's operations in its order on its values: each byte's
// sum starts at +0 and adds weight x byte, one source after another, each product and sum
// rounded once as IEEE double arithmetic rounds it in any lane width (floating-point
// contraction is off for the library), then the sum is clamped to 0..255 and truncated.
// So every kernel gives the same bits.
namespace bilinear_rows {

// The sources of one destination position that carry weight: `count` weights, for the
// source positions from `first` on.
struct Tap {
    int32_t first = 0;
    int32_t count = 0;
    const double* weights = nullptr;
};

struct Kernels {
    const char* name;
    // Widens `pixels` 4-byte pixels.
    void (*widenRow)(const uint8_t* source, int32_t pixels, double* wide);
    // The horizontal pass of `rows` rows: in each, destination pixel u is the sum over
    // taps[u] of the widened source pixels, clamped and truncated, kept widened.
    void (*scaleRows)(const double* const* wideSources, int32_t rows, const Tap* taps, int32_t pixels,
        double* const* wideDestinations);
    // The vertical pass of one destination row: pixel x is the sum over the `count` widened
    // rows of weight x the row's pixel x, clamped, truncated and stored as 4 bytes.
    void (*blendRows)(const double* const* rows, const double* weights, int32_t count, int32_t pixels,
        uint8_t* destination);
};

// Built for every x86-64 processor (SSE2).
const Kernels& baseline();
#if defined(OPAL_EXPORT_X86_VECTORS)
// Built for AVX2; only for processors that have it.
const Kernels& avx2();
#endif
// Every kernel set this processor runs, the baseline first.
std::vector<const Kernels*> runnable();
// The widest of them, chosen once.
const Kernels& fastest();

} // namespace bilinear_rows
