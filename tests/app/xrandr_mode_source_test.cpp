// The XRandR mode source against a real X server: a private Xvfb that offers 640 x 480 at
// 60 Hz beside its own 800 x 600.

#include "app/resolutions.h"
#include "platform/xrandr_mode_source.h"
#include "tests/app/x_session.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class XRandrModeSourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready());
        auto addMode = m_session.start({ hostWindowPath(), "add-mode", "640", "480" });
        ASSERT_TRUE(addMode->waitForExit());
        ASSERT_EQ(addMode->exitCode(), 0);
        const char* display = std::getenv("DISPLAY");
        m_savedDisplay = display != nullptr ? display : "";
        setenv("DISPLAY", m_session.display().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_savedDisplay.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", m_savedDisplay.c_str(), 1);
    }

    // Asked on a connection of its own, as any other client would see it.
    std::string screenSize()
    {
        auto query = m_session.start({ hostWindowPath(), "screen-size" }, true);
        return query->readLine().value_or("");
    }

    XSession m_session { 800, 600 };
    std::string m_savedDisplay;
};

TEST_F(XRandrModeSourceTest, ListsTheOutputsModesWithTheirRatesAndPixelSize)
{
    XRandrModeSource source;
    ASSERT_TRUE(source.available());
    std::vector<DisplayMode> modes;
    DisplayMode mode;
    for (uint32_t index = 0; source.enumMode(index, mode); ++index)
        modes.push_back(mode);
    ASSERT_EQ(modes.size(), 2u);
    std::vector<DisplayMode> table = listDisplayModes(source);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].width, 640u);
    EXPECT_EQ(table[0].height, 480u);
    EXPECT_EQ(table[0].displayFrequency, 60u);
    EXPECT_EQ(table[0].bitsPerPixel, 32u); // depth 24 is stored in 32 bits
    EXPECT_NE(table[0].fields & DM_PELSWIDTH, 0u);
    EXPECT_EQ(table[1].width, 800u);
    EXPECT_EQ(table[1].height, 600u);
}

TEST_F(XRandrModeSourceTest, TestingChangesNothingAndUnknownModesAreRefused)
{
    XRandrModeSource source;
    const DisplayMode offered { DM_PELSWIDTH | DM_PELSHEIGHT, 32, 640, 480, 60 };
    EXPECT_EQ(source.changeMode(offered, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(screenSize(), "800x600");
    EXPECT_EQ(source.changeMode(DisplayMode { DM_PELSWIDTH, 32, 640, 480, 75 }, CDS_TEST), DISP_CHANGE_FAILED);
    EXPECT_EQ(source.changeMode(DisplayMode { DM_PELSWIDTH, 32, 1024, 768, 60 }, 0), DISP_CHANGE_FAILED);
    // Nothing was changed, so there is nothing to restore.
    source.restoreMode();
    EXPECT_EQ(screenSize(), "800x600");
}

TEST_F(XRandrModeSourceTest, SwitchesTheScreenAndRestoresItOnce)
{
    XRandrModeSource source;
    EXPECT_TRUE(switchTo640x480(source));
    EXPECT_EQ(screenSize(), "640x480");
    restoreDisplay(source);
    EXPECT_EQ(screenSize(), "800x600");
    restoreDisplay(source);
    EXPECT_EQ(screenSize(), "800x600");
}

TEST(XRandrModeSourceWithoutDisplayTest, ListsNothingAndChangesNothing)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    setenv("DISPLAY", ":9999", 1);
    {
        XRandrModeSource source;
        EXPECT_FALSE(source.available());
        EXPECT_TRUE(listDisplayModes(source).empty());
        EXPECT_FALSE(switchTo640x480(source));
        source.restoreMode();
    }
    if (saved.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
