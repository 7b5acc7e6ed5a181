// One step of a slider drag in the editor, at the editor's sizes, without the toolkit:
// the value is written and spread (ShapeEditor), then the seven 50 x 50 thumbnails and
// the 40 x 200 shape-stack browser paint as they do after every step. Run with
//   build/bench/opal_editor_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The baseline is one thumbnail repaint alone, measured in the same run.

#include "editor/shape_editor.h"
#include "editor/shape_stack_browser.h"
#include "engine/recording_panel.h"
#include "engine/shape_preview_painter.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr int kThumbnailSide = 50;
constexpr int kBrowserWidth = 40;
constexpr int kBrowserHeight = 200;

// The start scene with `shapes` shapes in every object, spheres and tori alternating.
Preset sceneWith(int shapes)
{
    Preset preset = NewStartPreset();
    for (auto& row : preset.Objects.Stacks) {
        ShapeStack& stack = *row[0];
        for (int i = 1; i < shapes; ++i)
            CloneLastShape(stack);
        for (int i = 0; i < shapes; ++i) {
            stack.Shapes[static_cast<size_t>(i)].Width = 100 - 15 * i;
            stack.Shapes[static_cast<size_t>(i)].Type = i % 2 == 1 ? kTorusType : kSphereType;
        }
    }
    return preset;
}

// Repaints the window does after a step: every thumbnail whose object changed and the browser.
struct Panels final : EditorView {
    Panels()
    {
        for (auto& panel : thumbnails)
            panel = std::make_unique<RecordingPanel>(kThumbnailSide, kThumbnailSide);
    }
    void RepaintThumbnail(int32_t object) override { dirty[static_cast<size_t>(object)] = true; }
    void RepaintBrowser() override { browserDirty = true; }
    void paint()
    {
        for (size_t i = 0; i < painters.size(); ++i) {
            if (dirty[i])
                painters[i].Paint(*thumbnails[i]);
            dirty[i] = false;
        }
        if (browserDirty)
            browser.Paint(browserPanel);
        browserDirty = false;
    }

    std::array<std::unique_ptr<RecordingPanel>, kObjectCount> thumbnails;
    std::array<ShapePreviewPainter, kObjectCount> painters;
    std::array<bool, kObjectCount> dirty {};
    RecordingPanel browserPanel { kBrowserWidth, kBrowserHeight };
    ShapeStackBrowserPainter browser;
    bool browserDirty = false;
};

// A drag of the slider across its range and back, one step per iteration.
void dragSlider(benchmark::State& state, int32_t parameter)
{
    ResetDefaults();
    Preset preset = sceneWith(static_cast<int>(state.range(0)));
    Panels panels;
    for (size_t i = 0; i < panels.painters.size(); ++i) {
        panels.thumbnails[i]->recordPresents = false;
        panels.painters[i].SetStack(preset.Objects.Stacks[i][0].get());
    }
    panels.browserPanel.recordPresents = false;
    ShapeEditor editor(preset, &panels);
    editor.SelectObject(0);
    panels.browser.SetStack(editor.SelectedStack());
    panels.browser.SetSelected(0);

    const SliderRange range = SliderRanges[static_cast<size_t>(parameter - 1)];
    int32_t value = range.minimum;
    int32_t direction = 1;
    for (auto _ : state) {
        value += direction;
        if (value >= range.maximum || value <= range.minimum)
            direction = -direction;
        editor.SliderChanged(parameter, value);
        panels.paint();
    }
}

// Phong spreads to every object with the start strategies: seven thumbnails and the browser.
void BM_DragPhongEveryObject(benchmark::State& state) { dragSlider(state, kGroupPhong); }
// Width stays on the selected shape: one thumbnail and the browser.
void BM_DragWidthOneShape(benchmark::State& state) { dragSlider(state, kGroupWidth); }

void BM_BaselineOneThumbnail(benchmark::State& state)
{
    Preset preset = sceneWith(static_cast<int>(state.range(0)));
    RecordingPanel panel(kThumbnailSide, kThumbnailSide);
    panel.recordPresents = false;
    ShapePreviewPainter painter;
    painter.SetStack(preset.Objects.Stacks[0][0].get());
    for (auto _ : state)
        painter.Paint(panel);
}

BENCHMARK(BM_BaselineOneThumbnail)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragPhongEveryObject)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragWidthOneShape)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);

} // namespace
