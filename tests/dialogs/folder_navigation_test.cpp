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
    writeWholeFile(root.path() / "a-file.vhp", "not a folder");
    fs::create_directory_symlink(root.path() / "beta", root.path() / "link-to-beta");

    EXPECT_EQ(folderLines(root.path()),
        (std::vector<std::string> { "..", ".hidden", "Alpha", "beta", "link-to-beta", "my presets", "Ünïcode" }));
    EXPECT_EQ(folderLines(root.path() / "beta/"), std::vector<std::string> { ".." });
    EXPECT_NE(folderLines("/").front(), "..") << "the root has no parent line";
    EXPECT_EQ(folderLines(root.path() / "missing"), std::vector<std::string> { ".." });
}

TEST(FolderNavigation, LinesLeadDownAndUpAndTheRootStays)
{
    EXPECT_EQ(enterFolderLine("/home/user", "my presets"), fs::path("/home/user/my presets"));
    EXPECT_EQ(enterFolderLine("/home/user/", "x"), fs::path("/home/user/x"));
    EXPECT_EQ(enterFolderLine("/home/user", ".."), fs::path("/home"));
    EXPECT_EQ(enterFolderLine("/home/user/", ".."), fs::path("/home"));
    EXPECT_EQ(enterFolderLine("/home", ".."), fs::path("/"));
    EXPECT_EQ(enterFolderLine("/", ".."), fs::path("/"));
}

TEST(FolderNavigation, TypedPathsAreKeptAsTypedAndMustNameAFolder)
{
    TempFolder root;
    const fs::path spaced = root.path() / "My Présets";
    fs::create_directories(spaced / "inner");
    writeWholeFile(root.path() / "file", "x");

    EXPECT_EQ(typedFolder(spaced.string() + "/", "/", "/"), fs::path(spaced.string() + "/"));
    EXPECT_EQ(typedFolder("  " + spaced.string() + "\t", "/", "/"), spaced);
    EXPECT_EQ(typedFolder("inner", spaced, "/"), spaced / "inner");
    EXPECT_EQ(typedFolder("../../My Présets/inner", spaced / "inner", "/"), spaced / "inner");
    EXPECT_EQ(typedFolder("~", "/", root.path()), root.path());
    EXPECT_EQ(typedFolder("~/My Présets", "/", root.path()), spaced);

    EXPECT_FALSE(typedFolder("", spaced, "/"));
    EXPECT_FALSE(typedFolder("   ", spaced, "/"));
    EXPECT_FALSE(typedFolder((root.path() / "nowhere").string(), "/", "/"));
    EXPECT_FALSE(typedFolder((root.path() / "file").string(), "/", "/"));
}

} // namespace
