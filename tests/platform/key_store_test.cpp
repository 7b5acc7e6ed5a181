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
    void writeStore(std::string_view text) { WriteWholeFile(file(), text); }

    TempFolder m_folder;
};

TEST_F(KeyStoreTest, OpeningWithoutCreatingNeedsTheKeyInTheFile)
{
    RegFileKeyStore store(file());
    EXPECT_EQ(store.OpenKey(kValues, false), kNoKey);
    EXPECT_FALSE(std::filesystem::exists(file()));

    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]\n");
    EXPECT_EQ(store.OpenKey(kValues, false), kNoKey);
    const KeyHandle paths = store.OpenKey(kPaths, false);
    EXPECT_NE(paths, kNoKey);
    EXPECT_TRUE(store.CloseKey(paths));
}

TEST_F(KeyStoreTest, TellsMissingWrongTypeAndIntegerApart)
{
    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n"
               "\"Scale\"=dword:0000004b\n\"Seconds\"=\"10\"\n\"Mirror\"=dword:xyz\n\"Travel\"=hex:01\n");
    RegFileKeyStore store(file());
    const KeyHandle key = store.OpenKey(kValues, false);
    ASSERT_NE(key, kNoKey);
    int32_t value = -7;
    EXPECT_EQ(store.ReadInteger(key, "Scale", value), ValueRead::Ok);
    EXPECT_EQ(value, 75);
    value = -7;
    EXPECT_EQ(store.ReadInteger(key, "Seconds", value), ValueRead::WrongType);
    EXPECT_EQ(store.ReadInteger(key, "Travel", value), ValueRead::WrongType);
    EXPECT_EQ(store.ReadInteger(key, "Mirror", value), ValueRead::Missing);
    EXPECT_EQ(store.ReadInteger(key, "LowRes", value), ValueRead::Missing);
    EXPECT_EQ(value, -7) << "a failed read leaves the target alone";

    std::string text = "untouched";
    EXPECT_EQ(store.ReadString(key, "Seconds", text), ValueRead::Ok);
    EXPECT_EQ(text, "10");
    EXPECT_EQ(store.ReadString(key, "Scale", text), ValueRead::WrongType);
    EXPECT_EQ(store.CloseKey(key), true);
    EXPECT_EQ(store.ReadInteger(key, "Scale", value), ValueRead::Missing) << "a closed handle reads nothing";
}

TEST_F(KeyStoreTest, WritesReachTheFileWhenTheKeyIsClosed)
{
    RegFileKeyStore store(file());
    const KeyHandle key = store.OpenKey(kValues, true);
    ASSERT_NE(key, kNoKey);
    EXPECT_TRUE(store.WriteInteger(key, "Scale", 75));
    EXPECT_TRUE(store.WriteInteger(key, "Mirror", -1));
    EXPECT_TRUE(store.WriteString(key, "Note", "a \"b\" \\ c"));
    int32_t value = 0;
    EXPECT_EQ(store.ReadInteger(key, "Mirror", value), ValueRead::Ok) << "an open key reads its own writes";
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_TRUE(store.CloseKey(key));

    EXPECT_EQ(ReadWholeFile(file()),
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n"
        "\"Scale\"=dword:0000004b\n\"Mirror\"=dword:ffffffff\n"
        "\"Note\"=\"a \\\"b\\\" \\\\ c\"\n");
    RegFileKeyStore again(file());
    const KeyHandle reopened = again.OpenKey(kValues, false);
    std::string note;
    EXPECT_EQ(again.ReadString(reopened, "note", note), ValueRead::Ok);
    EXPECT_EQ(note, "a \"b\" \\ c");
    again.CloseKey(reopened);
}

TEST_F(KeyStoreTest, ClosingKeepsWhatOthersWroteMeanwhile)
{
    writeStore("REGEDIT4\n\n[HKEY_CURRENT_USER\\Other]\n\"Kept\"=hex:01,02\n");
    RegFileKeyStore first(file());
    RegFileKeyStore second(file());
    const KeyHandle values = first.OpenKey(kValues, true);
    const KeyHandle paths = second.OpenKey(kPaths, true);
    first.WriteInteger(values, "Scale", 80);
    second.WriteString(paths, "PresetsDir", "/p");
    EXPECT_TRUE(second.CloseKey(paths));
    EXPECT_TRUE(first.CloseKey(values));

    const RegDocument document = ParseRegText(ReadWholeFile(file()));
    ASSERT_EQ(document.keys.size(), 3u);
    EXPECT_EQ(document.Find("HKEY_CURRENT_USER\\Other")->Find("Kept")->text, "hex:01,02");
    EXPECT_EQ(document.Find(FullKeyPath(kValues))->Find("Scale")->integer, 80u);
    EXPECT_EQ(document.Find(FullKeyPath(kPaths))->Find("PresetsDir")->text, "/p");
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
        const KeyHandle key = store.OpenKey(kValues, false);
        int32_t value = 0;
        EXPECT_NE(store.ReadInteger(key, "Scale", value), ValueRead::Ok);
        if (key != kNoKey)
            store.CloseKey(key);
    }
}

TEST_F(KeyStoreTest, RefusedWritesAndUnwritableStoresReportFailure)
{
    RegFileKeyStore store(file());
    const KeyHandle key = store.OpenKey(kPaths, true);
    EXPECT_FALSE(store.WriteString(key, "PresetsDir", "two\nlines"));
    EXPECT_FALSE(store.WriteInteger(key, "", 1));
    EXPECT_FALSE(store.WriteInteger(kNoKey, "Scale", 1));
    EXPECT_FALSE(store.CloseKey(kNoKey));
    EXPECT_TRUE(store.CloseKey(key)) << "creating the key alone is a change that is stored";
    EXPECT_NE(ReadWholeFile(file()).find("[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Paths]"),
        std::string::npos);

    // A store whose folder is a plain file cannot be written.
    WriteWholeFile(m_folder.path() / "blocked", "x");
    RegFileKeyStore blocked(m_folder.path() / "blocked" / "registry.reg");
    const KeyHandle values = blocked.OpenKey(kValues, true);
    blocked.WriteInteger(values, "Scale", 1);
    EXPECT_FALSE(blocked.CloseKey(values));
}

TEST_F(KeyStoreTest, AStoreOfSomeMiBIsReadWhole)
{
    // A Paths key after a mebibyte and more of padding, as a hand-edited store may hold.
    std::string text = "REGEDIT4\n\n; " + std::string(3u << 20, 'x') + "\n\n[HKEY_CURRENT_USER\\" + kPaths
        + "]\n\"PresetsDir\"=\"/p\"\n";
    writeStore(text);
    RegFileKeyStore store(file());
    const KeyHandle key = store.OpenKey(kPaths, false);
    ASSERT_NE(key, kNoKey);
    std::string folder;
    EXPECT_EQ(store.ReadString(key, "PresetsDir", folder), ValueRead::Ok);
    EXPECT_EQ(folder, "/p");
    EXPECT_TRUE(store.Problem().empty());
    store.CloseKey(key);
}

TEST_F(KeyStoreTest, AStoreThatCannotBeReadIsNeitherMissingNorWrittenOver)
{
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kPaths) + "]\n\"PresetsDir\"=\"/p\"\n";
    huge.resize(kMaxRegTextBytes + 1, ' ');
    writeStore(huge);
    RegFileKeyStore store(file());
    EXPECT_EQ(store.OpenKey(kPaths, false), kNoKey);
    EXPECT_NE(store.Problem().find("too large"), std::string::npos) << store.Problem();
    // Creating a key and writing into it would replace the whole store with that key alone.
    EXPECT_EQ(store.OpenKey(kValues, true), kNoKey);
    EXPECT_EQ(ReadWholeFile(file()).size(), huge.size());

    // A pipe in the store's place neither stops the open nor is taken for a missing store.
    std::filesystem::remove(file());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    EXPECT_EQ(store.OpenKey(kPaths, false), kNoKey);
    EXPECT_NE(store.Problem().find("not a regular file"), std::string::npos) << store.Problem();

    // Once the store is missing there is nothing wrong with it.
    std::filesystem::remove(file());
    EXPECT_EQ(store.OpenKey(kPaths, false), kNoKey);
    EXPECT_TRUE(store.Problem().empty());
}

TEST(KeyPath, EmptyPartsAreDropped)
{
    EXPECT_EQ(FullKeyPath("Software\\A\\"), "HKEY_CURRENT_USER\\Software\\A");
    EXPECT_EQ(FullKeyPath("\\Software\\\\A"), "HKEY_CURRENT_USER\\Software\\A");
}

} // namespace
