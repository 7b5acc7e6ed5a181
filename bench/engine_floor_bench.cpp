// The floor under the saver's drawing: the renderer's own sprites for a few shipped presets,
// recorded once per scene (saver role, no automatic changes, two seconds stepped once per
// 60 Hz refresh) and replayed three ways per refresh:
//   - composite: every sprite laid with the project's exact blend, as the renderer does;
//   - painted_copy: the same sprites' painted runs (every pixel with alpha > 0) copied with
//     memcpy, the least any drawing of those pixels can cost;
//   - present: the renderer stepped and presented, timing its whole refresh.
// Each reports cpu_at_60hz (percent of a core at 60 refreshes a second) and the pixels per
// refresh: presented (the sum of the rectangles the renderer sends), painted (the union of
// the painted pixels), row_spans (what the renderer's dirty rows hold before they become
// rectangles) and sprite_union (the union of the sprites' rectangles).
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int64_t kRefreshMicros = 16'667;
constexpr int kRecordedRefreshes = 120;

struct Size {
    int32_t width;
    int32_t height;
};

// One sprite laid: which sprite, where.
struct Laid {
    const ArgbImage* sprite;
    const SpriteRuns* runs;
    int32_t x;
    int32_t y;
};

// A painted run of a sprite row, as a copy from the sprite to the frame.
struct PaintedRun {
    int32_t row;
    int32_t start;
    int32_t length;
};

class Recorder final : public SpriteObserver {
public:
    void beforeSprite() override { }
    void afterBlurPass(int32_t) override { }
    void laid(const ArgbImage& sprite, const SpriteRuns& runs, int32_t x, int32_t y) override
    {
        refreshes.back().push_back({ &sprite, &runs, x, y });
        auto& painted = paintedRuns[&sprite];
        if (!painted.empty())
            return;
        for (int32_t row = 0; row < sprite.height; ++row) {
            int32_t column = 0;
            for (const SpriteRuns::Run& run : runs.rowRuns(row)) {
                if (run.kind != SpriteRuns::Kind::Skip)
                    painted.push_back({ row, column, static_cast<int32_t>(run.length) });
                column += static_cast<int32_t>(run.length);
            }
        }
    }

    std::vector<std::vector<Laid>> refreshes;
    std::map<const ArgbImage*, std::vector<PaintedRun>> paintedRuns;
};

// Counts the pixels a present sends.
class CountingPanel final : public RenderPanel {
public:
    CountingPanel(int32_t width, int32_t height)
        : m_width(width)
        , m_height(height)
    {
    }
    int32_t deviceWidth() const override { return m_width; }
    int32_t deviceHeight() const override { return m_height; }
    void beginPresent() override { }
    void endPresent() override { }
    void present(const PixelBlock& block, int32_t, int32_t) override
    {
        pixels += int64_t { block.width } * block.height;
        ++blocks;
    }
    void invalidate() override { }

    int64_t pixels = 0;
    int64_t blocks = 0;

private:
    int32_t m_width;
    int32_t m_height;
};

// A saver renderer over one shipped preset (or the start preset, mirror off, as the refresh
// figures' saver runs draw), its sprites recorded, and the pixels per refresh counted.
struct Scene {
    Scene(const std::string& presetName, Size size)
        : size(size)
    {
        options.changePresets = false;
        options.changeFormula = false;
        options.mirror = 3;
        if (presetName.empty()) {
            options.mirror = 0;
            preset = newStartPreset();
        } else if (!loadPresetFile(std::string(OPAL_SOURCE_DIR "/data/presets/") + presetName + ".vhp", preset)) {
            ok = false;
            return;
        }
        renderer = std::make_unique<Renderer>(options, preset, RenderRole::Saver);
        renderer->setSpriteObserver(&recorder);
        renderer->reset(size.width, size.height);
        CountingPanel panel(size.width, size.height);
        std::vector<uint8_t> painted(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height));
        std::vector<uint8_t> covered(painted.size());
        int64_t micros = 0;
        for (int refresh = 0; refresh <= kRecordedRefreshes; ++refresh, micros += kRefreshMicros) {
            recorder.refreshes.emplace_back();
            renderer->step(micros);
            rowPixels += refresh == 0 ? 0 : renderer->dirty().rowPixels();
            panel.pixels = 0;
            panel.blocks = 0;
            renderer->present(panel);
            if (refresh == 0)
                continue; // the first present after a reset is the whole frame
            presentedPixels += panel.pixels;
            presentedBlocks += panel.blocks;
            std::fill(painted.begin(), painted.end(), 0);
            std::fill(covered.begin(), covered.end(), 0);
            for (const Laid& laid : recorder.refreshes.back()) {
                for (int32_t row = 0; row < laid.sprite->height; ++row) {
                    const int32_t y = laid.y + row;
                    if (y < 0 || y >= size.height)
                        continue;
                    for (int32_t column = 0; column < laid.sprite->width; ++column) {
                        const int32_t x = laid.x + column;
                        if (x < 0 || x >= size.width)
                            continue;
                        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(size.width)
                            + static_cast<std::size_t>(x);
                        unionPixels += covered[at] ? 0 : 1;
                        covered[at] = 1;
                        if (alphaOf(laid.sprite->row(row)[column]) != 0) {
                            paintedPixels += painted[at] ? 0 : 1;
                            painted[at] = 1;
                        }
                    }
                }
            }
        }
        recorder.refreshes.erase(recorder.refreshes.begin()); // the same reason
        renderer->setSpriteObserver(nullptr);
    }

    void report(benchmark::State& state) const
    {
        const double refreshes = kRecordedRefreshes;
        state.counters["presented"] = static_cast<double>(presentedPixels) / refreshes;
        state.counters["painted"] = static_cast<double>(paintedPixels) / refreshes;
        state.counters["sprite_union"] = static_cast<double>(unionPixels) / refreshes;
        state.counters["presented_per_painted"]
            = paintedPixels > 0 ? static_cast<double>(presentedPixels) / static_cast<double>(paintedPixels) : 0.0;
        state.counters["row_spans"] = static_cast<double>(rowPixels) / refreshes;
        state.counters["blocks"] = static_cast<double>(presentedBlocks) / refreshes;
    }

    Size size;
    bool ok = true;
    SettingsRecord options;
    Preset preset;
    std::unique_ptr<Renderer> renderer;
    Recorder recorder;
    int64_t presentedPixels = 0;
    int64_t presentedBlocks = 0;
    int64_t rowPixels = 0;
    int64_t paintedPixels = 0;
    int64_t unionPixels = 0;
};

// Scenes are recorded once and kept for every benchmark of the same preset and size.
Scene& scene(const std::string& presetName, Size size)
{
    static std::map<std::string, std::unique_ptr<Scene>> scenes;
    const std::string key = presetName + "@" + std::to_string(size.width);
    auto& kept = scenes[key];
    if (!kept)
        kept = std::make_unique<Scene>(presetName, size);
    return *kept;
}

enum class Way { Composite, PaintedCopy, Present };

void BM_Floor(benchmark::State& state, const std::string& presetName, Size size, Way way)
{
    Scene& recorded = scene(presetName, size);
    if (!recorded.ok) {
        state.SkipWithError("preset not found");
        return;
    }
    ArgbImage frame;
    frame.setSize(size.width, size.height);
    CountingPanel panel(size.width, size.height);
    std::size_t refresh = 0;
    int64_t micros = (kRecordedRefreshes + 1) * kRefreshMicros;
    for (auto _ : state) {
        const std::vector<Laid>& sprites = recorded.recorder.refreshes[refresh];
        refresh = (refresh + 1) % recorded.recorder.refreshes.size();
        switch (way) {
        case Way::Composite:
            for (const Laid& laid : sprites)
                frame.composite(*laid.sprite, laid.x, laid.y, laid.runs);
            break;
        case Way::PaintedCopy:
            for (const Laid& laid : sprites) {
                for (const PaintedRun& run : recorded.recorder.paintedRuns.at(laid.sprite)) {
                    const int32_t y = laid.y + run.row;
                    const int32_t x = std::max(laid.x + run.start, 0);
                    const int32_t end = std::min(laid.x + run.start + run.length, size.width);
                    if (y >= 0 && y < size.height && x < end)
                        std::memcpy(frame.row(y) + x, laid.sprite->row(run.row) + (x - laid.x), 4 * std::size_t(end - x));
                }
            }
            break;
        case Way::Present:
            recorded.renderer->step(micros);
            recorded.renderer->present(panel);
            micros += kRefreshMicros;
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    recorded.report(state);
    // Seconds per refresh x 60 refreshes x 100 percent.
    state.counters["cpu_at_60hz"] = benchmark::Counter(
        1.0 / 6000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const bool registered = [] {
    // "" is the start preset with the mirror off: what bench/refresh_figures.sh runs.
    const std::vector<std::string> presets { "", "candy", "chrome", "classic-glass", "eclipse", "ember" };
    const std::vector<std::pair<std::string, Size>> sizes { { "1080p", { 1920, 1080 } }, { "4k", { 3840, 2160 } } };
    const std::vector<std::pair<std::string, Way>> ways { { "composite", Way::Composite },
        { "painted_copy", Way::PaintedCopy }, { "present", Way::Present } };
    for (const auto& [sizeName, size] : sizes) {
        for (const std::string& preset : presets) {
            for (const auto& [wayName, way] : ways) {
                const std::string name
                    = "BM_Floor/" + (preset.empty() ? std::string("start") : preset) + "/" + sizeName + "/" + wayName;
                benchmark::RegisterBenchmark(name.c_str(), BM_Floor, preset, size, way)->Unit(benchmark::kMicrosecond);
            }
        }
    }
    return true;
}();

} // namespace
