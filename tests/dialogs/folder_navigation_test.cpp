#include "dialogs/folder_navigation.h"

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(FolderNavigation, ListsTheParentThenSubfoldersWithoutRegardToCase)
{
    TempFolder root;
    for (const char* name : { "beta", "Alpha", "my presets", "Ünïcode", ".hidden" })
        fs::create_directory(root.path() / name);
    WriteWholeFile(root.path() / "a-file.vhp", "not a folder");
    fs::create_directory_symlink(root.path() / "beta", root.path() / "link-to-beta");

    EXPECT_EQ(FolderLines(root.path()),
        (std::vector<std::string> { "..", ".hidden", "Alpha", "beta", "link-to-beta", "my presets", "Ünïcode" }));
    EXPECT_EQ(FolderLines(root.path() / "beta/"), std::vector<std::string> { ".." });
    EXPECT_NE(FolderLines("/").front(), "..") << "the root has no parent line";
    EXPECT_EQ(FolderLines(root.path() / "missing"), std::vector<std::string> { ".." });
}

TEST(FolderNavigation, LinesLeadDownAndUpAndTheRootStays)
{
    EXPECT_EQ(EnterFolderLine("/home/user", "my presets"), fs::path("/home/user/my presets"));
    EXPECT_EQ(EnterFolderLine("/home/user/", "x"), fs::path("/home/user/x"));
    EXPECT_EQ(EnterFolderLine("/home/user", ".."), fs::path("/home"));
    EXPECT_EQ(EnterFolderLine("/home/user/", ".."), fs::path("/home"));
    EXPECT_EQ(EnterFolderLine("/home", ".."), fs::path("/"));
    EXPECT_EQ(EnterFolderLine("/", ".."), fs::path("/"));
}

TEST(FolderNavigation, TypedPathsAreKeptAsTypedAndMustNameAFolder)
{
    TempFolder root;
    const fs::path spaced = root.path() / "My Présets";
    fs::create_directories(spaced / "inner");
    WriteWholeFile(root.path() / "file", "x");

    EXPECT_EQ(TypedFolder(spaced.string() + "/", "/", "/"), fs::path(spaced.string() + "/"));
    EXPECT_EQ(TypedFolder("  " + spaced.string() + "\t", "/", "/"), spaced);
    EXPECT_EQ(TypedFolder("inner", spaced, "/"), spaced / "inner");
    EXPECT_EQ(TypedFolder("../../My Présets/inner", spaced / "inner", "/"), spaced / "inner");
    EXPECT_EQ(TypedFolder("~", "/", root.path()), root.path());
    EXPECT_EQ(TypedFolder("~/My Présets", "/", root.path()), spaced);

    EXPECT_FALSE(TypedFolder("", spaced, "/"));
    EXPECT_FALSE(TypedFolder("   ", spaced, "/"));
    EXPECT_FALSE(TypedFolder((root.path() / "nowhere").string(), "/", "/"));
    EXPECT_FALSE(TypedFolder((root.path() / "file").string(), "/", "/"));
}

} // namespace
