// The custom controls' pictures. Run with
//   build/bench/opal_controls_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// Button faces are measured next to the sphere render alone, which every face pays; the
// palette path next to a memcpy of its view image, the floor of every repaint.

#include "controls/button_face.h"
#include "controls/palette_path.h"
#include "shapes/shape_rasteriser.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

namespace {

// The editor's look: Bevel 8, SphereHeight 6, Ambient 0.7, Mirror 0.9, Phong 20.
Shape editorButton()
{
    Shape shape = buttonShape();
    shape.radiusPx = 7;
    shape.heightPx = 6;
    shape.ambient = 0.7f;
    shape.mirror = 0.9f;
    shape.phong = 20;
    shape.color = 7372800;
    return shape;
}

void BM_SphereRenderAlone(benchmark::State& state)
{
    const Shape shape = editorButton();
    ArgbImage sphere;
    sphere.setSize(16, 16);
    for (auto _ : state) {
        sphere.clear();
        renderShape(sphere.pixels.data(), 16, 16, shape);
        benchmark::DoNotOptimize(sphere.pixels.data());
    }
}
BENCHMARK(BM_SphereRenderAlone)->Unit(benchmark::kMicrosecond);

// A whole face as the button builds it on every property or size change.
void BM_ButtonFace(benchmark::State& state)
{
    const Shape shape = editorButton();
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    ArgbImage pad;
    ArgbImage sphere;
    for (auto _ : state) {
        buildButtonFace(shape, width, height, pad, sphere);
        benchmark::DoNotOptimize(pad.pixels.data());
    }
}
BENCHMARK(BM_ButtonFace)->Args({ 119, 23 })->Args({ 230, 25 })->Unit(benchmark::kMicrosecond);

constexpr int32_t kMapWidth = 365;
constexpr int32_t kMapHeight = 51;

void BM_ViewMemcpy(benchmark::State& state)
{
    PalettePath path;
    path.setSize(kMapWidth, kMapHeight);
    path.build();
    std::vector<uint32_t> copy(path.viewImage().pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), path.viewImage().pixels.data(), copy.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ViewMemcpy)->Unit(benchmark::kMicrosecond);

void BM_FillMap(benchmark::State& state)
{
    PalettePath path;
    path.setSize(kMapWidth, kMapHeight);
    path.build();
    for (auto _ : state) {
        path.fillMap();
        benchmark::DoNotOptimize(path.mapImage().pixels.data());
    }
}
BENCHMARK(BM_FillMap)->Unit(benchmark::kMicrosecond);

// A full repaint with the longest path, 9999 points from a drag that sweeps the map back
// and forth in waves, a few pixels per mouse move.
void BM_RepaintLongestPath(benchmark::State& state)
{
    PalettePath path;
    path.setSize(kMapWidth, kMapHeight);
    path.build();
    path.press(true);
    double x = 2.0;
    double direction = 1.0;
    for (int i = 0; path.move(static_cast<int32_t>(x), static_cast<int32_t>(25 + 22 * std::sin(i / 15.0))); ++i) {
        x += 2.5 * direction;
        if (x > kMapWidth - 3 || x < 2)
            direction = -direction;
    }
    path.release();
    for (auto _ : state) {
        path.build();
        benchmark::DoNotOptimize(path.viewImage().pixels.data());
    }
    state.SetLabel(std::to_string(path.pointCount() - 1) + " segments");
}
BENCHMARK(BM_RepaintLongestPath)->Unit(benchmark::kMicrosecond);

} // namespace
