#pragma once

#include "presets/product.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

struct Preset;

// The options of a run, their start values and their storage: thirteen integers in
// the per-user key store, two folder strings beside them, and a binary settings file that
// also carries the current preset.

// The mirror modes, index 0 to 3 = SettingsRecord::mirror.
extern const std::array<const char*, 4> MirrorNames;

constexpr int32_t kMirrorCount = 4;
constexpr int32_t kFormulaCount = 20;
constexpr int32_t kApplyModeCount = 8;
constexpr double kStartSpeedStep = 9.6751e-06;

// applyModes entries: which shapes an editor change reaches.
enum ApplyMode : int32_t { kApplyGlobal = 0, kApplySelectedObject = 1, kApplySelectedShape = 2 };

struct SettingsRecord {
    // Stored in the key store's Values key under these names.
    int32_t scale = 75; // animation size in saver mode, percent
    bool changePresets = true; // change the preset automatically
    int32_t seconds = 10; // interval of the automatic changes
    bool travel = true; // travelling animation
    bool lowRes = false; // the saver switches to 640 x 480
    int32_t formula = 0; // motion formula 0..19; 0 is the classic one
    bool filter = false; // blur allowed
    bool interlace = true; // interlaced blur
    bool filterAuto = false; // blur switched on and off automatically
    int32_t filterAutoSeconds = 10; // interval of the blur changes
    bool changeFormula = true; // automatic changes also change the formula
    int32_t mirror = 1; // mirror effect, index into MirrorNames
    bool changeMirror = false; // automatic changes also advance the mirror

    // The Paths key: InstalledDir is only ever read, PresetsDir is written back.
    std::string installedDir;
    std::string presetsDir;

    // Stored in the settings file.
    bool randomStart = false; // the saver starts with a random preset
    double roundSpeedStep = kStartSpeedStep; // round-speed change per pixel of drag
    double radialSpeedStep = kStartSpeedStep; // radial-speed change per pixel of drag
    // Per parameter group (Master Size, Width, Height, Phong, Mirror, Ambient, Light Angle,
    // Shape Type): one of ApplyMode.
    std::array<int32_t, kApplyModeCount> applyModes { 0, 2, 2, 0, 0, 0, 0, 2 };
    // The settings file's last int32, kept as read and written back unchanged.
    int32_t reservedTail = 0;
};

// Every option and the preset's switches and speeds to their start values. The object
// table is not touched (it is created at start-up), unless it holds no stacks at all, in
// which case it gets the start-up scene.
void resetDefaults(SettingsRecord& options, Preset& preset);

// Reads the key store, then the settings file, into the options and the preset. On a
// user's first run (no key store yet) the Paths key and the user's presets folder are
// created first. A damaged settings file is taken as a missing one: the preset becomes a
// random preset of the presets folder. True when the settings file was read completely.
bool loadSettings(SettingsRecord& options, Preset& preset);
// Writes the thirteen values, PresetsDir (only when the Paths key exists) and the settings
// file. True when the settings file was written.
bool saveSettings(const SettingsRecord& options, const Preset& preset);

// The settings-file codec alone. readSettingsFile takes nothing unless the whole file is
// good: false on a wrong magic, a file cut short or a bad embedded preset, leaving the
// options and the preset as they were.
bool readSettingsFile(SettingsRecord& options, Preset& preset, std::istream& in);
// Writes the file's layout (2752 bytes with one stack per object). False when the stream fails.
bool writeSettingsFile(const SettingsRecord& options, const Preset& preset, std::ostream& out);

// <config home>/opal-revel/opalrevel.cfg
std::filesystem::path settingsFilePath();

// The "!!! CRITICAL ERROR " message for a missing Paths key goes through this handler: the
// GUI installs a modal message box (error icon, OK button); by default the message goes to
// standard error. An empty function restores the default.
using CriticalErrorHandler = std::function<void(const std::string& caption, const std::string& text)>;
void setCriticalErrorHandler(CriticalErrorHandler handler);
// The text and caption of the message.
std::string brokenRegistryText();
extern const std::string CriticalErrorCaption;
