// One sprite drawn and presented at 1920 x 1080 through the recording panel (against
// compositing alone, at three screen sizes, also with another thread reading each sprite's
// rectangle back as the display server does), and the CPU time the saver's drawing takes per
// second of wall time when its renderer is stepped once per display refresh.
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cerrno>
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

int64_t monotonicMicros()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t { now.tv_sec } * 1'000'000 + now.tv_nsec / 1'000;
}

void sleepUntilMicros(int64_t micros)
{
    const timespec until { static_cast<time_t>(micros / 1'000'000), static_cast<long>(micros % 1'000'000 * 1'000) };
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// A saver renderer of 1920 x 1080 with the start-up scene and no automatic changes, and the
// recording panel its presents go to.
struct Scene {
    Scene()
    {
        options.changePresets = 0;
        options.changeFormula = 0;
        panel.recordPresents = false;
        renderer.reset(kScreenWidth, kScreenHeight);
    }

    SettingsRecord options;
    Preset preset = newStartPreset();
    Renderer renderer { options, preset, RenderRole::Saver };
    RecordingPanel panel { kScreenWidth, kScreenHeight };
};

// Only the first object is switched on and the mirror is off, so every iteration draws
// one sprite of the first object where the motion puts it and presents its rectangle.
void BM_DrawSpriteAndPresent1920x1080(benchmark::State& state)
{
    Scene scene;
    scene.options.mirror = 0;
    scene.preset.objectEnabled = { 1, 0, 0, 0, 0, 0, 0 };
    // The first present after a reset shows the whole frame; the loop measures the later ones.
    scene.renderer.drawSprites(1, false);
    scene.renderer.present(scene.panel);
    for (auto _ : state) {
        scene.renderer.drawSprites(1, false);
        scene.renderer.present(scene.panel);
        benchmark::ClobberMemory();
    }
    state.counters["sprite_side"] = scene.preset.objects.stacks[0][0]->reducedSprite->width;
}
BENCHMARK(BM_DrawSpriteAndPresent1920x1080);

// The first object's sprite of the preset rebuilt at the size of a 1280 x 720, 1920 x 1080
// or 3840 x 2160 screen (state.range(1): 0, 1, 2; the saver's pixels per design unit at the
// default scale of 75), and its runs when state.range(0) asks for them.
std::pair<const ArgbImage*, const SpriteRuns*> spriteAtScreenSize(const benchmark::State& state, Preset& preset)
{
    constexpr float kScales[] = { 1.125f, 1.6875f, 3.375f };
    ShapeStack& stack = *preset.objects.stacks[0][0];
    buildReducedSprite(stack, -1, SpriteScale { kScales[state.range(1)] });
    return { stack.reducedSprite.get(), state.range(0) != 0 ? &stack.reducedRuns : nullptr };
}

// A clear frame of the screen's size.
ArgbImage screenFrame()
{
    ArgbImage frame;
    frame.setSize(kScreenWidth, kScreenHeight);
    return frame;
}

// The composite alone, pixel by pixel (runs:0) or by the sprite's runs (runs:1), with the
// frame's lines in this processor's cache.
void BM_CompositeOnly(benchmark::State& state)
{
    Preset preset = newStartPreset();
    const auto [spritePointer, runs] = spriteAtScreenSize(state, preset);
    const ArgbImage& sprite = *spritePointer;
    ArgbImage frame = screenFrame();
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t half = sprite.width / 2;
        frame.composite(sprite, 700 + (step & 255) - half, 400 + (step >> 8 & 255) - half, runs);
        ++step;
        benchmark::ClobberMemory();
    }
    state.counters["sprite_side"] = sprite.width;
    state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(sprite.pixels.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CompositeOnly)->ArgNames({ "runs", "screen" })->ArgsProduct({ { 0, 1 }, { 0, 1, 2 } });

// Each iteration runs the saver for the time of 1400 sprites (200 rounds, 0.42 s) as its
// window does: once per refresh of a display at state.range(0) hertz it steps the renderer
// to the time and presents what changed, and rests until the next refresh. Reports the
// process CPU seconds per wall second, the CPU time per sprite and the sprite rate.
void BM_SteppedPerRefresh(benchmark::State& state)
{
    Scene scene;
    const int64_t period = 1'000'000 / state.range(0);
    constexpr int64_t kRunMicros = 1400 * Renderer::kSpriteGapMicros;
    double cpu = 0.0;
    double wall = 0.0;
    int64_t sprites = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const int64_t start = monotonicMicros();
        const int64_t spritesBefore = scene.renderer.spritesDrawn();
        for (int64_t refresh = start; refresh < start + kRunMicros; refresh += period) {
            sleepUntilMicros(refresh);
            scene.renderer.step(monotonicMicros());
            scene.renderer.present(scene.panel);
        }
        cpu += processCpuSeconds() - cpuBefore;
        wall += static_cast<double>(monotonicMicros() - start) * 1e-6;
        sprites += scene.renderer.spritesDrawn() - spritesBefore;
    }
    state.counters["cpu_per_wall"] = cpu / wall;
    state.counters["cpu_us_per_sprite"] = cpu * 1e6 / static_cast<double>(sprites);
    state.counters["sprites_per_s"] = static_cast<double>(sprites) / wall;
}
BENCHMARK(BM_SteppedPerRefresh)
    ->ArgName("hz")
    ->Arg(60)
    ->Arg(144)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The composite as the saver meets it: after each sprite, another thread (standing in for
// the display server) reads the sprite's rectangle out of the frame, as a shared-memory put
// does, so the frame's lines are shared with another processor when the next sprite lands.
void BM_CompositeAfterReader(benchmark::State& state)
{
    Preset preset = newStartPreset();
    const auto [spritePointer, runs] = spriteAtScreenSize(state, preset);
    const ArgbImage& sprite = *spritePointer;
    ArgbImage frame = screenFrame();
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
                std::memcpy(copy.data() + static_cast<size_t>(row) * sprite.width, frame.row(readY + row) + readX, sprite.width * 4u);
            done.store(wanted, std::memory_order_release);
        }
    });
    int32_t step = 0;
    for (auto _ : state) {
        const int32_t half = sprite.width / 2;
        const int32_t x = 700 + (step & 255) - half;
        const int32_t y = 400 + (step >> 8 & 255) - half;
        frame.composite(sprite, x, y, runs);
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
