// One sprite drawn and presented at 1920 x 1080 through the recording panel (against
// compositing alone, at three screen sizes, also with another thread reading each sprite's
// rectangle back as the display server does), and the CPU time a paced RunFrames takes per second of wall time,
// resting between sprites against spinning.
#include "engine/engine_globals.h"
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

constexpr int32_t kScreenWidth = 1920;
constexpr int32_t kScreenHeight = 1080;

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A saver-mode renderer on a 1920 x 1080 recording panel with the start-up scene, no
// automatic changes.
struct Scene {
    Scene()
    {
        ResetDefaults();
        NewObjectTable(CurrentPreset.Objects);
        RunMode = 2;
        Settings.DoChange = 0;
        Settings.ChangeFormula = 0;
        panel.recordPresents = false;
        renderer.Panel = &panel;
        renderer.Reset();
        BuildReducedSprite(*CurrentPreset.Objects.Stacks[0][0], -1);
    }
    const ArgbImage& sprite() const { return *CurrentPreset.Objects.Stacks[0][0]->ReducedSprite; }

    RecordingPanel panel { kScreenWidth, kScreenHeight };
    Renderer renderer;
};

void BM_DrawSpriteAndPresent1920x1080(benchmark::State& state)
{
    Scene scene;
    const ArgbImage& sprite = scene.sprite();
    int32_t step = 0;
    for (auto _ : state) {
        scene.renderer.DrawSprite(sprite, 700 + (step & 255), 400 + (step >> 8 & 255), 1);
        ++step;
        benchmark::ClobberMemory();
    }
    state.counters["sprite_side"] = sprite.width;
}
BENCHMARK(BM_DrawSpriteAndPresent1920x1080);

// The first object's sprite rebuilt at the size of a 1280 x 720, 1920 x 1080 or 3840 x 2160
// screen (state.range(1): 0, 1, 2; SizeScale at the default scale of 75), and its runs when
// state.range(0) asks for them.
std::pair<const ArgbImage*, const SpriteRuns*> spriteAtScreenSize(const benchmark::State& state)
{
    constexpr float kScales[] = { 1.125f, 1.6875f, 3.375f };
    SizeScale = kScales[state.range(1)];
    ShapeStack& stack = *CurrentPreset.Objects.Stacks[0][0];
    stack.ReducedDirty = 1;
    BuildReducedSprite(stack, -1);
    return { stack.ReducedSprite.get(), state.range(0) != 0 ? &stack.ReducedRuns : nullptr };
}

// The composite alone, pixel by pixel (runs:0) or by the sprite's runs (runs:1), with the
// frame's lines in this processor's cache.
void BM_CompositeOnly(benchmark::State& state)
{
    Scene scene;
    const auto [spritePointer, runs] = spriteAtScreenSize(state);
    const ArgbImage& sprite = *spritePointer;
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t half = sprite.width / 2;
        scene.renderer.Frame.Composite(sprite, 700 + (step & 255) - half, 400 + (step >> 8 & 255) - half, runs);
        ++step;
        benchmark::ClobberMemory();
    }
    state.counters["sprite_side"] = sprite.width;
    state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(sprite.pixels.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CompositeOnly)->ArgNames({ "runs", "screen" })->ArgsProduct({ { 0, 1 }, { 0, 1, 2 } });

// Each iteration draws 1400 sprites (200 rounds) paced 300 microseconds apart, one by one
// or in groups that rest once; reports the process CPU seconds per wall second, the CPU
// time per sprite and the sprite rate.
void pacedRun(benchmark::State& state, SpritePacer::Mode mode, uint32_t spritesPerRest = 1)
{
    Scene scene;
    scene.renderer.SetPacing(mode);
    scene.renderer.SetSpritesPerRest(spritesPerRest);
    constexpr int32_t kSprites = 1400;
    double cpu = 0.0;
    double wall = 0.0;
    int64_t sprites = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const double wallBefore = wallSeconds();
        scene.renderer.RunFrames(kSprites);
        cpu += processCpuSeconds() - cpuBefore;
        wall += wallSeconds() - wallBefore;
        sprites += kSprites;
    }
    state.counters["cpu_per_wall"] = cpu / wall;
    state.counters["cpu_us_per_sprite"] = cpu * 1e6 / static_cast<double>(sprites);
    state.counters["sprites_per_s"] = static_cast<double>(sprites) / wall;
}

void BM_PacedRunFramesSleeping(benchmark::State& state)
{
    pacedRun(state, SpritePacer::Mode::Sleep);
}
void BM_PacedRunFramesSpinning(benchmark::State& state)
{
    pacedRun(state, SpritePacer::Mode::Spin);
}
// As the saver paces: two sprites per rest.
void BM_PacedRunFramesSleepingInPairs(benchmark::State& state)
{
    pacedRun(state, SpritePacer::Mode::Sleep, SpritePacer::kSaverSpritesPerRest);
}
BENCHMARK(BM_PacedRunFramesSleeping)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PacedRunFramesSleepingInPairs)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PacedRunFramesSpinning)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The composite as the saver meets it: after each sprite, another thread (standing in for
// the display server) reads the sprite's rectangle out of the frame, as a shared-memory put
// does, so the frame's lines are shared with another processor when the next sprite lands.
void BM_CompositeAfterReader(benchmark::State& state)
{
    Scene scene;
    const auto [spritePointer, runs] = spriteAtScreenSize(state);
    const ArgbImage& sprite = *spritePointer;
    ArgbImage& frame = scene.renderer.Frame;
    std::atomic<int> request { 0 };
    std::atomic<int> done { 0 };
    std::atomic<int32_t> readX { 0 };
    std::atomic<int32_t> readY { 0 };
    std::vector<uint32_t> copy(static_cast<size_t>(sprite.width) * sprite.height);
    std::thread reader([&] {
        for (int seen = 0;;) {
            int wanted = 0;
            while ((wanted = request.load(std::memory_order_acquire)) == seen) {
            }
            if (wanted < 0)
                return;
            seen = wanted;
            for (int row = 0; row < sprite.height; ++row)
                std::memcpy(copy.data() + static_cast<size_t>(row) * sprite.width, frame.Row(readY + row) + readX, sprite.width * 4u);
            done.store(wanted, std::memory_order_release);
        }
    });
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t half = sprite.width / 2;
        const int32_t x = 700 + (step & 255) - half;
        const int32_t y = 400 + (step >> 8 & 255) - half;
        frame.Composite(sprite, x, y, runs);
        state.PauseTiming();
        readX = x;
        readY = y;
        request.store(step + 1, std::memory_order_release);
        while (done.load(std::memory_order_acquire) != step + 1) {
        }
        state.ResumeTiming();
        ++step;
    }
    request.store(-1, std::memory_order_release);
    reader.join();
    state.counters["sprite_side"] = sprite.width;
}
BENCHMARK(BM_CompositeAfterReader)->UseRealTime()->ArgNames({ "runs", "screen" })->ArgsProduct({ { 0, 1 }, { 1, 2 } });

} // namespace
