#include "editor/options_rules.h"

#include <gtest/gtest.h>

#include "presets/settings.h"

namespace {

struct StepCase {
    OptionStep step;
    int32_t before;
    int32_t after;
};

int32_t& stepped(SettingsRecord& settings, OptionStep step)
{
    switch (step) {
    case OptionStep::IntervalFaster:
    case OptionStep::IntervalSlower:
        return settings.seconds;
    case OptionStep::BlurIntervalFaster:
    case OptionStep::BlurIntervalSlower:
        return settings.filterAutoSeconds;
    default:
        return settings.scale;
    }
}

class OptionSteps : public ::testing::TestWithParam<StepCase> { };

TEST_P(OptionSteps, StepWithinItsBound)
{
    SettingsRecord settings;
    stepped(settings, GetParam().step) = GetParam().before;
    const SettingsRecord untouched = settings;
    stepOption(settings, GetParam().step);
    EXPECT_EQ(stepped(settings, GetParam().step), GetParam().after);
    // Only the stepped option moves.
    stepped(settings, GetParam().step) = GetParam().before;
    EXPECT_EQ(settings.seconds, untouched.seconds);
    EXPECT_EQ(settings.filterAutoSeconds, untouched.filterAutoSeconds);
    EXPECT_EQ(settings.scale, untouched.scale);
}

INSTANTIATE_TEST_SUITE_P(Table, OptionSteps,
    ::testing::Values(StepCase { OptionStep::IntervalFaster, 10, 5 }, StepCase { OptionStep::IntervalFaster, 5, 5 },
        StepCase { OptionStep::IntervalFaster, 7, 5 }, StepCase { OptionStep::IntervalSlower, 115, 120 },
        StepCase { OptionStep::IntervalSlower, 120, 120 }, StepCase { OptionStep::IntervalSlower, 118, 120 },
        StepCase { OptionStep::BlurIntervalFaster, 5, 5 }, StepCase { OptionStep::BlurIntervalFaster, 120, 115 },
        StepCase { OptionStep::BlurIntervalSlower, 115, 120 }, StepCase { OptionStep::BlurIntervalSlower, 120, 5 },
        StepCase { OptionStep::BlurIntervalSlower, 118, 5 }, StepCase { OptionStep::SizeMinus, 55, 50 },
        StepCase { OptionStep::SizeMinus, 50, 50 }, StepCase { OptionStep::SizePlus, 90, 95 },
        StepCase { OptionStep::SizePlus, 95, 95 }, StepCase { OptionStep::SizePlus, 200, 95 }));

TEST(OptionRules, AClickAndADoubleClickEachCount)
{
    // The window forwards a double click's click and its double click: two steps.
    SettingsRecord settings;
    settings.seconds = 60;
    stepOption(settings, OptionStep::IntervalFaster);
    stepOption(settings, OptionStep::IntervalFaster);
    EXPECT_EQ(settings.seconds, 50);
    EXPECT_EQ(intervalCaption(settings.seconds), "50 secs");
}

TEST(OptionRules, ScaleIsRoundedDownAndStoredBack)
{
    SettingsRecord settings;
    for (const auto& [stored, shown] : { std::pair { 77, 75 }, { 75, 75 }, { 99, 95 }, { 10, 10 }, { 14, 10 }, { 200, 200 } }) {
        settings.scale = stored;
        roundScaleDown(settings);
        EXPECT_EQ(settings.scale, shown) << stored;
    }
    settings.scale = 77;
    roundScaleDown(settings);
    EXPECT_EQ(animationSizeCaption(settings.scale), "Animation Size: 75%");
}

TEST(OptionRules, EachSwitchShowsAndSetsItsOwnOption)
{
    const OptionSwitch all[] = { OptionSwitch::Travel, OptionSwitch::ChangePresets, OptionSwitch::ChangeFormula,
        OptionSwitch::ChangeMirror, OptionSwitch::RandomStart, OptionSwitch::LowRes, OptionSwitch::Filter,
        OptionSwitch::Interlace, OptionSwitch::FilterAuto };
    SettingsRecord settings;
    // Start values: Travel, DoChange, ChangeFormula and Interlace on, the others off.
    const bool startStates[] = { true, true, true, false, false, false, false, true, false };
    for (std::size_t i = 0; i < std::size(all); ++i)
        EXPECT_EQ(optionSwitchState(settings, all[i]), startStates[i]) << i;

    for (std::size_t i = 0; i < std::size(all); ++i) {
        SettingsRecord flipped;
        const bool restart = setOptionSwitch(flipped, all[i], !startStates[i]);
        EXPECT_EQ(restart, all[i] == OptionSwitch::Filter) << "only the blur switch restarts the live view";
        for (std::size_t j = 0; j < std::size(all); ++j)
            EXPECT_EQ(optionSwitchState(flipped, all[j]), j == i ? !startStates[j] : startStates[j]) << i << " " << j;
    }

    // Integer options are stored as exactly 1 or 0.
    settings.lowRes = 7;
    setOptionSwitch(settings, OptionSwitch::LowRes, true);
    EXPECT_EQ(settings.lowRes, 1);
    setOptionSwitch(settings, OptionSwitch::Filter, true);
    EXPECT_TRUE(settings.filter);
    setOptionSwitch(settings, OptionSwitch::ChangeMirror, false);
    EXPECT_EQ(settings.changeMirror, 0);
}

} // namespace
