// One step of a slider drag in the editor, at the editor's sizes, without the toolkit:
// the value is written and spread (ShapeEditor), then the seven 50 x 50 thumbnails and
// the 40 x 200 shape-stack browser paint as they do after every step. Run with
//   build/bench/opal_editor_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The baseline is one thumbnail repaint alone, measured in the same run.

#include "editor/shape_editor.h"
#include "editor/shape_stack_browser.h"
#include "engine/recording_panel.h"
#include "engine/shape_preview_painter.h"
#include "presets/run_record.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr int kThumbnailSide = 50;
constexpr int kBrowserWidth = 40;
constexpr int kBrowserHeight = 200;

// The start scene with `shapes` shapes in every object, spheres and tori alternating.
Preset sceneWith(int shapes)
{
    Preset preset = newStartPreset();
    for (auto& row : preset.objects.stacks) {
        ShapeStack& stack = *row[0];
        for (int i = 1; i < shapes; ++i)
            cloneLastShape(stack);
        for (int i = 0; i < shapes; ++i) {
            stack.shapes[static_cast<size_t>(i)].width = 100 - 15 * i;
            stack.shapes[static_cast<size_t>(i)].type = i % 2 == 1 ? kTorusType : kSphereType;
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
    void repaintThumbnail(int32_t object) override { dirty[static_cast<size_t>(object)] = true; }
    void repaintBrowser() override { browserDirty = true; }
    void paint()
    {
        for (size_t i = 0; i < painters.size(); ++i) {
            if (dirty[i])
                painters[i].paint(*thumbnails[i]);
            dirty[i] = false;
        }
        if (browserDirty)
            browser.paint(browserPanel);
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
    RunRecord record;
    record.preset = sceneWith(static_cast<int>(state.range(0)));
    Preset& preset = record.preset;
    Panels panels;
    for (size_t i = 0; i < panels.painters.size(); ++i) {
        panels.thumbnails[i]->recordPresents = false;
        panels.painters[i].setStack(preset.objects.stacks[i][0].get());
    }
    panels.browserPanel.recordPresents = false;
    ShapeEditor editor(record, &panels);
    editor.selectObject(0);
    panels.browser.setStack(editor.selectedStack());
    panels.browser.setSelected(0);

    const SliderRange range = SliderRanges[static_cast<size_t>(parameter - 1)];
    int32_t value = range.minimum;
    int32_t direction = 1;
    for (auto _ : state) {
        value += direction;
        if (value >= range.maximum || value <= range.minimum)
            direction = -direction;
        editor.sliderChanged(parameter, value);
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
    painter.setStack(preset.objects.stacks[0][0].get());
    for (auto _ : state)
        painter.paint(panel);
}

BENCHMARK(BM_BaselineOneThumbnail)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragPhongEveryObject)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragWidthOneShape)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);

} // namespace
