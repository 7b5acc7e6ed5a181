#include "platform/reg_text.h"

#include <gtest/gtest.h>

namespace {

using Kind = RegValue::Kind;

TEST(RegText, ReadsIntegersStringsAndOtherTypes)
{
    const RegDocument document = parseRegText("REGEDIT4\r\n"
                                              "\r\n"
                                              "[HKEY_CURRENT_USER\\Software\\A\\Values]\r\n"
                                              "\"Scale\"=dword:0000004b\r\n"
                                              "\"Negative\"=dword:FFFFFFFF\r\n"
                                              "\"Short\"=dword:7\r\n"
                                              "\"Path\"=\"C:\\\\x \\\"quoted\\\"\"\r\n"
                                              "\"Blob\"=hex:01,02,\\\r\n"
                                              "  03,04\r\n"
                                              "; a comment\r\n");
    ASSERT_EQ(document.keys.size(), 1u);
    const RegKey& key = document.keys[0];
    EXPECT_EQ(key.path, "HKEY_CURRENT_USER\\Software\\A\\Values");
    ASSERT_EQ(key.values.size(), 5u);
    EXPECT_EQ(key.values[0], (RegValue { "Scale", Kind::Integer, 75, "" }));
    EXPECT_EQ(key.values[1], (RegValue { "Negative", Kind::Integer, 0xFFFFFFFFu, "" }));
    EXPECT_EQ(key.values[2], (RegValue { "Short", Kind::Integer, 7, "" }));
    EXPECT_EQ(key.values[3], (RegValue { "Path", Kind::String, 0, "C:\\x \"quoted\"" }));
    EXPECT_EQ(key.values[4], (RegValue { "Blob", Kind::Other, 0, "hex:01,02,03,04" }));
}

TEST(RegText, UnreadablePartsAreKeptApartOrDropped)
{
    const RegDocument document = parseRegText("\"Orphan\"=dword:00000001\n"
                                              "[HKEY_CURRENT_USER\\K]\n"
                                              "\"Nine\"=dword:123456789\n"
                                              "\"NotHex\"=dword:00zz\n"
                                              "\"Open\"=\"no closing quote\n"
                                              "\"Trailing\"=\"text\" junk\n"
                                              "\"Empty\"=\n"
                                              "garbage line\n"
                                              "\"NoEquals\" dword:1\n"
                                              "[unterminated\n"
                                              "\"AfterBadSection\"=dword:2\n");
    ASSERT_EQ(document.keys.size(), 1u);
    const RegKey& key = document.keys[0];
    ASSERT_EQ(key.values.size(), 5u);
    for (const RegValue& value : key.values)
        EXPECT_EQ(value.kind, Kind::Unreadable) << value.name;
    EXPECT_EQ(key.find("nine")->text, "dword:123456789");
}

TEST(RegText, NamesCompareWithoutCaseAndLaterValuesWin)
{
    const RegDocument document = parseRegText("[HKEY_CURRENT_USER\\K]\n\"Scale\"=dword:1\n"
                                              "[hkey_current_user\\k]\n\"SCALE\"=dword:2\n\"Other\"=\"x\"\n");
    ASSERT_EQ(document.keys.size(), 1u);
    ASSERT_NE(document.find("HKEY_CURRENT_USER\\K"), nullptr);
    const RegValue* scale = document.find("Hkey_Current_User\\k")->find("scale");
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->integer, 2u);
    EXPECT_EQ(document.keys[0].values.size(), 2u);
}

TEST(RegText, WritesTheRegedit4LayoutAndReadsItBack)
{
    RegDocument document;
    RegKey& values = document.findOrAdd("HKEY_CURRENT_USER\\Software\\A\\Values");
    values.set({ "Scale", Kind::Integer, 75, "" });
    values.set({ "Mirror", Kind::Integer, 0xFFFFFFFEu, "" });
    RegKey& paths = document.findOrAdd("HKEY_CURRENT_USER\\Software\\A\\Paths");
    paths.set({ "PresetsDir", Kind::String, 0, "/home/a \"b\"\\c" });
    paths.set({ "Blob", Kind::Other, 0, "hex:00" });

    const std::string text = formatRegText(document);
    EXPECT_EQ(text,
        "REGEDIT4\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\A\\Values]\n"
        "\"Scale\"=dword:0000004b\n"
        "\"Mirror\"=dword:fffffffe\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\A\\Paths]\n"
        "\"PresetsDir\"=\"/home/a \\\"b\\\"\\\\c\"\n"
        "\"Blob\"=hex:00\n");
    EXPECT_EQ(parseRegText(text), document);
}

TEST(RegText, ContinuationAtTheEndOfTheFileContinuesNothing)
{
    const RegDocument document = parseRegText("[HKEY_CURRENT_USER\\K]\n\"Blob\"=hex:01,\\");
    ASSERT_EQ(document.keys.size(), 1u);
    EXPECT_EQ(document.keys[0].values[0].text, "hex:01,");
    EXPECT_EQ(parseRegText(formatRegText(document)), document);

    // Marks left after the continued lines are dropped, so the value reads back the same.
    const RegDocument marks = parseRegText("[HKEY_CURRENT_USER\\K]\n\"Blob\"=hex:02,\\\r\r\\\\\t\\\n\r  \n");
    EXPECT_EQ(marks.keys[0].values[0].text, "hex:02,");
    EXPECT_EQ(parseRegText(formatRegText(marks)), marks);
}

TEST(RegText, OversizedTextCountsAsEmpty)
{
    std::string text = "[HKEY_CURRENT_USER\\K]\n\"Scale\"=dword:1\n";
    text.resize(kMaxRegTextBytes + 1, ' ');
    EXPECT_TRUE(parseRegText(text).keys.empty());
}

TEST(RegText, LineBreaksAndZeroBytesAreNotStorable)
{
    EXPECT_TRUE(isStorableRegString("/home/some one/presets"));
    EXPECT_FALSE(isStorableRegString("a\nb"));
    EXPECT_FALSE(isStorableRegString("a\rb"));
    EXPECT_FALSE(isStorableRegString(std::string_view("a\0b", 3)));
}

} // namespace
