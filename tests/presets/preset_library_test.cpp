#include "tests/presets/preset_fixture.h"

#include <map>
#include <set>

namespace {

class Library : public PresetFixture {
protected:
    // Presets whose round speeds are 0.1, 0.2, ... in the order given by their names.
    void makePresets(int count)
    {
        Settings.PresetsDir = presetsFolder().string();
        std::filesystem::create_directories(presetsFolder());
        for (int i = 0; i < count; ++i)
            WritePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    }
    // The round speed written into the preset at a position of the list.
    double speedAt(int32_t index) const
    {
        const std::string& name = ThePresetLibrary.Names[static_cast<std::size_t>(index)];
        return 0.1 * (std::stoi(name.substr(1)) + 1);
    }

    PresetLibrary& library = ThePresetLibrary;
};

TEST_F(Library, ScanListsWithoutLoading)
{
    makePresets(3);
    const std::string startBytes = PresetBytes(CurrentPreset);
    library.Index = 2;
    library.Scan();
    EXPECT_EQ(library.Count, 3);
    EXPECT_EQ(library.Index, 0);
    EXPECT_EQ(PresetBytes(CurrentPreset), startBytes);
    EXPECT_EQ(std::set<std::string>(library.Names.begin(), library.Names.begin() + 3),
        (std::set<std::string> { "p0.vhp", "p1.vhp", "p2.vhp" }));
}

TEST_F(Library, StepsWrapAroundBothWays)
{
    makePresets(3);
    library.Scan();
    library.Index = 2;
    EXPECT_EQ(library.Step(true), 0);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedAt(0));
    EXPECT_EQ(library.Step(false), 2);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedAt(2));
    EXPECT_EQ(library.Step(false), 1);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedAt(1));
}

TEST_F(Library, RandomPicksAlternateBetweenTwo)
{
    makePresets(2);
    library.Scan();
    for (int i = 0; i < 20; ++i) {
        const int32_t expected = 1 - library.Index;
        EXPECT_EQ(library.PickRandom(), expected);
        EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedAt(expected));
    }
}

TEST_F(Library, RandomPickWithOnePresetReloadsIt)
{
    makePresets(1);
    library.Scan();
    CurrentPreset.RoundSpeed = 5.0;
    EXPECT_EQ(library.PickRandom(), 0);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, 0.1);
}

TEST_F(Library, AnEmptyListLoadsNothing)
{
    Settings.PresetsDir = presetsFolder().string();
    library.Scan();
    const std::string startBytes = PresetBytes(CurrentPreset);
    EXPECT_EQ(library.Step(true), 0);
    EXPECT_EQ(library.Step(false), 0);
    EXPECT_EQ(library.PickRandom(), 0);
    library.Select(0);
    library.LoadCurrent();
    EXPECT_EQ(library.Index, 0);
    EXPECT_EQ(PresetBytes(CurrentPreset), startBytes);
}

TEST_F(Library, SelectOutsideTheListIsIgnored)
{
    makePresets(3);
    library.Scan();
    library.Select(2);
    EXPECT_EQ(library.Index, 2);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, speedAt(2));
    CurrentPreset.RoundSpeed = 5.0;
    for (const int32_t outside : { -1, 3, 1000 }) {
        library.Select(outside);
        EXPECT_EQ(library.Index, 2);
        EXPECT_EQ(CurrentPreset.RoundSpeed, 5.0);
    }
}

TEST_F(Library, EntriesThatAreNotPresetsMoveThePositionButLoadNothing)
{
    makePresets(1);
    std::filesystem::create_directory(presetsFolder() / "folder.vhp");
    library.Scan();
    ASSERT_EQ(library.Count, 2);
    const int32_t folderIndex = library.Names[0] == "folder.vhp" ? 0 : 1;
    library.Select(1 - folderIndex);
    const std::string loaded = PresetBytes(CurrentPreset);
    library.Select(folderIndex);
    EXPECT_EQ(library.Index, folderIndex);
    EXPECT_EQ(PresetBytes(CurrentPreset), loaded);

    std::filesystem::remove(presetsFolder() / "p0.vhp");
    EXPECT_EQ(library.Step(true), 1 - folderIndex) << "a file gone since the scan is still listed";
    EXPECT_EQ(PresetBytes(CurrentPreset), loaded);
}

TEST_F(Library, AtMostFiveHundredNamesAreListed)
{
    Settings.PresetsDir = presetsFolder().string();
    std::filesystem::create_directories(presetsFolder());
    for (int i = 0; i < 503; ++i)
        WriteWholeFile(presetsFolder() / ("n" + std::to_string(i) + ".vhp"), "");
    library.Scan();
    EXPECT_EQ(library.Count, 500);
    library.Index = 499;
    EXPECT_EQ(library.Step(true), 0);
}

} // namespace
