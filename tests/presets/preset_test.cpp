#include "tests/presets/preset_fixture.h"

#include <cmath>
#include <limits>
#include <sys/stat.h>

#include "presets/stored_bytes.h"

namespace {

using PresetFile = PresetFixture;

const uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

bool readFrom(Preset& preset, const std::string& bytes)
{
    std::istringstream in(bytes, std::ios::binary);
    return readPreset(preset, in);
}

// Every stack pointer of the table, to see that a refused read replaced nothing.
std::vector<const ShapeStack*> stacksOf(const Preset& preset)
{
    std::vector<const ShapeStack*> stacks;
    for (const auto& row : preset.objects.stacks)
        for (const auto& slot : row)
            stacks.push_back(slot.get());
    return stacks;
}

TEST_F(PresetFile, BlockHasTheStoredLayout)
{
    Preset preset = distinctPreset(0.75);
    const std::string bytes = presetBytes(preset);
    ASSERT_EQ(bytes.size(), 2632u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("qrt\0", 4));
    EXPECT_EQ(getLeInt32(bytesOf(bytes) + 4), 1);
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(getLeInt32(bytesOf(bytes) + 8 + 4 * object), preset.objectEnabled[object]);
    EXPECT_EQ(getLeDouble(bytesOf(bytes) + 36), 0.75);
    EXPECT_EQ(getLeDouble(bytesOf(bytes) + 44), -0.25);
    EXPECT_EQ(getLeInt32(bytesOf(bytes) + 52), 1);
    // 0.75 is 0x3FE8000000000000: the low word comes first.
    EXPECT_EQ(bytes.substr(36, 8), std::string("\0\0\0\0\0\0\xe8\x3f", 8));
    for (int object = 0; object < kObjectCount; ++object) {
        const StackBlock block = writeStackBlock(*preset.objects.stacks[object][0]);
        EXPECT_EQ(bytes.substr(56 + 368 * object, 368), std::string(block.begin(), block.end())) << object;
    }
}

TEST_F(PresetFile, RoundTripIsByteForByteAndMarksEveryStackDirty)
{
    Preset written = distinctPreset(0.5);
    written.version = 5;
    const std::string bytes = presetBytes(written);
    EXPECT_EQ(written.version, 5) << "writing leaves the record as it was";
    EXPECT_EQ(getLeInt32(bytesOf(bytes) + 4), 1) << "a record of version 5 is written as version 1";

    for (const auto& row : m_preset.objects.stacks) {
        row[0]->reducedDirty = false;
        row[0]->fullDirty = false;
    }
    ASSERT_TRUE(readFrom(m_preset, bytes));
    EXPECT_EQ(m_preset.objectEnabled, written.objectEnabled);
    EXPECT_EQ(m_preset.roundSpeed, 0.5);
    EXPECT_EQ(m_preset.radialSpeed, -0.25);
    EXPECT_EQ(m_preset.objects.stacksPerObject, 1);
    for (const auto& row : m_preset.objects.stacks) {
        ASSERT_NE(row[0], nullptr);
        EXPECT_EQ(row[0]->reducedDirty, 1);
        EXPECT_EQ(row[0]->fullDirty, 1);
        EXPECT_EQ(row[1], nullptr);
    }
    EXPECT_EQ(presetBytes(m_preset), bytes);

    // Reading the same content again still gives new, dirty stacks.
    m_preset.objects.stacks[0][0]->reducedDirty = false;
    ASSERT_TRUE(readFrom(m_preset, bytes));
    EXPECT_EQ(m_preset.objects.stacks[0][0]->reducedDirty, 1);
    EXPECT_EQ(presetBytes(m_preset), bytes);
}

TEST_F(PresetFile, BadBlocksLeaveThePresetExactlyAsItWas)
{
    Preset good = distinctPreset(0.5);
    const std::string bytes = presetBytes(good);
    const auto withInt = [&](std::size_t offset, int32_t value) {
        std::string changed = bytes;
        putLeInt32(reinterpret_cast<uint8_t*>(changed.data()) + offset, value);
        return changed;
    };
    const auto withSpeed = [&](double value) {
        std::string changed = bytes;
        putLeDouble(reinterpret_cast<uint8_t*>(changed.data()) + 44, value);
        return changed;
    };
    std::string fourthByte = bytes;
    fourthByte[3] = '!';
    const std::vector<std::pair<const char*, std::string>> cases = {
        { "fourth magic byte not zero", fourthByte },
        { "empty", "" },
        { "magic only", bytes.substr(0, 4) },
        { "header cut short", bytes.substr(0, 55) },
        { "last block one byte short", bytes.substr(0, 2631) },
        { "no stacks", withInt(52, 0) },
        { "eleven stacks", withInt(52, 11) },
        { "negative stacks", withInt(52, -1) },
        { "two stacks but only one stored", withInt(52, 2) },
        { "speed not a number", withSpeed(std::numeric_limits<double>::quiet_NaN()) },
        { "infinite speed", withSpeed(std::numeric_limits<double>::infinity()) },
    };
    const std::string startBytes = presetBytes(m_preset);
    const auto startStacks = stacksOf(m_preset);
    for (const auto& [what, input] : cases) {
        EXPECT_FALSE(readFrom(m_preset, input)) << what;
        EXPECT_EQ(stacksOf(m_preset), startStacks) << what;
        EXPECT_EQ(presetBytes(m_preset), startBytes) << what;
    }
}

TEST_F(PresetFile, WrongMagicStopsJustPastTheMagic)
{
    std::istringstream in(std::string("qrs\0rest", 8), std::ios::binary);
    EXPECT_FALSE(readPreset(m_preset, in));
    EXPECT_EQ(in.tellg(), 4);
}

TEST_F(PresetFile, SeveralStacksPerObjectAreReadAndWrittenObjectMajor)
{
    // Two slots per object: object 1 slot 0, object 1 slot 1, object 2 slot 0, ...
    Preset source = distinctPreset(0.5);
    std::string bytes = presetBytes(source).substr(0, 56);
    putLeInt32(reinterpret_cast<uint8_t*>(bytes.data()) + 52, 2);
    for (int object = 0; object < kObjectCount; ++object) {
        for (int slot = 0; slot < 2; ++slot) {
            auto stack = newShapeStack();
            stack->masterSize = 10 * object + slot;
            const StackBlock block = writeStackBlock(*stack);
            bytes.append(block.begin(), block.end());
        }
    }
    bytes += "trailing bytes are not part of the block";
    std::istringstream in(bytes, std::ios::binary);
    ASSERT_TRUE(readPreset(m_preset, in));
    EXPECT_EQ(in.tellg(), static_cast<std::streamoff>(presetBlockBytes(2)));
    EXPECT_EQ(m_preset.objects.stacksPerObject, 2);
    EXPECT_EQ(m_preset.objects.stacks[3][1]->masterSize, 31);
    EXPECT_EQ(m_preset.objects.stacks[3][2], nullptr);
    EXPECT_EQ(presetBytes(m_preset), bytes.substr(0, presetBlockBytes(2)));
}

TEST_F(PresetFile, AnEmptyTableIsWrittenAsOneNewStackPerObject)
{
    Preset empty;
    const std::string bytes = presetBytes(empty);
    ASSERT_EQ(bytes.size(), kPresetFileBytes);
    EXPECT_TRUE(readFrom(m_preset, bytes));
}

TEST_F(PresetFile, FilesAreSavedWholeOrNotAtAll)
{
    Preset preset = distinctPreset(0.3);
    const auto path = m_home.root() / "one.vhp";
    ASSERT_TRUE(savePresetFile(path, preset));
    EXPECT_EQ(readWholeFile(path), presetBytes(preset));
    EXPECT_TRUE(loadPresetFile(path, m_preset));
    EXPECT_EQ(m_preset.roundSpeed, 0.3);

    EXPECT_FALSE(savePresetFile(m_home.root() / "missing" / "two.vhp", preset));
    EXPECT_FALSE(loadPresetFile(m_home.root() / "missing" / "two.vhp", m_preset));
    EXPECT_FALSE(loadPresetFile(m_home.root(), m_preset)) << "a folder is not a preset";
    ASSERT_EQ(::mkfifo((m_home.root() / "pipe.vhp").c_str(), 0600), 0);
    EXPECT_FALSE(loadPresetFile(m_home.root() / "pipe.vhp", m_preset)) << "a pipe is not opened";
    EXPECT_EQ(m_preset.roundSpeed, 0.3);
}

TEST_F(PresetFile, ListsEveryEntryEndingInVhpInAnyCase)
{
    const auto folder = presetsFolder();
    writePresetFile(folder / "a.vhp", 0.1);
    writePresetFile(folder / "B.VHP", 0.2);
    writeWholeFile(folder / "c.txt", "x");
    writeWholeFile(folder / "vhp", "x");
    std::filesystem::create_directory(folder / "folder.vhp");

    std::vector<std::string> names = listPresetNames(folder.string(), 500);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "B.VHP", "a.vhp", "folder.vhp" }));
    EXPECT_EQ(listPresetNames(folder.string(), 2).size(), 2u);
    EXPECT_TRUE(listPresetNames((folder / "nowhere").string(), 500).empty());
    EXPECT_EQ(presetPath(folder.string(), "a.vhp"), folder / "a.vhp");
    EXPECT_EQ(presetPath("", "a.vhp"), "/a.vhp");
}

TEST_F(PresetFile, RandomPresetWithOneFileAlwaysLoadsIt)
{
    m_options.presetsDir = presetsFolder().string();
    writePresetFile(presetsFolder() / "only.vhp", 0.9);
    for (int i = 0; i < 3; ++i) {
        m_preset.roundSpeed = 0.0;
        loadRandomPreset(m_options.presetsDir, m_preset);
        EXPECT_EQ(m_preset.roundSpeed, 0.9);
    }
}

TEST_F(PresetFile, RandomPresetWithNothingToChooseChangesNothing)
{
    const std::string startBytes = presetBytes(m_preset);
    std::filesystem::create_directories(presetsFolder());
    for (const auto& folder : { presetsFolder(), m_home.root() / "nowhere" }) {
        m_options.presetsDir = folder.string();
        loadRandomPreset(m_options.presetsDir, m_preset);
        EXPECT_EQ(presetBytes(m_preset), startBytes);
    }
    // A chosen entry that is not a preset changes nothing either.
    writeWholeFile(presetsFolder() / "broken.vhp", "qrt");
    m_options.presetsDir = presetsFolder().string();
    loadRandomPreset(m_options.presetsDir, m_preset);
    EXPECT_EQ(presetBytes(m_preset), startBytes);
}

} // namespace
