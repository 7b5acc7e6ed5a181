#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

struct Preset;

// The process-wide options, their start values and their storage: thirteen integers in
// the per-user key store, two folder strings beside them, and a binary settings file that
// also carries the current preset.

constexpr std::string_view ProductName = "Opal Revel";
constexpr std::string_view ProductVersion = "2.0";
// Product name, a blank, version: the application title and the editor's caption.
extern const std::string ProductTitle;
// The mirror modes, index 0 to 3 = Settings.Mirror.
extern const std::array<const char*, 4> MirrorNames;

// Key paths of the store: base key + "Values" and base key + "Paths".
extern const std::string RegistryBaseKey; // "Software\Tallow Engines\Opal Revel\"
extern const std::string ValuesKeyPath;
extern const std::string PathsKeyPath;

constexpr int32_t kMirrorCount = 4;
constexpr int32_t kFormulaCount = 20;
constexpr int32_t kApplyModeCount = 8;
constexpr double kStartSpeedStep = 9.6751e-06;

// ApplyModes entries: which shapes an editor change reaches.
enum ApplyMode : int32_t { kApplyGlobal = 0, kApplySelectedObject = 1, kApplySelectedShape = 2 };

struct SettingsRecord {
    // Stored in the key store's Values key under these names.
    int32_t Scale = 75; // animation size in saver mode, percent
    int32_t DoChange = 1; // change the preset automatically
    int32_t Seconds = 10; // interval of the automatic changes
    int32_t Travel = 1; // travelling animation
    int32_t LowRes = 0; // the saver switches to 640 x 480
    int32_t Formula = 0; // motion formula 0..19; 0 is the classic one
    bool Filter = false; // blur allowed
    bool Interlace = true; // interlaced blur
    bool FiterAuto = false; // blur switched on and off automatically
    int32_t FiterAutoSeconds = 10; // interval of the blur changes
    int32_t ChangeFormula = 1; // automatic changes also change the formula
    int32_t Mirror = 1; // mirror effect, index into MirrorNames
    int32_t ChangeMirror = 0; // automatic changes also advance the mirror

    // The Paths key: InstalledDir is only ever read, PresetsDir is written back.
    std::string InstalledDir;
    std::string PresetsDir;

    // Stored in the settings file.
    int32_t RandomStart = 0; // the saver starts with a random preset
    double RoundSpeedStep = kStartSpeedStep; // round-speed change per pixel of drag
    double RadialSpeedStep = kStartSpeedStep; // radial-speed change per pixel of drag
    // Per parameter group (Master Size, Width, Height, Phong, Mirror, Ambient, Light Angle,
    // Shape Type): one of ApplyMode.
    std::array<int32_t, kApplyModeCount> ApplyModes { 0, 2, 2, 0, 0, 0, 0, 2 };
    // The settings file's last int32, kept as read and written back unchanged.
    int32_t ReservedTail = 0;
};

extern SettingsRecord Settings;

// Every option and the CurrentPreset switches and speeds to their start values. The object
// table is not touched (it is created at start-up), unless it holds no stacks at all, in
// which case it gets the start-up scene.
void ResetDefaults();

// Reads the key store, then the settings file, into Settings and the preset (always
// CurrentPreset). On a user's first run (no key store yet) the Paths key and the user's
// presets folder are created first. True when the settings file was read completely.
bool LoadSettings(Preset& preset);
// Writes the thirteen values, PresetsDir (only when the Paths key exists) and the settings
// file. True when the settings file was written.
bool SaveSettings(Preset& preset);

// The settings-file codec alone. ReadSettingsFile takes nothing unless the whole file is
// good: false on a wrong magic, a file cut short or a bad embedded preset, leaving
// Settings and the preset as they were.
bool ReadSettingsFile(Preset& preset, std::istream& in);
// Writes the file's layout (2752 bytes with one stack per object). False when the stream fails.
bool WriteSettingsFile(Preset& preset, std::ostream& out);

// <config home>/opal-revel/opalrevel.cfg
std::filesystem::path SettingsFilePath();

// The "!!! CRITICAL ERROR " message for a missing Paths key goes through this handler: the
// GUI installs a modal message box (error icon, OK button); by default the message goes to
// standard error. An empty function restores the default.
using CriticalErrorHandler = std::function<void(const std::string& caption, const std::string& text)>;
void SetCriticalErrorHandler(CriticalErrorHandler handler);
// The text and caption of the message.
std::string BrokenRegistryText();
extern const std::string CriticalErrorCaption;
