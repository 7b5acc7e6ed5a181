#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "tests/platform/temp_folder.h"

namespace {

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat status { };
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporary)
{
    TempFolder folder;
    const auto target = folder.path() / "opalrevel.cfg";
    writeWholeFile(target, "old contents");
    ::chmod(target.c_str(), 0640);
    EXPECT_TRUE(writeFileAtomically(target, std::string_view("new\0bytes", 9)));
    EXPECT_EQ(readWholeFile(target), std::string("new\0bytes", 9));
    struct stat status { };
    ::stat(target.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(AtomicFile, ALinkStaysALink)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "elsewhere");
    writeWholeFile(folder.path() / "elsewhere" / "real.reg", "old");
    std::filesystem::create_symlink("elsewhere/real.reg", folder.path() / "registry.reg");
    EXPECT_TRUE(writeFileAtomically(folder.path() / "registry.reg", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "registry.reg"));
    EXPECT_EQ(readWholeFile(folder.path() / "elsewhere" / "real.reg"), "new");
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndReportsFailure)
{
    TempFolder folder;
    EXPECT_FALSE(writeFileAtomically(folder.path() / "missing" / "file", "x"));

    // Renaming over a folder fails after the bytes were written: the temporary must go.
    std::filesystem::create_directory(folder.path() / "taken");
    writeWholeFile(folder.path() / "taken" / "inside", "kept");
    EXPECT_FALSE(writeFileAtomically(folder.path() / "taken", "x"));
    EXPECT_EQ(readWholeFile(folder.path() / "taken" / "inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(AtomicFile, ANewFileGetsTheUsualPermissionsAndNoSetIdBitsAreCarriedOver)
{
    TempFolder folder;
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(writeFileAtomically(folder.path() / "new.vhp", "x"));
    EXPECT_EQ(modeOf(folder.path() / "new.vhp"), 0644u);

    const auto target = folder.path() / "old.vhp";
    writeWholeFile(target, "old");
    ::chmod(target.c_str(), 04755);
    EXPECT_TRUE(writeFileAtomically(target, "new"));
    EXPECT_EQ(modeOf(target), 0755u);
    ::umask(mask);
}

TEST(AtomicFile, AWriterDroppedBeforeCommitLeavesTheTargetAlone)
{
    TempFolder folder;
    const auto target = folder.path() / "snapshot.jpg";
    writeWholeFile(target, "good");
    {
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.open(target));
        EXPECT_EQ(writer.target(), target);
        // The temporary file has no name while it is written, so a kill now leaves nothing.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    }
    EXPECT_EQ(readWholeFile(target), "good");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

    AtomicFileWriter writer;
    EXPECT_FALSE(writer.commit("never opened"));
}

TEST(AtomicFile, RefusesWhatItCannotReplace)
{
    TempFolder folder;
    std::filesystem::create_symlink("nowhere/file", folder.path() / "dangling");
    EXPECT_FALSE(writeFileAtomically(folder.path() / "dangling", "x"));
    EXPECT_FALSE(writeFileAtomically(folder.path() / "", "x"));
    // A name at the file system's limit still gets a temporary file beside it.
    const std::string longName(255, 'n');
    EXPECT_TRUE(writeFileAtomically(folder.path() / longName, "long"));
    EXPECT_EQ(readWholeFile(folder.path() / longName), "long");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

// The names of the folder's entries.
std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFile, TemporariesOfDeadProcessesAreRemovedByTheNextWrite)
{
    TempFolder folder;
    // A process that has ended: its id names nobody (until reused, which a test run won't see).
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    for (const std::string& name : { ".registry.reg.tmp-" + dead + "-0", ".registry.reg.tmp-" + dead + "-7",
             ".opal.tmp-" + dead + "-1" })
        writeWholeFile(folder.path() / name, "left by a kill");
    // A running process's file may be about to be renamed; a foreign file only looks similar.
    const std::string living = ".registry.reg.tmp-1-3";
    const std::string others[] = { living, ".registry.reg.tmp-" + dead + "-x", ".other.tmp-" + dead + "-2" };
    for (const std::string& name : others)
        writeWholeFile(folder.path() / name, "kept");

    EXPECT_TRUE(isAtomicWriterTemporary(".registry.reg.tmp-" + dead + "-0"));
    EXPECT_FALSE(isAtomicWriterTemporary(".registry.reg.tmp-" + dead + "-x"));
    EXPECT_FALSE(isAtomicWriterTemporary("registry.reg"));

    EXPECT_TRUE(writeFileAtomically(folder.path() / "registry.reg", "new"));
    std::vector<std::string> expected(std::begin(others), std::end(others));
    expected.push_back("registry.reg");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(folder.path()), expected);
}

} // namespace
