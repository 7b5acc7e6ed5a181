// The panel's ways to the screen under a real X server: the same run of presents, shown
// through the toolkit, straight to the window, and straight to a window that paints on
// screen, followed by a repaint through a painter, must leave exactly the pixels that a
// plain copy of the blocks gives, read back from a screenshot. A renderer's frame in shared
// memory, drawn on and presented step by step, must end on screen as it ends in memory.

#include "engine/render_panel.h"
#include "tests/app/x_session.h"
#include "tests/engine/present_sequence.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kPanelX = 23;
constexpr int kPanelY = 17;
// Large enough for a frame of its size to lie in shared memory.
constexpr int kPanelWidth = 600;
constexpr int kPanelHeight = 440;
constexpr uint32_t kSeed = 20261207;
constexpr int kPresents = 400;

// What the screen should show: black, with the sequence copied into the panel's rectangle,
// or the frame the steps drew.
std::vector<uint32_t> expectedScreen(const std::string& way)
{
    std::vector<uint32_t> screen(static_cast<size_t>(kScreenWidth) * kScreenHeight, 0u);
    std::vector<uint32_t> panel(static_cast<size_t>(kPanelWidth) * kPanelHeight, 0u);
    if (way == "frame") {
        ArgbImage frame;
        frame.setSize(kPanelWidth, kPanelHeight);
        for (const FrameStep& step : frameSteps(kSeed, kPanelWidth, kPanelHeight, kPresents))
            drawStep(frame, step);
        std::copy(frame.pixels.begin(), frame.pixels.end(), panel.begin());
    } else {
        for (const SequenceBlock& item : presentSequence(kSeed, kPanelWidth, kPanelHeight, kPresents))
            blitBlock(panel.data(), kPanelWidth, kPanelHeight, kPanelWidth, item.block, item.x, item.y);
    }
    const PixelBlock whole { panel.data(), kPanelWidth, kPanelHeight, kPanelWidth, RowOrder::TopDown };
    blitBlock(screen.data(), kScreenWidth, kScreenHeight, kScreenWidth, whole, kPanelX, kPanelY);
    for (uint32_t& pixel : screen)
        pixel &= 0x00FFFFFFu; // the screen shows no top byte
    return screen;
}

class PanelPresentX11Test : public testing::TestWithParam<std::string> { };

TEST_P(PanelPresentX11Test, ScreenShowsExactlyThePresentedPixels)
{
    XSession session(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(session.ready()) << "Xvfb did not start";
    ChildProcess::Options options;
    options.arguments = { OPAL_PRESENT_PROBE_PATH, GetParam(), std::to_string(kPanelX), std::to_string(kPanelY),
        std::to_string(kPanelWidth), std::to_string(kPanelHeight), std::to_string(kSeed), std::to_string(kPresents) };
    options.environment = session.environment();
    options.environment.emplace_back("QT_QPA_PLATFORM=xcb");
    options.pipes = true;
    options.errorFile = session.folder() / "probe.log";
    ChildProcess probe(options);
    const std::optional<std::string> report = probe.readLine();
    ASSERT_TRUE(report.has_value()) << "the probe did not present";
    // The direct way must really have been taken, or the test would compare the toolkit twice.
    const std::map<std::string, std::string> reports { { "toolkit", "presented toolkit" },
        { "direct", "presented direct" }, { "window", "presented direct without a backing store" },
        { "frame", "presented direct from shared memory, the strips as one" } };
    EXPECT_EQ(*report, reports.at(GetParam()));

    const Screenshot shot = session.shoot("presents-" + GetParam());
    ASSERT_EQ(shot.width, kScreenWidth);
    ASSERT_EQ(shot.height, kScreenHeight);
    const std::vector<uint32_t> expected = expectedScreen(GetParam());
    int differing = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            if (shot.pixel(x, y) != expected[static_cast<size_t>(y) * kScreenWidth + static_cast<size_t>(x)]) {
                if (differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    }
    EXPECT_EQ(differing, 0) << "first at " << firstX << ", " << firstY;
    probe.writeLine("end");
    EXPECT_TRUE(probe.waitForExit());
}

INSTANTIATE_TEST_SUITE_P(BothWays, PanelPresentX11Test, testing::Values("toolkit", "direct", "window", "frame"));

} // namespace
