#include "platform/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/platform/temp_folder.h"

namespace {

TEST(RegularFile, ReadsPlainFilesWithinTheLimit)
{
    TempFolder folder;
    const auto file = folder.path() / "opalrevel.cfg";
    writeWholeFile(file, std::string("ab\0cd", 5));
    std::string bytes;
    EXPECT_EQ(readRegularFile(file, 5, bytes), RegularFileRead::Ok);
    EXPECT_EQ(bytes, std::string("ab\0cd", 5));
    // One byte over: the first bytes are there, and the caller learns that there was more.
    EXPECT_EQ(readRegularFile(file, 4, bytes), RegularFileRead::TooLarge);
    EXPECT_EQ(bytes, std::string("ab\0c", 4));
    // A link to a file is read like the file.
    std::filesystem::create_symlink(file, folder.path() / "link");
    EXPECT_EQ(readRegularFile(folder.path() / "link", 100, bytes), RegularFileRead::Ok);
    EXPECT_EQ(bytes.size(), 5u);
}

TEST(RegularFile, RefusesPipesAndFoldersWithoutWaiting)
{
    TempFolder folder;
    const auto pipe = folder.path() / "registry.reg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string bytes = "stale";
    // Opening a pipe with no writer for reading would wait here forever.
    EXPECT_EQ(readRegularFile(pipe, 1000, bytes), RegularFileRead::NotRegular);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(readRegularFile(folder.path(), 1000, bytes), RegularFileRead::NotRegular);
    EXPECT_EQ(readRegularFile("/dev/zero", 1000, bytes), RegularFileRead::NotRegular);
    EXPECT_EQ(readRegularFile(folder.path() / "missing", 1000, bytes), RegularFileRead::Missing);
    std::filesystem::create_symlink("nowhere", folder.path() / "dangling");
    EXPECT_EQ(readRegularFile(folder.path() / "dangling", 1000, bytes), RegularFileRead::Missing);
}

} // namespace
