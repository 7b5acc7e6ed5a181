#include "tests/presets/preset_fixture.h"

#include <cmath>
#include <fstream>
#include <sys/stat.h>

#include "platform/key_store.h"
#include "platform/user_folders.h"
#include "presets/first_run.h"
#include "presets/stored_bytes.h"

namespace {

constexpr const char* kValueNames[] = { "Scale", "DoChange", "Seconds", "Travel", "LowRes", "Formula", "Filter",
    "Interlace", "FiterAuto", "FiterAutoSeconds", "ChangeFormula", "Mirror", "ChangeMirror" };

class SettingsStore : public PresetFixture {
protected:
    std::filesystem::path storeFile() const { return m_home.config() / "opal-revel" / "registry.reg"; }

    // A store with a Paths key and a Values key holding the given value lines.
    void writeStore(const std::string& valueLines, bool withPaths = true)
    {
        std::string text
            = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n" + valueLines;
        if (withPaths)
            text += "\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]\n\"InstalledDir\"=\"/inst\"\n"
                    "\"PresetsDir\"=\""
                + presetsFolder().string() + "\"\n";
        writeWholeFile(storeFile(), text);
    }

    // All thirteen values, each unlike its start value, with one replaced or left out.
    static std::string valueLines(const std::string& skip = "", const std::string& replacement = "")
    {
        const char* data[] = { "dword:00000050", "dword:00000000", "dword:0000001e", "dword:00000000", "dword:00000001",
            "dword:00000007", "dword:00000001", "dword:00000000", "dword:00000001", "dword:00000014", "dword:00000000",
            "dword:00000003", "dword:00000001" };
        std::string lines;
        for (int i = 0; i < 13; ++i) {
            if (skip == kValueNames[i]) {
                lines += replacement;
                continue;
            }
            lines += std::string("\"") + kValueNames[i] + "\"=" + data[i] + "\n";
        }
        return lines;
    }

    void expectStartValues() const
    {
        const SettingsRecord start;
        EXPECT_EQ(m_options.scale, start.scale);
        EXPECT_EQ(m_options.changePresets, start.changePresets);
        EXPECT_EQ(m_options.seconds, start.seconds);
        EXPECT_EQ(m_options.travel, start.travel);
        EXPECT_EQ(m_options.lowRes, start.lowRes);
        EXPECT_EQ(m_options.formula, start.formula);
        EXPECT_EQ(m_options.filter, start.filter);
        EXPECT_EQ(m_options.interlace, start.interlace);
        EXPECT_EQ(m_options.filterAuto, start.filterAuto);
        EXPECT_EQ(m_options.filterAutoSeconds, start.filterAutoSeconds);
        EXPECT_EQ(m_options.changeFormula, start.changeFormula);
        EXPECT_EQ(m_options.mirror, start.mirror);
        EXPECT_EQ(m_options.changeMirror, start.changeMirror);
    }

    std::string settingsFileBytes()
    {
        std::ostringstream out(std::ios::binary);
        EXPECT_TRUE(writeSettingsFile(m_options, m_preset, out));
        return out.str();
    }
};

TEST_F(SettingsStore, StartValuesAndProductStrings)
{
    m_options.scale = 5;
    m_options.presetsDir = "/somewhere";
    m_preset.objectEnabled[3] = 0;
    m_preset.roundSpeed = 9.0;
    resetDefaults(m_options, m_preset);

    expectStartValues();
    EXPECT_EQ(m_options.scale, 75);
    EXPECT_EQ(m_options.seconds, 10);
    EXPECT_TRUE(m_options.interlace);
    EXPECT_EQ(m_options.mirror, 1);
    EXPECT_EQ(m_options.presetsDir, "");
    EXPECT_EQ(m_options.roundSpeedStep, 9.6751e-06);
    EXPECT_EQ(m_options.applyModes, (std::array<int32_t, 8> { 0, 2, 2, 0, 0, 0, 0, 2 }));
    EXPECT_EQ(m_preset.objectEnabled, (std::array<int32_t, 7> { 1, 1, 1, 1, 1, 1, 1 }));
    EXPECT_EQ(m_preset.roundSpeed, 0.6);
    EXPECT_EQ(m_preset.radialSpeed, 0.1);

    EXPECT_EQ(ProductTitle, "Opal Revel 2.0");
    EXPECT_STREQ(MirrorNames[3], "Diag.");
    EXPECT_EQ(ValuesKeyPath, "Software\\Tallow Engines\\Opal Revel\\Values");
    EXPECT_EQ(PathsKeyPath, "Software\\Tallow Engines\\Opal Revel\\Paths");
    EXPECT_EQ(brokenRegistryText(), "Opal Revel Registry Data Entries are BROKEN. Please reinstall Opal Revel");
    EXPECT_EQ(CriticalErrorCaption, "!!! CRITICAL ERROR ");
}

TEST_F(SettingsStore, ResetDefaultsGivesAnEmptyTableTheStartScene)
{
    freeObjectTable(m_preset.objects);
    resetDefaults(m_options, m_preset);
    for (const auto& row : m_preset.objects.stacks)
        EXPECT_NE(row[0], nullptr);
}

TEST_F(SettingsStore, FirstRunAgainstAnEmptyHomeCreatesThePathsKeyAndCopiesThePresets)
{
    EXPECT_FALSE(loadSettings(m_options, m_preset)) << "there is no settings file yet";
    EXPECT_TRUE(m_messages.empty());
    expectStartValues();
    EXPECT_EQ(m_options.presetsDir, (m_home.data() / "opal-revel" / "presets").string());
    EXPECT_EQ(m_options.installedDir, installedDataFolder().string());

    const auto shipped = listPresetNames((installedDataFolder() / "presets").string(), 500);
    ASSERT_GE(shipped.size(), 16u);
    EXPECT_EQ(listPresetNames(m_options.presetsDir, 500).size(), shipped.size());
    // Without a settings file a random preset of the new folder is shown.
    const std::string shown = presetBytes(m_preset);
    EXPECT_TRUE(std::any_of(shipped.begin(), shipped.end(),
        [&](const std::string& name) { return readWholeFile(presetPath(m_options.presetsDir, name)) == shown; }));

    // The step runs once: a preset the user deleted stays deleted.
    std::filesystem::remove(presetPath(m_options.presetsDir, shipped[0]));
    loadSettings(m_options, m_preset);
    EXPECT_EQ(listPresetNames(m_options.presetsDir, 500).size(), shipped.size() - 1);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SettingsStore, FirstRunStepNeverOverwritesTheUsersFiles)
{
    const auto installed = m_home.root() / "installed";
    writePresetFile(installed / "presets" / "a.vhp", 0.1);
    writePresetFile(installed / "presets" / "b.vhp", 0.2);
    writeWholeFile(presetsFolder() / "a.vhp", "mine");
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(runFirstRunStep(store, storeFile(), installed, presetsFolder()));
    EXPECT_EQ(readWholeFile(presetsFolder() / "a.vhp"), "mine");
    EXPECT_EQ(readWholeFile(presetsFolder() / "b.vhp"), readWholeFile(installed / "presets" / "b.vhp"));
    EXPECT_FALSE(runFirstRunStep(store, storeFile(), installed, presetsFolder())) << "the store exists now";
}

TEST_F(SettingsStore, AStoreWithoutPathsShowsTheMessageOnceAndLeavesTheFoldersEmpty)
{
    writeStore(valueLines(), false);
    m_options.presetsDir = "/left/over";
    loadSettings(m_options, m_preset);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(
        m_messages[0], "!!! CRITICAL ERROR |Opal Revel Registry Data Entries are BROKEN. Please reinstall Opal Revel");
    EXPECT_EQ(m_options.presetsDir, "");
    EXPECT_EQ(m_options.installedDir, "");
    EXPECT_EQ(m_options.scale, 80) << "the Values key is still read";
}

TEST_F(SettingsStore, AllThirteenValuesAreTakenTogether)
{
    writeStore(valueLines());
    loadSettings(m_options, m_preset);
    EXPECT_EQ(m_options.scale, 80);
    EXPECT_EQ(m_options.changePresets, 0);
    EXPECT_EQ(m_options.seconds, 30);
    EXPECT_EQ(m_options.travel, 0);
    EXPECT_EQ(m_options.lowRes, 1);
    EXPECT_EQ(m_options.formula, 7);
    EXPECT_TRUE(m_options.filter);
    EXPECT_FALSE(m_options.interlace);
    EXPECT_TRUE(m_options.filterAuto);
    EXPECT_EQ(m_options.filterAutoSeconds, 20);
    EXPECT_EQ(m_options.changeFormula, 0);
    EXPECT_EQ(m_options.mirror, 3);
    EXPECT_EQ(m_options.changeMirror, 1);
    EXPECT_EQ(m_options.installedDir, "/inst");
    EXPECT_EQ(m_options.presetsDir, presetsFolder().string());
}

TEST_F(SettingsStore, OneMissingOrMistypedValueLeavesAllThirteenAtTheirStartValues)
{
    for (const char* name : kValueNames) {
        for (const std::string& replacement :
            { std::string(), std::string("\"") + name + "\"=\"1\"\n", std::string("\"") + name + "\"=dword:1x\n" }) {
            resetDefaults(m_options, m_preset);
            writeStore(valueLines(name, replacement));
            loadSettings(m_options, m_preset);
            SCOPED_TRACE(std::string(name) + " as: " + replacement);
            expectStartValues();
        }
    }
}

TEST_F(SettingsStore, ScaleOfZeroLeavesAllThirteenAtTheirStartValues)
{
    writeStore(valueLines("Scale", "\"Scale\"=dword:00000000\n"));
    loadSettings(m_options, m_preset);
    expectStartValues();
}

TEST_F(SettingsStore, OutOfRangeValuesAreKeptWithinBounds)
{
    std::string lines = "\"Scale\"=dword:00000fff\n\"DoChange\"=dword:00000007\n\"Seconds\"=dword:fffffffb\n"
                        "\"Travel\"=dword:00000001\n\"LowRes\"=dword:00000000\n\"Filter\"=dword:00000007\n"
                        "\"Interlace\"=dword:00000001\n\"Formula\"=dword:00000019\n\"FiterAuto\"=dword:00000000\n"
                        "\"FiterAutoSeconds\"=dword:7fffffff\n\"ChangeFormula\"=dword:00000001\n"
                        "\"Mirror\"=dword:00000009\n\"ChangeMirror\"=dword:00000000\n";
    writeStore(lines);
    loadSettings(m_options, m_preset);
    EXPECT_EQ(m_options.scale, 200);
    EXPECT_EQ(m_options.changePresets, 1);
    EXPECT_EQ(m_options.seconds, 1);
    EXPECT_EQ(m_options.filterAutoSeconds, 86400);
    EXPECT_EQ(m_options.formula, 19);
    EXPECT_EQ(m_options.mirror, 3);
    EXPECT_TRUE(m_options.filter);

    writeStore(valueLines("Formula", "\"Formula\"=dword:ffffffff\n") + "\"Ignored\"=dword:1\n");
    loadSettings(m_options, m_preset);
    EXPECT_EQ(m_options.formula, 0);
    // Sizes outside the editor's steps are kept; the editor rounds them itself.
    writeStore(valueLines("Scale", "\"Scale\"=dword:0000004d\n"));
    loadSettings(m_options, m_preset);
    EXPECT_EQ(m_options.scale, 77);
}

TEST_F(SettingsStore, SavedValuesAreWrittenInOrderWithBooleansAsZeroOrOne)
{
    writeStore(valueLines("Filter", "\"Filter\"=dword:00000007\n"));
    loadSettings(m_options, m_preset);
    ASSERT_TRUE(m_options.filter);
    m_options.presetsDir = "/new/presets";
    ASSERT_TRUE(saveSettings(m_options, m_preset));
    EXPECT_EQ(readWholeFile(storeFile()),
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n"
        "\"Scale\"=dword:00000050\n\"DoChange\"=dword:00000000\n\"Seconds\"=dword:0000001e\n"
        "\"Travel\"=dword:00000000\n\"LowRes\"=dword:00000001\n\"Formula\"=dword:00000007\n"
        "\"Filter\"=dword:00000001\n\"Interlace\"=dword:00000000\n\"FiterAuto\"=dword:00000001\n"
        "\"FiterAutoSeconds\"=dword:00000014\n\"ChangeFormula\"=dword:00000000\n\"Mirror\"=dword:00000003\n"
        "\"ChangeMirror\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]\n\"InstalledDir\"=\"/inst\"\n"
        "\"PresetsDir\"=\"/new/presets\"\n");
}

TEST_F(SettingsStore, SavingWithoutThePathsKeyWritesNoFolder)
{
    writeStore("", false);
    m_options.presetsDir = "/not/stored";
    ASSERT_TRUE(saveSettings(m_options, m_preset));
    const RegDocument document = parseRegText(readWholeFile(storeFile()));
    EXPECT_EQ(document.find(fullKeyPath(PathsKeyPath)), nullptr);
    EXPECT_EQ(document.find(fullKeyPath(ValuesKeyPath))->values.size(), 13u);
    EXPECT_EQ(std::filesystem::file_size(settingsFilePath()), 2752u);
}

TEST_F(SettingsStore, SettingsFileHasTheStoredLayout)
{
    m_options.applyModes = { 2, 1, 0, 2, 1, 0, 2, 1 };
    m_options.roundSpeedStep = 0.125;
    m_options.radialSpeedStep = -2.5;
    m_options.randomStart = 1;
    m_options.reservedTail = 0x0A0B0C0D;
    m_preset = distinctPreset(0.5);
    const std::string bytes = settingsFileBytes();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    ASSERT_EQ(bytes.size(), 2752u);
    EXPECT_EQ(bytes.substr(0, 8), "_QRTCFG_");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(getLeInt32(data + 8 + 4 * i), m_options.applyModes[i]);
    EXPECT_EQ(bytes.substr(40, 2632), presetBytes(m_preset));
    EXPECT_EQ(bytes.substr(2672, 56), std::string(56, '\0'));
    EXPECT_EQ(getLeDouble(data + 2728), 0.125);
    EXPECT_EQ(getLeDouble(data + 2736), -2.5);
    EXPECT_EQ(getLeInt32(data + 2744), 1);
    EXPECT_EQ(bytes.substr(2748), "\x0d\x0c\x0b\x0a");
}

TEST_F(SettingsStore, SaveThenLoadRestoresTheFileOptionsAndThePreset)
{
    writeStore(valueLines());
    m_options.presetsDir = presetsFolder().string();
    m_options.applyModes = { 2, 1, 0, 2, 1, 0, 2, 1 };
    m_options.roundSpeedStep = 0.125;
    m_options.radialSpeedStep = 3.0e-5;
    m_options.randomStart = 1;
    m_preset = distinctPreset(0.5);
    ASSERT_TRUE(saveSettings(m_options, m_preset));
    const std::string saved = readWholeFile(settingsFilePath());
    ASSERT_EQ(saved.size(), 2752u);

    // A random preset would be loaded only if the file could not be read.
    writePresetFile(presetsFolder() / "decoy.vhp", 0.99);
    const SettingsRecord expected = m_options;
    const std::string expectedPreset = presetBytes(m_preset);
    resetDefaults(m_options, m_preset);
    m_preset = newStartPreset();
    ASSERT_TRUE(loadSettings(m_options, m_preset));
    EXPECT_EQ(m_options.applyModes, expected.applyModes);
    EXPECT_EQ(m_options.roundSpeedStep, 0.125);
    EXPECT_EQ(m_options.radialSpeedStep, 3.0e-5);
    EXPECT_EQ(m_options.randomStart, 1);
    EXPECT_EQ(presetBytes(m_preset), expectedPreset);
    EXPECT_EQ(settingsFileBytes(), saved);
}

TEST_F(SettingsStore, SpeedStepsOfZeroTakeTheStartValue)
{
    m_options.roundSpeedStep = 0.0;
    m_options.radialSpeedStep = -0.0;
    std::istringstream in(settingsFileBytes(), std::ios::binary);
    m_options.roundSpeedStep = m_options.radialSpeedStep = 1.0;
    ASSERT_TRUE(readSettingsFile(m_options, m_preset, in));
    EXPECT_EQ(m_options.roundSpeedStep, 9.6751e-06);
    EXPECT_EQ(m_options.radialSpeedStep, 9.6751e-06);
}

TEST_F(SettingsStore, UnknownApplyModesTakeTheirStartValues)
{
    m_options.applyModes = { 1, 1, 1, 1, 1, 1, 1, 1 };
    std::string bytes = settingsFileBytes();
    putLeInt32(reinterpret_cast<uint8_t*>(bytes.data()) + 8, 3);
    putLeInt32(reinterpret_cast<uint8_t*>(bytes.data()) + 12, -1);
    std::istringstream in(bytes, std::ios::binary);
    ASSERT_TRUE(readSettingsFile(m_options, m_preset, in));
    EXPECT_EQ(m_options.applyModes, (std::array<int32_t, 8> { 0, 2, 1, 1, 1, 1, 1, 1 }));
}

TEST_F(SettingsStore, AWrongMagicIsIgnoredWithoutLoadingARandomPreset)
{
    writeStore(valueLines());
    writePresetFile(presetsFolder() / "only.vhp", 0.99);
    std::string bytes = settingsFileBytes();
    bytes[7] = '-';
    writeWholeFile(settingsFilePath(), bytes);
    EXPECT_FALSE(loadSettings(m_options, m_preset));
    EXPECT_EQ(m_preset.roundSpeed, 0.6);
    EXPECT_EQ(m_options.roundSpeedStep, 9.6751e-06);
}

TEST_F(SettingsStore, ADamagedFileChangesNothingAndCountsAsMissing)
{
    m_options.randomStart = 1;
    m_options.applyModes.fill(1);
    m_preset = distinctPreset(0.5);
    const std::string good = settingsFileBytes();
    std::string badPreset = good;
    badPreset[40 + 3] = 'x';
    resetDefaults(m_options, m_preset);
    m_preset = newStartPreset();
    const std::string startPreset = presetBytes(m_preset);

    for (const std::string& bytes :
        { good.substr(0, 8), good.substr(0, 40), good.substr(0, 2000), good.substr(0, 2751), badPreset }) {
        std::istringstream in(bytes, std::ios::binary);
        EXPECT_FALSE(readSettingsFile(m_options, m_preset, in)) << bytes.size();
        EXPECT_EQ(m_options.randomStart, 0);
        EXPECT_EQ(m_options.applyModes[0], 0);
        EXPECT_EQ(presetBytes(m_preset), startPreset);
    }

    // Loaded at start, such a file is treated like a missing one: a random preset is shown,
    // in the preset the caller handed in and in no other.
    writeStore(valueLines());
    writePresetFile(presetsFolder() / "only.vhp", 0.99);
    writeWholeFile(settingsFilePath(), good.substr(0, 2751));
    Preset handedIn = newStartPreset();
    EXPECT_FALSE(loadSettings(m_options, handedIn));
    EXPECT_EQ(handedIn.roundSpeed, 0.99);
    EXPECT_EQ(presetBytes(m_preset), startPreset);
    EXPECT_EQ(m_options.randomStart, 0);

    // So is a file too short to hold the magic, or a folder in the file's place.
    for (const bool folder : { false, true }) {
        m_preset.roundSpeed = 0.5;
        std::filesystem::remove_all(settingsFilePath());
        if (folder)
            std::filesystem::create_directory(settingsFilePath());
        else
            writeWholeFile(settingsFilePath(), "_QRT");
        EXPECT_FALSE(loadSettings(m_options, m_preset));
        EXPECT_EQ(m_preset.roundSpeed, 0.99) << (folder ? "folder" : "short file");
    }
}

TEST_F(SettingsStore, AFailedSaveReportsFailureAndKeepsTheOldFile)
{
    writeStore(valueLines());
    ASSERT_TRUE(saveSettings(m_options, m_preset));
    const std::string before = readWholeFile(settingsFilePath());
    // A folder where the settings file should be: the rename over it fails.
    const auto moved = m_home.root() / "saved.cfg";
    std::filesystem::rename(settingsFilePath(), moved);
    std::filesystem::create_directory(settingsFilePath());
    m_preset.roundSpeed = 2.0;
    EXPECT_FALSE(saveSettings(m_options, m_preset));
    EXPECT_TRUE(std::filesystem::is_directory(settingsFilePath()));
    EXPECT_EQ(readWholeFile(moved), before);
}

} // namespace

namespace {

TEST_F(SettingsStore, AFirstRunCutShortIsRepairedByTheNextOne)
{
    const auto installed = m_home.root() / "installed";
    writePresetFile(installed / "presets" / "a.vhp", 0.1);
    writePresetFile(installed / "presets" / "b.vhp", 0.2);
    writePresetFile(installed / "presets" / "c.vhp", 0.3);
    const std::string a = readWholeFile(installed / "presets" / "a.vhp");
    // What a copy killed part way leaves: nothing yet, or the sample's first part. A file that
    // differs from the sample is the user's.
    writeWholeFile(presetsFolder() / "a.vhp", "");
    writeWholeFile(presetsFolder() / "b.vhp", readWholeFile(installed / "presets" / "b.vhp").substr(0, 1000));
    writeWholeFile(presetsFolder() / "c.vhp", "qrt?");
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(runFirstRunStep(store, storeFile(), installed, presetsFolder()));
    Preset loaded;
    EXPECT_TRUE(loadPresetFile(presetsFolder() / "a.vhp", loaded));
    EXPECT_EQ(loaded.roundSpeed, 0.1);
    EXPECT_TRUE(loadPresetFile(presetsFolder() / "b.vhp", loaded));
    EXPECT_EQ(loaded.roundSpeed, 0.2);
    EXPECT_EQ(readWholeFile(presetsFolder() / "c.vhp"), "qrt?");
    for (const auto& entry : std::filesystem::directory_iterator(presetsFolder()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file was left";
}

TEST_F(SettingsStore, AFolderNameThatCannotBeStoredFallsBackToTheDefault)
{
    const auto installed = m_home.root() / "installed";
    writePresetFile(installed / "presets" / "a.vhp", 0.1);
    const auto broken = m_home.root() / "two\nlines";
    const auto fallback = m_home.root() / "fallback" / "presets";
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(runFirstRunStep(store, storeFile(), installed, broken, fallback));
    EXPECT_FALSE(std::filesystem::exists(broken));
    m_options.presetsDir.clear();
    loadSettings(m_options, m_preset);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_options.presetsDir, fallback.string());
    EXPECT_EQ(m_options.installedDir, installed.string());
    EXPECT_EQ(listPresetNames(m_options.presetsDir, 10), std::vector<std::string> { "a.vhp" });
}

TEST_F(SettingsStore, PipesInPlaceOfTheStoredFilesNeitherStopTheStartNorPassForMissingOnes)
{
    writeStore(valueLines());
    loadSettings(m_options, m_preset);
    ASSERT_EQ(m_options.scale, 80);
    // The settings file: a pipe reads as no file at all.
    ASSERT_EQ(::mkfifo(settingsFilePath().c_str(), 0600), 0);
    writePresetFile(presetsFolder() / "only.vhp", 0.77);
    EXPECT_FALSE(loadSettings(m_options, m_preset));
    EXPECT_EQ(m_preset.roundSpeed, 0.77) << "a random preset is shown, as without a settings file";

    // The store: its options keep their start values, and the message says what is wrong.
    resetDefaults(m_options, m_preset);
    std::filesystem::remove(storeFile());
    ASSERT_EQ(::mkfifo(storeFile().c_str(), 0600), 0);
    m_messages.clear();
    loadSettings(m_options, m_preset);
    expectStartValues();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("cannot read its settings"), std::string::npos) << m_messages[0];
    EXPECT_EQ(m_messages[0].find("BROKEN"), std::string::npos);
}

} // namespace
