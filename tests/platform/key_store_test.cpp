#include "platform/key_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/reg_text.h"

#include "tests/platform/temp_folder.h"

namespace {

constexpr const char* kValues = "Software\\Tallow Engines\\Opal Revel\\Values";
constexpr const char* kPaths = "Software\\Tallow Engines\\Opal Revel\\Paths";

class KeyStoreTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return m_folder.path() / "opal-revel" / "registry.reg"; }
    void writeStore(std::string_view text) { writeWholeFile(file(), text); }

    TempFolder m_folder;
};

TEST_F(KeyStoreTest, OpeningWithoutCreatingNeedsTheKeyInTheFile)
{
    RegFileKeyStore store(file());
    EXPECT_EQ(store.openKey(kValues, false), kNoKey);
    EXPECT_FALSE(std::filesystem::exists(file()));

    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]\n");
    EXPECT_EQ(store.openKey(kValues, false), kNoKey);
    const KeyHandle paths = store.openKey(kPaths, false);
    EXPECT_NE(paths, kNoKey);
    EXPECT_TRUE(store.closeKey(paths));
}

TEST_F(KeyStoreTest, TellsMissingWrongTypeAndIntegerApart)
{
    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n"
               "\"Scale\"=dword:0000004b\n\"Seconds\"=\"10\"\n\"Mirror\"=dword:xyz\n\"Travel\"=hex:01\n");
    RegFileKeyStore store(file());
    const KeyHandle key = store.openKey(kValues, false);
    ASSERT_NE(key, kNoKey);
    int32_t value = -7;
    EXPECT_EQ(store.readInteger(key, "Scale", value), ValueRead::Ok);
    EXPECT_EQ(value, 75);
    value = -7;
    EXPECT_EQ(store.readInteger(key, "Seconds", value), ValueRead::WrongType);
    EXPECT_EQ(store.readInteger(key, "Travel", value), ValueRead::WrongType);
    EXPECT_EQ(store.readInteger(key, "Mirror", value), ValueRead::Missing);
    EXPECT_EQ(store.readInteger(key, "LowRes", value), ValueRead::Missing);
    EXPECT_EQ(value, -7) << "a failed read leaves the target alone";

    std::string text = "untouched";
    EXPECT_EQ(store.readString(key, "Seconds", text), ValueRead::Ok);
    EXPECT_EQ(text, "10");
    EXPECT_EQ(store.readString(key, "Scale", text), ValueRead::WrongType);
    EXPECT_EQ(store.closeKey(key), true);
    EXPECT_EQ(store.readInteger(key, "Scale", value), ValueRead::Missing) << "a closed handle reads nothing";
}

TEST_F(KeyStoreTest, WritesReachTheFileWhenTheKeyIsClosed)
{
    RegFileKeyStore store(file());
    const KeyHandle key = store.openKey(kValues, true);
    ASSERT_NE(key, kNoKey);
    EXPECT_TRUE(store.writeInteger(key, "Scale", 75));
    EXPECT_TRUE(store.writeInteger(key, "Mirror", -1));
    EXPECT_TRUE(store.writeString(key, "Note", "a \"b\" \\ c"));
    int32_t value = 0;
    EXPECT_EQ(store.readInteger(key, "Mirror", value), ValueRead::Ok) << "an open key reads its own writes";
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_TRUE(store.closeKey(key));

    EXPECT_EQ(readWholeFile(file()),
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n"
        "\"Scale\"=dword:0000004b\n\"Mirror\"=dword:ffffffff\n"
        "\"Note\"=\"a \\\"b\\\" \\\\ c\"\n");
    RegFileKeyStore again(file());
    const KeyHandle reopened = again.openKey(kValues, false);
    std::string note;
    EXPECT_EQ(again.readString(reopened, "note", note), ValueRead::Ok);
    EXPECT_EQ(note, "a \"b\" \\ c");
    again.closeKey(reopened);
}

TEST_F(KeyStoreTest, ClosingKeepsWhatOthersWroteMeanwhile)
{
    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Other]\n\"Kept\"=hex:01,02\n");
    RegFileKeyStore first(file());
    RegFileKeyStore second(file());
    const KeyHandle values = first.openKey(kValues, true);
    const KeyHandle paths = second.openKey(kPaths, true);
    first.writeInteger(values, "Scale", 80);
    second.writeString(paths, "PresetsDir", "/p");
    EXPECT_TRUE(second.closeKey(paths));
    EXPECT_TRUE(first.closeKey(values));

    const RegDocument document = parseRegText(readWholeFile(file()));
    ASSERT_EQ(document.keys.size(), 3u);
    EXPECT_EQ(document.find("HKEY_CURRENT_USER\\Other")->find("Kept")->text, "hex:01,02");
    EXPECT_EQ(document.find(fullKeyPath(kValues))->find("Scale")->integer, 80u);
    EXPECT_EQ(document.find(fullKeyPath(kPaths))->find("PresetsDir")->text, "/p");
}

TEST_F(KeyStoreTest, CorruptFilesReadAsMissing)
{
    RegFileKeyStore store(file());
    const std::string garbage[] = {
        std::string("\0\xff\xfe[\x01\"\"=\n\n\n[", 12),
        "[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n\"Scale\"=dword:",
        "[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n\"Scale\"=dword:"
            + std::string(100000, 'f'),
        std::string(200000, '"'),
    };
    for (const std::string& text : garbage) {
        writeStore(text);
        const KeyHandle key = store.openKey(kValues, false);
        int32_t value = 0;
        EXPECT_NE(store.readInteger(key, "Scale", value), ValueRead::Ok);
        if (key != kNoKey)
            store.closeKey(key);
    }
}

TEST_F(KeyStoreTest, RefusedWritesAndUnwritableStoresReportFailure)
{
    RegFileKeyStore store(file());
    const KeyHandle key = store.openKey(kPaths, true);
    EXPECT_FALSE(store.writeString(key, "PresetsDir", "two\nlines"));
    EXPECT_FALSE(store.writeInteger(key, "", 1));
    EXPECT_FALSE(store.writeInteger(kNoKey, "Scale", 1));
    EXPECT_FALSE(store.closeKey(kNoKey));
    EXPECT_TRUE(store.closeKey(key)) << "creating the key alone is a change that is stored";
    EXPECT_NE(readWholeFile(file()).find("[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]"),
        std::string::npos);

    // A store whose folder is a plain file cannot be written.
    writeWholeFile(m_folder.path() / "blocked", "x");
    RegFileKeyStore blocked(m_folder.path() / "blocked" / "registry.reg");
    const KeyHandle values = blocked.openKey(kValues, true);
    blocked.writeInteger(values, "Scale", 1);
    EXPECT_FALSE(blocked.closeKey(values));
}

TEST_F(KeyStoreTest, AStoreOfSomeMiBIsReadWhole)
{
    // A Paths key after a mebibyte and more of padding, as a hand-edited store may hold.
    std::string text = "REGEDIT4\n\n; " + std::string(3u << 20, 'x') + "\n\n[HKEY_CURRENT_USER\\" + kPaths
        + "]\n\"PresetsDir\"=\"/p\"\n";
    writeStore(text);
    RegFileKeyStore store(file());
    const KeyHandle key = store.openKey(kPaths, false);
    ASSERT_NE(key, kNoKey);
    std::string folder;
    EXPECT_EQ(store.readString(key, "PresetsDir", folder), ValueRead::Ok);
    EXPECT_EQ(folder, "/p");
    EXPECT_TRUE(store.problem().empty());
    store.closeKey(key);
}

TEST_F(KeyStoreTest, AStoreThatCannotBeReadIsNeitherMissingNorWrittenOver)
{
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kPaths) + "]\n\"PresetsDir\"=\"/p\"\n";
    huge.resize(kMaxRegTextBytes + 1, ' ');
    writeStore(huge);
    RegFileKeyStore store(file());
    EXPECT_EQ(store.openKey(kPaths, false), kNoKey);
    EXPECT_NE(store.problem().find("too large"), std::string::npos) << store.problem();
    // Creating a key and writing into it would replace the whole store with that key alone.
    EXPECT_EQ(store.openKey(kValues, true), kNoKey);
    EXPECT_EQ(readWholeFile(file()).size(), huge.size());

    // A pipe in the store's place neither stops the open nor is taken for a missing store.
    std::filesystem::remove(file());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    EXPECT_EQ(store.openKey(kPaths, false), kNoKey);
    EXPECT_NE(store.problem().find("not a regular file"), std::string::npos) << store.problem();

    // Once the store is missing there is nothing wrong with it.
    std::filesystem::remove(file());
    EXPECT_EQ(store.openKey(kPaths, false), kNoKey);
    EXPECT_TRUE(store.problem().empty());
}

TEST(KeyPath, EmptyPartsAreDropped)
{
    EXPECT_EQ(fullKeyPath("Software\\A\\"), "HKEY_CURRENT_USER\\Software\\A");
    EXPECT_EQ(fullKeyPath("\\Software\\\\A"), "HKEY_CURRENT_USER\\Software\\A");
}

} // namespace
