#include "engine/engine_globals.h"
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "platform/cpu_clock.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Point = std::pair<int32_t, int32_t>;

constexpr int64_t kStartTime = 1'800'000'000;

uint32_t MarkerColor(int32_t row)
{
    return MakeArgb(255, static_cast<uint32_t>(row + 1), 0, 0);
}

// Gives every object a 1 x 1 opaque sprite of its own colour (red = row + 1) that is
// never rebuilt, so a present or a frame pixel tells exactly where a sprite centre went.
void useMarkerSprites()
{
    for (int32_t row = 0; row < kObjectCount; ++row) {
        ShapeStack& stack = *CurrentPreset.Objects.Stacks[static_cast<size_t>(row)][0];
        stack.ReducedSprite = std::make_unique<ArgbImage>();
        stack.ReducedSprite->SetSize(1, 1);
        stack.ReducedSprite->pixels[0] = MarkerColor(row);
        stack.ReducedDirty = 0;
    }
}

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetDefaults();
        NewObjectTable(CurrentPreset.Objects);
        RunMode = 1;
        Settings.Mirror = 0;
        Settings.Travel = 0;
    }
    void TearDown() override
    {
        ResetDefaults();
        cpuForgetSpeedForTesting();
    }

    // Binds a renderer to a panel the way a window does.
    void start(Renderer& target, RenderPanel& surface)
    {
        target.Panel = &surface;
        target.SetPacing(SpritePacer::Mode::None);
        target.SetCalendarClock([this] { return now; });
        target.Reset();
    }

    static std::vector<Point> presentedAt(const RecordingPanel& panel)
    {
        std::vector<Point> points;
        for (const auto& present : panel.presents)
            points.emplace_back(present.x, present.y);
        return points;
    }

    int64_t now = kStartTime;
    RecordingPanel panel { 1024, 768 };
    Renderer renderer;
};

TEST_F(RendererTest, ScaleOrbitAndTravelOfA1024By768Panel)
{
    start(renderer, panel);
    EXPECT_EQ(SizeScale, 1.6f);
    EXPECT_NEAR(renderer.OrbitRadius, 192.0000029, 1e-7);
    EXPECT_NEAR(renderer.OrbitSwing, 128.0000019, 1e-7);
    EXPECT_NEAR(renderer.TravelAmpX, 127.9999943, 1e-7);
    EXPECT_NEAR(renderer.TravelAmpY, -0.0000057, 1e-7);
    EXPECT_LT(renderer.TravelAmpY, 0.0);
    EXPECT_EQ(renderer.RoundAngle, 5.0);
    EXPECT_EQ(renderer.RadialAngle, 5.0);
    EXPECT_EQ(std::pair(renderer.Frame.width, renderer.Frame.height), std::pair(1024, 768));
    EXPECT_EQ(std::pair(renderer.HalfFrame.width, renderer.HalfFrame.height), std::pair(512, 384));
    EXPECT_EQ(renderer.LastChange, kStartTime);

    RunMode = 2; // saver mode applies Scale
    renderer.ComputeScale();
    EXPECT_EQ(SizeScale, 1.2f);

    RunMode = 1;
    Settings.Filter = true;
    renderer.ComputeScale();
    EXPECT_EQ(std::pair(renderer.DrawWidth, renderer.DrawHeight), std::pair(512, 384));
    EXPECT_EQ(SizeScale, 0.64f);

    Settings.Filter = false;
    for (const auto& [height, scale] :
        { std::pair { 600, 1.0f }, { 480, 0.8f }, { 700, 700 / 600.0f }, { 701, 701 / 480.0f } }) {
        panel.SetSize(800, height);
        renderer.ComputeScale();
        EXPECT_EQ(SizeScale, scale) << height;
    }
}

TEST_F(RendererTest, FirstSpriteCentresWithTravellingOffAndOn)
{
    useMarkerSprites();
    start(renderer, panel);
    renderer.RunFrames(1);
    ASSERT_EQ(panel.presents.size(), 7u); // one round
    EXPECT_EQ(presentedAt(panel)[0], Point(698, 233));
    EXPECT_EQ(presentedAt(panel)[1], Point(763, 364));
    EXPECT_EQ(presentedAt(panel)[2], Point(740, 513));

    Settings.Travel = 1;
    RecordingPanel travelling(1024, 768);
    Renderer second;
    start(second, travelling);
    second.RunFrames(1);
    ASSERT_EQ(travelling.presents.size(), 7u);
    // The tiny negative TravelAmpY pulls Y just below the integer before truncation.
    EXPECT_EQ(presentedAt(travelling)[0], Point(698, 232));
    EXPECT_EQ(presentedAt(travelling)[1], Point(763, 363));
    EXPECT_EQ(presentedAt(travelling)[2], Point(740, 512));
}

TEST_F(RendererTest, SwitchedOffObjectsNeitherDrawNorAdvanceTheAngles)
{
    useMarkerSprites();
    CurrentPreset.ObjectEnabled[1] = 0;
    start(renderer, panel);
    renderer.RunFrames(1);
    ASSERT_EQ(panel.presents.size(), 6u);
    // Object 2 takes the second place on the curve, where object 1 would have gone.
    EXPECT_EQ(presentedAt(panel)[1], Point(763, 364));
    EXPECT_EQ(renderer.Frame.Row(364)[763], MarkerColor(2));
    EXPECT_EQ(renderer.Frame.Row(233)[698], MarkerColor(0));
}

// The travel phase grows by 0.00019211 per sprite, so after a thousand rounds (7000
// sprites, phase 1.34477) a 4000 x 768 figure (TravelAmpX = 1615.99999) has moved
// sin(1.34477) x 1616 = 1574.7 pixels to the right. Worked by hand from the formula table:
// the 7000th sprite lands at (2004, 612) without travelling and at (3578, 611) with it; a
// phase step 1 % off would move it by 5 pixels.
TEST_F(RendererTest, TravelPhaseAdvancesWithEverySprite)
{
    useMarkerSprites();
    for (const auto& [travel, expected] : { std::pair { 0, Point(2004, 612) }, { 1, Point(3578, 611) } }) {
        Settings.Travel = travel;
        RecordingPanel wide(4000, 768);
        wide.recordPresents = false;
        Renderer runner;
        start(runner, wide);
        runner.RunFrames(6993); // 999 rounds
        wide.recordPresents = true;
        runner.RunFrames(1);
        ASSERT_EQ(wide.presents.size(), 7u) << travel;
        EXPECT_EQ(presentedAt(wide).back(), expected) << travel;
    }
}

TEST_F(RendererTest, DrawSpriteCentresTheSpriteOnItsWidth)
{
    ArgbImage sprite;
    sprite.SetSize(5, 3); // not square: the width alone sets the offset
    sprite.Fill(MakeArgb(255, 9, 8, 7));
    start(renderer, panel);
    renderer.DrawSprite(sprite, 100, 50, 1);
    ASSERT_EQ(panel.presents.size(), 1u);
    const auto& present = panel.presents[0];
    EXPECT_EQ(std::tie(present.x, present.y, present.width, present.height), std::tuple(98, 48, 5, 3));
    EXPECT_EQ(renderer.Frame.Row(48)[98], sprite.pixels[0]);
    EXPECT_EQ(renderer.Frame.Row(50)[102], sprite.pixels[0]);
    EXPECT_EQ(renderer.Frame.Row(51)[100], 0u);

    // Filter mode draws into the half frame and presents only with the blur pass.
    Settings.Filter = true;
    renderer.Reset();
    panel.presents.clear();
    renderer.DrawSprite(sprite, 100, 50, 59);
    EXPECT_TRUE(panel.presents.empty());
    EXPECT_EQ(renderer.HalfFrame.Row(48)[98], sprite.pixels[0]);
    renderer.DrawSprite(sprite, 30, 30, 120);
    ASSERT_EQ(panel.presents.size(), 1u);
    EXPECT_EQ(panel.presents[0].order, RowOrder::BottomUp);
}

// In filter mode the sprite builder is told to flip the light (the half frame is shown
// bottom-up), and only while the renderer has a sprite rebuilt.
TEST_F(RendererTest, FilterModeRebuildsSpritesWithTheLightFlipped)
{
    Settings.Filter = true;
    start(renderer, panel);
    ShapeStack& stack = *CurrentPreset.Objects.Stacks[0][0];
    stack.Shapes[0].LightX = 0.3f;
    stack.Shapes[0].LightY = 0.8f;
    stack.ReducedDirty = 1;
    renderer.RunFrames(1);
    EXPECT_EQ(HalfSprites, 0);
    ASSERT_NE(stack.ReducedSprite, nullptr);

    const int32_t side = 70 * stack.MasterSize / 100;
    HalfSprites = 1;
    const auto flipped = BuildSprite(stack, side, -1, false);
    HalfSprites = 0;
    const auto upright = BuildSprite(stack, side, -1, false);
    ASSERT_NE(flipped->pixels, upright->pixels); // the light's vertical part matters here
    EXPECT_EQ(stack.ReducedSprite->pixels, flipped->pixels);
}

TEST_F(RendererTest, MirrorCopies)
{
    useMarkerSprites();
    const std::vector<std::pair<int32_t, std::vector<Point>>> cases {
        { 0, { { 698, 233 } } }, { 1, { { 698, 233 }, { 1024 - 698, 233 } } },
        { 2, { { 698, 233 }, { 698, 768 - 233 } } },
        { 3, { { 698, 233 }, { 1024 - 698, 768 - 233 } } }, // two copies, not four
    };
    for (const auto& [mirror, expected] : cases) {
        Settings.Mirror = mirror;
        RecordingPanel mirrored(1024, 768);
        Renderer mirroring;
        start(mirroring, mirrored);
        mirroring.RunFrames(1);
        ASSERT_EQ(mirrored.presents.size(), 7 * expected.size()) << mirror;
        std::vector<Point> first = presentedAt(mirrored);
        first.resize(expected.size());
        EXPECT_EQ(first, expected) << mirror;
    }
}

TEST_F(RendererTest, CountsAreRoundedUpToWholeRounds)
{
    useMarkerSprites();
    start(renderer, panel);
    renderer.RunFrames(0);
    EXPECT_TRUE(panel.presents.empty());
    EXPECT_EQ(renderer.Busy, 0);
    renderer.RunFrames(-5);
    EXPECT_TRUE(panel.presents.empty());
    renderer.RunFrames(8);
    EXPECT_EQ(panel.presents.size(), 14u);
    EXPECT_EQ(renderer.Busy, 0);

    // A switched-off object is skipped without counting.
    CurrentPreset.ObjectEnabled[2] = 0;
    panel.presents.clear();
    renderer.RunFrames(7);
    EXPECT_EQ(panel.presents.size(), 12u); // 6 per round, two rounds to reach 7
}

TEST_F(RendererTest, FilterModeDrawsHalfSizeWithYMirrored)
{
    useMarkerSprites();
    RecordingPanel small(512, 384);
    start(renderer, small);
    renderer.RunFrames(1);
    const std::vector<Point> normal = presentedAt(small);
    ASSERT_EQ(normal.size(), 7u);

    Settings.Filter = true;
    BlurEvery = 1000; // only sprite 0 is followed by a blur pass
    Renderer filtered;
    start(filtered, panel);
    filtered.RunFrames(1);
    EXPECT_EQ(SizeScale, 0.64f);
    ASSERT_EQ(panel.presents.size(), 1u); // the blur present of sprite 0
    EXPECT_EQ(panel.presents[0].order, RowOrder::BottomUp);
    for (int32_t row = 1; row < kObjectCount; ++row) {
        const auto [x, y] = normal[static_cast<size_t>(row)];
        EXPECT_EQ(filtered.HalfFrame.Row(384 - y)[x], MarkerColor(row)) << row;
    }
}

TEST_F(RendererTest, BlurRunsEveryBlurEverySpritesAndOncePerMirrorCopy)
{
    Settings.Filter = true;
    Settings.Interlace = false;
    GifCaptureActive = 1;
    int ticks = 0;
    static int* tickCounter = nullptr;
    tickCounter = &ticks;
    GifCaptureTick = [] { ++*tickCounter; };
    start(renderer, panel);

    renderer.RunFrames(60); // 63 sprites: blur after sprites 0 and 60
    EXPECT_EQ(panel.presents.size(), 2u);
    EXPECT_EQ(renderer.OddPass, 0);
    EXPECT_EQ(GifObjectsPerFrame, 100 + 2 * 60);
    EXPECT_EQ(ticks, 63); // once per object drawn

    Settings.Mirror = 1;
    panel.presents.clear();
    ticks = 0;
    renderer.RunFrames(1); // sprite 0 and its mirror copy both blur
    EXPECT_EQ(panel.presents.size(), 2u);
    EXPECT_EQ(ticks, 7);

    EXPECT_EQ(renderer.OddPass, 0);

    // The pass choice carries over a Reset, so the passes keep alternating after a resize.
    Settings.Mirror = 0;
    renderer.RunFrames(1);
    EXPECT_EQ(renderer.OddPass, 1);
    renderer.Reset();
    EXPECT_EQ(renderer.OddPass, 1);
    renderer.RunFrames(1);
    EXPECT_EQ(renderer.OddPass, 0);
    GifCaptureTick = nullptr;
}

TEST_F(RendererTest, AutomaticChangesAlternatePresetAndFormulaWithTheMirrorAdvancing)
{
    useMarkerSprites();
    RunMode = 2;
    Settings.DoChange = 1;
    Settings.ChangeFormula = 1;
    Settings.ChangeMirror = 1;
    Settings.Mirror = 1;
    Settings.Seconds = 10;
    int presetLoads = 0;
    renderer.SetPresetLoader([&] { ++presetLoads; });
    start(renderer, panel);

    // Exactly Seconds seconds later nothing changes yet.
    now = kStartTime + 10;
    renderer.RunFrames(1);
    EXPECT_EQ(presetLoads, 0);
    EXPECT_EQ(panel.presents.size(), 14u); // mirror 1: two per sprite

    struct Step {
        int presetLoads;
        int formula;
        int mirror;
    };
    const std::vector<Step> expected { { 1, 0, 2 }, { 1, 1, 3 }, { 2, 1, 0 }, { 2, 2, 1 }, { 3, 2, 2 } };
    for (size_t i = 0; i < expected.size(); ++i) {
        now = kStartTime + 11 * static_cast<int64_t>(i + 1);
        panel.presents.clear();
        renderer.RunFrames(1);
        EXPECT_TRUE(panel.presents.empty()) << "a change returns before drawing, step " << i;
        EXPECT_EQ(presetLoads, expected[i].presetLoads) << i;
        EXPECT_EQ(Settings.Formula, expected[i].formula) << i;
        EXPECT_EQ(Settings.Mirror, expected[i].mirror) << i;
        EXPECT_EQ(renderer.LastChange, now);
        renderer.RunFrames(1); // the next tick draws again
        EXPECT_FALSE(panel.presents.empty());
    }

    // Reset starts the alternation over with a preset.
    renderer.Reset();
    now += 11;
    renderer.RunFrames(1);
    EXPECT_EQ(presetLoads, 4);
}

// Two renderers drawing at once (one per screen) share the options: only the one that makes
// the changes advances them, so each interval moves the formula and the mirror by one step.
TEST_F(RendererTest, ASecondRendererWithoutAutomaticChangesLeavesThemToTheFirst)
{
    useMarkerSprites();
    RunMode = 2;
    Settings.DoChange = 0;
    Settings.ChangeFormula = 1;
    Settings.ChangeMirror = 1;
    Settings.Mirror = 0;
    RecordingPanel secondPanel { 640, 480 };
    Renderer second;
    second.SetAutomaticChanges(false);
    start(renderer, panel);
    start(second, secondPanel);
    for (int interval = 1; interval <= 3; ++interval) {
        now = kStartTime + 11 * interval;
        renderer.RunFrames(1);
        second.RunFrames(1);
        EXPECT_EQ(Settings.Formula, interval);
        EXPECT_EQ(Settings.Mirror, interval);
    }
    EXPECT_EQ(second.LastChange, kStartTime);
}

TEST_F(RendererTest, SingleSwitchesAndOtherRunModes)
{
    useMarkerSprites();
    int presetLoads = 0;
    renderer.SetPresetLoader([&] { ++presetLoads; });
    Settings.Seconds = 10;
    start(renderer, panel);

    // Configure and preview mode never change anything.
    for (const int mode : { 0, 1 }) {
        RunMode = mode;
        now += 100;
        renderer.RunFrames(1);
        EXPECT_EQ(presetLoads, 0);
        EXPECT_EQ(Settings.Formula, 0);
    }

    RunMode = 2;
    // The formula alone: every change advances it, wrapping from 19 to 0; a stray value
    // starts again at 0.
    Settings.DoChange = 0;
    Settings.ChangeFormula = 1;
    Settings.Formula = 19;
    now += 11;
    renderer.RunFrames(1);
    EXPECT_EQ(Settings.Formula, 0);
    Settings.Formula = 57;
    now += 11;
    renderer.RunFrames(1);
    EXPECT_EQ(Settings.Formula, 0);
    EXPECT_EQ(presetLoads, 0);

    // The preset alone: every change loads one.
    Settings.DoChange = 1;
    Settings.ChangeFormula = 0;
    now += 11;
    renderer.RunFrames(1);
    now += 11;
    renderer.RunFrames(1);
    EXPECT_EQ(presetLoads, 2);
    EXPECT_EQ(Settings.Formula, 0);

    // The mirror alone changes nothing.
    Settings.DoChange = 0;
    Settings.ChangeMirror = 1;
    Settings.Mirror = 2;
    now += 11;
    panel.presents.clear();
    renderer.RunFrames(1);
    EXPECT_EQ(Settings.Mirror, 2);
    EXPECT_FALSE(panel.presents.empty());
}

TEST_F(RendererTest, FormulaOutsideTheTablePutsSpritesAtTheOrigin)
{
    useMarkerSprites();
    Settings.Formula = 20;
    start(renderer, panel);
    renderer.RunFrames(1);
    for (const Point& point : presentedAt(panel))
        EXPECT_EQ(point, Point(0, 0));
}

TEST_F(RendererTest, AllObjectsOffDrawsNothingAndPumpsUntilAborted)
{
    CurrentPreset.ObjectEnabled.fill(0);
    start(renderer, panel);
    panel.onPump = [this] {
        if (panel.pumps == 50)
            Aborting = 1;
    };
    renderer.RunFrames(999999999);
    EXPECT_EQ(panel.pumps, 50);
    EXPECT_TRUE(panel.presents.empty());
    EXPECT_EQ(renderer.Busy, 0);

    // In saver mode the automatic change ends the call.
    Aborting = 0;
    RunMode = 2;
    int presetLoads = 0;
    renderer.SetPresetLoader([&] { ++presetLoads; });
    panel.onPump = [this] {
        if (panel.pumps == 80)
            now += 11;
    };
    renderer.RunFrames(999999999);
    EXPECT_EQ(presetLoads, 1);
    EXPECT_EQ(renderer.Busy, 0);
}

TEST_F(RendererTest, NestedCallsAreNoOpsAndAbortingStopsBeforeTheNextObject)
{
    useMarkerSprites();
    start(renderer, panel);
    int nestedPresents = -1;
    panel.onPump = [&] {
        if (panel.pumps == 3) {
            const size_t before = panel.presents.size();
            renderer.RunFrames(7);
            nestedPresents = static_cast<int>(panel.presents.size() - before);
            Aborting = 1;
        }
    };
    renderer.RunFrames(999999999);
    EXPECT_EQ(nestedPresents, 0);
    EXPECT_EQ(renderer.Busy, 0);
    // Pump 3 follows sprite 1; the abort is seen before object 2.
    EXPECT_EQ(panel.presents.size(), 2u);
}

TEST_F(RendererTest, RendererDestroyedInsideThePumpIsNeverReadAgain)
{
    auto owned = std::make_unique<Renderer>();
    start(*owned, panel);
    panel.onPump = [&] {
        if (panel.pumps == 5)
            owned.reset();
    };
    Renderer* raw = owned.get();
    raw->RunFrames(999999999); // AddressSanitizer reports any read of the freed renderer
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(panel.pumps, 5);
}

TEST_F(RendererTest, PanelDestroyedInsideThePumpStopsTheLoop)
{
    auto ownedPanel = std::make_unique<RecordingPanel>(640, 480);
    start(renderer, *ownedPanel);
    RecordingPanel* raw = ownedPanel.get();
    raw->onPump = [&] {
        if (ownedPanel && ownedPanel->pumps == 4)
            ownedPanel.reset();
    };
    renderer.RunFrames(999999999);
    EXPECT_EQ(renderer.Panel, nullptr);
    EXPECT_EQ(renderer.Busy, 0);
    renderer.RunFrames(7); // without a panel: a no-op
    renderer.Paint(panel);
}

TEST_F(RendererTest, WindowDestroyedInsideThePump)
{
    struct Window {
        RecordingPanel panel { 320, 240 };
        Renderer renderer;
    };
    auto window = std::make_unique<Window>();
    start(window->renderer, window->panel);
    window->panel.onPump = [&] {
        if (window->panel.pumps == 9)
            window.reset();
    };
    Renderer& doomed = window->renderer;
    doomed.RunFrames(999999999);
    EXPECT_EQ(window, nullptr);
}

TEST_F(RendererTest, ResizeInsideThePumpStopsTheLoopBeforeItDrawsAgain)
{
    start(renderer, panel);
    size_t presentsAtResize = 0;
    panel.onPump = [&] {
        if (panel.pumps == 6) {
            panel.SetSize(60, 400); // smaller, and narrower than tall
            renderer.Reset();
            FullRepaint = 1;
            presentsAtResize = panel.presents.size();
        }
    };
    renderer.RunFrames(999999999);
    EXPECT_EQ(panel.presents.size(), presentsAtResize);
    EXPECT_EQ(std::pair(renderer.Frame.width, renderer.Frame.height), std::pair(60, 400));
    EXPECT_EQ(renderer.Busy, 0);

    // The next call draws into the new frames, everything cut to them.
    panel.onPump = nullptr;
    panel.presents.clear();
    renderer.RunFrames(14);
    EXPECT_EQ(renderer.Busy, 0);
    for (const auto& present : panel.presents) {
        EXPECT_GE(present.x, 0);
        EXPECT_GE(present.y, 0);
        EXPECT_LE(present.x + present.width, 60);
        EXPECT_LE(present.y + present.height, 400);
    }
}

// Settings and presets outside the ranges the controls allow, with real sprites: nothing
// may be written or read outside a frame (AddressSanitizer watches), and every present
// lies within the panel.
struct OutOfRange {
    const char* name;
    int32_t width;
    int32_t height;
    void (*apply)();
};

class RendererClipping : public RendererTest, public ::testing::WithParamInterface<OutOfRange> { };

TEST_P(RendererClipping, NothingLeavesTheFrame)
{
    GetParam().apply();
    RecordingPanel odd(GetParam().width, GetParam().height);
    start(renderer, odd);
    renderer.RunFrames(70);
    EXPECT_EQ(renderer.Busy, 0);
    EXPECT_FALSE(odd.presents.empty());
    for (const auto& present : odd.presents) {
        EXPECT_GE(present.x, 0);
        EXPECT_GE(present.y, 0);
        EXPECT_LE(present.x + present.width, odd.Width());
        EXPECT_LE(present.y + present.height, odd.Height());
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, RendererClipping,
    ::testing::Values(OutOfRange { "ScaleAbove100", 320, 240,
                          [] {
                              RunMode = 2;
                              Settings.DoChange = 0;
                              Settings.ChangeFormula = 0;
                              Settings.Scale = 900;
                          } },
        OutOfRange { "MasterSizeAbove100", 320, 240,
            [] {
                for (auto& row : CurrentPreset.Objects.Stacks)
                    row[0]->MasterSize = 400;
            } },
        OutOfRange { "FormulaOutOfRangeWithTravel", 200, 150,
            [] {
                Settings.Formula = -4;
                Settings.Travel = 1;
                Settings.Mirror = 3;
            } },
        OutOfRange { "NarrowerThanTall", 90, 700,
            [] {
                Settings.Travel = 1;
                Settings.Mirror = 1;
            } },
        OutOfRange { "SmallerThanASprite", 24, 18, [] { Settings.Mirror = 2; } },
        OutOfRange { "FilterOddSizes", 101, 77,
            [] {
                Settings.Filter = true;
                Settings.Mirror = 3;
                BlurEvery = 7;
            } },
        OutOfRange { "FilterTinyPanel", 3, 2,
            [] {
                Settings.Filter = true;
                BlurEvery = 1;
            } }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The first sprite after a reset is all a full repaint would show: the strips go out as
// black fills and the sprite right after them, and the screen ends as the frame.
TEST_F(RendererTest, AFullRepaintOfAClearFramePresentsTheSpriteThenFillsTheRest)
{
    start(renderer, panel);
    const int32_t width = renderer.Frame.width;
    const int32_t height = renderer.Frame.height;
    FullRepaint = 1;
    ArgbImage sprite;
    sprite.SetSize(9, 9);
    sprite.Fill(MakeArgb(255, 200, 100, 50));
    panel.screen.Fill(0x12345678); // what the window showed before
    renderer.DrawSprite(sprite, 300, 200, 1);

    using Shown = std::tuple<int32_t, int32_t, int32_t, int32_t, int>;
    std::vector<Shown> shown;
    for (const RecordingPanel::PresentRecord& record : panel.presents)
        shown.emplace_back(record.x, record.y, record.width, record.height, record.batch);
    const std::vector<Shown> expected { { 296, 196, 9, 9, 1 }, { 0, 0, width, 196, 2 }, { 0, 196, 296, 9, 2 },
        { 305, 196, width - 305, 9, 2 }, { 0, 205, width, height - 205, 2 } };
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(panel.screen.pixels, renderer.Frame.pixels);
    EXPECT_EQ(FullRepaint, 0);

    // Once something is drawn, a full repaint reads the frame.
    panel.presents.clear();
    FullRepaint = 1;
    renderer.DrawSprite(sprite, 500, 400, 2);
    EXPECT_EQ(panel.presents.size(), static_cast<size_t>(width + 3) / 4);
    EXPECT_EQ(panel.screen.pixels, renderer.Frame.pixels);

    // A first sprite across a corner, and one wholly outside: the screen still ends up
    // the frame, sprite and clear rest alike.
    for (const auto& [x, y] : { std::pair { 2, height - 1 }, std::pair { -50, -50 } }) {
        renderer.Reset();
        FullRepaint = 1;
        panel.screen.Fill(0x12345678);
        renderer.DrawSprite(sprite, x, y, 1);
        EXPECT_EQ(panel.screen.pixels, renderer.Frame.pixels) << x;
        EXPECT_EQ(FullRepaint, 0);
    }
}

TEST_F(RendererTest, ClearAndPaint)
{
    useMarkerSprites();
    start(renderer, panel);
    renderer.RunFrames(1);
    renderer.HalfFrame.Fill(0x01010101);
    renderer.Clear();
    EXPECT_EQ(FullRepaint, 1);
    EXPECT_EQ(panel.invalidations, 1);
    for (const uint32_t pixel : renderer.Frame.pixels)
        ASSERT_EQ(pixel, 0u);
    for (const uint32_t pixel : renderer.HalfFrame.pixels)
        ASSERT_EQ(pixel, 0u);

    panel.presents.clear();
    renderer.Paint(panel);
    EXPECT_EQ(panel.presents.size(), 256u); // 1024 / 4 strips
    EXPECT_EQ(FullRepaint, 0);
    for (const uint32_t pixel : panel.screen.pixels)
        ASSERT_EQ(pixel, 0u);
}

TEST_F(RendererTest, WithoutPanelOrFramesRunFramesDoesNothing)
{
    Renderer unbound;
    unbound.RunFrames(7);
    EXPECT_EQ(unbound.Busy, 0);
    unbound.Panel = &panel;
    unbound.RunFrames(7); // no Reset yet: no frames
    EXPECT_TRUE(panel.presents.empty());
    EXPECT_EQ(panel.pumps, 0);
}

// The sprite gap measured on a counter that moves 100 microseconds per read.
uint64_t fakeTicks = 0;
uint64_t advancingTick()
{
    return fakeTicks += 100'000;
}

class RendererPacing : public RendererTest, public ::testing::WithParamInterface<SpritePacer::Mode> {
protected:
    // Draws 14 sprites with the mode under test; the tick and the pumps so far at each present.
    std::vector<std::pair<uint64_t, long long>> presentTimes(uint32_t spritesPerRest)
    {
        useMarkerSprites();
        cpuSetSpeedForTesting(1000);
        cpuSetTickSourceForTesting(advancingTick);
        start(renderer, panel);
        renderer.SetPacing(GetParam());
        renderer.SetSpritesPerRest(spritesPerRest);
        std::vector<std::pair<uint64_t, long long>> atPresent;
        size_t seen = 0;
        panel.onPump = [&] {
            if (panel.presents.size() > seen) {
                seen = panel.presents.size();
                atPresent.emplace_back(fakeTicks, panel.pumps);
            }
        };
        renderer.RunFrames(14);
        panel.onPump = nullptr;
        return atPresent;
    }
};

TEST_P(RendererPacing, SpritesStayAGapApartAndTheQueueIsPumpedBetween)
{
    const std::vector<std::pair<uint64_t, long long>> atPresent = presentTimes(1);
    ASSERT_EQ(atPresent.size(), 14u);
    for (size_t i = 1; i < atPresent.size(); ++i) {
        EXPECT_GE(atPresent[i].first - atPresent[i - 1].first, 300'000u) << i;
        EXPECT_GE(atPresent[i].second - atPresent[i - 1].second, 1) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, RendererPacing, ::testing::Values(SpritePacer::Mode::Sleep, SpritePacer::Mode::Spin));

// Grouped pacing: the sprites of a pair follow each other, every three consecutive
// sprites span two gaps, and the queue is still pumped between any two sprites.
TEST_P(RendererPacing, SpritesInPairsKeepTheRateAndThePumps)
{
    const std::vector<std::pair<uint64_t, long long>> atPresent = presentTimes(2);
    ASSERT_EQ(atPresent.size(), 14u);
    int together = 0;
    for (size_t i = 1; i < atPresent.size(); ++i) {
        EXPECT_GE(atPresent[i].second - atPresent[i - 1].second, 1) << i;
        if (atPresent[i].first - atPresent[i - 1].first < 300'000u)
            ++together;
        if (i >= 2)
            EXPECT_GE(atPresent[i].first - atPresent[i - 2].first, 600'000u) << i;
    }
    // The start of the call counts as the first of a pair, so sprites 1-2, 3-4, ... pair up.
    EXPECT_EQ(together, 6);
}

// The pacer on its own, on a clock that only moves when told.
uint64_t pacerTicks = 0;
uint64_t pacerTick() { return pacerTicks; }

TEST(SpritePacerTest, AGroupThatStartsLateIsNotMadeUpFor)
{
    cpuSetSpeedForTesting(1000);
    cpuSetTickSourceForTesting(pacerTick);
    pacerTicks = 1'000'000'000;
    SpritePacer pacer;
    pacer.SetSpritesPerRest(3);
    pacer.Restart(); // a group of three starts
    EXPECT_TRUE(pacer.GapPassed());
    pacer.Restart();
    pacer.Restart();
    EXPECT_FALSE(pacer.GapPassed()); // full until three gaps have passed
    pacerTicks += 899'000;
    EXPECT_FALSE(pacer.GapPassed());
    pacerTicks += 1'000;
    EXPECT_TRUE(pacer.GapPassed());

    // Five gaps late: the next sprite starts a new group instead of joining a stale one,
    // so no more than three sprites come before the next rest.
    pacerTicks += 5 * 300'000;
    pacer.Restart();
    pacerTicks += 10'000;
    pacer.Restart();
    pacer.Restart();
    EXPECT_FALSE(pacer.GapPassed());
    pacerTicks += 890'000;
    EXPECT_TRUE(pacer.GapPassed());

    // A sprite a whole group late of a group not yet full starts a group of its own too.
    pacer.Restart();
    pacerTicks += 900'000;
    pacer.Restart();
    EXPECT_TRUE(pacer.GapPassed());
    pacer.Restart();
    pacer.Restart();
    EXPECT_FALSE(pacer.GapPassed());

    // One sprite per group is the plain rule, and counts beyond the limit are capped.
    pacer.SetSpritesPerRest(0);
    EXPECT_EQ(pacer.SpritesPerRest(), 1u);
    pacer.SetSpritesPerRest(1000);
    EXPECT_EQ(pacer.SpritesPerRest(), SpritePacer::kMostSpritesPerRest);
    cpuSetTickSourceForTesting(nullptr);
    cpuForgetSpeedForTesting();
}

} // namespace
