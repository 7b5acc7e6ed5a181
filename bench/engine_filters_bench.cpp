// The blur pass on the half frame of a 1080p screen, against a memcpy of the same bytes.
#include "engine/filters.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

constexpr int32_t kHalfWidth = 960;
constexpr int32_t kHalfHeight = 540;

ArgbImage randomImage(int32_t width, int32_t height)
{
    ArgbImage image;
    image.setSize(width, height);
    std::mt19937 random(1);
    for (uint32_t& pixel : image.pixels)
        pixel = random();
    return image;
}

void BM_FilterPass960x540(benchmark::State& state)
{
    const ArgbImage source = randomImage(kHalfWidth, kHalfHeight);
    ArgbImage half = source;
    ArgbImage frame;
    frame.setSize(2 * kHalfWidth, 2 * kHalfHeight);
    int pass = 0;
    for (auto _ : state) {
        // The pass fades the picture run by run; its cost does not depend on the bytes.
        filterPass(half, frame, (pass++ & 1) ? FilterPassKind::B : FilterPassKind::A);
        benchmark::DoNotOptimize(frame.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.pixels.size() * sizeof(uint32_t)));
}
BENCHMARK(BM_FilterPass960x540);

void BM_MemcpyHalfFrame960x540(benchmark::State& state)
{
    const ArgbImage source = randomImage(kHalfWidth, kHalfHeight);
    ArgbImage copy = source;
    for (auto _ : state) {
        std::memcpy(copy.pixels.data(), source.pixels.data(), source.pixels.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(copy.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.pixels.size() * sizeof(uint32_t)));
}
BENCHMARK(BM_MemcpyHalfFrame960x540);

} // namespace
