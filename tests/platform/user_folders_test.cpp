#include "platform/atomic_file.h"
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/platform/temp_folder.h"

namespace {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        m_had = std::getenv(name) != nullptr;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(UserFolders, FollowTheVariablesAndFallBackToTheHomeFolder)
{
    const ScopedVariable home("HOME", "/home/tester");
    {
        const ScopedVariable config("XDG_CONFIG_HOME", "/x/config");
        const ScopedVariable data("XDG_DATA_HOME", "/x/data");
        const ScopedVariable runtime("XDG_RUNTIME_DIR", "/run/user/5");
        EXPECT_EQ(OpalConfigFolder(), "/x/config/opal-revel");
        EXPECT_EQ(DefaultPresetsFolder(), "/x/data/opal-revel/presets");
        EXPECT_EQ(OpalRuntimeFolder(), "/run/user/5");
    }
    for (const char* unusable : { static_cast<const char*>(nullptr), "", "relative/path" }) {
        const ScopedVariable config("XDG_CONFIG_HOME", unusable);
        const ScopedVariable data("XDG_DATA_HOME", unusable);
        const ScopedVariable runtime("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(UserConfigHome(), "/home/tester/.config");
        EXPECT_EQ(UserDataHome(), "/home/tester/.local/share");
        EXPECT_EQ(UserRuntimeDir(), "");
        EXPECT_EQ(OpalRuntimeFolder(), "/home/tester/.config/opal-revel");
    }
}

TEST(UserFolders, EnsureFolderCreatesParentsAndRefusesAFile)
{
    TempFolder folder;
    EXPECT_TRUE(EnsureFolder(folder.path() / "a" / "b"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "a" / "b"));
    EXPECT_TRUE(EnsureFolder(folder.path() / "a" / "b"));
    WriteWholeFile(folder.path() / "file", "x");
    EXPECT_FALSE(EnsureFolder(folder.path() / "file"));
    EXPECT_FALSE(EnsureFolder(folder.path() / "file" / "below"));
    EXPECT_FALSE(EnsureFolder(""));
}

TEST(UserFolders, InstalledDataFolderHoldsTheShippedPresets)
{
    // Run from a build, the source tree's data folder stands in for the installed one.
    EXPECT_TRUE(std::filesystem::is_directory(InstalledDataFolder() / "presets"));
}

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporary)
{
    TempFolder folder;
    const auto target = folder.path() / "opalrevel.cfg";
    WriteWholeFile(target, "old contents");
    ::chmod(target.c_str(), 0640);
    EXPECT_TRUE(WriteFileAtomically(target, std::string_view("new\0bytes", 9)));
    EXPECT_EQ(ReadWholeFile(target), std::string("new\0bytes", 9));
    struct stat status { };
    ::stat(target.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(AtomicFile, ALinkStaysALink)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "elsewhere");
    WriteWholeFile(folder.path() / "elsewhere" / "real.reg", "old");
    std::filesystem::create_symlink("elsewhere/real.reg", folder.path() / "registry.reg");
    EXPECT_TRUE(WriteFileAtomically(folder.path() / "registry.reg", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "registry.reg"));
    EXPECT_EQ(ReadWholeFile(folder.path() / "elsewhere" / "real.reg"), "new");
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndReportsFailure)
{
    TempFolder folder;
    EXPECT_FALSE(WriteFileAtomically(folder.path() / "missing" / "file", "x"));

    // Renaming over a folder fails after the bytes were written: the temporary must go.
    std::filesystem::create_directory(folder.path() / "taken");
    WriteWholeFile(folder.path() / "taken" / "inside", "kept");
    EXPECT_FALSE(WriteFileAtomically(folder.path() / "taken", "x"));
    EXPECT_EQ(ReadWholeFile(folder.path() / "taken" / "inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
