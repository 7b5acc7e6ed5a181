// The real editor (opal-revel /c) under a private Xvfb, driven with xdotool and read back
// through screenshots: its size, the live view, the thumbnails, a slider, the shape
// buttons, closing through the window manager's close request, and the single instance.

#include "presets/preset.h"
#include "presets/settings.h"
#include "tests/app/x_session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr const char* kEditorTitle = "Opal Revel 2.0";
constexpr uint32_t kBlack = 0x000000;
// The corner marks of the selected object's thumbnail.
constexpr uint32_t kMarkColour = 0x64C864;

// Places in the editor's client area (the window has no frame under Xvfb).
constexpr int kThumbnailTop = 369 + 1;
constexpr int kThumbnailPitch = 52;
constexpr int kPageLeft = 492;
constexpr int kPageTop = 23;
constexpr int kPhongSliderX0 = kPageLeft + 82;
constexpr int kPhongSliderX1 = kPageLeft + 146;
constexpr int kPhongSliderY = kPageTop + 160 + 11;
constexpr int kBrowserX = kPageLeft + 176;
constexpr int kBrowserY = kPageTop + 245;
constexpr int kCloneButtonX = kPageLeft + 88;
constexpr int kCloneButtonY = kPageTop + 305 + 11;

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The pixels of a rectangle of a screenshot, for comparing two shots.
std::vector<uint32_t> cut(const Screenshot& shot, int x, int y, int width, int height)
{
    std::vector<uint32_t> pixels;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column)
            pixels.push_back(shot.pixel(column, row));
    return pixels;
}

class EditorEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready()) << "Xvfb did not start";
        m_session.xdotool("mousemove 799 599");
        // The start scene, one shape per object, instead of the random preset of a first run.
        const SettingsRecord startOptions;
        const Preset start = newStartPreset();
        const std::filesystem::path folder = m_session.folder() / "config" / "opal-revel";
        std::filesystem::create_directories(folder);
        std::ofstream settings(folder / "opalrevel.cfg", std::ios::binary);
        ASSERT_TRUE(writeSettingsFile(startOptions, start, settings));
        settings.close();
        m_editor = m_session.start({ programPath(), "/c" });
        ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed(kEditorTitle).size() == 1; })) << "no editor";
        m_id = m_session.windowsNamed(kEditorTitle).front();
        std::istringstream lines(m_session.run("xdotool getwindowgeometry --shell " + m_id));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &m_window.x);
            std::sscanf(line.c_str(), "Y=%d", &m_window.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &m_window.width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &m_window.height);
        }
        // The live view has drawn once the middle of it holds sprites.
        ASSERT_TRUE(pollUntil([&] { return shoot().countOther(m_window.x + 150, m_window.y + 100, 200, 150, kBlack) > 50; }))
            << "the live view drew nothing";
    }

    void TearDown() override
    {
        if (m_editor && m_editor->running())
            m_editor->signal(SIGKILL);
    }

    Screenshot shoot() { return m_session.shoot("editor-" + std::to_string(m_shots++)); }

    // A point of the client area on the screen.
    std::string at(int x, int y) const { return std::to_string(m_window.x + x) + " " + std::to_string(m_window.y + y); }

    void click(int x, int y) { m_session.xdotool("mousemove " + at(x, y) + " click 1"); }

    int marksOnThumbnail(const Screenshot& shot, int object) const
    {
        return shot.countEqual(m_window.x + 1 + object * kThumbnailPitch, m_window.y + kThumbnailTop, 50, 50, kMarkColour);
    }

    std::vector<uint32_t> thumbnail(const Screenshot& shot, int object) const
    {
        return cut(shot, m_window.x + 1 + object * kThumbnailPitch, m_window.y + kThumbnailTop, 50, 50);
    }

    // Closes the editor as a window manager's close button does and waits for its end.
    void closeEditor()
    {
        m_session.run(hostWindowPath() + " close " + m_id);
        ASSERT_TRUE(m_editor->waitForExit()) << "the editor did not end";
        EXPECT_EQ(m_editor->termSignal(), 0);
        EXPECT_EQ(m_editor->exitCode(), 0);
    }

    XSession m_session { kScreenWidth, kScreenHeight };
    std::unique_ptr<ChildProcess> m_editor;
    std::string m_id;
    Box m_window;
    int m_shots = 0;
};

TEST_F(EditorEndToEndTest, WindowLiveViewThumbnailsAndSingleInstance)
{
    EXPECT_EQ(m_window.width, 722);
    EXPECT_EQ(m_window.height, 485);
    // The live view keeps drawing: two shots of it differ.
    const Screenshot first = shoot();
    EXPECT_TRUE(pollUntil([&] {
        return cut(shoot(), m_window.x, m_window.y, 492, 369) != cut(first, m_window.x, m_window.y, 492, 369);
    }));

    // Object 1 is selected at the start; a click on thumbnail 4 moves the marks there.
    EXPECT_GT(marksOnThumbnail(first, 0), 0);
    EXPECT_EQ(marksOnThumbnail(first, 3), 0);
    click(1 + 3 * kThumbnailPitch + 25, kThumbnailTop + 25);
    EXPECT_TRUE(pollUntil([&] {
        const Screenshot shot = shoot();
        return marksOnThumbnail(shot, 3) > 0 && marksOnThumbnail(shot, 0) == 0;
    }));

    // A second editor ends at once and the first one stays.
    auto second = m_session.start({ programPath(), "-c" });
    ASSERT_TRUE(second->waitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(m_session.windowsNamed(kEditorTitle).size(), 1u);
    closeEditor();
}

TEST_F(EditorEndToEndTest, PhongDragCloneAndCloseWritesTheEditedPreset)
{
    const Screenshot before = shoot();
    // The slider's handle is the only light thing five pixels above the groove's middle.
    int handle = -1;
    for (int x = kPhongSliderX0; x < kPhongSliderX1 && handle < 0; ++x) {
        const uint32_t pixel = before.pixel(m_window.x + x, m_window.y + kPhongSliderY - 5);
        if (((pixel >> 16) & 0xFF) > 0xC0 && ((pixel >> 8) & 0xFF) > 0xC0 && (pixel & 0xFF) > 0xC0)
            handle = x + 3;
    }
    ASSERT_GE(handle, 0) << "no slider handle found";
    m_session.xdotool("mousemove " + at(handle, kPhongSliderY) + " mousedown 1");
    for (int x = handle; x <= kPhongSliderX1 + 20; x += 8)
        m_session.xdotool("mousemove " + at(x, kPhongSliderY));
    m_session.xdotool("mouseup 1");
    // Phong spreads to every object with the start strategies: every thumbnail changes.
    EXPECT_TRUE(pollUntil([&] {
        const Screenshot shot = shoot();
        for (int object = 0; object < 7; ++object)
            if (thumbnail(shot, object) == thumbnail(before, object))
                return false;
        return true;
    })) << "not every thumbnail changed";

    // Cloning adds a cell above the one in the browser.
    const auto cellHasShape = [&](const Screenshot& shot, int cell) {
        return shot.countOther(m_window.x + kBrowserX, m_window.y + kBrowserY + cell * 40, 40, 40, kBlack) > 20;
    };
    EXPECT_TRUE(cellHasShape(before, 4));
    EXPECT_FALSE(cellHasShape(before, 3));
    click(kCloneButtonX, kCloneButtonY);
    EXPECT_TRUE(pollUntil([&] { return cellHasShape(shoot(), 3); })) << "no second cell";

    closeEditor();
    std::ifstream file(m_session.folder() / "config" / "opal-revel" / "opalrevel.cfg", std::ios::binary);
    ASSERT_TRUE(file.good()) << "no settings file";
    SettingsRecord storedOptions;
    Preset stored;
    ASSERT_TRUE(readSettingsFile(storedOptions, stored, file));
    for (int object = 0; object < 7; ++object)
        EXPECT_EQ(stored.objects.stacks[static_cast<size_t>(object)][0]->shapes[0].phong, 20) << object;
    EXPECT_EQ(stored.objects.stacks[0][0]->shapeCount, 2);
}

} // namespace
