// The Save tab's exports in the real opal-revel under a private Xvfb: a JPEG snapshot and a
// GIF animation saved through the program's own dialogs with names typed as a person would,
// read back by libjpeg and giflib, and a capture cancelled from its progress window.

#include "export/data_sink.h"
#include "export/jpeg_encoder.h"
#include "pixels/argb_image.h"
#include "tests/app/x_session.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include <X11/Xlib.h>

namespace {

namespace fs = std::filesystem;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr const char* kEditorTitle = "Opal Revel 2.0";
constexpr const char* kJpegDialogTitle = "Save picture to file";
constexpr const char* kGifDialogTitle = "Adjust GIF settings";
constexpr const char* kGifFileDialogTitle = "Choose file...";
constexpr const char* kProgressTitle = "Creating GIF";
constexpr int kLiveViewWidth = 492;
constexpr int kLiveViewHeight = 369;
constexpr uint32_t kBlack = 0x000000;
// "Clear Screen" lies over the live view's bottom-right corner.
constexpr int kClearButtonLeft = 370;
constexpr int kClearButtonTop = 343;
// The editor's layout: the tab toolbar and the Save page's buttons in the right column.
constexpr int kColumnLeft = 492;
constexpr int kTabWidth = 46;
constexpr int kToolbarHeight = 23;
constexpr int kSaveButtonCentreX = kColumnLeft + 15 + 100;
constexpr int kJpegButtonCentreY = kToolbarHeight + 130 + 15;
constexpr int kGifButtonCentreY = kToolbarHeight + 210 + 15;
// How long a check that nothing happened gives the program to react first.
constexpr auto kSettle = std::chrono::milliseconds(2000);

// Asks the window to close as a window manager would: a WM_DELETE_WINDOW message.
void askWindowToClose(const std::string& display, const std::string& id)
{
    ::Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(std::stoul(id));
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, event.xclient.window, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
}

struct WindowBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class ExportEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready()) << "Xvfb did not start";
        m_output = m_session.folder() / "exports";
        fs::create_directories(m_output);
        m_editor = m_session.start({ programPath(), "/c" });
        ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed(kEditorTitle).size() == 1; })) << "no editor";
        m_window = geometry(kEditorTitle);
        ASSERT_TRUE(waitForSprites()) << "the live view drew nothing";
        // The Save page.
        click(m_window.x + kColumnLeft + kTabWidth + kTabWidth / 2, m_window.y + kToolbarHeight / 2);
    }
    void TearDown() override
    {
        if (m_editor && m_editor->running()) {
            m_editor->signal(SIGTERM);
            m_editor->waitForExit();
        }
    }

    WindowBox geometry(const std::string& name) const
    {
        WindowBox box;
        const std::vector<std::string> ids = m_session.windowsNamed(name);
        if (ids.size() != 1)
            return box;
        std::istringstream lines(m_session.run("xdotool getwindowgeometry --shell " + ids.front()));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &box.x);
            std::sscanf(line.c_str(), "Y=%d", &box.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &box.width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &box.height);
        }
        return box;
    }
    bool waitForWindow(const std::string& name)
    {
        return pollUntil([&] { return m_session.windowsNamed(name).size() == 1; });
    }
    bool waitForWindowGone(const std::string& name)
    {
        return pollUntil([&] { return m_session.windowsNamed(name).empty(); });
    }
    void click(int x, int y) const
    {
        m_session.xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    // Types a file name into the focused save dialog and confirms it.
    void typeFileName(const fs::path& path) const
    {
        m_session.xdotool("type --delay 20 '" + path.string() + "'");
        m_session.xdotool("key Return");
    }
    Screenshot shoot() { return m_session.shoot("shot-" + std::to_string(m_shots++)); }
    bool waitForSprites()
    {
        return pollUntil([&] {
            const Screenshot picture = shoot();
            return picture.width > 0
                && picture.countOther(m_window.x, m_window.y, kLiveViewWidth, kLiveViewHeight, kBlack) >= 2000;
        });
    }
    // The live view still draws: two screenshots a while apart differ inside it.
    bool liveViewRuns()
    {
        const Screenshot before = shoot();
        return pollUntil(
            [&] {
                const Screenshot after = shoot();
                for (int y = 0; y < kLiveViewHeight; ++y) {
                    for (int x = 0; x < kLiveViewWidth; ++x) {
                        if (before.pixel(m_window.x + x, m_window.y + y) != after.pixel(m_window.x + x, m_window.y + y))
                            return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(20));
    }
    std::vector<std::string> outputEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_output))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs "Save as GIF animation" through both dialogs; answers the progress window's place.
    void startGifCapture(const fs::path& target, bool hundredFrames)
    {
        click(m_window.x + kSaveButtonCentreX, m_window.y + kGifButtonCentreY);
        ASSERT_TRUE(waitForWindow(kGifDialogTitle)) << "no GIF settings dialog";
        const WindowBox dialog = geometry(kGifDialogTitle);
        EXPECT_EQ(dialog.width, 390);
        EXPECT_EQ(dialog.height, 384);
        if (hundredFrames) {
            // The "Total frame count" slider, then its largest value.
            click(dialog.x + 195, dialog.y + 50 + 2 * 44 + 18 + 11);
            m_session.xdotool("key End");
        }
        click(dialog.x + 40 + 70, dialog.y + 344 + 12); // "Create GIF"
        ASSERT_TRUE(waitForWindowGone(kGifDialogTitle));
        ASSERT_TRUE(waitForWindow(kGifFileDialogTitle)) << "no GIF file dialog";
        typeFileName(target);
        ASSERT_TRUE(waitForWindowGone(kGifFileDialogTitle));
    }

    XSession m_session { kScreenWidth, kScreenHeight };
    std::unique_ptr<ChildProcess> m_editor;
    WindowBox m_window;
    fs::path m_output;
    int m_shots = 0;
};

TEST_F(ExportEndToEndTest, JpegSnapshotHoldsTheLiveViewOfTheClick)
{
    click(m_window.x + kSaveButtonCentreX, m_window.y + kJpegButtonCentreY);
    ASSERT_TRUE(waitForWindow(kJpegDialogTitle)) << "no JPEG save dialog";
    // Beneath the modal dialog the live view waits, so the panel shows the frame of the
    // click; the dialog moves aside to uncover most of it.
    const std::vector<std::string> dialogIds = m_session.windowsNamed(kJpegDialogTitle);
    ASSERT_EQ(dialogIds.size(), 1u);
    m_session.xdotool("windowmove " + dialogIds.front() + " " + std::to_string(m_window.x + 400) + " "
        + std::to_string(m_window.y + 300));
    ASSERT_TRUE(pollUntil([&] { return geometry(kJpegDialogTitle).x == m_window.x + 400; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the uncovered part repaints
    const Screenshot panel = shoot();
    const WindowBox dialog = geometry(kJpegDialogTitle);
    typeFileName(m_output / "snapshot"); // no extension: ".jpg" is appended
    ASSERT_TRUE(pollUntil([&] { return fs::exists(m_output / "snapshot.jpg"); })) << "no JPEG written";
    ASSERT_TRUE(waitForWindowGone(kJpegDialogTitle));

    const DecodedJpeg decoded = decodeJpegFile((m_output / "snapshot.jpg").string());
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, kLiveViewWidth);
    EXPECT_EQ(decoded.height, kLiveViewHeight);
    // The same encoder on the screen's own pixels gives the error JPEG alone makes of this
    // picture, which depends much on the preset (thin rings lose more to chroma subsampling
    // than spheres). The snapshot may lose no more than that: a different frame would add
    // errors of its own wherever its sprites differ.
    ArgbImage screenFrame;
    screenFrame.setSize(kLiveViewWidth, kLiveViewHeight);
    for (int y = 0; y < kLiveViewHeight; ++y)
        for (int x = 0; x < kLiveViewWidth; ++x)
            screenFrame.row(y)[x] = 0xFF000000U | panel.pixel(m_window.x + x, m_window.y + y);
    storeJpegSnapshot(*encodeJpegSnapshot(screenFrame, false), (m_output / "screen.jpg").string());
    const DecodedJpeg reference = decodeJpegFile((m_output / "screen.jpg").string());
    ASSERT_TRUE(reference.ok) << reference.error;

    // Every pixel of the panel that neither the dialog nor "Clear Screen" covers: the mean
    // error per channel, and the share of pixels off by more than 48 in some channel.
    struct Error {
        double mean = 0;
        double largeShare = 0;
    };
    long long compared = 0;
    long long coloured = 0;
    const auto errorOf = [&](const DecodedJpeg& jpeg) {
        long long total = 0;
        long long large = 0;
        compared = 0;
        coloured = 0;
        for (int y = 0; y < kLiveViewHeight; ++y) {
            for (int x = 0; x < kLiveViewWidth; ++x) {
                if (dialog.contains(m_window.x + x, m_window.y + y) || (x >= kClearButtonLeft && y >= kClearButtonTop))
                    continue;
                const uint32_t shown = panel.pixel(m_window.x + x, m_window.y + y);
                const uint8_t* saved = &jpeg.rgb[(static_cast<std::size_t>(y) * kLiveViewWidth + x) * 3];
                int worst = 0;
                for (int channel = 0; channel < 3; ++channel) {
                    const int error = std::abs(static_cast<int>((shown >> (16 - 8 * channel)) & 0xFF) - saved[channel]);
                    total += error;
                    worst = std::max(worst, error);
                }
                ++compared;
                coloured += shown != kBlack;
                large += worst > 48;
            }
        }
        return Error { static_cast<double>(total) / (3.0 * static_cast<double>(compared)),
            static_cast<double>(large) / static_cast<double>(compared) };
    };
    const Error ours = errorOf(decoded);
    const Error jpegAlone = errorOf(reference);
    ASSERT_GT(compared, 100000) << "the dialog covered the live view";
    EXPECT_GT(coloured, 1000) << "nothing to compare: the live view was black";
    EXPECT_LT(ours.mean, jpegAlone.mean * 1.25 + 0.25) << "JPEG alone: " << jpegAlone.mean;
    EXPECT_LT(ours.largeShare, jpegAlone.largeShare * 1.25 + 0.002) << "JPEG alone: " << jpegAlone.largeShare;

    EXPECT_TRUE(liveViewRuns()) << "the live view stopped after the snapshot";
}

TEST_F(ExportEndToEndTest, GifWithTheDefaultsHoldsTenFramesOfFortyPercent)
{
    const fs::path target = m_output / "animation";
    ASSERT_NO_FATAL_FAILURE(startGifCapture(target, false));
    // 10 frames, 101 sprites apart at 300 microseconds or more each.
    ASSERT_TRUE(pollUntil([&] { return fs::exists(m_output / "animation.gif"); }, std::chrono::seconds(120)))
        << "no GIF written";
    ASSERT_TRUE(waitForWindowGone(kProgressTitle)) << "the progress window stayed";
    EXPECT_EQ(outputEntries(), std::vector<std::string> { "animation.gif" });

    const DecodedGif decoded = decodeGifFile((m_output / "animation.gif").string());
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.screenWidth, 196);
    EXPECT_EQ(decoded.screenHeight, 147);
    ASSERT_EQ(decoded.frames.size(), 10u);
    for (const DecodedGifFrame& frame : decoded.frames) {
        EXPECT_EQ(frame.width, 196);
        EXPECT_EQ(frame.height, 147);
        EXPECT_EQ(frame.delayHundredths, 25);
    }
    // The animation moves: the first and last frames differ.
    EXPECT_NE(decoded.frames.front().indices, decoded.frames.back().indices);
    EXPECT_TRUE(liveViewRuns()) << "the live view stopped after the capture";
}

TEST_F(ExportEndToEndTest, CancelMidCaptureWritesNothing)
{
    ASSERT_NO_FATAL_FAILURE(startGifCapture(m_output / "cancelled.gif", true));
    ASSERT_TRUE(waitForWindow(kProgressTitle)) << "no progress window";
    const WindowBox progress = geometry(kProgressTitle);
    EXPECT_EQ(progress.width, 380);
    EXPECT_EQ(progress.height, 127);
    click(progress.x + 190, progress.y + 88 + 12); // "Cancel GIF creation!"
    ASSERT_TRUE(waitForWindowGone(kProgressTitle)) << "the capture went on";
    std::this_thread::sleep_for(kSettle);
    EXPECT_TRUE(outputEntries().empty());
    EXPECT_TRUE(liveViewRuns()) << "the live view stopped after the cancel";
}

TEST_F(ExportEndToEndTest, ClosingTheEditorMidCaptureEndsTheProgramWithoutAFile)
{
    ASSERT_NO_FATAL_FAILURE(startGifCapture(m_output / "unfinished.gif", true));
    ASSERT_TRUE(waitForWindow(kProgressTitle)) << "no progress window";
    const std::vector<std::string> editor = m_session.windowsNamed(kEditorTitle);
    ASSERT_EQ(editor.size(), 1u);
    askWindowToClose(m_session.display(), editor.front());
    ASSERT_TRUE(m_editor->waitForExit()) << "the program did not end";
    EXPECT_EQ(m_editor->termSignal(), 0);
    EXPECT_EQ(m_editor->exitCode(), 0);
    EXPECT_TRUE(outputEntries().empty());
}

TEST_F(ExportEndToEndTest, AGifThatCannotBeWrittenSaysWhyAndTheLiveViewGoesOn)
{
    // The folder is there when the file is chosen and gone when the frames are complete.
    const fs::path folder = m_output / "vanishing";
    fs::create_directories(folder);
    ASSERT_NO_FATAL_FAILURE(startGifCapture(folder / "lost.gif", false));
    fs::remove_all(folder);

    // The message box carries the program's title beside the editor.
    ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed(kEditorTitle).size() == 2; }, std::chrono::seconds(120)))
        << "no message about the failed write";
    EXPECT_TRUE(m_session.windowsNamed(kProgressTitle).empty()) << "the progress window stayed";
    EXPECT_TRUE(outputEntries().empty());
    EXPECT_TRUE(liveViewRuns()) << "the live view stopped behind the message";
    m_session.xdotool("key Return");
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kEditorTitle).size() == 1; }));
    EXPECT_TRUE(m_editor->running());
}

} // namespace
