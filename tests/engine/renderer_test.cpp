#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Point = std::pair<int32_t, int32_t>;

constexpr int64_t kStartTime = 1'800'000'000;

uint32_t markerColor(int32_t row)
{
    return makeArgb(255, static_cast<uint32_t>(row + 1), 0, 0);
}

// Where each object's 1 x 1 markers are in an image, row by row.
std::map<int32_t, std::vector<Point>> markersIn(const ArgbImage& image)
{
    std::map<int32_t, std::vector<Point>> found;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t pixel = image.row(y)[x];
            for (int32_t row = 0; row < kObjectCount; ++row) {
                if (pixel == markerColor(row))
                    found[row].emplace_back(x, y);
            }
        }
    }
    return found;
}

// Counts what a renderer tells its observer.
struct CountingObserver final : SpriteObserver {
    void beforeSprite() override { ++sprites; }
    void afterBlurPass(int32_t spritesPerPass) override { passes.push_back(spritesPerPass); }
    int sprites = 0;
    std::vector<int32_t> passes;
};

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_options.mirror = 0;
        m_options.travel = 0;
    }

    // Gives every object an opaque sprite of its own colour (red = row + 1), 1 x 1 unless told,
    // that is never rebuilt for the renderer's scale, so a frame pixel tells exactly where a
    // sprite centre went.
    void useMarkerSprites(const Renderer& renderer, int32_t width = 1, int32_t height = 1)
    {
        for (int32_t row = 0; row < kObjectCount; ++row) {
            ShapeStack& stack = *m_preset.objects.stacks[static_cast<size_t>(row)][0];
            stack.reducedSprite = std::make_unique<ArgbImage>();
            stack.reducedSprite->setSize(width, height);
            stack.reducedSprite->fill(markerColor(row));
            stack.reducedRuns = SpriteRuns(*stack.reducedSprite);
            stack.reducedScale = SpriteScale { renderer.sizeScale(), m_options.filter != 0 };
            stack.reducedDirty = false;
        }
    }

    // A renderer on the fixture's options and preset, reset to the given size, as a window
    // makes one.
    std::unique_ptr<Renderer> make(RenderRole role = RenderRole::Editor, int32_t width = 1024, int32_t height = 768)
    {
        auto made = std::make_unique<Renderer>(m_options, m_preset, role);
        made->setCalendarClock([this] { return m_now; });
        made->reset(width, height);
        return made;
    }

    SettingsRecord m_options;
    Preset m_preset = newStartPreset();
    int64_t m_now = kStartTime;
};

TEST_F(RendererTest, ScaleOrbitAndTravelOfA1024By768Panel)
{
    const auto renderer = make();
    EXPECT_EQ(renderer->sizeScale(), 1.6f);
    EXPECT_NEAR(renderer->orbitRadius(), 192.0000029, 1e-7);
    EXPECT_NEAR(renderer->orbitSwing(), 128.0000019, 1e-7);
    EXPECT_NEAR(renderer->travelAmpX(), 127.9999943, 1e-7);
    EXPECT_NEAR(renderer->travelAmpY(), -0.0000057, 1e-7);
    EXPECT_LT(renderer->travelAmpY(), 0.0);
    EXPECT_EQ(renderer->roundAngle(), 5.0);
    EXPECT_EQ(renderer->radialAngle(), 5.0);
    EXPECT_EQ(std::pair(renderer->frame().width, renderer->frame().height), std::pair(1024, 768));
    EXPECT_EQ(std::pair(renderer->halfFrame().width, renderer->halfFrame().height), std::pair(512, 384));
    EXPECT_EQ(renderer->lastChange(), kStartTime);

    EXPECT_EQ(make(RenderRole::Saver)->sizeScale(), 1.2f); // the saver applies Scale (75)

    m_options.filter = true;
    renderer->computeScale();
    EXPECT_EQ(std::pair(renderer->drawWidth(), renderer->drawHeight()), std::pair(512, 384));
    EXPECT_EQ(renderer->sizeScale(), 0.64f);

    m_options.filter = false;
    for (const auto& [height, scale] :
        { std::pair { 600, 1.0f }, { 480, 0.8f }, { 700, 700 / 600.0f }, { 701, 701 / 480.0f } }) {
        renderer->reset(800, height);
        EXPECT_EQ(renderer->sizeScale(), scale) << height;
    }
}

TEST_F(RendererTest, FirstSpriteCentresWithTravellingOffAndOn)
{
    for (const auto& [travel, expected] : { std::pair { 0, std::vector<Point> { { 698, 233 }, { 763, 364 }, { 740, 513 } } },
             // The tiny negative travelAmpY pulls Y just below the integer before truncation.
             std::pair { 1, std::vector<Point> { { 698, 232 }, { 763, 363 }, { 740, 512 } } } }) {
        m_options.travel = travel;
        const auto renderer = make();
        useMarkerSprites(*renderer);
        renderer->drawSprites(1);
        EXPECT_EQ(renderer->spritesDrawn(), 7); // one round
        const auto markers = markersIn(renderer->frame());
        for (int32_t row = 0; row < 3; ++row)
            EXPECT_EQ(markers.at(row), std::vector<Point> { expected[static_cast<size_t>(row)] }) << travel;
    }
}

TEST_F(RendererTest, SwitchedOffObjectsNeitherDrawNorAdvanceTheAngles)
{
    m_preset.objectEnabled[1] = 0;
    const auto renderer = make();
    useMarkerSprites(*renderer);
    renderer->drawSprites(1);
    EXPECT_EQ(renderer->spritesDrawn(), 6);
    // Object 2 takes the second place on the curve, where object 1 would have gone.
    EXPECT_EQ(renderer->frame().row(364)[763], markerColor(2));
    EXPECT_EQ(renderer->frame().row(233)[698], markerColor(0));
    EXPECT_EQ(markersIn(renderer->frame()).count(1), 0u);
}

// The travel phase grows by 0.00019211 per sprite, so after a thousand rounds (7000
// sprites, phase 1.34477) a 4000 x 768 figure (travelAmpX = 1615.99999) has moved
// sin(1.34477) x 1616 = 1574.7 pixels to the right. Worked by hand from the formula table:
// the 7000th sprite lands at (2004, 612) without travelling and at (3578, 611) with it; a
// phase step 1 % off would move it by 5 pixels.
TEST_F(RendererTest, TravelPhaseAdvancesWithEverySprite)
{
    for (const auto& [travel, expected] : { std::pair { 0, Point(2004, 612) }, { 1, Point(3578, 611) } }) {
        m_options.travel = travel;
        const auto renderer = make(RenderRole::Editor, 4000, 768);
        useMarkerSprites(*renderer);
        renderer->drawSprites(6993); // 999 rounds
        renderer->clear();
        renderer->drawSprites(1);
        EXPECT_EQ(markersIn(renderer->frame()).at(6), std::vector<Point> { expected }) << travel;
    }
}

// A sprite is centred by its width alone (sprites are square) and its rectangle, cut to
// the frame, is what the next present sends.
TEST_F(RendererTest, ASpriteIsCentredOnItsWidthAndPresentedByItsRectangle)
{
    m_options.formula = 20; // outside the table: every sprite centre at the origin
    const auto renderer = make(RenderRole::Editor, 64, 48);
    RecordingPanel panel(64, 48);
    useMarkerSprites(*renderer, 5, 3);
    renderer->drawSprites(1);
    renderer->present(panel);
    const auto markers = markersIn(renderer->frame());
    EXPECT_EQ(markers.at(6), (std::vector<Point> { { 0, 0 }, { 1, 0 }, { 2, 0 } })); // columns -2 .. 2, rows -2 .. 0
    EXPECT_EQ(renderer->frame().row(1)[0], 0u);

    panel.presents.clear();
    renderer->drawSprites(1);
    EXPECT_EQ(renderer->dirty().rects(), (std::vector<PixelRect> { { 0, 0, 3, 1 } }));
    ASSERT_TRUE(renderer->present(panel));
    ASSERT_EQ(panel.presents.size(), 1u);
    const auto& present = panel.presents[0];
    EXPECT_EQ(std::tie(present.x, present.y, present.width, present.height), std::tuple(0, 0, 3, 1));
    EXPECT_FALSE(renderer->present(panel)); // nothing new
}

// In filter mode sprites are built for the half frame with the light flipped (it is shown
// bottom-up); the stored direction stays as it is.
TEST_F(RendererTest, FilterModeRebuildsSpritesWithTheLightFlipped)
{
    m_options.filter = true;
    const auto renderer = make();
    ShapeStack& stack = *m_preset.objects.stacks[0][0];
    stack.shapes[0].lightX = 0.3f;
    stack.shapes[0].lightY = 0.8f;
    stack.reducedDirty = true;
    renderer->drawSprites(1);
    ASSERT_NE(stack.reducedSprite, nullptr);
    EXPECT_EQ(stack.shapes[0].lightY, 0.8f);

    const int32_t side = 70 * stack.masterSize / 100;
    const auto flipped = buildSprite(stack, side, -1, false, { 0.64f, true });
    const auto upright = buildSprite(stack, side, -1, false, { 0.64f, false });
    ASSERT_NE(flipped->pixels, upright->pixels); // the light's vertical part matters here
    EXPECT_EQ(stack.reducedSprite->pixels, flipped->pixels);
}

TEST_F(RendererTest, MirrorCopies)
{
    const std::vector<std::pair<int32_t, std::vector<Point>>> cases {
        { 0, { { 698, 233 } } }, { 1, { { 1024 - 698, 233 }, { 698, 233 } } },
        { 2, { { 698, 233 }, { 698, 768 - 233 } } },
        { 3, { { 698, 233 }, { 1024 - 698, 768 - 233 } } }, // two copies, not four
    };
    for (const auto& [mirror, expected] : cases) {
        m_options.mirror = mirror;
        const auto renderer = make();
        useMarkerSprites(*renderer);
        renderer->drawSprites(1);
        EXPECT_EQ(markersIn(renderer->frame()).at(0), expected) << mirror;
    }
}

TEST_F(RendererTest, CountsAreRoundedUpToWholeRounds)
{
    const auto renderer = make();
    useMarkerSprites(*renderer);
    renderer->drawSprites(0);
    renderer->drawSprites(-5);
    EXPECT_EQ(renderer->spritesDrawn(), 0);
    renderer->drawSprites(8);
    EXPECT_EQ(renderer->spritesDrawn(), 14);

    // A switched-off object is skipped without counting.
    m_preset.objectEnabled[2] = 0;
    renderer->drawSprites(7);
    EXPECT_EQ(renderer->spritesDrawn(), 14 + 12); // 6 per round, two rounds to reach 7

    // Every object off: a call still ends, drawing nothing.
    m_preset.objectEnabled.fill(0);
    renderer->drawSprites(5);
    EXPECT_EQ(renderer->spritesDrawn(), 26);
}

TEST_F(RendererTest, FilterModeDrawsHalfSizeWithYMirrored)
{
    const auto normal = make(RenderRole::Editor, 512, 384);
    useMarkerSprites(*normal);
    normal->drawSprites(1);
    const auto placed = markersIn(normal->frame());

    m_options.filter = true;
    const auto filtered = make();
    filtered->setSpritesPerBlurPass(1000); // only sprite 0 is followed by a blur pass
    useMarkerSprites(*filtered);
    RecordingPanel panel(1024, 768);
    filtered->drawSprites(1);
    EXPECT_EQ(filtered->sizeScale(), 0.64f);
    ASSERT_TRUE(filtered->present(panel));
    ASSERT_EQ(panel.presents.size(), 1u); // the frame after the blur pass, whole
    EXPECT_EQ(panel.presents[0].order, RowOrder::BottomUp);
    for (int32_t row = 1; row < kObjectCount; ++row) {
        const auto [x, y] = placed.at(row).front();
        EXPECT_EQ(filtered->halfFrame().row(384 - y)[x], markerColor(row)) << row;
    }
}

TEST_F(RendererTest, BlurRunsEverySpritesPerBlurPassAndOncePerMirrorCopy)
{
    m_options.filter = true;
    m_options.interlace = false;
    const auto renderer = make();
    CountingObserver observer;
    renderer->setSpriteObserver(&observer);

    renderer->drawSprites(60); // 63 sprites: blur after sprites 0 and 60
    EXPECT_EQ(observer.passes, (std::vector<int32_t> { 60, 60 }));
    EXPECT_EQ(observer.sprites, 63); // once per object drawn

    // A new run: sprite 0 and its mirror copy both blur.
    m_options.mirror = 1;
    renderer->restart();
    observer = {};
    renderer->drawSprites(1);
    EXPECT_EQ(observer.passes.size(), 2u);
    EXPECT_EQ(observer.sprites, 7);

    // Without an observer nothing is told.
    renderer->setSpriteObserver(nullptr);
    renderer->restart();
    renderer->drawSprites(1);
    EXPECT_EQ(observer.sprites, 7);
}

TEST_F(RendererTest, AutomaticChangesAlternatePresetAndFormulaWithTheMirrorAdvancing)
{
    m_options.changePresets = 1;
    m_options.changeFormula = 1;
    m_options.changeMirror = 1;
    m_options.mirror = 1;
    m_options.seconds = 10;
    int presetLoads = 0;
    const auto renderer = make(RenderRole::Saver);
    renderer->setPresetLoader([&] { ++presetLoads; });

    // Exactly Seconds seconds later nothing changes yet.
    m_now = kStartTime + 10;
    renderer->drawSprites(1);
    EXPECT_EQ(presetLoads, 0);

    struct Change {
        int presetLoads;
        int formula;
        int mirror;
    };
    const std::vector<Change> expected { { 1, 0, 2 }, { 1, 1, 3 }, { 2, 1, 0 }, { 2, 2, 1 }, { 3, 2, 2 } };
    for (size_t i = 0; i < expected.size(); ++i) {
        m_now = kStartTime + 11 * static_cast<int64_t>(i + 1);
        const int64_t before = renderer->spritesDrawn();
        renderer->drawSprites(1);
        EXPECT_EQ(presetLoads, expected[i].presetLoads) << i;
        EXPECT_EQ(m_options.formula, expected[i].formula) << i;
        EXPECT_EQ(m_options.mirror, expected[i].mirror) << i;
        EXPECT_EQ(renderer->lastChange(), m_now);
        EXPECT_EQ(renderer->spritesDrawn() - before, 7) << "the round after a change is drawn, step " << i;
    }

    // Reset starts the alternation over with a preset.
    renderer->reset(1024, 768);
    m_now += 11;
    renderer->drawSprites(1);
    EXPECT_EQ(presetLoads, 4);
}

// Two renderers drawing at once (one per screen) share the options: only the one that makes
// the changes advances them, so each interval moves the formula and the mirror by one step.
TEST_F(RendererTest, ASecondRendererWithoutAutomaticChangesLeavesThemToTheFirst)
{
    m_options.changePresets = 0;
    m_options.changeFormula = 1;
    m_options.changeMirror = 1;
    m_options.mirror = 0;
    const auto first = make(RenderRole::Saver);
    const auto second = make(RenderRole::Saver, 640, 480);
    second->setAutomaticChanges(false);
    for (int interval = 1; interval <= 3; ++interval) {
        m_now = kStartTime + 11 * interval;
        first->drawSprites(1);
        second->drawSprites(1);
        EXPECT_EQ(m_options.formula, interval);
        EXPECT_EQ(m_options.mirror, interval);
    }
    EXPECT_EQ(second->lastChange(), kStartTime);
}

TEST_F(RendererTest, SingleSwitchesAndOtherRoles)
{
    int presetLoads = 0;
    m_options.seconds = 10;

    // The editor and the preview never change anything.
    for (const RenderRole role : { RenderRole::Preview, RenderRole::Editor }) {
        const auto renderer = make(role);
        renderer->setPresetLoader([&] { ++presetLoads; });
        m_now += 100;
        renderer->drawSprites(1);
        EXPECT_EQ(presetLoads, 0);
        EXPECT_EQ(m_options.formula, 0);
    }

    const auto renderer = make(RenderRole::Saver);
    renderer->setPresetLoader([&] { ++presetLoads; });
    // The formula alone: every change advances it, wrapping from 19 to 0; a stray value
    // starts again at 0.
    m_options.changePresets = 0;
    m_options.changeFormula = 1;
    m_options.formula = 19;
    m_now += 11;
    renderer->drawSprites(1);
    EXPECT_EQ(m_options.formula, 0);
    m_options.formula = 57;
    m_now += 11;
    renderer->drawSprites(1);
    EXPECT_EQ(m_options.formula, 0);
    EXPECT_EQ(presetLoads, 0);

    // The preset alone: every change loads one.
    m_options.changePresets = 1;
    m_options.changeFormula = 0;
    m_now += 11;
    renderer->drawSprites(1);
    m_now += 11;
    renderer->drawSprites(1);
    EXPECT_EQ(presetLoads, 2);
    EXPECT_EQ(m_options.formula, 0);

    // The mirror alone changes nothing.
    m_options.changePresets = 0;
    m_options.changeMirror = 1;
    m_options.mirror = 2;
    m_now += 11;
    renderer->drawSprites(1);
    EXPECT_EQ(m_options.mirror, 2);
}

TEST_F(RendererTest, EveryObjectOffDrawsNothingYetMakesTheAutomaticChanges)
{
    m_preset.objectEnabled.fill(0);
    m_options.changePresets = 1;
    m_options.changeFormula = 0;
    int presetLoads = 0;
    const auto renderer = make(RenderRole::Saver);
    renderer->setPresetLoader([&] { ++presetLoads; });
    EXPECT_EQ(renderer->step(0), Renderer::kSpriteGapMicros);
    EXPECT_EQ(renderer->step(90'000), Renderer::kSpriteGapMicros); // empty rounds, one per gap
    m_now += 11;
    renderer->step(90'300);
    EXPECT_EQ(presetLoads, 1);
    EXPECT_EQ(renderer->spritesDrawn(), 0);
    EXPECT_TRUE(markersIn(renderer->frame()).empty());
}

// A step draws the sprites whose time has come, one per 300 microseconds from the first
// step, and answers how long until the next. A stall longer than the schedule makes up for
// starts it again instead of drawing the missed sprites in one burst.
TEST_F(RendererTest, StepsDrawTheSpritesDueAndNeverMakeUpAStall)
{
    const auto renderer = make();
    useMarkerSprites(*renderer);
    struct At {
        int64_t micros;
        int64_t drawn;
        int64_t wait;
    };
    const std::vector<At> steps { { 1'000, 1, 300 }, { 1'000, 1, 300 }, { 1'299, 1, 1 }, { 1'300, 2, 300 },
        { 17'966, 57, 134 }, { 17'966 + Renderer::kMostLateMicros, 57 + 333, 34 },
        { 17'966 + Renderer::kMostLateMicros + 500'000, 57 + 333 + 1, 300 } };
    for (const At& step : steps) {
        EXPECT_EQ(renderer->step(step.micros), step.wait) << step.micros;
        EXPECT_EQ(renderer->spritesDrawn(), step.drawn) << step.micros;
    }

    // Without frames nothing is drawn, whatever the time.
    Renderer unsized(m_options, m_preset, RenderRole::Editor);
    unsized.step(5'000'000);
    unsized.drawSprites(7);
    EXPECT_EQ(unsized.spritesDrawn(), 0);
}

// A refresh's worth of real sprites goes out in one begin/end pair of a few blocks, and the
// screen after every present is the frame; a panel whose blocks cost more (an X11 put) gets
// fewer, larger ones that show the same.
TEST_F(RendererTest, OnePresentPerRefreshSendsAFewBlocksAndShowsTheFrame)
{
    m_options.mirror = 3;
    m_options.travel = 1;
    std::vector<std::size_t> blocks;
    for (const int64_t blockCost : { DirtyRegion::kRectPixels, DirtyRegion::kPutPixels }) {
        const auto renderer = make(RenderRole::Editor, 320, 240);
        RecordingPanel panel(320, 240);
        panel.blockCost = blockCost;
        panel.screen.fill(0x12345678); // what the window showed before
        blocks.push_back(0);
        int64_t micros = 0;
        for (int refresh = 0; refresh < 30; ++refresh, micros += 16'667) {
            panel.presents.clear();
            renderer->step(micros);
            ASSERT_TRUE(renderer->present(panel));
            EXPECT_EQ(panel.batches, refresh + 1);
            EXPECT_EQ(panel.presents.front().batch, refresh + 1) << refresh;
            EXPECT_EQ(panel.presents.back().batch, refresh + 1) << refresh;
            if (refresh > 0) {
                EXPECT_LE(panel.presents.size(), DirtyRegion::kMostRects) << refresh;
                blocks.back() += panel.presents.size();
            }
            ASSERT_EQ(panel.screen.pixels, renderer->frame().pixels) << blockCost << ", " << refresh;
        }
        EXPECT_EQ(renderer->presents(), 30);
        EXPECT_GE(renderer->spritesDrawn(), 29 * 55);
    }
    EXPECT_LT(blocks[1], blocks[0]);
}

// The first present after a reset shows what was drawn, then fills the clear rest; once
// something is drawn, the whole frame is read in strips four pixels wide.
TEST_F(RendererTest, AFullRepaintOfAClearFramePresentsTheSpritesThenFillsTheRest)
{
    const auto renderer = make();
    const int32_t width = renderer->frame().width;
    const int32_t height = renderer->frame().height;
    useMarkerSprites(*renderer, 9, 9);
    RecordingPanel panel(width, height);
    panel.screen.fill(0x12345678);
    renderer->drawSprites(1);
    const PixelRect drawn = renderer->dirty().bounds();
    ASSERT_FALSE(drawn.empty());
    renderer->present(panel);

    using Shown = std::tuple<int32_t, int32_t, int32_t, int32_t>;
    std::vector<Shown> shown;
    for (const RecordingPanel::PresentRecord& record : panel.presents)
        shown.emplace_back(record.x, record.y, record.width, record.height);
    const int32_t boxWidth = drawn.right - drawn.left;
    const int32_t boxHeight = drawn.bottom - drawn.top;
    const std::vector<Shown> expected { { drawn.left, drawn.top, boxWidth, boxHeight }, { 0, 0, width, drawn.top },
        { 0, drawn.top, drawn.left, boxHeight }, { drawn.right, drawn.top, width - drawn.right, boxHeight },
        { 0, drawn.bottom, width, height - drawn.bottom } };
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(panel.screen.pixels, renderer->frame().pixels);

    // Once something is drawn, a full repaint reads the frame.
    panel.presents.clear();
    renderer->paint(panel);
    EXPECT_EQ(panel.presents.size(), static_cast<size_t>(width + 3) / 4);
    EXPECT_EQ(panel.screen.pixels, renderer->frame().pixels);
}

TEST_F(RendererTest, ClearAndPaint)
{
    const auto renderer = make();
    useMarkerSprites(*renderer);
    RecordingPanel panel(1024, 768);
    renderer->drawSprites(1);
    renderer->present(panel);
    renderer->clear();
    for (const uint32_t pixel : renderer->frame().pixels)
        ASSERT_EQ(pixel, 0u);
    for (const uint32_t pixel : renderer->halfFrame().pixels)
        ASSERT_EQ(pixel, 0u);
    EXPECT_TRUE(renderer->dirty().whole());

    panel.presents.clear();
    renderer->paint(panel);
    EXPECT_EQ(panel.presents.size(), 256u); // 1024 / 4 strips, shown as fills
    for (const uint32_t pixel : panel.screen.pixels)
        ASSERT_EQ(pixel, 0u);
    // A paint may reach only part of the panel: the clear stays owed to one present.
    EXPECT_TRUE(renderer->present(panel));
    EXPECT_FALSE(renderer->present(panel));
}

// m_options and presets outside the ranges the controls allow, with real sprites: nothing
// may be written or read outside a frame (AddressSanitizer watches), and every present
// lies within the panel.
struct OutOfRange {
    const char* name;
    int32_t width;
    int32_t height;
    RenderRole role;
    int32_t spritesPerBlurPass;
    void (*apply)(SettingsRecord& options, Preset& preset);
};

class RendererClipping : public RendererTest, public ::testing::WithParamInterface<OutOfRange> { };

TEST_P(RendererClipping, NothingLeavesTheFrame)
{
    GetParam().apply(m_options, m_preset);
    const auto renderer = make(GetParam().role, GetParam().width, GetParam().height);
    renderer->setSpritesPerBlurPass(GetParam().spritesPerBlurPass);
    RecordingPanel odd(GetParam().width, GetParam().height);
    for (int i = 0; i < 5; ++i) {
        renderer->drawSprites(14);
        renderer->present(odd);
    }
    EXPECT_FALSE(odd.presents.empty());
    for (const auto& present : odd.presents) {
        EXPECT_GE(present.x, 0);
        EXPECT_GE(present.y, 0);
        EXPECT_LE(present.x + present.width, odd.deviceWidth());
        EXPECT_LE(present.y + present.height, odd.deviceHeight());
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, RendererClipping,
    ::testing::Values(OutOfRange { "ScaleAbove100", 320, 240, RenderRole::Saver, 60,
                          [](SettingsRecord& options, Preset&) {
                              options.changePresets = 0;
                              options.changeFormula = 0;
                              options.scale = 900;
                          } },
        OutOfRange { "MasterSizeAbove100", 320, 240, RenderRole::Editor, 60,
            [](SettingsRecord&, Preset& preset) {
                for (auto& row : preset.objects.stacks)
                    row[0]->masterSize = 400;
            } },
        OutOfRange { "FormulaOutOfRangeWithTravel", 200, 150, RenderRole::Editor, 60,
            [](SettingsRecord& options, Preset&) {
                options.formula = -4;
                options.travel = 1;
                options.mirror = 3;
            } },
        OutOfRange { "NarrowerThanTall", 90, 700, RenderRole::Editor, 60,
            [](SettingsRecord& options, Preset&) {
                options.travel = 1;
                options.mirror = 1;
            } },
        OutOfRange { "SmallerThanASprite", 24, 18, RenderRole::Editor, 60, [](SettingsRecord& options, Preset&) { options.mirror = 2; } },
        OutOfRange { "FilterOddSizes", 101, 77, RenderRole::Editor, 7,
            [](SettingsRecord& options, Preset&) {
                options.filter = true;
                options.mirror = 3;
            } },
        OutOfRange { "FilterTinyPanel", 3, 2, RenderRole::Editor, 1, [](SettingsRecord& options, Preset&) { options.filter = true; } }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

} // namespace

// Clear Screen shows the cleared picture at the next refresh whatever is switched on. A paint
// that the panel asks for in between (the button over the live view was redrawn, so only its
// corner is painted) leaves the cleared frame owed to the next present, also when no sprite
// follows it because every object is off.
TEST_F(RendererTest, AClearIsPresentedAtTheNextRefreshEvenAfterAPaint)
{
    const auto lit = [](const ArgbImage& screen) {
        return std::count_if(screen.pixels.begin(), screen.pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; });
    };
    for (const bool filter : { false, true }) {
        for (const bool objectsOn : { true, false }) {
            SCOPED_TRACE(std::string(filter ? "blur" : "no blur") + (objectsOn ? ", objects on" : ", objects off"));
            m_options.filter = filter;
            m_preset.objectEnabled.fill(1);
            const auto renderer = make(RenderRole::Editor, 64, 48);
            RecordingPanel panel(64, 48);
            renderer->step(0);
            renderer->step(30'000);
            renderer->present(panel);
            ASSERT_GT(lit(panel.screen), 0);

            m_preset.objectEnabled.fill(objectsOn ? 1 : 0);
            renderer->clear();
            RecordingPanel corner(64, 48);
            renderer->paint(corner);
            EXPECT_EQ(lit(corner.screen), 0);
            renderer->step(30'300);
            EXPECT_TRUE(renderer->present(panel));
            if (!objectsOn)
                EXPECT_EQ(lit(panel.screen), 0);
        }
    }
}
