#include "engine/buffer_ring_panel.h"
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;

// Passes every call on to two panels: the ring under test and a recording panel whose
// screen is what a window would show.
class TeePanel final : public RenderPanel {
public:
    TeePanel(RenderPanel& first, RenderPanel& second)
        : m_first(first)
        , m_second(second)
    {
    }
    int32_t deviceWidth() const override { return m_first.deviceWidth(); }
    int32_t deviceHeight() const override { return m_first.deviceHeight(); }
    void beginPresent() override
    {
        m_first.beginPresent();
        m_second.beginPresent();
    }
    void endPresent() override
    {
        m_first.endPresent();
        m_second.endPresent();
    }
    void present(const PixelBlock& block, int32_t x, int32_t y) override
    {
        m_first.present(block, x, y);
        m_second.present(block, x, y);
    }
    void invalidate() override
    {
        m_first.invalidate();
        m_second.invalidate();
    }

private:
    RenderPanel& m_first;
    RenderPanel& m_second;
};

struct Case {
    const char* name;
    bool filter;
    int32_t mirror;
    std::size_t mostRects;
    // Which buffer each present goes into, in turn (a compositor that gives buffers back
    // late makes the third one come into use now and then).
    std::vector<std::size_t> targets;
};

class BufferRingPanelPresents : public ::testing::TestWithParam<Case> {
protected:
    SettingsRecord m_options;
    Preset m_preset = newStartPreset();
};

// Whatever buffer a present goes into, once committed it holds exactly what the window
// would show after the same presents: the renderer's picture, pixel for pixel.
TEST_P(BufferRingPanelPresents, EveryCommittedBufferIsTheWholePicture)
{
    const Case& c = GetParam();
    m_options.filter = c.filter;
    m_options.mirror = c.mirror;
    m_options.travel = 1;
    Renderer renderer(m_options, m_preset, RenderRole::Saver);
    renderer.setAutomaticChanges(false);
    renderer.setMostPresentRects(c.mostRects);
    renderer.reset(kWidth, kHeight);

    std::array<std::vector<uint32_t>, 3> buffers;
    BufferRingPanel ring(buffers.size(), kWidth, kHeight);
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        // Memory from before: a new buffer holds anything.
        buffers[i].assign(static_cast<std::size_t>(kWidth * kHeight), 0xDEADBEEFU);
        ring.setBuffer(i, buffers[i].data());
    }
    RecordingPanel window(kWidth, kHeight);
    window.recordPresents = false;
    TeePanel both(ring, window);

    int64_t micros = 0;
    for (int refresh = 0; refresh < 90; ++refresh, micros += 16'667) {
        const std::size_t target = c.targets[static_cast<std::size_t>(refresh) % c.targets.size()];
        renderer.step(micros);
        ring.setTarget(target);
        if (!renderer.present(both))
            continue;
        ring.committed();
        ASSERT_TRUE(std::equal(buffers[target].begin(), buffers[target].end(), window.screen.pixels.begin(),
            window.screen.pixels.end()))
            << "refresh " << refresh << ", buffer " << target;
        for (const PixelRect& rect : ring.presented())
            ASSERT_FALSE(rect.intersected({ 0, 0, kWidth, kHeight }).empty());
        if (!c.filter && refresh > 0) {
            EXPECT_LE(ring.presented().size(), c.mostRects);
        }
    }
    EXPECT_GT(renderer.presents(), 80);
}

INSTANTIATE_TEST_SUITE_P(Cases, BufferRingPanelPresents,
    ::testing::Values(Case { "TwoBuffersInTurn", false, 0, 16, { 0, 1 } },
        Case { "ThirdBufferNowAndThen", false, 3, 16, { 0, 1, 0, 2, 1, 2, 2, 0, 1 } },
        Case { "FewRectangles", false, 1, 4, { 1, 0, 2 } },
        // Filter mode presents the whole frame bottom-up each time.
        Case { "Filter", true, 2, 16, { 0, 1, 2 } }),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// A new size drops every buffer: the next present, after the renderer's reset, is whole.
TEST(BufferRingPanel, AResizeForgetsTheBuffersAndAskedRepaintsAreReported)
{
    BufferRingPanel ring(2, 4, 2);
    std::vector<uint32_t> first(8, 0);
    ring.setBuffer(0, first.data());
    const std::vector<uint32_t> frame { 1, 2, 3, 4, 5, 6, 7, 8 };
    ring.setTarget(0);
    ring.beginPresent();
    ring.present(PixelBlock { frame.data(), 4, 2, 4, RowOrder::BottomUp, false }, 0, 0);
    ring.endPresent();
    ring.committed();
    EXPECT_EQ(first, (std::vector<uint32_t> { 5, 6, 7, 8, 1, 2, 3, 4 }));
    EXPECT_TRUE(ring.hasNewest());
    ring.resize(3, 3);
    EXPECT_FALSE(ring.hasNewest());
    EXPECT_EQ(ring.deviceWidth(), 3);
    EXPECT_FALSE(ring.takeInvalidation());
    ring.invalidate();
    EXPECT_TRUE(ring.takeInvalidation());
    EXPECT_FALSE(ring.takeInvalidation());
}

} // namespace

// A present goes into the newest buffer when it is free (nothing to catch up), else into
// the free one that missed the fewest pixels.
TEST(BufferRingPanel, ThePresentGoesWhereItCostsTheLeastCatchingUp)
{
    std::array<std::vector<uint32_t>, 3> buffers;
    BufferRingPanel ring(buffers.size(), 4, 2);
    const std::vector<uint32_t> frame(8, 7);
    for (std::size_t i = 0; i < 2; ++i) {
        buffers[i].assign(8, 0);
        ring.setBuffer(i, buffers[i].data());
    }
    EXPECT_EQ(ring.cheapestTarget({ false, true, true }), 1); // buffer 2 has no pixels yet
    buffers[2].assign(8, 0);
    ring.setBuffer(2, buffers[2].data());
    const auto presentInto = [&](std::size_t target, PixelRect rect) {
        ring.setTarget(target);
        ring.beginPresent();
        ring.present(PixelBlock { frame.data() + rect.top * 4 + rect.left, rect.right - rect.left,
                         rect.bottom - rect.top, 4, RowOrder::TopDown, false },
            rect.left, rect.top);
        ring.endPresent();
        ring.committed();
    };
    presentInto(0, { 0, 0, 4, 2 });
    presentInto(1, { 0, 0, 1, 2 }); // buffer 0 missed 2 pixels, buffer 2 all 8 and then 2
    EXPECT_EQ(ring.cheapestTarget({ true, true, true }), 1);
    EXPECT_EQ(ring.cheapestTarget({ true, false, true }), 0);
    EXPECT_EQ(ring.cheapestTarget({ false, false, true }), 2);
    EXPECT_EQ(ring.cheapestTarget({ false, false, false }), -1);
}
