// The Save tab's exports in the real opal-revel under a private Xvfb: a JPEG snapshot and a
// GIF animation saved through the program's own dialogs with names typed as a person would,
// read back by libjpeg and giflib, and a capture cancelled from its progress window.

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
void AskWindowToClose(const std::string& display, const std::string& id)
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
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class ExportEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.Ready()) << "Xvfb did not start";
        m_output = m_session.folder() / "exports";
        fs::create_directories(m_output);
        m_editor = m_session.Start({ ProgramPath(), "/c" });
        ASSERT_TRUE(PollUntil([&] { return m_session.WindowsNamed(kEditorTitle).size() == 1; })) << "no editor";
        m_window = Geometry(kEditorTitle);
        ASSERT_TRUE(WaitForSprites()) << "the live view drew nothing";
        // The Save page.
        Click(m_window.x + kColumnLeft + kTabWidth + kTabWidth / 2, m_window.y + kToolbarHeight / 2);
    }
    void TearDown() override
    {
        if (m_editor && m_editor->Running()) {
            m_editor->Signal(SIGTERM);
            m_editor->WaitForExit();
        }
    }

    WindowBox Geometry(const std::string& name) const
    {
        WindowBox box;
        const std::vector<std::string> ids = m_session.WindowsNamed(name);
        if (ids.size() != 1)
            return box;
        std::istringstream lines(m_session.Run("xdotool getwindowgeometry --shell " + ids.front()));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &box.x);
            std::sscanf(line.c_str(), "Y=%d", &box.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &box.width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &box.height);
        }
        return box;
    }
    bool WaitForWindow(const std::string& name)
    {
        return PollUntil([&] { return m_session.WindowsNamed(name).size() == 1; });
    }
    bool WaitForWindowGone(const std::string& name)
    {
        return PollUntil([&] { return m_session.WindowsNamed(name).empty(); });
    }
    void Click(int x, int y) const
    {
        m_session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    // Types a file name into the focused save dialog and confirms it.
    void TypeFileName(const fs::path& path) const
    {
        m_session.Xdotool("type --delay 20 '" + path.string() + "'");
        m_session.Xdotool("key Return");
    }
    Screenshot Shoot() { return m_session.Shoot("shot-" + std::to_string(m_shots++)); }
    bool WaitForSprites()
    {
        return PollUntil([&] {
            const Screenshot picture = Shoot();
            return picture.width > 0
                && picture.CountOther(m_window.x, m_window.y, kLiveViewWidth, kLiveViewHeight, kBlack) >= 2000;
        });
    }
    // The live view still draws: two screenshots a while apart differ inside it.
    bool LiveViewRuns()
    {
        const Screenshot before = Shoot();
        return PollUntil(
            [&] {
                const Screenshot after = Shoot();
                for (int y = 0; y < kLiveViewHeight; ++y) {
                    for (int x = 0; x < kLiveViewWidth; ++x) {
                        if (before.Pixel(m_window.x + x, m_window.y + y) != after.Pixel(m_window.x + x, m_window.y + y))
                            return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(20));
    }
    std::vector<std::string> OutputEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_output))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs "Save as GIF animation" through both dialogs; answers the progress window's place.
    void StartGifCapture(const fs::path& target, bool hundredFrames)
    {
        Click(m_window.x + kSaveButtonCentreX, m_window.y + kGifButtonCentreY);
        ASSERT_TRUE(WaitForWindow(kGifDialogTitle)) << "no GIF settings dialog";
        const WindowBox dialog = Geometry(kGifDialogTitle);
        EXPECT_EQ(dialog.width, 390);
        EXPECT_EQ(dialog.height, 290);
        if (hundredFrames) {
            // The "Total frame count" slider, then its largest value.
            Click(dialog.x + 195, dialog.y + 14 + 2 * 44 + 18 + 11);
            m_session.Xdotool("key End");
        }
        Click(dialog.x + 40 + 70, dialog.y + 250 + 12); // "Create GIF"
        ASSERT_TRUE(WaitForWindowGone(kGifDialogTitle));
        ASSERT_TRUE(WaitForWindow(kGifFileDialogTitle)) << "no GIF file dialog";
        TypeFileName(target);
        ASSERT_TRUE(WaitForWindowGone(kGifFileDialogTitle));
    }

    XSession m_session { kScreenWidth, kScreenHeight };
    std::unique_ptr<ChildProcess> m_editor;
    WindowBox m_window;
    fs::path m_output;
    int m_shots = 0;
};

TEST_F(ExportEndToEndTest, JpegSnapshotHoldsTheLiveViewOfTheClick)
{
    Click(m_window.x + kSaveButtonCentreX, m_window.y + kJpegButtonCentreY);
    ASSERT_TRUE(WaitForWindow(kJpegDialogTitle)) << "no JPEG save dialog";
    // Beneath the modal dialog the live view waits, so the panel shows the frame of the
    // click; the dialog moves aside to uncover most of it.
    const std::vector<std::string> dialogIds = m_session.WindowsNamed(kJpegDialogTitle);
    ASSERT_EQ(dialogIds.size(), 1u);
    m_session.Xdotool("windowmove " + dialogIds.front() + " " + std::to_string(m_window.x + 400) + " "
        + std::to_string(m_window.y + 300));
    ASSERT_TRUE(PollUntil([&] { return Geometry(kJpegDialogTitle).x == m_window.x + 400; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the uncovered part repaints
    const Screenshot panel = Shoot();
    const WindowBox dialog = Geometry(kJpegDialogTitle);
    TypeFileName(m_output / "snapshot"); // no extension: ".jpg" is appended
    ASSERT_TRUE(PollUntil([&] { return fs::exists(m_output / "snapshot.jpg"); })) << "no JPEG written";
    ASSERT_TRUE(WaitForWindowGone(kJpegDialogTitle));

    const DecodedJpeg decoded = DecodeJpegFile((m_output / "snapshot.jpg").string());
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, kLiveViewWidth);
    EXPECT_EQ(decoded.height, kLiveViewHeight);
    // Every pixel of the panel that the dialog did not cover, within JPEG error: small on
    // average, and large only at a few sharp sprite edges where chroma is subsampled.
    long long compared = 0;
    long long coloured = 0;
    long long totalError = 0;
    long long largeErrors = 0;
    for (int y = 0; y < kLiveViewHeight; ++y) {
        for (int x = 0; x < kLiveViewWidth; ++x) {
            if (dialog.Contains(m_window.x + x, m_window.y + y))
                continue;
            const uint32_t shown = panel.Pixel(m_window.x + x, m_window.y + y);
            const uint8_t* saved = &decoded.rgb[(static_cast<std::size_t>(y) * kLiveViewWidth + x) * 3];
            int worst = 0;
            for (int channel = 0; channel < 3; ++channel) {
                const int error = std::abs(static_cast<int>((shown >> (16 - 8 * channel)) & 0xFF) - saved[channel]);
                totalError += error;
                worst = std::max(worst, error);
            }
            ++compared;
            coloured += shown != kBlack;
            largeErrors += worst > 48;
        }
    }
    ASSERT_GT(compared, 100000) << "the dialog covered the live view";
    EXPECT_GT(coloured, 1000) << "nothing to compare: the live view was black";
    EXPECT_LT(static_cast<double>(totalError) / (3.0 * compared), 3.0);
    EXPECT_LT(static_cast<double>(largeErrors) / compared, 0.01);

    EXPECT_TRUE(LiveViewRuns()) << "the live view stopped after the snapshot";
}

TEST_F(ExportEndToEndTest, GifWithTheDefaultsHoldsTenFramesOfFortyPercent)
{
    const fs::path target = m_output / "animation";
    ASSERT_NO_FATAL_FAILURE(StartGifCapture(target, false));
    // 10 frames, 101 sprites apart at 300 microseconds or more each.
    ASSERT_TRUE(PollUntil([&] { return fs::exists(m_output / "animation.gif"); }, std::chrono::seconds(120)))
        << "no GIF written";
    ASSERT_TRUE(WaitForWindowGone(kProgressTitle)) << "the progress window stayed";
    EXPECT_EQ(OutputEntries(), std::vector<std::string> { "animation.gif" });

    const DecodedGif decoded = DecodeGifFile((m_output / "animation.gif").string());
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
    EXPECT_TRUE(LiveViewRuns()) << "the live view stopped after the capture";
}

TEST_F(ExportEndToEndTest, CancelMidCaptureWritesNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartGifCapture(m_output / "cancelled.gif", true));
    ASSERT_TRUE(WaitForWindow(kProgressTitle)) << "no progress window";
    const WindowBox progress = Geometry(kProgressTitle);
    EXPECT_EQ(progress.width, 380);
    EXPECT_EQ(progress.height, 127);
    Click(progress.x + 190, progress.y + 88 + 12); // "Cancel GIF creation!"
    ASSERT_TRUE(WaitForWindowGone(kProgressTitle)) << "the capture went on";
    std::this_thread::sleep_for(kSettle);
    EXPECT_TRUE(OutputEntries().empty());
    EXPECT_TRUE(LiveViewRuns()) << "the live view stopped after the cancel";
}

TEST_F(ExportEndToEndTest, ClosingTheEditorMidCaptureEndsTheProgramWithoutAFile)
{
    ASSERT_NO_FATAL_FAILURE(StartGifCapture(m_output / "unfinished.gif", true));
    ASSERT_TRUE(WaitForWindow(kProgressTitle)) << "no progress window";
    const std::vector<std::string> editor = m_session.WindowsNamed(kEditorTitle);
    ASSERT_EQ(editor.size(), 1u);
    AskWindowToClose(m_session.display(), editor.front());
    ASSERT_TRUE(m_editor->WaitForExit()) << "the program did not end";
    EXPECT_EQ(m_editor->TermSignal(), 0);
    EXPECT_EQ(m_editor->ExitCode(), 0);
    EXPECT_TRUE(OutputEntries().empty());
}

TEST_F(ExportEndToEndTest, AGifThatCannotBeWrittenSaysWhyAndTheLiveViewGoesOn)
{
    // The folder is there when the file is chosen and gone when the frames are complete.
    const fs::path folder = m_output / "vanishing";
    fs::create_directories(folder);
    ASSERT_NO_FATAL_FAILURE(StartGifCapture(folder / "lost.gif", false));
    fs::remove_all(folder);

    // The message box carries the program's title beside the editor.
    ASSERT_TRUE(PollUntil([&] { return m_session.WindowsNamed(kEditorTitle).size() == 2; }, std::chrono::seconds(120)))
        << "no message about the failed write";
    EXPECT_TRUE(m_session.WindowsNamed(kProgressTitle).empty()) << "the progress window stayed";
    EXPECT_TRUE(OutputEntries().empty());
    EXPECT_TRUE(LiveViewRuns()) << "the live view stopped behind the message";
    m_session.Xdotool("key Return");
    EXPECT_TRUE(PollUntil([&] { return m_session.WindowsNamed(kEditorTitle).size() == 1; }));
    EXPECT_TRUE(m_editor->Running());
}

} // namespace
