#pragma once

#include <cstdint>
#include <string>

struct SettingsRecord;

// The rules behind the editor's Options tab: which option each check box shows, how the
// "Faster"/"Slower" and "-"/"+" buttons step their option and where they stop, and the
// captions of the three value displays. The window only forwards clicks here and shows the
// result; a click and a double click are forwarded alike, so a double click steps twice.

// The nine check boxes of the tab, in the order the page shows them.
enum class OptionSwitch {
    Travel, // "Travelling animation"
    ChangePresets, // "Change Preset"
    ChangeFormula, // "Change Formula"
    ChangeMirror, // "Change Mirror"
    RandomStart, // "Start with random preset"
    LowRes, // "Switch to 640x480"
    Filter, // "Allow blur"
    Interlace, // "Interlaced "
    FilterAuto, // "Auto change"
};

bool optionSwitchState(const SettingsRecord& settings, OptionSwitch which);
// Copies a check box's new state into its option (1/true or 0/false). True when the change
// needs the live view restarted: the renderer's frame size depends on Filter.
bool setOptionSwitch(SettingsRecord& settings, OptionSwitch which, bool checked);

// The six step buttons.
enum class OptionStep {
    IntervalFaster, // Seconds - 5, not below 5
    IntervalSlower, // Seconds + 5, not above 120
    BlurIntervalFaster, // filterAutoSeconds - 5, not below 5
    BlurIntervalSlower, // filterAutoSeconds + 5; past 120 it starts again at 5
    SizeMinus, // Scale - 5, not below 50
    SizePlus, // Scale + 5, not above 95
};

constexpr int32_t kMinIntervalSeconds = 5;
constexpr int32_t kMaxIntervalSeconds = 120;
constexpr int32_t kIntervalStep = 5;
constexpr int32_t kMinAnimationScale = 50;
constexpr int32_t kMaxAnimationScale = 95;
constexpr int32_t kAnimationScaleStep = 5;

// Applies one step to its option.
void stepOption(SettingsRecord& settings, OptionStep step);

// What refreshOptions does to Scale before showing it: rounded down to a multiple of 5 and
// stored back (77 becomes 75).
void roundScaleDown(SettingsRecord& settings);

// "10 secs" for the two interval displays; "Animation Size: 75%".
std::string intervalCaption(int32_t seconds);
std::string animationSizeCaption(int32_t scale);
