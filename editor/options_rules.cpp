#include "editor/options_rules.h"

#include <algorithm>

#include "presets/settings.h"

namespace {

// The option behind a check box.
constexpr bool SettingsRecord::*optionOf(OptionSwitch which)
{
    switch (which) {
    case OptionSwitch::Travel:
        return &SettingsRecord::travel;
    case OptionSwitch::ChangePresets:
        return &SettingsRecord::changePresets;
    case OptionSwitch::ChangeFormula:
        return &SettingsRecord::changeFormula;
    case OptionSwitch::ChangeMirror:
        return &SettingsRecord::changeMirror;
    case OptionSwitch::RandomStart:
        return &SettingsRecord::randomStart;
    case OptionSwitch::LowRes:
        return &SettingsRecord::lowRes;
    case OptionSwitch::Filter:
        return &SettingsRecord::filter;
    case OptionSwitch::Interlace:
        return &SettingsRecord::interlace;
    case OptionSwitch::FilterAuto:
        return &SettingsRecord::filterAuto;
    }
    return nullptr;
}

} // namespace

bool optionSwitchState(const SettingsRecord& settings, OptionSwitch which)
{
    const auto option = optionOf(which);
    return option && settings.*option;
}

bool setOptionSwitch(SettingsRecord& settings, OptionSwitch which, bool checked)
{
    if (const auto option = optionOf(which))
        settings.*option = checked;
    return which == OptionSwitch::Filter;
}

void stepOption(SettingsRecord& settings, OptionStep step)
{
    switch (step) {
    case OptionStep::IntervalFaster:
        settings.seconds = std::max(settings.seconds - kIntervalStep, kMinIntervalSeconds);
        break;
    case OptionStep::IntervalSlower:
        settings.seconds = std::min(settings.seconds + kIntervalStep, kMaxIntervalSeconds);
        break;
    case OptionStep::BlurIntervalFaster:
        settings.filterAutoSeconds = std::max(settings.filterAutoSeconds - kIntervalStep, kMinIntervalSeconds);
        break;
    case OptionStep::BlurIntervalSlower:
        // The blur interval goes round instead of stopping at its top.
        settings.filterAutoSeconds += kIntervalStep;
        if (settings.filterAutoSeconds > kMaxIntervalSeconds)
            settings.filterAutoSeconds = kMinIntervalSeconds;
        break;
    case OptionStep::SizeMinus:
        settings.scale = std::max(settings.scale - kAnimationScaleStep, kMinAnimationScale);
        break;
    case OptionStep::SizePlus:
        settings.scale = std::min(settings.scale + kAnimationScaleStep, kMaxAnimationScale);
        break;
    }
}

void roundScaleDown(SettingsRecord& settings)
{
    // The stored Scale is positive (the settings store keeps it at 10 or more).
    settings.scale -= settings.scale % kAnimationScaleStep;
}

std::string intervalCaption(int32_t seconds)
{
    return std::to_string(seconds) + " secs";
}

std::string animationSizeCaption(int32_t scale)
{
    return "Animation Size: " + std::to_string(scale) + "%";
}
