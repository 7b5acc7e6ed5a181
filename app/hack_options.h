#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SettingsRecord;

// The command line of a desktop screen-saver daemon's "hack": long options that start with
// "--", as XScreenSaver runs its display modes. They live beside the host switches (/s, /p,
// /c, /a), which keep their meaning: a command line whose first argument starts with "--"
// is read as options here, and every argument of it must then be an option; any other
// command line is the host's switch. So "/s --preset x" is the saver (the switch wins and
// the rest is ignored, as for every switch), while "--root /s" is refused.
//
// Every option may also be written "--name=value".

enum class HackTarget {
    None, // no drawing target given: refused by ParseHackOptions unless --help was asked for
    Root, // --root: the daemon's window from XSCREENSAVER_WINDOW, or every screen
    Window, // --window-id ID: a window that someone else owns (the settings dialog's preview);
            // it wins over --root when both are given
    Record, // --record FILE: no window; the animation goes into FILE, headless
    Wallpaper, // --wallpaper: behind everything on every output, without input (Wayland's
               // background layer, or a desktop-type window per X11 screen)
};

// "random" for --formula and --mirror.
constexpr int kRandomChoice = -1;

constexpr int kMinimumScalePercent = 10;
constexpr int kMaximumScalePercent = 100;
constexpr int kMaximumChangeSeconds = 3600;
// The wallpaper's --rate: the sprite rate in percent of the saver's.
constexpr int kMinimumRatePercent = 1;
constexpr int kMaximumRatePercent = 100;
constexpr int kDefaultWallpaperRatePercent = 25;

// The recorder's limits and its values when they are not given.
constexpr int kMaximumRecordSide = 16384;
constexpr int kMaximumRecordSeconds = 3600;
constexpr int kMaximumRecordSprites = 100'000'000;
constexpr int kMaximumRecordFps = 30;
constexpr int kDefaultRecordWidth = 640;
constexpr int kDefaultRecordHeight = 480;
constexpr int kDefaultRecordSeconds = 5;
constexpr int kDefaultRecordFps = 30;

// Options for one run; each one that is given overrides the stored option for this run only.
struct HackOptions {
    HackTarget target = HackTarget::None;
    uint32_t windowId = 0; // with HackTarget::Window
    std::optional<std::string> preset; // a preset's name, a file with a "/" in it, or "random"
    std::optional<int> formula; // 0..19 or kRandomChoice
    std::optional<int> mirror; // 0..3 or kRandomChoice
    std::optional<bool> blur;
    std::optional<bool> travel;
    std::optional<int> changeSeconds; // 0: no automatic change
    std::optional<int> scalePercent;
    // With HackTarget::Record: the file (its extension chooses the format), the picture's
    // size, how long to record (seconds, or sprites drawn; never both) and the frame rate.
    // The last four are refused without --record.
    std::string recordFile;
    std::optional<int> recordWidth;
    std::optional<int> recordHeight;
    std::optional<int> recordSeconds;
    std::optional<int> recordSprites;
    std::optional<int> recordFps;
    std::optional<int> ratePercent; // the wallpaper's sprite rate
    bool help = false;
};

struct HackParseResult {
    bool ok = false;
    HackOptions options;
    std::string error; // one line, without the program's name, when !ok
};

// True when the arguments after the program's name are to be read as options: the first
// one starts with "--".
bool isHackCommandLine(const std::vector<std::string>& arguments);

// The first option among the arguments that chooses a run's mode (--root, --window-id,
// --record, --wallpaper), as written without its value; empty when there is none.
std::string firstModeOption(const std::vector<std::string>& arguments);

// Reads the arguments after the program's name. Out-of-range, malformed or unknown values,
// a missing value, no target or two targets (other than --root with --window-id) give !ok and a one-line reason in which
// control characters of the offending argument are shown escaped.
HackParseResult parseHackOptions(const std::vector<std::string>& arguments);

// An X11 window id as XScreenSaver writes it: "0x" and hexadecimal digits, or decimal
// digits; nothing else around it. Ids are 32-bit and never 0.
std::optional<uint32_t> parseWindowId(std::string_view text);

// The options' effect on the stored options (not the preset, which needs the file system).
// `random` answers a uniformly spread 32-bit number for the "random" choices. A change
// period of 0 switches off both automatic changes; a positive one sets the interval and
// keeps the stored choice of what changes.
void applyHackOptions(const HackOptions& options, SettingsRecord& settings, const std::function<uint32_t()>& random);

// The preset file that --preset names, given the presets folder: an argument with a "/" in
// it is a file path taken as it is; any other is the name of a preset in the folder, with
// or without its ".vhp" ending, in any case (an exact match first). Empty when the folder
// holds no such preset.
std::optional<std::filesystem::path> findPresetArgument(const std::string& argument, const std::string& presetsFolder);

// An argument as it may appear inside a one-line message: quoted, cut short when long, with
// every byte that is not printable ASCII written as \xNN.
std::string quoteArgument(std::string_view text);

// The text --help prints.
std::string hackUsage();
