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
        m_options.presetsDir = presetsFolder().string();
    }
};

TEST_F(PresetChoiceTest, TheListIsTheLibraryInItsOrderAndASavedPresetAppearsAtOnce)
{
    for (int i = 0; i < 3; ++i)
        writePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    writeWholeFile(presetsFolder() / "notes.txt", "not listed");
    std::vector<std::string> lines = rescanPresets(m_library);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], m_library.names[i]);

    Preset edited = distinctPreset(0.75);
    std::string reason;
    ASSERT_TRUE(savePresetAs(presetSaveTarget(presetsFolder() / "mine"), edited, reason)) << reason;
    EXPECT_EQ(readWholeFile(presetsFolder() / "mine.vhp").size(), kPresetFileBytes);
    lines = rescanPresets(m_library);
    ASSERT_EQ(lines.size(), 4u);
    const auto mine = std::find(lines.begin(), lines.end(), "mine.vhp");
    ASSERT_NE(mine, lines.end());
    // Choosing the new line loads exactly what was saved.
    const PresetChoice choice = choosePreset(m_library, PresetMove::Line, static_cast<int32_t>(mine - lines.begin()));
    EXPECT_TRUE(choice.loaded);
    EXPECT_EQ(presetBytes(m_preset), presetBytes(edited));
}

TEST_F(PresetChoiceTest, MovesReportTheLineTheyLoaded)
{
    for (int i = 0; i < 3; ++i)
        writePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    rescanPresets(m_library);
    const auto speedOf = [&](int32_t line) { return 0.1 * (std::stoi(m_library.names[static_cast<std::size_t>(line)].substr(1)) + 1); };

    PresetChoice choice = choosePreset(m_library, PresetMove::Previous);
    EXPECT_TRUE(choice.moved && choice.loaded && choice.error.empty());
    EXPECT_EQ(choice.line, 2);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedOf(2));
    choice = choosePreset(m_library, PresetMove::Next);
    EXPECT_EQ(choice.line, 0);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedOf(0));
    choice = choosePreset(m_library, PresetMove::Random);
    EXPECT_NE(choice.line, 0);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedOf(choice.line));
    choice = choosePreset(m_library, PresetMove::Line, 1);
    EXPECT_EQ(choice.line, 1);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedOf(1));

    // No line selected, or one past the end: nothing happens.
    const std::string before = presetBytes(m_preset);
    EXPECT_FALSE(choosePreset(m_library, PresetMove::Line, -1).moved);
    EXPECT_FALSE(choosePreset(m_library, PresetMove::Line, 3).moved);
    EXPECT_EQ(m_library.index, 1);
    EXPECT_EQ(presetBytes(m_preset), before);
}

TEST_F(PresetChoiceTest, AFolderWithoutPresetsGivesAnEmptyListAndButtonsThatDoNothing)
{
    const std::string before = presetBytes(m_preset);
    for (const std::string& folder : { presetsFolder().string(), (presetsFolder() / "missing").string() }) {
        m_options.presetsDir = folder;
        EXPECT_TRUE(rescanPresets(m_library).empty());
        for (PresetMove move : { PresetMove::Previous, PresetMove::Next, PresetMove::Random, PresetMove::Line }) {
            const PresetChoice choice = choosePreset(m_library, move, 0);
            EXPECT_FALSE(choice.moved);
            EXPECT_TRUE(choice.error.empty());
        }
    }
    EXPECT_EQ(presetBytes(m_preset), before);
}

TEST_F(PresetChoiceTest, AFolderOfThousandsListsTheLibrarysFiveHundred)
{
    for (int i = 0; i < 1200; ++i)
        writeWholeFile(presetsFolder() / ("n" + std::to_string(i) + (i % 2 ? ".vhp" : ".txt")), "");
    const std::vector<std::string> lines = rescanPresets(m_library);
    ASSERT_EQ(lines.size(), 500u);
    EXPECT_EQ(m_library.count, 500);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], m_library.names[i]);
}

TEST_F(PresetChoiceTest, AListedPresetThatWentBadSinceTheScanIsRefusedWithAReason)
{
    writePresetFile(presetsFolder() / "a.vhp", 0.3);
    writePresetFile(presetsFolder() / "b.vhp", 0.4);
    rescanPresets(m_library);
    ASSERT_TRUE(choosePreset(m_library, PresetMove::Line, 0).loaded);
    const std::string shown = presetBytes(m_preset);

    const std::string other = m_library.names[1];
    writeWholeFile(presetsFolder() / other, "qrt\0 but cut short");
    PresetChoice choice = choosePreset(m_library, PresetMove::Next);
    EXPECT_TRUE(choice.moved);
    EXPECT_FALSE(choice.loaded);
    EXPECT_EQ(choice.line, 1) << "the list still follows the position";
    EXPECT_NE(choice.error.find(other), std::string::npos);
    EXPECT_NE(choice.error.find("not a valid preset"), std::string::npos) << choice.error;
    EXPECT_EQ(presetBytes(m_preset), shown);

    fs::remove(presetsFolder() / other);
    choice = choosePreset(m_library, PresetMove::Line, 1);
    EXPECT_NE(choice.error.find("no longer exists"), std::string::npos) << choice.error;
    EXPECT_EQ(presetBytes(m_preset), shown);

    fs::create_directory(presetsFolder() / other);
    choice = choosePreset(m_library, PresetMove::Line, 1);
    EXPECT_NE(choice.error.find("not a file"), std::string::npos) << choice.error;
    EXPECT_EQ(presetBytes(m_preset), shown);
}

TEST_F(PresetChoiceTest, SaveTargetGetsTheExtensionOnlyWhenItHasNone)
{
    EXPECT_EQ(presetSaveTarget("/p/mine"), fs::path("/p/mine.vhp"));
    EXPECT_EQ(presetSaveTarget("/p/mine.vhp"), fs::path("/p/mine.vhp"));
    EXPECT_EQ(presetSaveTarget("/p/MINE.VHP"), fs::path("/p/MINE.VHP"));
    EXPECT_EQ(presetSaveTarget("/p/mine.txt"), fs::path("/p/mine.txt.vhp"));
    EXPECT_EQ(presetSaveTarget("/p/my preset é"), fs::path("/p/my preset é.vhp"));
    EXPECT_EQ(presetSaveTarget("/p/.vhp"), fs::path("/p/.vhp"));
    EXPECT_EQ(presetSaveTarget("/p/folder/"), fs::path("/p/folder/")) << "a folder is left for the save to refuse";
    // A name that is empty once trimmed names no file, as an empty one does.
    EXPECT_EQ(presetSaveTarget("/p/   "), fs::path());
    EXPECT_EQ(presetSaveTarget("/p/ \t "), fs::path());
    EXPECT_EQ(presetSaveTarget("/p/ a "), fs::path("/p/ a .vhp"));
}

// A presets folder that is no folder is named as the fault; the save starts in the nearest
// folder that exists, and the folder of the preset saved there becomes the presets folder, so
// the list shows it.
TEST_F(PresetChoiceTest, APresetsFolderThatIsNoFolderIsNamedAndTheSaveMovesTheListToItsFolder)
{
    const fs::path base = presetsFolder();
    writeWholeFile(base / "plain file", "not a folder");
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
        const std::string problem = presetsFolderProblem(each.folder);
        EXPECT_EQ(problem.empty(), each.problem.empty()) << problem;
        EXPECT_NE(problem.find(each.problem), std::string::npos) << problem;
        EXPECT_EQ(presetSaveFolder(each.folder), each.saveFolder);
        const fs::path saved = each.saveFolder / "mine.vhp";
        EXPECT_EQ(presetsFolderAfterSave(each.folder, saved), problem.empty() ? each.folder : base.string());
    }

    m_options.presetsDir = (base / "plain file").string();
    Preset preset = distinctPreset(0.3);
    std::string reason;
    const fs::path target = presetSaveTarget(presetSaveFolder(m_options.presetsDir) / "mine");
    ASSERT_TRUE(savePresetAs(target, preset, reason)) << reason;
    m_options.presetsDir = presetsFolderAfterSave(m_options.presetsDir, target);
    EXPECT_EQ(rescanPresets(m_library), std::vector<std::string> { "mine.vhp" });
}

TEST_F(PresetChoiceTest, AFailedSaveSaysWhyAndLeavesNoFile)
{
    Preset preset = distinctPreset(0.5);
    std::string reason;

    fs::create_directory(presetsFolder() / "taken.vhp");
    EXPECT_FALSE(savePresetAs(presetsFolder() / "taken.vhp", preset, reason));
    EXPECT_NE(reason.find("a folder of that name"), std::string::npos) << reason;

    EXPECT_FALSE(savePresetAs(presetsFolder() / "gone" / "p.vhp", preset, reason));
    EXPECT_NE(reason.find("does not exist"), std::string::npos) << reason;

    EXPECT_FALSE(savePresetAs(presetSaveTarget(presetsFolder() / "folder/"), preset, reason));
    EXPECT_FALSE(reason.empty());

    // A file system that takes no new files, even from the superuser.
    EXPECT_FALSE(savePresetAs("/proc/opal-revel-test.vhp", preset, reason));
    EXPECT_NE(reason.find("/proc/opal-revel-test.vhp"), std::string::npos) << reason;

    // Nothing half-written was left anywhere in the presets folder.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(presetsFolder()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string> { "taken.vhp" });

    // Saving over an existing preset replaces it whole.
    writePresetFile(presetsFolder() / "old.vhp", 0.9);
    ASSERT_TRUE(savePresetAs(presetsFolder() / "old.vhp", preset, reason)) << reason;
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(readWholeFile(presetsFolder() / "old.vhp"), presetBytes(preset));
}

} // namespace
