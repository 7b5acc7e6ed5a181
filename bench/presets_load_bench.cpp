// Preset load time: reading a preset file and rebuilding the animation sprites of all seven
// objects at 1.6 pixels per design unit (a 1024 x 768 editor panel), as the renderer does after every
// automatic preset change. Parsing alone and the file read alone run beside it as baselines.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "presets/preset.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

namespace {

const char* const kPresets[] = { "classic-glass", "saturn", "five-layer-tower" };

std::filesystem::path presetFile(int64_t which)
{
    return std::filesystem::path(OPAL_BENCH_SOURCE_DIR) / "data" / "presets" / (std::string(kPresets[which]) + ".vhp");
}

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void rebuildSprites(Preset& preset, const SpriteScale& scale)
{
    for (auto& row : preset.objects.stacks)
        buildReducedSprite(*row[0], -1, scale);
}

void BM_ParsePresetBlock(benchmark::State& state)
{
    const std::string bytes = fileBytes(presetFile(state.range(0)));
    Preset preset = newStartPreset();
    for (auto _ : state) {
        std::istringstream in(bytes, std::ios::binary);
        benchmark::DoNotOptimize(readPreset(preset, in));
    }
    state.SetLabel(kPresets[state.range(0)]);
}

void BM_LoadPresetFile(benchmark::State& state)
{
    const auto path = presetFile(state.range(0));
    Preset preset = newStartPreset();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadPresetFile(path, preset));
    state.SetLabel(kPresets[state.range(0)]);
}

void BM_LoadPresetAndRebuildSprites(benchmark::State& state)
{
    const auto path = presetFile(state.range(0));
    const SpriteScale scale { 1.6f, false };
    Preset preset = newStartPreset();
    for (auto _ : state) {
        loadPresetFile(path, preset);
        rebuildSprites(preset, scale);
        benchmark::DoNotOptimize(preset.objects.stacks[0][0]->reducedSprite->pixels.data());
    }
    state.SetLabel(kPresets[state.range(0)]);
}

BENCHMARK(BM_ParsePresetBlock)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadPresetFile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadPresetAndRebuildSprites)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

} // namespace
