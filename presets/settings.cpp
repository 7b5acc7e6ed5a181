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
constexpr std::size_t kTailBytes = 24; // two speed steps, RandomStart, the reserved int32
// The layout with the largest preset block there can be.
constexpr std::size_t kMaxSettingsFileBytes
    = sizeof kSettingsMagic + kApplyModesBytes + PresetBlockBytes(kMaxStacksPerObject) + kReservedBytes + kTailBytes;

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

// Takes the thirteen values as read (in read order) into Settings, each kept to a range
// in which no later use can index out of bounds.
void applyStoredValues(const int32_t (&values)[kValueCount])
{
    Settings.Scale = std::clamp(values[0], kMinStoredScale, kMaxStoredScale);
    Settings.DoChange = flag(values[1]);
    Settings.Seconds = std::clamp(values[2], kMinStoredSeconds, kMaxStoredSeconds);
    Settings.Travel = flag(values[3]);
    Settings.LowRes = flag(values[4]);
    Settings.Filter = values[5] != 0;
    Settings.Interlace = values[6] != 0;
    Settings.Formula = std::clamp(values[7], 0, kFormulaCount - 1);
    Settings.FiterAuto = values[8] != 0;
    Settings.FiterAutoSeconds = std::clamp(values[9], kMinStoredSeconds, kMaxStoredSeconds);
    Settings.ChangeFormula = flag(values[10]);
    Settings.Mirror = std::clamp(values[11], 0, kMirrorCount - 1);
    Settings.ChangeMirror = flag(values[12]);
}

// All or nothing: a key that does not open, a value that is missing or not an integer, or
// a Scale of 0 leaves all thirteen at their current values.
void loadValues(KeyStore& store)
{
    const KeyHandle key = store.OpenKey(ValuesKeyPath, false);
    if (key == kNoKey)
        return;
    int32_t values[kValueCount] = {};
    bool complete = true;
    for (int i = 0; i < kValueCount && complete; ++i)
        complete = store.ReadInteger(key, kValueNamesInReadOrder[i], values[i]) == ValueRead::Ok;
    store.CloseKey(key);
    if (complete && values[0] != 0)
        applyStoredValues(values);
}

void loadPaths(KeyStore& store)
{
    Settings.InstalledDir.clear();
    Settings.PresetsDir.clear();
    const KeyHandle key = store.OpenKey(PathsKeyPath, false);
    if (key == kNoKey) {
        // A store that could not be read at all is not one without the key: reinstalling
        // would not help, so the message says what is wrong instead.
        const std::string problem = store.Problem();
        reportCriticalError(CriticalErrorCaption,
            problem.empty() ? BrokenRegistryText() : std::string(ProductName) + " cannot read its settings: " + problem);
        return;
    }
    // A missing value, or one of another type, reads as the empty string.
    if (store.ReadString(key, "InstalledDir", Settings.InstalledDir) != ValueRead::Ok)
        Settings.InstalledDir.clear();
    if (store.ReadString(key, "PresetsDir", Settings.PresetsDir) != ValueRead::Ok)
        Settings.PresetsDir.clear();
    store.CloseKey(key);
}

// A speed step of 0.0 (or one that is not a finite number) takes the start value.
double speedStep(double stored)
{
    return (stored == 0.0 || !std::isfinite(stored)) ? kStartSpeedStep : stored;
}

FileRead readSettingsFile(Preset& preset, std::istream& in)
{
    // A file too short to hold the magic (or one that cannot be read at all) is damaged
    // rather than foreign.
    uint8_t magic[sizeof kSettingsMagic];
    if (!ReadExactly(in, magic, sizeof magic))
        return FileRead::Damaged;
    if (!std::equal(magic, magic + sizeof magic, kSettingsMagic))
        return FileRead::WrongMagic;

    // Everything is read before anything is taken, so a file cut short changes nothing.
    uint8_t applyModes[kApplyModesBytes];
    if (!ReadExactly(in, applyModes, sizeof applyModes))
        return FileRead::Damaged;
    Preset fresh;
    if (!ReadPreset(fresh, in))
        return FileRead::Damaged;
    uint8_t reserved[kReservedBytes];
    uint8_t tail[kTailBytes];
    if (!ReadExactly(in, reserved, sizeof reserved) || !ReadExactly(in, tail, sizeof tail))
        return FileRead::Damaged;

    const SettingsRecord start;
    for (int i = 0; i < kApplyModeCount; ++i) {
        const int32_t mode = GetLeInt32(applyModes + 4 * i);
        // An unknown strategy takes the start value of its entry.
        Settings.ApplyModes[i] = (mode >= kApplyGlobal && mode <= kApplySelectedShape) ? mode : start.ApplyModes[i];
    }
    std::swap(preset, fresh);
    Settings.RoundSpeedStep = speedStep(GetLeDouble(tail));
    Settings.RadialSpeedStep = speedStep(GetLeDouble(tail + 8));
    Settings.RandomStart = flag(GetLeInt32(tail + 16));
    Settings.ReservedTail = GetLeInt32(tail + 20);
    return FileRead::Good;
}

} // namespace

const std::string ProductTitle = std::string(ProductName) + " " + std::string(ProductVersion);
const std::array<const char*, 4> MirrorNames = { "None", "Horiz.", "Vert.", "Diag." };
const std::string RegistryBaseKey = "Software\\Tallow Engines\\" + std::string(ProductName) + "\\";
const std::string ValuesKeyPath = RegistryBaseKey + "Values";
const std::string PathsKeyPath = RegistryBaseKey + "Paths";
const std::string CriticalErrorCaption = "!!! CRITICAL ERROR ";

SettingsRecord Settings;

std::string BrokenRegistryText()
{
    return std::string(ProductName) + " Registry Data Entries are BROKEN. Please reinstall " + std::string(ProductName);
}

void SetCriticalErrorHandler(CriticalErrorHandler handler)
{
    criticalErrorHandler = std::move(handler);
}

std::filesystem::path SettingsFilePath()
{
    return OpalConfigFolder() / "opalrevel.cfg";
}

void ResetDefaults()
{
    Settings = SettingsRecord {};
    CurrentPreset.ObjectEnabled.fill(1);
    CurrentPreset.RoundSpeed = kStartRoundSpeed;
    CurrentPreset.RadialSpeed = kStartRadialSpeed;
    // The renderer and the editor need slot 0 of every object.
    const bool tableFilled = std::all_of(CurrentPreset.Objects.Stacks.begin(), CurrentPreset.Objects.Stacks.end(),
        [](const auto& row) { return row[0] != nullptr; });
    if (!tableFilled)
        NewObjectTable(CurrentPreset.Objects);
}

bool ReadSettingsFile(Preset& preset, std::istream& in)
{
    return readSettingsFile(preset, in) == FileRead::Good;
}

bool WriteSettingsFile(Preset& preset, std::ostream& out)
{
    uint8_t head[sizeof kSettingsMagic + kApplyModesBytes];
    std::copy(kSettingsMagic, kSettingsMagic + sizeof kSettingsMagic, head);
    for (int i = 0; i < kApplyModeCount; ++i)
        PutLeInt32(head + sizeof kSettingsMagic + 4 * i, Settings.ApplyModes[i]);
    if (!WriteBytes(out, head, sizeof head) || !WritePreset(preset, out))
        return false;

    uint8_t tail[kReservedBytes + kTailBytes] = {};
    PutLeDouble(tail + kReservedBytes, Settings.RoundSpeedStep);
    PutLeDouble(tail + kReservedBytes + 8, Settings.RadialSpeedStep);
    PutLeInt32(tail + kReservedBytes + 16, Settings.RandomStart);
    PutLeInt32(tail + kReservedBytes + 20, Settings.ReservedTail);
    return WriteBytes(out, tail, sizeof tail);
}

bool LoadSettings(Preset& preset)
{
    const std::unique_ptr<KeyStore> store = OpenUserKeyStore();
    RunFirstRunStep(*store, KeyStoreFilePath(), InstalledDataFolder(), DefaultPresetsFolder(), FallbackPresetsFolder());
    loadValues(*store);
    loadPaths(*store);

    // Only a regular file is read, so that a pipe in its place cannot stop the start. Bytes
    // beyond the layout are never looked at.
    std::string bytes;
    const RegularFileRead read = ReadRegularFile(SettingsFilePath(), kMaxSettingsFileBytes, bytes);
    std::istringstream in(bytes, std::ios::binary);
    FileRead result
        = (read == RegularFileRead::Ok || read == RegularFileRead::TooLarge) ? readSettingsFile(preset, in) : FileRead::Damaged;
    // A file cut short or with a broken preset block counts as missing: nothing of it is
    // taken and a random preset is shown, as on a run without a settings file.
    if (result == FileRead::Damaged)
        LoadRandomPreset();
    return result == FileRead::Good;
}

bool SaveSettings(Preset& preset)
{
    const std::unique_ptr<KeyStore> store = OpenUserKeyStore();
    if (const KeyHandle key = store->OpenKey(ValuesKeyPath, true); key != kNoKey) {
        const int32_t values[]
            = { Settings.Scale, Settings.DoChange, Settings.Seconds, Settings.Travel, Settings.LowRes, Settings.Formula,
                  Settings.Filter ? 1 : 0, Settings.Interlace ? 1 : 0, Settings.FiterAuto ? 1 : 0,
                  Settings.FiterAutoSeconds, Settings.ChangeFormula, Settings.Mirror, Settings.ChangeMirror };
        constexpr const char* kNamesInWriteOrder[] = { "Scale", "DoChange", "Seconds", "Travel", "LowRes", "Formula",
            "Filter", "Interlace", "FiterAuto", "FiterAutoSeconds", "ChangeFormula", "Mirror", "ChangeMirror" };
        for (int i = 0; i < kValueCount; ++i)
            store->WriteInteger(key, kNamesInWriteOrder[i], values[i]);
        store->CloseKey(key);
    }
    // The Paths key is the installer's (here the first run's); only PresetsDir is written, and
    // only into a key that exists.
    if (const KeyHandle key = store->OpenKey(PathsKeyPath, false); key != kNoKey) {
        store->WriteString(key, "PresetsDir", Settings.PresetsDir);
        store->CloseKey(key);
    }

    std::ostringstream out(std::ios::binary);
    return WriteSettingsFile(preset, out) && EnsureFolder(OpalConfigFolder())
        && WriteFileAtomically(SettingsFilePath(), out.view());
}
