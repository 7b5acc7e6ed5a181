// The editor's Options and Presets tabs and "Save as Preset" in the real opal-revel /c under a
// private Xvfb: clicks through xdotool, results read back from the key store, the presets
// folder and screenshots. Positions follow the editor's layout: the control column starts at
// x 492, its pages 23 pixels down, under the five tab buttons.

#include "tests/app/x_session.h"

#include "platform/key_store.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr const char* kEditorTitle = "Opal Revel 2.0";
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kColumnLeft = 492;
constexpr int kPageTop = 23;
constexpr int kPageWidth = 230;
constexpr int kPageHeight = 462;
constexpr int kTabWidth = kPageWidth / 5;
constexpr int kLiveViewWidth = 492;
constexpr int kLiveViewHeight = 369;
// Sample presets of one colour each: every shape red, or every shape blue, no highlight.
constexpr uint32_t kRed = 0x000000E0; // COLORREF: red in the low byte
constexpr uint32_t kBlue = 0x00E00000;

enum class Tab { Render, Save, Options, Help, Presets };

struct Spot {
    int x;
    int y;
};

// Centres of controls in their page's own coordinates.
constexpr Spot kIntervalFaster { 8 + 70 + 4 + 32, 122 + 10 };
constexpr Spot kIntervalSlower { 8 + 70 + 4 + 64 + 4 + 32, 122 + 10 };
constexpr Spot kAllowBlur { 8 + 60, 288 + 9 };
constexpr Spot kPresetNext { 6 + 2 * (70 + 4) + 35, 22 + 11 };
constexpr Spot kPresetLine0 { 60, 50 + 8 };
constexpr Spot kSaveAsPreset { 15 + 100, 20 + 15 };
// The rows of the Options page that show Seconds and Filter, and the list of the Presets page.
constexpr int kIntervalRowTop = 122;
constexpr int kBlurBoxTop = 288;
constexpr int kListTop = 50;
constexpr int kListBottom = kPageHeight - 6; // the list reaches the page's bottom margin

void writeColouredPreset(const fs::path& path, uint32_t colour)
{
    Preset preset = newStartPreset();
    for (auto& object : preset.objects.stacks) {
        ShapeStack& stack = *object[0];
        for (Shape& shape : stack.shapes) {
            shape.color = colour;
            shape.mirror = 0.0f;
        }
    }
    std::ofstream out(path, std::ios::binary);
    writePreset(preset, out);
}

// How much redder than blue the lit pixels of a rectangle are, from -1 (all blue) to 1.
double redness(const Screenshot& shot, int x0, int y0, int width, int height)
{
    double red = 0.0;
    double blue = 0.0;
    for (int y = y0; y < y0 + height; ++y) {
        for (int x = x0; x < x0 + width; ++x) {
            const uint32_t pixel = shot.pixel(x, y);
            red += (pixel >> 16) & 0xFF;
            blue += pixel & 0xFF;
        }
    }
    return red + blue > 0 ? (red - blue) / (red + blue) : 0.0;
}

// The bands of rows that hold light text in a rectangle: one per line of a list.
int textLines(const Screenshot& shot, int x0, int y0, int width, int height)
{
    int lines = 0;
    bool inLine = false;
    for (int y = y0; y < y0 + height; ++y) {
        bool lit = false;
        for (int x = x0; x < x0 + width && !lit; ++x)
            lit = ((shot.pixel(x, y) >> 8) & 0xFF) > 150;
        if (lit && !inLine)
            ++lines;
        inLine = lit;
    }
    return lines;
}

// The pixels of a rectangle, to compare two screenshots.
std::vector<uint32_t> pixels(const Screenshot& shot, int x0, int y0, int width, int height)
{
    std::vector<uint32_t> values;
    for (int y = y0; y < y0 + height; ++y)
        for (int x = x0; x < x0 + width; ++x)
            values.push_back(shot.pixel(x, y));
    return values;
}

class OptionsEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready()) << "Xvfb did not start";
        m_presets = m_session.folder() / "my presets é";
        fs::create_directories(m_presets);
        writeColouredPreset(m_presets / "red.vhp", kRed);
        writeColouredPreset(m_presets / "blue.vhp", kBlue);
        // The store an installation leaves: the Paths key, here with the test's own presets.
        RegFileKeyStore store(m_session.folder() / "config/opal-revel/registry.reg");
        fs::create_directories(store.file().parent_path());
        const KeyHandle paths = store.openKey(PathsKeyPath, true);
        store.writeString(paths, "InstalledDir", (fs::path(OPAL_SOURCE_DIR) / "data").string());
        store.writeString(paths, "PresetsDir", m_presets.string());
        ASSERT_TRUE(store.closeKey(paths));
        m_session.xdotool("mousemove 0 0");
    }

    std::unique_ptr<ChildProcess> startEditor()
    {
        auto editor = m_session.start({ programPath(), "/c" });
        EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kEditorTitle).size() == 1; })) << "no editor";
        m_id = m_session.windowsNamed(kEditorTitle).front();
        std::istringstream lines(m_session.run("xdotool getwindowgeometry --shell " + m_id));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &m_origin.x);
            std::sscanf(line.c_str(), "Y=%d", &m_origin.y);
        }
        return editor;
    }

    void clickAt(int x, int y)
    {
        m_session.xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
        // A second click this soon would make a double click of the two.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }
    void showTab(Tab tab)
    {
        clickAt(m_origin.x + kColumnLeft + static_cast<int>(tab) * kTabWidth + kTabWidth / 2, m_origin.y + kPageTop / 2);
    }
    void clickOnPage(Spot spot) { clickAt(pageX() + spot.x, pageY() + spot.y); }
    int pageX() const { return m_origin.x + kColumnLeft; }
    int pageY() const { return m_origin.y + kPageTop; }

    Screenshot shoot() { return m_session.shoot("shot-" + std::to_string(m_shots++)); }

    void closeEditor(ChildProcess& editor)
    {
        m_session.run(hostWindowPath() + " close " + m_id);
        ASSERT_TRUE(editor.waitForExit()) << "the editor did not close";
        EXPECT_EQ(editor.termSignal(), 0);
        EXPECT_EQ(editor.exitCode(), 0);
    }

    // Waits until the live view shows mostly the colour of one of the two presets.
    bool liveViewTurns(bool red)
    {
        return pollUntil([&] {
            const double value = redness(shoot(), m_origin.x, m_origin.y, kLiveViewWidth, kLiveViewHeight);
            return red ? value > 0.6 : value < -0.6;
        });
    }

    XSession m_session { kScreenWidth, kScreenHeight };
    fs::path m_presets;
    std::string m_id;
    Spot m_origin { 0, 0 };
    int m_shots = 0;
};

TEST_F(OptionsEndToEnd, OptionsChangedInTheEditorAreStoredAndShownAtTheNextStart)
{
    auto editor = startEditor();
    showTab(Tab::Options);
    const Screenshot before = shoot();
    for (int i = 0; i < 4; ++i)
        clickOnPage(kIntervalSlower);
    clickOnPage(kIntervalFaster);
    clickOnPage(kIntervalFaster);
    clickOnPage(kAllowBlur);
    const Screenshot changed = shoot();
    closeEditor(*editor);

    RegFileKeyStore store(m_session.folder() / "config/opal-revel/registry.reg");
    const KeyHandle values = store.openKey(ValuesKeyPath, false);
    ASSERT_NE(values, kNoKey) << "the options were not stored";
    int32_t seconds = 0;
    int32_t filter = 0;
    EXPECT_EQ(store.readInteger(values, "Seconds", seconds), ValueRead::Ok);
    EXPECT_EQ(store.readInteger(values, "Filter", filter), ValueRead::Ok);
    store.closeKey(values);
    EXPECT_EQ(seconds, 10 + 4 * 5 - 2 * 5);
    EXPECT_EQ(filter, 1);

    // The next start shows the stored values: the interval row and the blur box look as they
    // did when the first editor closed, not as they did at its start.
    editor = startEditor();
    showTab(Tab::Options);
    const Screenshot again = shoot();
    const auto rows = [&](const Screenshot& shot, int top, int height) {
        return pixels(shot, pageX(), pageY() + top, kPageWidth, height);
    };
    EXPECT_EQ(rows(again, kIntervalRowTop, 20), rows(changed, kIntervalRowTop, 20));
    EXPECT_EQ(rows(again, kBlurBoxTop, 18), rows(changed, kBlurBoxTop, 18));
    EXPECT_NE(rows(before, kIntervalRowTop, 20), rows(changed, kIntervalRowTop, 20));
    EXPECT_NE(rows(before, kBlurBoxTop, 18), rows(changed, kBlurBoxTop, 18));
    closeEditor(*editor);
}

TEST_F(OptionsEndToEnd, NextChangesThePictureAndSaveAsPresetAddsAFileAndALine)
{
    auto editor = startEditor();
    showTab(Tab::Presets);
    Screenshot shot = shoot();
    EXPECT_EQ(textLines(shot, pageX() + 6, pageY() + kListTop, kPageWidth - 12, kListBottom - kListTop), 2);

    // Line 1 of the list, then "Next": the live view turns from one colour to the other.
    clickOnPage(kPresetLine0);
    const bool firstIsRed = pollUntil([&] {
        const double value = redness(shoot(), m_origin.x, m_origin.y, kLiveViewWidth, kLiveViewHeight);
        return value > 0.6 || value < -0.6;
    }) && redness(shoot(), m_origin.x, m_origin.y, kLiveViewWidth, kLiveViewHeight) > 0;
    clickOnPage(kPresetNext);
    EXPECT_TRUE(liveViewTurns(!firstIsRed)) << "Next did not change the picture";

    // "Save as Preset" with a typed name in the file dialog.
    showTab(Tab::Save);
    clickOnPage(kSaveAsPreset);
    ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed("Save current preset").size() == 1; }))
        << "no save dialog";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    m_session.xdotool("type --delay 30 'typed one'");
    m_session.xdotool("key Return");
    const fs::path saved = m_presets / "typed one.vhp";
    ASSERT_TRUE(pollUntil([&] { return fs::exists(saved); })) << "no preset file";
    EXPECT_EQ(fs::file_size(saved), kPresetFileBytes);
    Preset read = newStartPreset();
    std::ifstream in(saved, std::ios::binary);
    ASSERT_TRUE(readPreset(read, in));
    EXPECT_EQ(read.objects.stacks[0][0]->shapes[0].color, firstIsRed ? kBlue : kRed) << "the preset shown was saved";

    showTab(Tab::Presets);
    EXPECT_TRUE(pollUntil([&] {
        return textLines(shoot(), pageX() + 6, pageY() + kListTop, kPageWidth - 12, kListBottom - kListTop) == 3;
    })) << "the list did not get the new line";
    closeEditor(*editor);
}

} // namespace
