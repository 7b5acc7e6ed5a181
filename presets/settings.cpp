#include "presets/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/key_store.h"
#include "platform/regular_file.h"
#include "platform/user_folders.h"
#include "presets/first_run.h"
#include "presets/preset.h"
#include "presets/stored_bytes.h"

namespace {

constexpr uint8_t kSettingsMagic[8] = { '_', 'Q', 'R', 'T', 'C', 'F', 'G', '_' };
constexpr std::size_t kApplyModesBytes = 4 * kApplyModeCount;
constexpr std::size_t kReservedBytes = 56;
constexpr std::size_t kTailBytes = 24; // two speed steps, randomStart, the reserved int32
// The layout with the largest preset block there can be.
constexpr std::size_t kMaxSettingsFileBytes
    = sizeof kSettingsMagic + kApplyModesBytes + presetBlockBytes(kMaxStacksPerObject) + kReservedBytes + kTailBytes;

// The thirteen integers of the Values key in the order they are read.
constexpr const char* kValueNamesInReadOrder[] = { "Scale", "DoChange", "Seconds", "Travel", "LowRes", "Filter",
    "Interlace", "Formula", "FiterAuto", "FiterAutoSeconds", "ChangeFormula", "Mirror", "ChangeMirror" };
constexpr int kValueCount = 13;

// A Scale outside these bounds is cut to them: sizes beyond the editor's 50..95 are kept
// (the renderer clips), but not a negative or absurd animation size.
constexpr int32_t kMinStoredScale = 10;
constexpr int32_t kMaxStoredScale = 200;
// Intervals are cut to one second .. one day: a zero or negative interval would change the
// picture on every frame, and a huge one would overflow the clock arithmetic.
constexpr int32_t kMinStoredSeconds = 1;
constexpr int32_t kMaxStoredSeconds = 86400;

enum class FileRead { Good, WrongMagic, Damaged };

CriticalErrorHandler criticalErrorHandler;

void reportCriticalError(const std::string& caption, const std::string& text)
{
    if (criticalErrorHandler)
        criticalErrorHandler(caption, text);
    else
        std::fprintf(stderr, "%s%s\n", caption.c_str(), text.c_str());
}

int32_t flag(int32_t value)
{
    return value != 0 ? 1 : 0;
}

// Takes the thirteen values as read (in read order) into the options, each kept to a range
// in which no later use can index out of bounds.
void applyStoredValues(SettingsRecord& options, const int32_t (&values)[kValueCount])
{
    options.scale = std::clamp(values[0], kMinStoredScale, kMaxStoredScale);
    options.changePresets = flag(values[1]);
    options.seconds = std::clamp(values[2], kMinStoredSeconds, kMaxStoredSeconds);
    options.travel = flag(values[3]);
    options.lowRes = flag(values[4]);
    options.filter = values[5] != 0;
    options.interlace = values[6] != 0;
    options.formula = std::clamp(values[7], 0, kFormulaCount - 1);
    options.filterAuto = values[8] != 0;
    options.filterAutoSeconds = std::clamp(values[9], kMinStoredSeconds, kMaxStoredSeconds);
    options.changeFormula = flag(values[10]);
    options.mirror = std::clamp(values[11], 0, kMirrorCount - 1);
    options.changeMirror = flag(values[12]);
}

// All or nothing: a key that does not open, a value that is missing or not an integer, or
// a Scale of 0 leaves all thirteen at their current values.
void loadValues(SettingsRecord& options, KeyStore& store)
{
    const KeyHandle key = store.openKey(ValuesKeyPath, false);
    if (key == kNoKey)
        return;
    int32_t values[kValueCount] = {};
    bool complete = true;
    for (int i = 0; i < kValueCount && complete; ++i)
        complete = store.readInteger(key, kValueNamesInReadOrder[i], values[i]) == ValueRead::Ok;
    store.closeKey(key);
    if (complete && values[0] != 0)
        applyStoredValues(options, values);
}

void loadPaths(SettingsRecord& options, KeyStore& store)
{
    options.installedDir.clear();
    options.presetsDir.clear();
    const KeyHandle key = store.openKey(PathsKeyPath, false);
    if (key == kNoKey) {
        // A store that could not be read at all is not one without the key: reinstalling
        // would not help, so the message says what is wrong instead.
        const std::string problem = store.problem();
        reportCriticalError(CriticalErrorCaption,
            problem.empty() ? brokenRegistryText() : std::string(ProductName) + " cannot read its settings: " + problem);
        return;
    }
    // A missing value, or one of another type, reads as the empty string.
    if (store.readString(key, "InstalledDir", options.installedDir) != ValueRead::Ok)
        options.installedDir.clear();
    if (store.readString(key, "PresetsDir", options.presetsDir) != ValueRead::Ok)
        options.presetsDir.clear();
    store.closeKey(key);
}

// A speed step of 0.0 (or one that is not a finite number) takes the start value.
double speedStep(double stored)
{
    return (stored == 0.0 || !std::isfinite(stored)) ? kStartSpeedStep : stored;
}

FileRead readSettingsFileChecked(SettingsRecord& options, Preset& preset, std::istream& in)
{
    // A file too short to hold the magic (or one that cannot be read at all) is damaged
    // rather than foreign.
    uint8_t magic[sizeof kSettingsMagic];
    if (!readExactly(in, magic, sizeof magic))
        return FileRead::Damaged;
    if (!std::equal(magic, magic + sizeof magic, kSettingsMagic))
        return FileRead::WrongMagic;

    // Everything is read before anything is taken, so a file cut short changes nothing.
    uint8_t applyModes[kApplyModesBytes];
    if (!readExactly(in, applyModes, sizeof applyModes))
        return FileRead::Damaged;
    Preset fresh;
    if (!readPreset(fresh, in))
        return FileRead::Damaged;
    uint8_t reserved[kReservedBytes];
    uint8_t tail[kTailBytes];
    if (!readExactly(in, reserved, sizeof reserved) || !readExactly(in, tail, sizeof tail))
        return FileRead::Damaged;

    const SettingsRecord start;
    for (int i = 0; i < kApplyModeCount; ++i) {
        const int32_t mode = getLeInt32(applyModes + 4 * i);
        // An unknown strategy takes the start value of its entry.
        options.applyModes[i] = (mode >= kApplyGlobal && mode <= kApplySelectedShape) ? mode : start.applyModes[i];
    }
    std::swap(preset, fresh);
    options.roundSpeedStep = speedStep(getLeDouble(tail));
    options.radialSpeedStep = speedStep(getLeDouble(tail + 8));
    options.randomStart = flag(getLeInt32(tail + 16));
    options.reservedTail = getLeInt32(tail + 20);
    return FileRead::Good;
}

} // namespace

const std::array<const char*, 4> MirrorNames = { "None", "Horiz.", "Vert.", "Diag." };
const std::string CriticalErrorCaption = "!!! CRITICAL ERROR ";

std::string brokenRegistryText()
{
    return std::string(ProductName) + " Registry Data Entries are BROKEN. Please reinstall " + std::string(ProductName);
}

void setCriticalErrorHandler(CriticalErrorHandler handler)
{
    criticalErrorHandler = std::move(handler);
}

std::filesystem::path settingsFilePath()
{
    return opalConfigFolder() / "opalrevel.cfg";
}

void resetDefaults(SettingsRecord& options, Preset& preset)
{
    options = SettingsRecord {};
    preset.objectEnabled.fill(1);
    preset.roundSpeed = kStartRoundSpeed;
    preset.radialSpeed = kStartRadialSpeed;
    // The renderer and the editor need slot 0 of every object.
    const bool tableFilled = std::all_of(preset.objects.stacks.begin(), preset.objects.stacks.end(),
        [](const auto& row) { return row[0] != nullptr; });
    if (!tableFilled)
        newObjectTable(preset.objects);
}

bool readSettingsFile(SettingsRecord& options, Preset& preset, std::istream& in)
{
    return readSettingsFileChecked(options, preset, in) == FileRead::Good;
}

bool writeSettingsFile(const SettingsRecord& options, const Preset& preset, std::ostream& out)
{
    uint8_t head[sizeof kSettingsMagic + kApplyModesBytes];
    std::copy(kSettingsMagic, kSettingsMagic + sizeof kSettingsMagic, head);
    for (int i = 0; i < kApplyModeCount; ++i)
        putLeInt32(head + sizeof kSettingsMagic + 4 * i, options.applyModes[i]);
    if (!writeBytes(out, head, sizeof head) || !writePreset(preset, out))
        return false;

    uint8_t tail[kReservedBytes + kTailBytes] = {};
    putLeDouble(tail + kReservedBytes, options.roundSpeedStep);
    putLeDouble(tail + kReservedBytes + 8, options.radialSpeedStep);
    putLeInt32(tail + kReservedBytes + 16, options.randomStart);
    putLeInt32(tail + kReservedBytes + 20, options.reservedTail);
    return writeBytes(out, tail, sizeof tail);
}

bool loadSettings(SettingsRecord& options, Preset& preset)
{
    const std::unique_ptr<KeyStore> store = openUserKeyStore();
    runFirstRunStep(*store, keyStoreFilePath(), installedDataFolder(), defaultPresetsFolder(), fallbackPresetsFolder());
    loadValues(options, *store);
    loadPaths(options, *store);

    // Only a regular file is read, so that a pipe in its place cannot stop the start. Bytes
    // beyond the layout are never looked at.
    std::string bytes;
    const RegularFileRead read = readRegularFile(settingsFilePath(), kMaxSettingsFileBytes, bytes);
    std::istringstream in(bytes, std::ios::binary);
    FileRead result
        = (read == RegularFileRead::Ok || read == RegularFileRead::TooLarge) ? readSettingsFileChecked(options, preset, in) : FileRead::Damaged;
    // A file cut short or with a broken preset block counts as missing: nothing of it is
    // taken and a random preset is shown, as on a run without a settings file.
    if (result == FileRead::Damaged)
        loadRandomPreset(options.presetsDir, preset);
    return result == FileRead::Good;
}

bool saveSettings(const SettingsRecord& options, const Preset& preset)
{
    const std::unique_ptr<KeyStore> store = openUserKeyStore();
    if (const KeyHandle key = store->openKey(ValuesKeyPath, true); key != kNoKey) {
        const int32_t values[]
            = { options.scale, options.changePresets, options.seconds, options.travel, options.lowRes, options.formula,
                  options.filter ? 1 : 0, options.interlace ? 1 : 0, options.filterAuto ? 1 : 0,
                  options.filterAutoSeconds, options.changeFormula, options.mirror, options.changeMirror };
        constexpr const char* kNamesInWriteOrder[] = { "Scale", "DoChange", "Seconds", "Travel", "LowRes", "Formula",
            "Filter", "Interlace", "FiterAuto", "FiterAutoSeconds", "ChangeFormula", "Mirror", "ChangeMirror" };
        for (int i = 0; i < kValueCount; ++i)
            store->writeInteger(key, kNamesInWriteOrder[i], values[i]);
        store->closeKey(key);
    }
    // The Paths key is the installer's (here the first run's); only PresetsDir is written, and
    // only into a key that exists.
    if (const KeyHandle key = store->openKey(PathsKeyPath, false); key != kNoKey) {
        store->writeString(key, "PresetsDir", options.presetsDir);
        store->closeKey(key);
    }

    std::ostringstream out(std::ios::binary);
    return writeSettingsFile(options, preset, out) && ensureFolder(opalConfigFolder())
        && writeFileAtomically(settingsFilePath(), out.view());
}
