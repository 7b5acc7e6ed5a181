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
        EXPECT_EQ(opalConfigFolder(), "/x/config/opal-revel");
        EXPECT_EQ(defaultPresetsFolder(), "/x/data/opal-revel/presets");
        EXPECT_EQ(opalRuntimeFolder(), "/run/user/5");
    }
    for (const char* unusable : { static_cast<const char*>(nullptr), "", "relative/path" }) {
        const ScopedVariable config("XDG_CONFIG_HOME", unusable);
        const ScopedVariable data("XDG_DATA_HOME", unusable);
        const ScopedVariable runtime("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(userConfigHome(), "/home/tester/.config");
        EXPECT_EQ(userDataHome(), "/home/tester/.local/share");
        EXPECT_EQ(userRuntimeDir(), "");
        EXPECT_EQ(opalRuntimeFolder(), "/home/tester/.config/opal-revel");
    }
}

TEST(UserFolders, EnsureFolderCreatesParentsAndRefusesAFile)
{
    TempFolder folder;
    EXPECT_TRUE(ensureFolder(folder.path() / "a" / "b"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "a" / "b"));
    EXPECT_TRUE(ensureFolder(folder.path() / "a" / "b"));
    writeWholeFile(folder.path() / "file", "x");
    EXPECT_FALSE(ensureFolder(folder.path() / "file"));
    EXPECT_FALSE(ensureFolder(folder.path() / "file" / "below"));
    EXPECT_FALSE(ensureFolder(""));
}

TEST(UserFolders, InstalledDataFolderHoldsTheShippedPresets)
{
    // Run from a build, the source tree's data folder stands in for the installed one.
    EXPECT_TRUE(std::filesystem::is_directory(installedDataFolder() / "presets"));
}

} // namespace
