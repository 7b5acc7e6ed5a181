#include "editor/preset_choice.h"

#include "presets/preset_library.h"
#include "tests/presets/preset_fixture.h"

namespace {

namespace fs = std::filesystem;

class PresetChoiceTest : public PresetFixture {
protected:
    void SetUp() override
    {
        PresetFixture::SetUp();
        fs::create_directories(presetsFolder());
        Settings.PresetsDir = presetsFolder().string();
    }
    PresetLibrary& library = ThePresetLibrary;
};

TEST_F(PresetChoiceTest, TheListIsTheLibraryInItsOrderAndASavedPresetAppearsAtOnce)
{
    for (int i = 0; i < 3; ++i)
        WritePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    WriteWholeFile(presetsFolder() / "notes.txt", "not listed");
    std::vector<std::string> lines = RescanPresets(library);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], library.Names[i]);

    Preset edited = DistinctPreset(0.75);
    std::string reason;
    ASSERT_TRUE(SavePresetAs(PresetSaveTarget(presetsFolder() / "mine"), edited, reason)) << reason;
    EXPECT_EQ(ReadWholeFile(presetsFolder() / "mine.vhp").size(), kPresetFileBytes);
    lines = RescanPresets(library);
    ASSERT_EQ(lines.size(), 4u);
    const auto mine = std::find(lines.begin(), lines.end(), "mine.vhp");
    ASSERT_NE(mine, lines.end());
    // Choosing the new line loads exactly what was saved.
    const PresetChoice choice = ChoosePreset(library, PresetMove::Line, static_cast<int32_t>(mine - lines.begin()));
    EXPECT_TRUE(choice.loaded);
    EXPECT_EQ(PresetBytes(CurrentPreset), PresetBytes(edited));
}

TEST_F(PresetChoiceTest, MovesReportTheLineTheyLoaded)
{
    for (int i = 0; i < 3; ++i)
        WritePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    RescanPresets(library);
    const auto speedOf = [&](int32_t line) { return 0.1 * (std::stoi(library.Names[static_cast<std::size_t>(line)].substr(1)) + 1); };

    PresetChoice choice = ChoosePreset(library, PresetMove::Previous);
    EXPECT_TRUE(choice.moved && choice.loaded && choice.error.empty());
    EXPECT_EQ(choice.line, 2);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedOf(2));
    choice = ChoosePreset(library, PresetMove::Next);
    EXPECT_EQ(choice.line, 0);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedOf(0));
    choice = ChoosePreset(library, PresetMove::Random);
    EXPECT_NE(choice.line, 0);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedOf(choice.line));
    choice = ChoosePreset(library, PresetMove::Line, 1);
    EXPECT_EQ(choice.line, 1);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedOf(1));

    // No line selected, or one past the end: nothing happens.
    const std::string before = PresetBytes(CurrentPreset);
    EXPECT_FALSE(ChoosePreset(library, PresetMove::Line, -1).moved);
    EXPECT_FALSE(ChoosePreset(library, PresetMove::Line, 3).moved);
    EXPECT_EQ(library.Index, 1);
    EXPECT_EQ(PresetBytes(CurrentPreset), before);
}

TEST_F(PresetChoiceTest, AFolderWithoutPresetsGivesAnEmptyListAndButtonsThatDoNothing)
{
    const std::string before = PresetBytes(CurrentPreset);
    for (const std::string& folder : { presetsFolder().string(), (presetsFolder() / "missing").string() }) {
        Settings.PresetsDir = folder;
        EXPECT_TRUE(RescanPresets(library).empty());
        for (PresetMove move : { PresetMove::Previous, PresetMove::Next, PresetMove::Random, PresetMove::Line }) {
            const PresetChoice choice = ChoosePreset(library, move, 0);
            EXPECT_FALSE(choice.moved);
            EXPECT_TRUE(choice.error.empty());
        }
    }
    EXPECT_EQ(PresetBytes(CurrentPreset), before);
}

TEST_F(PresetChoiceTest, AFolderOfThousandsListsTheLibrarysFiveHundred)
{
    for (int i = 0; i < 1200; ++i)
        WriteWholeFile(presetsFolder() / ("n" + std::to_string(i) + (i % 2 ? ".vhp" : ".txt")), "");
    const std::vector<std::string> lines = RescanPresets(library);
    ASSERT_EQ(lines.size(), 500u);
    EXPECT_EQ(library.Count, 500);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], library.Names[i]);
}

TEST_F(PresetChoiceTest, AListedPresetThatWentBadSinceTheScanIsRefusedWithAReason)
{
    WritePresetFile(presetsFolder() / "a.vhp", 0.3);
    WritePresetFile(presetsFolder() / "b.vhp", 0.4);
    RescanPresets(library);
    ASSERT_TRUE(ChoosePreset(library, PresetMove::Line, 0).loaded);
    const std::string shown = PresetBytes(CurrentPreset);

    const std::string other = library.Names[1];
    WriteWholeFile(presetsFolder() / other, "qrt\0 but cut short");
    PresetChoice choice = ChoosePreset(library, PresetMove::Next);
    EXPECT_TRUE(choice.moved);
    EXPECT_FALSE(choice.loaded);
    EXPECT_EQ(choice.line, 1) << "the list still follows the position";
    EXPECT_NE(choice.error.find(other), std::string::npos);
    EXPECT_NE(choice.error.find("not a valid preset"), std::string::npos) << choice.error;
    EXPECT_EQ(PresetBytes(CurrentPreset), shown);

    fs::remove(presetsFolder() / other);
    choice = ChoosePreset(library, PresetMove::Line, 1);
    EXPECT_NE(choice.error.find("no longer exists"), std::string::npos) << choice.error;
    EXPECT_EQ(PresetBytes(CurrentPreset), shown);

    fs::create_directory(presetsFolder() / other);
    choice = ChoosePreset(library, PresetMove::Line, 1);
    EXPECT_NE(choice.error.find("not a file"), std::string::npos) << choice.error;
    EXPECT_EQ(PresetBytes(CurrentPreset), shown);
}

TEST_F(PresetChoiceTest, SaveTargetGetsTheExtensionOnlyWhenItHasNone)
{
    EXPECT_EQ(PresetSaveTarget("/p/mine"), fs::path("/p/mine.vhp"));
    EXPECT_EQ(PresetSaveTarget("/p/mine.vhp"), fs::path("/p/mine.vhp"));
    EXPECT_EQ(PresetSaveTarget("/p/MINE.VHP"), fs::path("/p/MINE.VHP"));
    EXPECT_EQ(PresetSaveTarget("/p/mine.txt"), fs::path("/p/mine.txt.vhp"));
    EXPECT_EQ(PresetSaveTarget("/p/my preset é"), fs::path("/p/my preset é.vhp"));
    EXPECT_EQ(PresetSaveTarget("/p/.vhp"), fs::path("/p/.vhp"));
    EXPECT_EQ(PresetSaveTarget("/p/folder/"), fs::path("/p/folder/")) << "a folder is left for the save to refuse";
    // A name that is empty once trimmed names no file, as an empty one does.
    EXPECT_EQ(PresetSaveTarget("/p/   "), fs::path());
    EXPECT_EQ(PresetSaveTarget("/p/ \t "), fs::path());
    EXPECT_EQ(PresetSaveTarget("/p/ a "), fs::path("/p/ a .vhp"));
}

// A presets folder that is no folder is named as the fault; the save starts in the nearest
// folder that exists, and the folder of the preset saved there becomes the presets folder, so
// the list shows it.
TEST_F(PresetChoiceTest, APresetsFolderThatIsNoFolderIsNamedAndTheSaveMovesTheListToItsFolder)
{
    const fs::path base = presetsFolder();
    WriteWholeFile(base / "plain file", "not a folder");
    const struct {
        std::string folder;
        std::string problem; // part of the message; empty for none
        fs::path saveFolder;
    } cases[] = {
        { base.string(), "", base },
        { "", "", "" },
        { (base / "plain file").string(), "is a file, not a folder", base },
        { (base / "gone" / "deeper").string(), "does not exist", base },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.folder);
        const std::string problem = PresetsFolderProblem(each.folder);
        EXPECT_EQ(problem.empty(), each.problem.empty()) << problem;
        EXPECT_NE(problem.find(each.problem), std::string::npos) << problem;
        EXPECT_EQ(PresetSaveFolder(each.folder), each.saveFolder);
        const fs::path saved = each.saveFolder / "mine.vhp";
        EXPECT_EQ(PresetsFolderAfterSave(each.folder, saved), problem.empty() ? each.folder : base.string());
    }

    Settings.PresetsDir = (base / "plain file").string();
    Preset preset = DistinctPreset(0.3);
    std::string reason;
    const fs::path target = PresetSaveTarget(PresetSaveFolder(Settings.PresetsDir) / "mine");
    ASSERT_TRUE(SavePresetAs(target, preset, reason)) << reason;
    Settings.PresetsDir = PresetsFolderAfterSave(Settings.PresetsDir, target);
    EXPECT_EQ(RescanPresets(library), std::vector<std::string> { "mine.vhp" });
}

TEST_F(PresetChoiceTest, AFailedSaveSaysWhyAndLeavesNoFile)
{
    Preset preset = DistinctPreset(0.5);
    std::string reason;

    fs::create_directory(presetsFolder() / "taken.vhp");
    EXPECT_FALSE(SavePresetAs(presetsFolder() / "taken.vhp", preset, reason));
    EXPECT_NE(reason.find("a folder of that name"), std::string::npos) << reason;

    EXPECT_FALSE(SavePresetAs(presetsFolder() / "gone" / "p.vhp", preset, reason));
    EXPECT_NE(reason.find("does not exist"), std::string::npos) << reason;

    EXPECT_FALSE(SavePresetAs(PresetSaveTarget(presetsFolder() / "folder/"), preset, reason));
    EXPECT_FALSE(reason.empty());

    // A file system that takes no new files, even from the superuser.
    EXPECT_FALSE(SavePresetAs("/proc/opal-revel-test.vhp", preset, reason));
    EXPECT_NE(reason.find("/proc/opal-revel-test.vhp"), std::string::npos) << reason;

    // Nothing half-written was left anywhere in the presets folder.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(presetsFolder()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string> { "taken.vhp" });

    // Saving over an existing preset replaces it whole.
    WritePresetFile(presetsFolder() / "old.vhp", 0.9);
    ASSERT_TRUE(SavePresetAs(presetsFolder() / "old.vhp", preset, reason)) << reason;
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(ReadWholeFile(presetsFolder() / "old.vhp"), PresetBytes(preset));
}

} // namespace
