#include "app/resolutions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t kAllFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;

DisplayMode mode(uint32_t width, uint32_t height, uint32_t bits, uint32_t rate, uint32_t fields = kAllFields)
{
    return DisplayMode { fields, bits, width, height, rate };
}

// A made-up system: a list of modes and a scripted answer to the test flag. It records every
// change it is asked for.
class FakeModes : public DisplayModeSource {
public:
    explicit FakeModes(std::vector<DisplayMode> modes)
        : offered(std::move(modes))
    {
    }

    bool enumMode(uint32_t index, DisplayMode& mode) override
    {
        ++enumerations;
        if (index >= offered.size())
            return false;
        mode = offered[index];
        return true;
    }
    int changeMode(const DisplayMode& mode, int flags) override
    {
        if (flags & CDS_TEST) {
            tested.push_back(mode);
            return testAnswer;
        }
        switched.push_back(mode);
        return DISP_CHANGE_SUCCESSFUL;
    }
    void restoreMode() override { ++restores; }

    std::vector<DisplayMode> offered;
    int testAnswer = DISP_CHANGE_SUCCESSFUL;
    std::vector<DisplayMode> tested;
    std::vector<DisplayMode> switched;
    int restores = 0;
    int enumerations = 0;
};

void expectMode(const DisplayMode& mode, uint32_t width, uint32_t height, uint32_t bits, uint32_t rate)
{
    EXPECT_EQ(mode.width, width);
    EXPECT_EQ(mode.height, height);
    EXPECT_EQ(mode.bitsPerPixel, bits);
    EXPECT_EQ(mode.displayFrequency, rate);
}

TEST(SwitchTo640x480Test, SixteenBitsOnlySwitchesToThatMode)
{
    FakeModes modes({ mode(1024, 768, 32, 60), mode(640, 480, 16, 60), mode(800, 600, 32, 60) });
    EXPECT_TRUE(switchTo640x480(modes));
    ASSERT_EQ(modes.switched.size(), 1u);
    expectMode(modes.switched[0], 640, 480, 16, 60);
}

TEST(SwitchTo640x480Test, ThirtyTwoBitsIsPreferredAndTheLowestRateWins)
{
    FakeModes modes({ mode(640, 480, 32, 85), mode(640, 480, 16, 60), mode(640, 480, 32, 75), mode(640, 480, 32, 60),
        mode(1920, 1080, 32, 60) });
    EXPECT_TRUE(switchTo640x480(modes));
    ASSERT_EQ(modes.tested.size(), 1u);
    expectMode(modes.tested[0], 640, 480, 32, 60);
    ASSERT_EQ(modes.switched.size(), 1u);
    expectMode(modes.switched[0], 640, 480, 32, 60);
}

TEST(SwitchTo640x480Test, NarrowOrSlowModesListNothingAndNothingSwitches)
{
    FakeModes narrow({ mode(320, 200, 32, 60), mode(399, 300, 32, 70) });
    EXPECT_TRUE(listDisplayModes(narrow).empty());
    EXPECT_FALSE(switchTo640x480(narrow));

    FakeModes slow({ mode(640, 480, 32, 2), mode(640, 480, 32, 59), mode(800, 600, 16, 30) });
    EXPECT_TRUE(listDisplayModes(slow).empty());
    EXPECT_FALSE(switchTo640x480(slow));
    EXPECT_TRUE(slow.tested.empty());
    EXPECT_TRUE(slow.switched.empty());

    FakeModes empty({});
    EXPECT_FALSE(switchTo640x480(empty));
}

TEST(SwitchTo640x480Test, RestartRequiredLeavesTheDisplayAloneAndAsksNoRestore)
{
    FakeModes modes({ mode(640, 480, 32, 60) });
    modes.testAnswer = DISP_CHANGE_RESTART;
    EXPECT_FALSE(switchTo640x480(modes));
    EXPECT_EQ(modes.tested.size(), 1u);
    EXPECT_TRUE(modes.switched.empty());
}

TEST(SwitchTo640x480Test, ARefusedModeSwitchesNothingButStillAsksForTheRestore)
{
    FakeModes modes({ mode(640, 480, 32, 60) });
    modes.testAnswer = DISP_CHANGE_FAILED;
    EXPECT_TRUE(switchTo640x480(modes));
    EXPECT_TRUE(modes.switched.empty());
}

TEST(SwitchTo640x480Test, NoSuchModeOrNoValidFieldsMeansNoSwitch)
{
    FakeModes other({ mode(800, 600, 32, 60), mode(640, 480, 24, 60), mode(640, 400, 32, 60) });
    EXPECT_FALSE(switchTo640x480(other));
    EXPECT_TRUE(other.tested.empty());

    FakeModes noFields({ mode(640, 480, 32, 60, 0) });
    EXPECT_FALSE(switchTo640x480(noFields));
    EXPECT_TRUE(noFields.tested.empty());

    // One valid bit among the five is enough.
    FakeModes oneField({ mode(640, 480, 32, 60, DM_DISPLAYFLAGS) });
    EXPECT_TRUE(switchTo640x480(oneField));
    EXPECT_EQ(oneField.switched.size(), 1u);
}

TEST(SwitchTo640x480Test, RestoreDisplayAsksTheSource)
{
    FakeModes modes({ mode(640, 480, 32, 60) });
    restoreDisplay(modes);
    EXPECT_EQ(modes.restores, 1);
}

TEST(ListDisplayModesTest, SortsByWidthHeightBitsAndRate)
{
    FakeModes modes({ mode(800, 600, 32, 75), mode(640, 480, 32, 60), mode(800, 600, 16, 60), mode(800, 480, 32, 60),
        mode(800, 600, 32, 60), mode(4000000000u, 1, 8, 60) });
    std::vector<DisplayMode> table = listDisplayModes(modes);
    ASSERT_EQ(table.size(), 6u);
    expectMode(table[0], 640, 480, 32, 60);
    expectMode(table[1], 800, 480, 32, 60);
    expectMode(table[2], 800, 600, 16, 60);
    expectMode(table[3], 800, 600, 32, 60);
    expectMode(table[4], 800, 600, 32, 75);
    // Compared as unsigned: a width above 2^31 sorts last.
    expectMode(table[5], 4000000000u, 1, 8, 60);
}

TEST(ListDisplayModesTest, DefaultRateModesAreSkippedWhenTheirShapeIsListed)
{
    FakeModes modes({ mode(800, 600, 32, 60), mode(800, 600, 32, 0), mode(800, 600, 32, 1), mode(800, 600, 16, 0),
        mode(1024, 768, 32, 0), mode(1024, 768, 32, 1), mode(1024, 768, 32, 70) });
    std::vector<DisplayMode> table = listDisplayModes(modes);
    ASSERT_EQ(table.size(), 4u);
    expectMode(table[0], 800, 600, 16, 0);
    expectMode(table[1], 800, 600, 32, 60);
    expectMode(table[2], 1024, 768, 32, 0);
    // A real rate is always taken, even after a default-rate mode of the same shape.
    expectMode(table[3], 1024, 768, 32, 70);
}

TEST(ListDisplayModesTest, RateOneAloneIsNotCountedSoNothingIsListed)
{
    // The counting pass takes rates 0 and 60 and above only; a system that reports
    // nothing but rate 1 lists nothing.
    FakeModes modes({ mode(640, 480, 32, 1), mode(800, 600, 32, 1) });
    EXPECT_TRUE(listDisplayModes(modes).empty());
    EXPECT_FALSE(switchTo640x480(modes));
}

TEST(ListDisplayModesTest, RateOneFillsSlotsCountedForOthers)
{
    // Two counted modes make a table of two; the collection takes the rate-1 mode first.
    FakeModes modes({ mode(640, 480, 16, 1), mode(800, 600, 32, 60), mode(1024, 768, 32, 60) });
    std::vector<DisplayMode> table = listDisplayModes(modes);
    ASSERT_EQ(table.size(), 3u - 1u);
    expectMode(table[0], 640, 480, 16, 1);
    expectMode(table[1], 800, 600, 32, 60);
}

TEST(ListDisplayModesTest, TheTableHoldsAtMostFortyTwoModes)
{
    std::vector<DisplayMode> offered;
    for (uint32_t index = 0; index < 60; ++index)
        offered.push_back(mode(2000 - index * 10, 1000, 32, 60));
    // 640 x 480 comes after the 42 counted modes and is never listed.
    offered.push_back(mode(640, 480, 32, 60));
    FakeModes modes(offered);
    std::vector<DisplayMode> table = listDisplayModes(modes);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(kModeTableSize));
    expectMode(table.front(), 2000 - 41 * 10, 1000, 32, 60);
    expectMode(table.back(), 2000, 1000, 32, 60);
    EXPECT_FALSE(switchTo640x480(modes));
}

TEST(ListDisplayModesTest, SkippedDuplicatesLeaveRoomForLaterModes)
{
    // 42 counted modes, one of them a default-rate duplicate: the collection goes on past
    // the counted ones until the table is full, so a later mode takes the free slot.
    std::vector<DisplayMode> offered = { mode(800, 600, 32, 60), mode(800, 600, 32, 0) };
    for (uint32_t index = 0; index < 40; ++index)
        offered.push_back(mode(1000 + index, 700, 32, 60));
    offered.push_back(mode(640, 480, 32, 60));
    FakeModes modes(offered);
    std::vector<DisplayMode> table = listDisplayModes(modes);
    ASSERT_EQ(table.size(), static_cast<std::size_t>(kModeTableSize));
    expectMode(table.front(), 640, 480, 32, 60);
    EXPECT_TRUE(switchTo640x480(modes));
}

} // namespace
