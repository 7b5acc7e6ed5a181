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
    std::filesystem::path storeFile() const { return home.config() / "opal-revel" / "registry.reg"; }

    // A store with a Paths key and a Values key holding the given value lines.
    void writeStore(const std::string& valueLines, bool withPaths = true)
    {
        std::string text
            = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n" + valueLines;
        if (withPaths)
            text += "\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]\n\"InstalledDir\"=\"/inst\"\n"
                    "\"PresetsDir\"=\""
                + presetsFolder().string() + "\"\n";
        WriteWholeFile(storeFile(), text);
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

    static void expectStartValues()
    {
        const SettingsRecord start;
        EXPECT_EQ(Settings.Scale, start.Scale);
        EXPECT_EQ(Settings.DoChange, start.DoChange);
        EXPECT_EQ(Settings.Seconds, start.Seconds);
        EXPECT_EQ(Settings.Travel, start.Travel);
        EXPECT_EQ(Settings.LowRes, start.LowRes);
        EXPECT_EQ(Settings.Formula, start.Formula);
        EXPECT_EQ(Settings.Filter, start.Filter);
        EXPECT_EQ(Settings.Interlace, start.Interlace);
        EXPECT_EQ(Settings.FiterAuto, start.FiterAuto);
        EXPECT_EQ(Settings.FiterAutoSeconds, start.FiterAutoSeconds);
        EXPECT_EQ(Settings.ChangeFormula, start.ChangeFormula);
        EXPECT_EQ(Settings.Mirror, start.Mirror);
        EXPECT_EQ(Settings.ChangeMirror, start.ChangeMirror);
    }

    std::string settingsFileBytes()
    {
        std::ostringstream out(std::ios::binary);
        EXPECT_TRUE(WriteSettingsFile(CurrentPreset, out));
        return out.str();
    }
};

TEST_F(SettingsStore, StartValuesAndProductStrings)
{
    Settings.Scale = 5;
    Settings.PresetsDir = "/somewhere";
    CurrentPreset.ObjectEnabled[3] = 0;
    CurrentPreset.RoundSpeed = 9.0;
    ResetDefaults();

    expectStartValues();
    EXPECT_EQ(Settings.Scale, 75);
    EXPECT_EQ(Settings.Seconds, 10);
    EXPECT_TRUE(Settings.Interlace);
    EXPECT_EQ(Settings.Mirror, 1);
    EXPECT_EQ(Settings.PresetsDir, "");
    EXPECT_EQ(Settings.RoundSpeedStep, 9.6751e-06);
    EXPECT_EQ(Settings.ApplyModes, (std::array<int32_t, 8> { 0, 2, 2, 0, 0, 0, 0, 2 }));
    EXPECT_EQ(CurrentPreset.ObjectEnabled, (std::array<int32_t, 7> { 1, 1, 1, 1, 1, 1, 1 }));
    EXPECT_EQ(CurrentPreset.RoundSpeed, 0.6);
    EXPECT_EQ(CurrentPreset.RadialSpeed, 0.1);

    EXPECT_EQ(ProductTitle, "Opal Revel 2.0");
    EXPECT_STREQ(MirrorNames[3], "Diag.");
    EXPECT_EQ(ValuesKeyPath, "Software\\Tallow Engines\\Opal Revel\\Values");
    EXPECT_EQ(PathsKeyPath, "Software\\Tallow Engines\\Opal Revel\\Paths");
    EXPECT_EQ(BrokenRegistryText(), "Opal Revel Registry Data Entries are BROKEN. Please reinstall Opal Revel");
    EXPECT_EQ(CriticalErrorCaption, "!!! CRITICAL ERROR ");
}

TEST_F(SettingsStore, ResetDefaultsGivesAnEmptyTableTheStartScene)
{
    FreeObjectTable(CurrentPreset.Objects);
    ResetDefaults();
    for (const auto& row : CurrentPreset.Objects.Stacks)
        EXPECT_NE(row[0], nullptr);
}

TEST_F(SettingsStore, FirstRunAgainstAnEmptyHomeCreatesThePathsKeyAndCopiesThePresets)
{
    EXPECT_FALSE(LoadSettings(CurrentPreset)) << "there is no settings file yet";
    EXPECT_TRUE(messages.empty());
    expectStartValues();
    EXPECT_EQ(Settings.PresetsDir, (home.data() / "opal-revel" / "presets").string());
    EXPECT_EQ(Settings.InstalledDir, InstalledDataFolder().string());

    const auto shipped = ListPresetNames((InstalledDataFolder() / "presets").string(), 500);
    ASSERT_GE(shipped.size(), 16u);
    EXPECT_EQ(ListPresetNames(Settings.PresetsDir, 500).size(), shipped.size());
    // Without a settings file a random preset of the new folder is shown.
    const std::string shown = PresetBytes(CurrentPreset);
    EXPECT_TRUE(std::any_of(shipped.begin(), shipped.end(),
        [&](const std::string& name) { return ReadWholeFile(PresetPath(Settings.PresetsDir, name)) == shown; }));

    // The step runs once: a preset the user deleted stays deleted.
    std::filesystem::remove(PresetPath(Settings.PresetsDir, shipped[0]));
    LoadSettings(CurrentPreset);
    EXPECT_EQ(ListPresetNames(Settings.PresetsDir, 500).size(), shipped.size() - 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsStore, FirstRunStepNeverOverwritesTheUsersFiles)
{
    const auto installed = home.root() / "installed";
    WritePresetFile(installed / "presets" / "a.vhp", 0.1);
    WritePresetFile(installed / "presets" / "b.vhp", 0.2);
    WriteWholeFile(presetsFolder() / "a.vhp", "mine");
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(RunFirstRunStep(store, storeFile(), installed, presetsFolder()));
    EXPECT_EQ(ReadWholeFile(presetsFolder() / "a.vhp"), "mine");
    EXPECT_EQ(ReadWholeFile(presetsFolder() / "b.vhp"), ReadWholeFile(installed / "presets" / "b.vhp"));
    EXPECT_FALSE(RunFirstRunStep(store, storeFile(), installed, presetsFolder())) << "the store exists now";
}

TEST_F(SettingsStore, AStoreWithoutPathsShowsTheMessageOnceAndLeavesTheFoldersEmpty)
{
    writeStore(valueLines(), false);
    Settings.PresetsDir = "/left/over";
    LoadSettings(CurrentPreset);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(
        messages[0], "!!! CRITICAL ERROR |Opal Revel Registry Data Entries are BROKEN. Please reinstall Opal Revel");
    EXPECT_EQ(Settings.PresetsDir, "");
    EXPECT_EQ(Settings.InstalledDir, "");
    EXPECT_EQ(Settings.Scale, 80) << "the Values key is still read";
}

TEST_F(SettingsStore, AllThirteenValuesAreTakenTogether)
{
    writeStore(valueLines());
    LoadSettings(CurrentPreset);
    EXPECT_EQ(Settings.Scale, 80);
    EXPECT_EQ(Settings.DoChange, 0);
    EXPECT_EQ(Settings.Seconds, 30);
    EXPECT_EQ(Settings.Travel, 0);
    EXPECT_EQ(Settings.LowRes, 1);
    EXPECT_EQ(Settings.Formula, 7);
    EXPECT_TRUE(Settings.Filter);
    EXPECT_FALSE(Settings.Interlace);
    EXPECT_TRUE(Settings.FiterAuto);
    EXPECT_EQ(Settings.FiterAutoSeconds, 20);
    EXPECT_EQ(Settings.ChangeFormula, 0);
    EXPECT_EQ(Settings.Mirror, 3);
    EXPECT_EQ(Settings.ChangeMirror, 1);
    EXPECT_EQ(Settings.InstalledDir, "/inst");
    EXPECT_EQ(Settings.PresetsDir, presetsFolder().string());
}

TEST_F(SettingsStore, OneMissingOrMistypedValueLeavesAllThirteenAtTheirStartValues)
{
    for (const char* name : kValueNames) {
        for (const std::string& replacement :
            { std::string(), std::string("\"") + name + "\"=\"1\"\n", std::string("\"") + name + "\"=dword:1x\n" }) {
            ResetDefaults();
            writeStore(valueLines(name, replacement));
            LoadSettings(CurrentPreset);
            SCOPED_TRACE(std::string(name) + " as: " + replacement);
            expectStartValues();
        }
    }
}

TEST_F(SettingsStore, ScaleOfZeroLeavesAllThirteenAtTheirStartValues)
{
    writeStore(valueLines("Scale", "\"Scale\"=dword:00000000\n"));
    LoadSettings(CurrentPreset);
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
    LoadSettings(CurrentPreset);
    EXPECT_EQ(Settings.Scale, 200);
    EXPECT_EQ(Settings.DoChange, 1);
    EXPECT_EQ(Settings.Seconds, 1);
    EXPECT_EQ(Settings.FiterAutoSeconds, 86400);
    EXPECT_EQ(Settings.Formula, 19);
    EXPECT_EQ(Settings.Mirror, 3);
    EXPECT_TRUE(Settings.Filter);

    writeStore(valueLines("Formula", "\"Formula\"=dword:ffffffff\n") + "\"Ignored\"=dword:1\n");
    LoadSettings(CurrentPreset);
    EXPECT_EQ(Settings.Formula, 0);
    // Sizes outside the editor's steps are kept; the editor rounds them itself.
    writeStore(valueLines("Scale", "\"Scale\"=dword:0000004d\n"));
    LoadSettings(CurrentPreset);
    EXPECT_EQ(Settings.Scale, 77);
}

TEST_F(SettingsStore, SavedValuesAreWrittenInOrderWithBooleansAsZeroOrOne)
{
    writeStore(valueLines("Filter", "\"Filter\"=dword:00000007\n"));
    LoadSettings(CurrentPreset);
    ASSERT_TRUE(Settings.Filter);
    Settings.PresetsDir = "/new/presets";
    ASSERT_TRUE(SaveSettings(CurrentPreset));
    EXPECT_EQ(ReadWholeFile(storeFile()),
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
    Settings.PresetsDir = "/not/stored";
    ASSERT_TRUE(SaveSettings(CurrentPreset));
    const RegDocument document = ParseRegText(ReadWholeFile(storeFile()));
    EXPECT_EQ(document.Find(FullKeyPath(PathsKeyPath)), nullptr);
    EXPECT_EQ(document.Find(FullKeyPath(ValuesKeyPath))->values.size(), 13u);
    EXPECT_EQ(std::filesystem::file_size(SettingsFilePath()), 2752u);
}

TEST_F(SettingsStore, SettingsFileHasTheStoredLayout)
{
    Settings.ApplyModes = { 2, 1, 0, 2, 1, 0, 2, 1 };
    Settings.RoundSpeedStep = 0.125;
    Settings.RadialSpeedStep = -2.5;
    Settings.RandomStart = 1;
    Settings.ReservedTail = 0x0A0B0C0D;
    CurrentPreset = DistinctPreset(0.5);
    const std::string bytes = settingsFileBytes();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    ASSERT_EQ(bytes.size(), 2752u);
    EXPECT_EQ(bytes.substr(0, 8), "_QRTCFG_");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(GetLeInt32(data + 8 + 4 * i), Settings.ApplyModes[i]);
    EXPECT_EQ(bytes.substr(40, 2632), PresetBytes(CurrentPreset));
    EXPECT_EQ(bytes.substr(2672, 56), std::string(56, '\0'));
    EXPECT_EQ(GetLeDouble(data + 2728), 0.125);
    EXPECT_EQ(GetLeDouble(data + 2736), -2.5);
    EXPECT_EQ(GetLeInt32(data + 2744), 1);
    EXPECT_EQ(bytes.substr(2748), "\x0d\x0c\x0b\x0a");
}

TEST_F(SettingsStore, SaveThenLoadRestoresTheFileOptionsAndThePreset)
{
    writeStore(valueLines());
    Settings.PresetsDir = presetsFolder().string();
    Settings.ApplyModes = { 2, 1, 0, 2, 1, 0, 2, 1 };
    Settings.RoundSpeedStep = 0.125;
    Settings.RadialSpeedStep = 3.0e-5;
    Settings.RandomStart = 1;
    CurrentPreset = DistinctPreset(0.5);
    ASSERT_TRUE(SaveSettings(CurrentPreset));
    const std::string saved = ReadWholeFile(SettingsFilePath());
    ASSERT_EQ(saved.size(), 2752u);

    // A random preset would be loaded only if the file could not be read.
    WritePresetFile(presetsFolder() / "decoy.vhp", 0.99);
    const SettingsRecord expected = Settings;
    const std::string expectedPreset = PresetBytes(CurrentPreset);
    ResetDefaults();
    CurrentPreset = NewStartPreset();
    ASSERT_TRUE(LoadSettings(CurrentPreset));
    EXPECT_EQ(Settings.ApplyModes, expected.ApplyModes);
    EXPECT_EQ(Settings.RoundSpeedStep, 0.125);
    EXPECT_EQ(Settings.RadialSpeedStep, 3.0e-5);
    EXPECT_EQ(Settings.RandomStart, 1);
    EXPECT_EQ(PresetBytes(CurrentPreset), expectedPreset);
    EXPECT_EQ(settingsFileBytes(), saved);
}

TEST_F(SettingsStore, SpeedStepsOfZeroTakeTheStartValue)
{
    Settings.RoundSpeedStep = 0.0;
    Settings.RadialSpeedStep = -0.0;
    std::istringstream in(settingsFileBytes(), std::ios::binary);
    Settings.RoundSpeedStep = Settings.RadialSpeedStep = 1.0;
    ASSERT_TRUE(ReadSettingsFile(CurrentPreset, in));
    EXPECT_EQ(Settings.RoundSpeedStep, 9.6751e-06);
    EXPECT_EQ(Settings.RadialSpeedStep, 9.6751e-06);
}

TEST_F(SettingsStore, UnknownApplyModesTakeTheirStartValues)
{
    Settings.ApplyModes = { 1, 1, 1, 1, 1, 1, 1, 1 };
    std::string bytes = settingsFileBytes();
    PutLeInt32(reinterpret_cast<uint8_t*>(bytes.data()) + 8, 3);
    PutLeInt32(reinterpret_cast<uint8_t*>(bytes.data()) + 12, -1);
    std::istringstream in(bytes, std::ios::binary);
    ASSERT_TRUE(ReadSettingsFile(CurrentPreset, in));
    EXPECT_EQ(Settings.ApplyModes, (std::array<int32_t, 8> { 0, 2, 1, 1, 1, 1, 1, 1 }));
}

TEST_F(SettingsStore, AWrongMagicIsIgnoredWithoutLoadingARandomPreset)
{
    writeStore(valueLines());
    WritePresetFile(presetsFolder() / "only.vhp", 0.99);
    std::string bytes = settingsFileBytes();
    bytes[7] = '-';
    WriteWholeFile(SettingsFilePath(), bytes);
    EXPECT_FALSE(LoadSettings(CurrentPreset));
    EXPECT_EQ(CurrentPreset.RoundSpeed, 0.6);
    EXPECT_EQ(Settings.RoundSpeedStep, 9.6751e-06);
}

TEST_F(SettingsStore, ADamagedFileChangesNothingAndCountsAsMissing)
{
    Settings.RandomStart = 1;
    Settings.ApplyModes.fill(1);
    CurrentPreset = DistinctPreset(0.5);
    const std::string good = settingsFileBytes();
    std::string badPreset = good;
    badPreset[40 + 3] = 'x';
    ResetDefaults();
    CurrentPreset = NewStartPreset();
    const std::string startPreset = PresetBytes(CurrentPreset);

    for (const std::string& bytes :
        { good.substr(0, 8), good.substr(0, 40), good.substr(0, 2000), good.substr(0, 2751), badPreset }) {
        std::istringstream in(bytes, std::ios::binary);
        EXPECT_FALSE(ReadSettingsFile(CurrentPreset, in)) << bytes.size();
        EXPECT_EQ(Settings.RandomStart, 0);
        EXPECT_EQ(Settings.ApplyModes[0], 0);
        EXPECT_EQ(PresetBytes(CurrentPreset), startPreset);
    }

    // Loaded at start, such a file is treated like a missing one: a random preset is shown.
    writeStore(valueLines());
    WritePresetFile(presetsFolder() / "only.vhp", 0.99);
    WriteWholeFile(SettingsFilePath(), good.substr(0, 2751));
    EXPECT_FALSE(LoadSettings(CurrentPreset));
    EXPECT_EQ(CurrentPreset.RoundSpeed, 0.99);
    EXPECT_EQ(Settings.RandomStart, 0);

    // So is a file too short to hold the magic, or a folder in the file's place.
    for (const bool folder : { false, true }) {
        CurrentPreset.RoundSpeed = 0.5;
        std::filesystem::remove_all(SettingsFilePath());
        if (folder)
            std::filesystem::create_directory(SettingsFilePath());
        else
            WriteWholeFile(SettingsFilePath(), "_QRT");
        EXPECT_FALSE(LoadSettings(CurrentPreset));
        EXPECT_EQ(CurrentPreset.RoundSpeed, 0.99) << (folder ? "folder" : "short file");
    }
}

TEST_F(SettingsStore, AFailedSaveReportsFailureAndKeepsTheOldFile)
{
    writeStore(valueLines());
    ASSERT_TRUE(SaveSettings(CurrentPreset));
    const std::string before = ReadWholeFile(SettingsFilePath());
    // A folder where the settings file should be: the rename over it fails.
    const auto moved = home.root() / "saved.cfg";
    std::filesystem::rename(SettingsFilePath(), moved);
    std::filesystem::create_directory(SettingsFilePath());
    CurrentPreset.RoundSpeed = 2.0;
    EXPECT_FALSE(SaveSettings(CurrentPreset));
    EXPECT_TRUE(std::filesystem::is_directory(SettingsFilePath()));
    EXPECT_EQ(ReadWholeFile(moved), before);
}

} // namespace

namespace {

TEST_F(SettingsStore, AFirstRunCutShortIsRepairedByTheNextOne)
{
    const auto installed = home.root() / "installed";
    WritePresetFile(installed / "presets" / "a.vhp", 0.1);
    WritePresetFile(installed / "presets" / "b.vhp", 0.2);
    WritePresetFile(installed / "presets" / "c.vhp", 0.3);
    const std::string a = ReadWholeFile(installed / "presets" / "a.vhp");
    // What a copy killed part way leaves: nothing yet, or the sample's first part. A file that
    // differs from the sample is the user's.
    WriteWholeFile(presetsFolder() / "a.vhp", "");
    WriteWholeFile(presetsFolder() / "b.vhp", ReadWholeFile(installed / "presets" / "b.vhp").substr(0, 1000));
    WriteWholeFile(presetsFolder() / "c.vhp", "qrt?");
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(RunFirstRunStep(store, storeFile(), installed, presetsFolder()));
    Preset loaded;
    EXPECT_TRUE(LoadPresetFile(presetsFolder() / "a.vhp", loaded));
    EXPECT_EQ(loaded.RoundSpeed, 0.1);
    EXPECT_TRUE(LoadPresetFile(presetsFolder() / "b.vhp", loaded));
    EXPECT_EQ(loaded.RoundSpeed, 0.2);
    EXPECT_EQ(ReadWholeFile(presetsFolder() / "c.vhp"), "qrt?");
    for (const auto& entry : std::filesystem::directory_iterator(presetsFolder()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file was left";
}

TEST_F(SettingsStore, AFolderNameThatCannotBeStoredFallsBackToTheDefault)
{
    const auto installed = home.root() / "installed";
    WritePresetFile(installed / "presets" / "a.vhp", 0.1);
    const auto broken = home.root() / "two\nlines";
    const auto fallback = home.root() / "fallback" / "presets";
    RegFileKeyStore store(storeFile());
    EXPECT_TRUE(RunFirstRunStep(store, storeFile(), installed, broken, fallback));
    EXPECT_FALSE(std::filesystem::exists(broken));
    Settings.PresetsDir.clear();
    LoadSettings(CurrentPreset);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Settings.PresetsDir, fallback.string());
    EXPECT_EQ(Settings.InstalledDir, installed.string());
    EXPECT_EQ(ListPresetNames(Settings.PresetsDir, 10), std::vector<std::string> { "a.vhp" });
}

TEST_F(SettingsStore, PipesInPlaceOfTheStoredFilesNeitherStopTheStartNorPassForMissingOnes)
{
    writeStore(valueLines());
    LoadSettings(CurrentPreset);
    ASSERT_EQ(Settings.Scale, 80);
    // The settings file: a pipe reads as no file at all.
    ASSERT_EQ(::mkfifo(SettingsFilePath().c_str(), 0600), 0);
    WritePresetFile(presetsFolder() / "only.vhp", 0.77);
    EXPECT_FALSE(LoadSettings(CurrentPreset));
    EXPECT_EQ(CurrentPreset.RoundSpeed, 0.77) << "a random preset is shown, as without a settings file";

    // The store: its options keep their start values, and the message says what is wrong.
    ResetDefaults();
    std::filesystem::remove(storeFile());
    ASSERT_EQ(::mkfifo(storeFile().c_str(), 0600), 0);
    messages.clear();
    LoadSettings(CurrentPreset);
    expectStartValues();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cannot read its settings"), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find("BROKEN"), std::string::npos);
}

} // namespace
