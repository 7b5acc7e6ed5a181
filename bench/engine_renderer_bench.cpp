// One sprite drawn and presented at 1920 x 1080 through the recording panel (against
// compositing alone), and the CPU time a paced RunFrames takes per second of wall time,
// resting between sprites against spinning.
#include "engine/engine_globals.h"
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <benchmark/benchmark.h>

#include <ctime>

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

void BM_CompositeOnly1920x1080(benchmark::State& state)
{
    Scene scene;
    const ArgbImage& sprite = scene.sprite();
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t half = sprite.width / 2;
        scene.renderer.Frame.Composite(sprite, 700 + (step & 255) - half, 400 + (step >> 8 & 255) - half);
        ++step;
        benchmark::ClobberMemory();
    }
    state.counters["sprite_side"] = sprite.width;
}
BENCHMARK(BM_CompositeOnly1920x1080);

// Each iteration draws 1400 sprites (200 rounds) paced 300 microseconds apart; reports the
// process CPU seconds per wall second and the sprite rate.
void pacedRun(benchmark::State& state, SpritePacer::Mode mode)
{
    Scene scene;
    scene.renderer.SetPacing(mode);
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
BENCHMARK(BM_PacedRunFramesSleeping)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PacedRunFramesSpinning)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
