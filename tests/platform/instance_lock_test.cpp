#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Points the XDG folders at a fresh temporary tree for each test and puts them back after.
class InstanceLockTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/opal-lock-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;
        remember("XDG_RUNTIME_DIR");
        remember("XDG_CONFIG_HOME");
        remember("HOME");
        setenv("XDG_RUNTIME_DIR", (m_root / "run").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        setenv("HOME", (m_root / "home").c_str(), 1);
    }
    void TearDown() override
    {
        for (auto& [name, value] : m_saved) {
            if (value.has_value())
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        std::filesystem::remove_all(m_root);
    }
    void remember(const std::string& name)
    {
        const char* value = std::getenv(name.c_str());
        m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::filesystem::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->acquire("QUILLRUNS"), InstanceLock::Outcome::Acquired);
    EXPECT_TRUE(std::filesystem::exists(m_root / "run" / "QUILLRUNS"));

    InstanceLock second;
    EXPECT_EQ(second.acquire("QUILLRUNS"), InstanceLock::Outcome::HeldElsewhere);
    EXPECT_FALSE(takeSingleInstance(second, "QUILLRUNS"));
    EXPECT_FALSE(second.held());

    first.reset();
    EXPECT_EQ(second.acquire("QUILLRUNS"), InstanceLock::Outcome::Acquired);
    EXPECT_TRUE(second.held());
}

TEST_F(InstanceLockTest, ConfigureAndSaverLocksAreIndependent)
{
    InstanceLock saver;
    InstanceLock configure;
    EXPECT_TRUE(takeSingleInstance(saver, "QUILLRUNS"));
    EXPECT_TRUE(takeSingleInstance(configure, "QUILLRUNC"));
}

TEST_F(InstanceLockTest, AnotherProcessHoldingTheLockIsSeenAndItsDeathFreesIt)
{
    int ready[2];
    int finish[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(finish), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(finish[1]);
        close(ready[0]);
        InstanceLock held;
        char answer = held.acquire("QUILLRUNC") == InstanceLock::Outcome::Acquired ? 'y' : 'n';
        (void)!write(ready[1], &answer, 1);
        char dummy;
        (void)!read(finish[0], &dummy, 1);
        _exit(0); // no destructors: the kernel alone must release the lock
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    InstanceLock mine;
    EXPECT_EQ(mine.acquire("QUILLRUNC"), InstanceLock::Outcome::HeldElsewhere);

    close(finish[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(mine.acquire("QUILLRUNC"), InstanceLock::Outcome::Acquired);
    close(ready[0]);
    close(ready[1]);
    close(finish[0]);
}

TEST_F(InstanceLockTest, FallsBackToTheConfigFolderWithoutARuntimeFolder)
{
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(instanceLockFolder(), (m_root / "config" / "opal-revel").string());
    // A relative value does not count either.
    setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    InstanceLock lock;
    EXPECT_EQ(lock.acquire("QUILLRUNS"), InstanceLock::Outcome::Acquired);
    EXPECT_TRUE(std::filesystem::exists(m_root / "config" / "opal-revel" / "QUILLRUNS"));

    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(instanceLockFolder(), (m_root / "home" / ".config" / "opal-revel").string());
}

TEST_F(InstanceLockTest, AnUnusableFolderLetsTheInstanceStart)
{
    // A file where the folder should be: no lock can be had, and the instance is not
    // kept from starting.
    unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::create_directories(m_root / "config");
    FILE* blocker = std::fopen((m_root / "config" / "opal-revel").c_str(), "w");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);

    InstanceLock lock;
    EXPECT_EQ(lock.acquire("QUILLRUNS"), InstanceLock::Outcome::Unavailable);
    EXPECT_TRUE(takeSingleInstance(lock, "QUILLRUNS"));
    EXPECT_EQ(lock.acquire("../escape"), InstanceLock::Outcome::Unavailable);
}

} // namespace
