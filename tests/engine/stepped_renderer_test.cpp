// The stepped renderer against the older per-sprite loop (tests/engine/reference_renderer):
// over thousands of real sprites with shipped presets, random formulas, mirrors, blur,
// travelling, switched-off objects and automatic changes, the frames after every step are
// the frames the loop had after the same number of sprites.

#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "tests/engine/reference_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::filesystem::path> shippedPresets()
{
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(OPAL_SOURCE_DIR) + "/data/presets"))
        paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// One side of the comparison: its own options and preset (an automatic change writes both),
// and the presets its loader walks through.
struct Side {
    SettingsRecord options;
    Preset preset;
    std::size_t nextPreset = 0;
};

struct Scenario {
    uint32_t seed;
    int32_t width;
    int32_t height;
    bool saver; // the saver's scale and automatic changes
};

class SteppedRenderer : public ::testing::TestWithParam<Scenario> { };

TEST_P(SteppedRenderer, FramesAfterEveryStepEqualThePerSpriteLoop)
{
    const Scenario scenario = GetParam();
    std::mt19937 random(scenario.seed);
    const auto whole = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const std::vector<std::filesystem::path> presets = shippedPresets();
    ASSERT_GE(presets.size(), 4u);

    SettingsRecord options;
    options.formula = whole(0, kFormulaCount - 1);
    options.mirror = whole(0, kMirrorCount - 1);
    // Blur and travelling from the seed's bits, so that the scenarios cover each way.
    options.filter = (scenario.seed & 1) != 0;
    options.travel = static_cast<int32_t>((scenario.seed >> 1) & 1);
    options.interlace = whole(0, 1);
    options.scale = whole(30, 150);
    options.changePresets = 1;
    options.changeFormula = 1;
    options.changeMirror = 1;
    options.seconds = 1;
    const std::size_t firstPreset = static_cast<std::size_t>(whole(0, static_cast<int>(presets.size()) - 1));
    const int32_t switchedOff = whole(-1, kObjectCount - 1); // -1: every object on
    const int32_t spritesPerBlurPass = whole(1, 90);

    Side reference { options, {}, firstPreset };
    Side stepped { options, {}, firstPreset };
    const auto loadNext = [&](Side& side) {
        ASSERT_TRUE(loadPresetFile(presets[side.nextPreset % presets.size()], side.preset));
        if (switchedOff >= 0)
            side.preset.objectEnabled[static_cast<std::size_t>(switchedOff)] = 0;
        side.preset.objectEnabled[static_cast<std::size_t>((switchedOff + 1) % kObjectCount)] = 1;
        ++side.nextPreset;
    };
    loadNext(reference);
    loadNext(stepped);

    // Calendar time is a function of the sprites each side has drawn, so that the automatic
    // changes come after the same sprite on both: a second every 400 sprites.
    ReferenceRenderer old(reference.options, reference.preset, scenario.saver);
    Renderer renderer(stepped.options, stepped.preset, scenario.saver ? RenderRole::Saver : RenderRole::Editor);
    old.setCalendarClock([&] { return old.spritesDrawn / 400; });
    renderer.setCalendarClock([&] { return renderer.spritesDrawn() / 400; });
    old.setPresetLoader([&] { loadNext(reference); });
    renderer.setPresetLoader([&] { loadNext(stepped); });
    old.setSpritesPerBlurPass(spritesPerBlurPass);
    renderer.setSpritesPerBlurPass(spritesPerBlurPass);
    old.reset(scenario.width, scenario.height);
    renderer.reset(scenario.width, scenario.height);

    // Steps at uneven times, now and then late by more than the schedule makes up for.
    constexpr int64_t kSprites = 4000;
    int64_t now = 1'000'000;
    int comparisons = 0;
    const auto stepAgain = [&] {
        while (renderer.spritesDrawn() <= old.spritesDrawn) {
            now += whole(0, 9) == 0 ? whole(100'000, 400'000) : whole(1, 17'000);
            renderer.step(now);
        }
    };
    stepAgain();
    old.setSpriteHook([&] {
        if (old.spritesDrawn == renderer.spritesDrawn()) {
            ++comparisons;
            if (old.frame.pixels != renderer.frame().pixels || old.halfFrame.pixels != renderer.halfFrame().pixels) {
                ADD_FAILURE() << "frames differ after sprite " << old.spritesDrawn;
                return false;
            }
            stepAgain();
        }
        return old.spritesDrawn < kSprites;
    });
    while (old.spritesDrawn < kSprites && !::testing::Test::HasFailure())
        old.runFrames(INT64_MAX);
    EXPECT_GT(comparisons, 20);

    if (scenario.saver) {
        EXPECT_GT(reference.nextPreset, 2u); // the automatic changes loaded presets
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, SteppedRenderer,
    ::testing::Values(Scenario { 1, 320, 240, true }, Scenario { 2, 321, 199, true }, Scenario { 3, 256, 300, false },
        Scenario { 4, 400, 180, true }, Scenario { 5, 160, 120, true }, Scenario { 6, 333, 250, false },
        Scenario { 7, 200, 150, true }, Scenario { 8, 640, 480, true }));

} // namespace
