#include "engine/renderer_factory.h"

#include "presets/run_record.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kStartTime = 1'800'000'000;

bool anyPixelLit(const ArgbImage& image)
{
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            if ((image.row(y)[x] & 0x00FFFFFFu) != 0)
                return true;
        }
    }
    return false;
}

// The factory's renderer works on the record handed to it: it draws the record's preset
// with the record's options, and an automatic change puts a preset of the record's presets
// folder into the record, in every role that makes automatic changes.
TEST(RendererFactory, DrawsTheRecordAndChangesItsPresetFromItsFolder)
{
    TempFolder folder;
    Preset stored = newStartPreset();
    stored.roundSpeed = 0.77;
    ASSERT_TRUE(savePresetFile(folder.path() / "only.vhp", stored));

    RunRecord record;
    record.options.presetsDir = folder.path().string();
    record.options.changePresets = true;
    record.options.changeFormula = false;
    record.options.seconds = 10;
    int64_t now = kStartTime;
    const std::unique_ptr<Renderer> renderer = makeRenderer(RenderRole::Saver, record);
    renderer->setCalendarClock([&now] { return now; });
    renderer->reset(64, 48);

    // Every object of the record's preset switched off: the round draws nothing; on again,
    // it draws.
    record.preset.objectEnabled.fill(0);
    renderer->drawSprites(7);
    EXPECT_FALSE(anyPixelLit(renderer->frame()));
    record.preset.objectEnabled.fill(1);
    renderer->drawSprites(7);
    EXPECT_TRUE(anyPixelLit(renderer->frame()));

    now += 11;
    renderer->drawSprites(7);
    EXPECT_EQ(record.preset.roundSpeed, 0.77);
    EXPECT_EQ(renderer->lastChange(), now);
}

} // namespace
