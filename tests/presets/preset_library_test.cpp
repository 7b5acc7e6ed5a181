#include "tests/presets/preset_fixture.h"

#include <map>
#include <set>

namespace {

class Library : public PresetFixture {
protected:
    // Presets whose round speeds are 0.1, 0.2, ... in the order given by their names.
    void makePresets(int count)
    {
        m_options.presetsDir = presetsFolder().string();
        std::filesystem::create_directories(presetsFolder());
        for (int i = 0; i < count; ++i)
            writePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    }
    // The round speed written into the preset at a position of the list.
    double speedAt(int32_t index) const
    {
        const std::string& name = m_library.names[static_cast<std::size_t>(index)];
        return 0.1 * (std::stoi(name.substr(1)) + 1);
    }
};

TEST_F(Library, ScanListsWithoutLoading)
{
    makePresets(3);
    const std::string startBytes = presetBytes(m_preset);
    m_library.index = 2;
    m_library.scan();
    EXPECT_EQ(m_library.count, 3);
    EXPECT_EQ(m_library.index, 0);
    EXPECT_EQ(presetBytes(m_preset), startBytes);
    EXPECT_EQ(std::set<std::string>(m_library.names.begin(), m_library.names.begin() + 3),
        (std::set<std::string> { "p0.vhp", "p1.vhp", "p2.vhp" }));
}

TEST_F(Library, StepsWrapAroundBothWays)
{
    makePresets(3);
    m_library.scan();
    m_library.index = 2;
    EXPECT_EQ(m_library.step(true), 0);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedAt(0));
    EXPECT_EQ(m_library.step(false), 2);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedAt(2));
    EXPECT_EQ(m_library.step(false), 1);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedAt(1));
}

TEST_F(Library, RandomPicksAlternateBetweenTwo)
{
    makePresets(2);
    m_library.scan();
    for (int i = 0; i < 20; ++i) {
        const int32_t expected = 1 - m_library.index;
        EXPECT_EQ(m_library.pickRandom(), expected);
        EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedAt(expected));
    }
}

TEST_F(Library, RandomPickWithOnePresetReloadsIt)
{
    makePresets(1);
    m_library.scan();
    m_preset.roundSpeed = 5.0;
    EXPECT_EQ(m_library.pickRandom(), 0);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, 0.1);
}

TEST_F(Library, AnEmptyListLoadsNothing)
{
    m_options.presetsDir = presetsFolder().string();
    m_library.scan();
    const std::string startBytes = presetBytes(m_preset);
    EXPECT_EQ(m_library.step(true), 0);
    EXPECT_EQ(m_library.step(false), 0);
    EXPECT_EQ(m_library.pickRandom(), 0);
    m_library.select(0);
    m_library.loadCurrent();
    EXPECT_EQ(m_library.index, 0);
    EXPECT_EQ(presetBytes(m_preset), startBytes);
}

TEST_F(Library, SelectOutsideTheListIsIgnored)
{
    makePresets(3);
    m_library.scan();
    m_library.select(2);
    EXPECT_EQ(m_library.index, 2);
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, speedAt(2));
    m_preset.roundSpeed = 5.0;
    for (const int32_t outside : { -1, 3, 1000 }) {
        m_library.select(outside);
        EXPECT_EQ(m_library.index, 2);
        EXPECT_EQ(m_preset.roundSpeed, 5.0);
    }
}

TEST_F(Library, EntriesThatAreNotPresetsMoveThePositionButLoadNothing)
{
    makePresets(1);
    std::filesystem::create_directory(presetsFolder() / "folder.vhp");
    m_library.scan();
    ASSERT_EQ(m_library.count, 2);
    const int32_t folderIndex = m_library.names[0] == "folder.vhp" ? 0 : 1;
    m_library.select(1 - folderIndex);
    const std::string loaded = presetBytes(m_preset);
    m_library.select(folderIndex);
    EXPECT_EQ(m_library.index, folderIndex);
    EXPECT_EQ(presetBytes(m_preset), loaded);

    std::filesystem::remove(presetsFolder() / "p0.vhp");
    EXPECT_EQ(m_library.step(true), 1 - folderIndex) << "a file gone since the scan is still listed";
    EXPECT_EQ(presetBytes(m_preset), loaded);
}

TEST_F(Library, AtMostFiveHundredNamesAreListed)
{
    m_options.presetsDir = presetsFolder().string();
    std::filesystem::create_directories(presetsFolder());
    for (int i = 0; i < 503; ++i)
        writeWholeFile(presetsFolder() / ("n" + std::to_string(i) + ".vhp"), "");
    m_library.scan();
    EXPECT_EQ(m_library.count, 500);
    m_library.index = 499;
    EXPECT_EQ(m_library.step(true), 0);
}

} // namespace
