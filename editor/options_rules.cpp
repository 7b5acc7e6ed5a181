#include "editor/options_rules.h"

#include <algorithm>

#include "presets/settings.h"

namespace {

// The option behind a check box: the integer ones are stored as 0/1, the blur ones as bool.
struct SwitchOption {
    int32_t SettingsRecord::*integer = nullptr;
    bool SettingsRecord::*boolean = nullptr;
};

constexpr SwitchOption optionOf(OptionSwitch which)
{
    switch (which) {
    case OptionSwitch::Travel:
        return { .integer = &SettingsRecord::Travel };
    case OptionSwitch::DoChange:
        return { .integer = &SettingsRecord::DoChange };
    case OptionSwitch::ChangeFormula:
        return { .integer = &SettingsRecord::ChangeFormula };
    case OptionSwitch::ChangeMirror:
        return { .integer = &SettingsRecord::ChangeMirror };
    case OptionSwitch::RandomStart:
        return { .integer = &SettingsRecord::RandomStart };
    case OptionSwitch::LowRes:
        return { .integer = &SettingsRecord::LowRes };
    case OptionSwitch::Filter:
        return { .boolean = &SettingsRecord::Filter };
    case OptionSwitch::Interlace:
        return { .boolean = &SettingsRecord::Interlace };
    case OptionSwitch::FiterAuto:
        return { .boolean = &SettingsRecord::FiterAuto };
    }
    return {};
}

} // namespace

bool OptionSwitchState(const SettingsRecord& settings, OptionSwitch which)
{
    const SwitchOption option = optionOf(which);
    if (option.integer)
        return settings.*option.integer != 0;
    return option.boolean && settings.*option.boolean;
}

bool SetOptionSwitch(SettingsRecord& settings, OptionSwitch which, bool checked)
{
    const SwitchOption option = optionOf(which);
    if (option.integer)
        settings.*option.integer = checked ? 1 : 0;
    else if (option.boolean)
        settings.*option.boolean = checked;
    return which == OptionSwitch::Filter;
}

void StepOption(SettingsRecord& settings, OptionStep step)
{
    switch (step) {
    case OptionStep::IntervalFaster:
        settings.Seconds = std::max(settings.Seconds - kIntervalStep, kMinIntervalSeconds);
        break;
    case OptionStep::IntervalSlower:
        settings.Seconds = std::min(settings.Seconds + kIntervalStep, kMaxIntervalSeconds);
        break;
    case OptionStep::BlurIntervalFaster:
        settings.FiterAutoSeconds = std::max(settings.FiterAutoSeconds - kIntervalStep, kMinIntervalSeconds);
        break;
    case OptionStep::BlurIntervalSlower:
        // The blur interval goes round instead of stopping at its top.
        settings.FiterAutoSeconds += kIntervalStep;
        if (settings.FiterAutoSeconds > kMaxIntervalSeconds)
            settings.FiterAutoSeconds = kMinIntervalSeconds;
        break;
    case OptionStep::SizeMinus:
        settings.Scale = std::max(settings.Scale - kAnimationScaleStep, kMinAnimationScale);
        break;
    case OptionStep::SizePlus:
        settings.Scale = std::min(settings.Scale + kAnimationScaleStep, kMaxAnimationScale);
        break;
    }
}

void RoundScaleDown(SettingsRecord& settings)
{
    // The stored Scale is positive (the settings store keeps it at 10 or more).
    settings.Scale -= settings.Scale % kAnimationScaleStep;
}

std::string IntervalCaption(int32_t seconds)
{
    return std::to_string(seconds) + " secs";
}

std::string AnimationSizeCaption(int32_t scale)
{
    return "Animation Size: " + std::to_string(scale) + "%";
}
