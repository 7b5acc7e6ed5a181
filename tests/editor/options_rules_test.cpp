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
        return settings.Seconds;
    case OptionStep::BlurIntervalFaster:
    case OptionStep::BlurIntervalSlower:
        return settings.FiterAutoSeconds;
    default:
        return settings.Scale;
    }
}

class OptionSteps : public ::testing::TestWithParam<StepCase> { };

TEST_P(OptionSteps, StepWithinItsBound)
{
    SettingsRecord settings;
    stepped(settings, GetParam().step) = GetParam().before;
    const SettingsRecord untouched = settings;
    StepOption(settings, GetParam().step);
    EXPECT_EQ(stepped(settings, GetParam().step), GetParam().after);
    // Only the stepped option moves.
    stepped(settings, GetParam().step) = GetParam().before;
    EXPECT_EQ(settings.Seconds, untouched.Seconds);
    EXPECT_EQ(settings.FiterAutoSeconds, untouched.FiterAutoSeconds);
    EXPECT_EQ(settings.Scale, untouched.Scale);
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
    settings.Seconds = 60;
    StepOption(settings, OptionStep::IntervalFaster);
    StepOption(settings, OptionStep::IntervalFaster);
    EXPECT_EQ(settings.Seconds, 50);
    EXPECT_EQ(IntervalCaption(settings.Seconds), "50 secs");
}

TEST(OptionRules, ScaleIsRoundedDownAndStoredBack)
{
    SettingsRecord settings;
    for (const auto& [stored, shown] : { std::pair { 77, 75 }, { 75, 75 }, { 99, 95 }, { 10, 10 }, { 14, 10 }, { 200, 200 } }) {
        settings.Scale = stored;
        RoundScaleDown(settings);
        EXPECT_EQ(settings.Scale, shown) << stored;
    }
    settings.Scale = 77;
    RoundScaleDown(settings);
    EXPECT_EQ(AnimationSizeCaption(settings.Scale), "Animation Size: 75%");
}

TEST(OptionRules, EachSwitchShowsAndSetsItsOwnOption)
{
    const OptionSwitch all[] = { OptionSwitch::Travel, OptionSwitch::DoChange, OptionSwitch::ChangeFormula,
        OptionSwitch::ChangeMirror, OptionSwitch::RandomStart, OptionSwitch::LowRes, OptionSwitch::Filter,
        OptionSwitch::Interlace, OptionSwitch::FiterAuto };
    SettingsRecord settings;
    // Start values: Travel, DoChange, ChangeFormula and Interlace on, the others off.
    const bool startStates[] = { true, true, true, false, false, false, false, true, false };
    for (std::size_t i = 0; i < std::size(all); ++i)
        EXPECT_EQ(OptionSwitchState(settings, all[i]), startStates[i]) << i;

    for (std::size_t i = 0; i < std::size(all); ++i) {
        SettingsRecord flipped;
        const bool restart = SetOptionSwitch(flipped, all[i], !startStates[i]);
        EXPECT_EQ(restart, all[i] == OptionSwitch::Filter) << "only the blur switch restarts the live view";
        for (std::size_t j = 0; j < std::size(all); ++j)
            EXPECT_EQ(OptionSwitchState(flipped, all[j]), j == i ? !startStates[j] : startStates[j]) << i << " " << j;
    }

    // Integer options are stored as exactly 1 or 0.
    settings.LowRes = 7;
    SetOptionSwitch(settings, OptionSwitch::LowRes, true);
    EXPECT_EQ(settings.LowRes, 1);
    SetOptionSwitch(settings, OptionSwitch::Filter, true);
    EXPECT_TRUE(settings.Filter);
    SetOptionSwitch(settings, OptionSwitch::ChangeMirror, false);
    EXPECT_EQ(settings.ChangeMirror, 0);
}

} // namespace
