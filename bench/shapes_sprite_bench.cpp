// Sprite building and stamping. Run with
//   build/bench/opal_shapes_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
// Sprite builds report ns per sprite pixel in wall time (they may use several threads);
// BM_ReducedSpriteAgainstReference builds each sprite with the fast path and with the
// plain reference path in turn, so that their ratio is taken on the same machine state.
// The composite is measured next to a plain memcpy of the same rows, its floor.

#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>

namespace {

// Scale factors of the renderer: a 768-pixel-high screen (1.6, side 112), a 4K screen,
// 2160 / 480 = 4.5 (side 315), and an 8K screen (9.0, side 630).
constexpr float kScales[] = { 1.6f, 4.5f, 9.0f };

// Object 1 with five shapes: spheres and tori of falling widths.
std::unique_ptr<ShapeStack> fiveShapeStack()
{
    ObjectTable table;
    newObjectTable(table);
    std::unique_ptr<ShapeStack> stack = std::move(table.stacks[0][0]);
    for (int i = 1; i < kMaxShapes; ++i)
        cloneLastShape(*stack);
    const int32_t widths[] = { 40, 55, 70, 85, 100 };
    for (size_t i = 0; i < kMaxShapes; ++i) {
        Shape& shape = stack->shapes[i];
        shape.width = widths[i];
        shape.height = 60 + 10 * static_cast<int32_t>(i) % 40;
        shape.type = i % 2 == 1 ? kTorusType : kSphereType;
        shape.phong = 4 + 3 * static_cast<int32_t>(i);
        shape.color = 0x00204080u + 0x00101010u * static_cast<uint32_t>(i);
    }
    return stack;
}

using Clock = std::chrono::steady_clock;

double nanosecondsPerPixel(Clock::duration total, int32_t side, benchmark::IterationCount iterations)
{
    const double pixels = static_cast<double>(side) * side * static_cast<double>(iterations);
    return std::chrono::duration<double, std::nano>(total).count() / std::max(pixels, 1.0);
}

// The animation form as the renderer builds it; state.range(1) is the most threads to
// use, 0 for the build's own choice.
void BM_BuildReducedSprite(benchmark::State& state)
{
    const SpriteScale scale { kScales[state.range(0)] };
    auto stack = fiveShapeStack();
    SpriteBuildOptions options;
    options.threads = static_cast<int32_t>(state.range(1));
    Clock::duration total {};
    for (auto _ : state) {
        const auto start = Clock::now();
        stack->reducedSprite = buildSprite(*stack, 70, -1, false, scale, options);
        total += Clock::now() - start;
        benchmark::DoNotOptimize(stack->reducedSprite->pixels.data());
    }
    const int32_t side = stack->reducedSprite->width;
    state.SetLabel("side " + std::to_string(side));
    state.counters["ns/px"] = nanosecondsPerPixel(total, side, state.iterations());
}
BENCHMARK(BM_BuildReducedSprite)
    ->ArgNames({ "scale", "threads" })
    ->ArgsProduct({ { 0, 1, 2 }, { 0, 1 } })
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The same sprite from the fast path and from the plain reference path, alternately;
// the counters give both in ns per pixel and the reference's time over the fast one's.
void BM_ReducedSpriteAgainstReference(benchmark::State& state)
{
    const SpriteScale scale { kScales[state.range(0)] };
    auto stack = fiveShapeStack();
    SpriteBuildOptions reference;
    reference.path = ShadingPath::Reference;
    Clock::duration fast {};
    Clock::duration plain {};
    int32_t side = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        auto fastSprite = buildSprite(*stack, 70, -1, false, scale);
        const auto middle = Clock::now();
        auto plainSprite = buildSprite(*stack, 70, -1, false, scale, reference);
        fast += middle - start;
        plain += Clock::now() - middle;
        side = fastSprite->width;
        benchmark::DoNotOptimize(fastSprite->pixels.data());
        benchmark::DoNotOptimize(plainSprite->pixels.data());
    }
    state.SetLabel("side " + std::to_string(side));
    state.counters["fast ns/px"] = nanosecondsPerPixel(fast, side, state.iterations());
    state.counters["reference ns/px"] = nanosecondsPerPixel(plain, side, state.iterations());
    state.counters["reference/fast"] = std::chrono::duration<double>(plain).count()
        / std::max(std::chrono::duration<double>(fast).count(), 1e-12);
}
BENCHMARK(BM_ReducedSpriteAgainstReference)
    ->ArgName("scale")
    ->DenseRange(0, 2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The worst a preset can ask of the highlight: five flat domes lit head-on, so that every
// pixel lies near the highlight's peak, with the largest Phong. The work per shape is
// bounded by the rasteriser's highlight budget, not by the Phong.
void BM_BuildHugePhongSprite(benchmark::State& state)
{
    auto stack = newShapeStack();
    stack->shapeCount = kMaxShapes;
    stack->masterSize = 100;
    for (Shape& shape : stack->shapes) {
        shape.width = 100;
        shape.height = 1;
        shape.phong = std::numeric_limits<int32_t>::max();
        shape.lightX = 0.0f;
        shape.lightY = 0.0f;
        shape.lightZ = -1.0f;
    }
    const auto side = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        auto sprite = buildSprite(*stack, side, -1, true);
        benchmark::DoNotOptimize(sprite->pixels.data());
    }
    state.SetLabel("side " + std::to_string(side));
}
BENCHMARK(BM_BuildHugePhongSprite)->Arg(112)->Arg(1024)->Unit(benchmark::kMillisecond);

// A built sprite and a 1920 x 1080 frame with something in it.
struct StampScene {
    explicit StampScene(float scale)
    {
        stack = fiveShapeStack();
        buildReducedSprite(*stack, -1, SpriteScale { scale });
        frame.setSize(1920, 1080);
        frame.fill(0xFF102030u);
    }
    std::unique_ptr<ShapeStack> stack;
    ArgbImage frame;
};

void BM_CompositeSprite(benchmark::State& state)
{
    StampScene scene(kScales[state.range(0)]);
    const ArgbImage& sprite = *scene.stack->reducedSprite;
    for (auto _ : state) {
        scene.frame.composite(sprite, 800, 400);
        benchmark::DoNotOptimize(scene.frame.pixels.data());
    }
    state.SetLabel("side " + std::to_string(sprite.width));
    state.SetBytesProcessed(state.iterations() * int64_t { sprite.width } * sprite.height * 4);
}
BENCHMARK(BM_CompositeSprite)->Arg(0)->Arg(1);

// The floor: copying the sprite's rows into the frame without looking at them.
void BM_MemcpySpriteRows(benchmark::State& state)
{
    StampScene scene(kScales[state.range(0)]);
    const ArgbImage& sprite = *scene.stack->reducedSprite;
    for (auto _ : state) {
        for (int32_t row = 0; row < sprite.height; ++row)
            std::memcpy(scene.frame.row(400 + row) + 800, sprite.row(row), static_cast<size_t>(sprite.width) * 4);
        benchmark::DoNotOptimize(scene.frame.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel("side " + std::to_string(sprite.width));
    state.SetBytesProcessed(state.iterations() * int64_t { sprite.width } * sprite.height * 4);
}
BENCHMARK(BM_MemcpySpriteRows)->Arg(0)->Arg(1);

} // namespace
