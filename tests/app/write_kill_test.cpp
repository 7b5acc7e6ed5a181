// Kills the program with SIGKILL at random moments of each kind of write it makes: the first
// run (the real program, which copies the sample presets and creates the key store), the
// stored options (key store and settings file) and the atomic writer itself, which every
// later save goes through. After every kill each file the program keeps must read as a whole
// one, at most one temporary file may be left (by the process just killed), and the next
// write must clear it.

#include "platform/atomic_file.h"
#include "platform/reg_text.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "tests/app/write_payload.h"
#include "tests/app/x_session.h"
#include "tests/platform/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace {

constexpr int kKills = 50;

// Starts the program with exactly this environment (no display among it), standard output and
// error discarded.
pid_t spawn(std::vector<std::string> arguments, std::vector<std::string> environment)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of a program run to its end.
int runToEnd(std::vector<std::string> arguments, std::vector<std::string> environment)
{
    const pid_t pid = spawn(std::move(arguments), std::move(environment));
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string writeLoopPath() { return OPAL_WRITE_LOOP_PATH; }

// The environment of a program with a private home: the XDG folders in it and nothing of the
// test's own environment.
std::vector<std::string> homeEnvironment(const std::filesystem::path& home)
{
    return { "HOME=" + (home / "home").string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
        "XDG_DATA_HOME=" + (home / "data").string(), "XDG_RUNTIME_DIR=" + home.string(), "PATH=/usr/bin:/bin",
        "LSAN_OPTIONS=detect_leaks=0" };
}

class KilledWrites : public testing::Test {
protected:
    std::vector<std::string> environment() const { return homeEnvironment(m_home.path()); }
    std::filesystem::path config() const { return m_home.path() / "config"; }
    std::filesystem::path data() const { return m_home.path() / "data"; }
    std::filesystem::path store() const { return config() / "opal-revel" / "registry.reg"; }
    std::filesystem::path presets() const { return data() / "opal-revel" / "presets"; }

    // Starts the program, kills it after a random time up to the limit and waits for its end.
    void killAtRandom(std::vector<std::string> arguments, std::chrono::microseconds limit)
    {
        const pid_t pid = spawn(std::move(arguments), environment());
        ASSERT_GT(pid, 0);
        std::uniform_int_distribution<long> delay(0, limit.count());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(m_random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
    }

    // The temporary files of the atomic writer anywhere in the home.
    int temporaries() const
    {
        int count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_home.path()))
            count += isAtomicWriterTemporary(entry.path().filename().string()) ? 1 : 0;
        return count;
    }

    // The key store, when there is one, holds both keys whole.
    void expectWholeStore(bool withValues)
    {
        if (!std::filesystem::exists(store()))
            return;
        const RegDocument document = parseRegText(readWholeFile(store()));
        const RegKey* paths = document.find("HKEY_CURRENT_USER\\" + PathsKeyPath);
        ASSERT_NE(paths, nullptr) << "a key store without its Paths key";
        ASSERT_NE(paths->find("PresetsDir"), nullptr);
        EXPECT_EQ(paths->find("PresetsDir")->text, presets().string());
        if (withValues) {
            const RegKey* values = document.find("HKEY_CURRENT_USER\\" + ValuesKeyPath);
            ASSERT_NE(values, nullptr);
            EXPECT_EQ(values->values.size(), 13u);
        }
    }

    TempFolder m_home;
    std::mt19937 m_random { std::random_device {}() };
};

TEST_F(KilledWrites, AFirstRunKilledAnywhereLeavesOnlyWholePresetsAndTheNextOneCompletesIt)
{
    // How long a whole first run takes, in a home of its own.
    const std::string program = programPath();
    std::chrono::microseconds firstRun {};
    {
        TempFolder scratch;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(runToEnd({ program, "/a" }, homeEnvironment(scratch.path())), 0);
        firstRun = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    }
    for (int kill = 0; kill < kKills; ++kill) {
        // Without the key store every start is a first run again, over what the last one left.
        std::filesystem::remove(store());
        killAtRandom({ program, "/a" }, firstRun);
        expectWholeStore(false);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(presets(), error)) {
            if (isAtomicWriterTemporary(entry.path().filename().string()))
                continue;
            Preset preset;
            EXPECT_TRUE(loadPresetFile(entry.path(), preset)) << entry.path() << " is not a whole preset";
        }
        EXPECT_LE(temporaries(), 1);
    }
    std::filesystem::remove(store());
    ASSERT_EQ(runToEnd({ program, "/a" }, environment()), 0);
    expectWholeStore(false);
    const auto shipped = listPresetNames((std::filesystem::path(OPAL_SOURCE_DIR) / "data" / "presets").string(), 500);
    EXPECT_EQ(listPresetNames(presets().string(), 500).size(), shipped.size());
    EXPECT_EQ(temporaries(), 0);
}

TEST_F(KilledWrites, StoringTheOptionsKilledAnywhereLeavesBothFilesWhole)
{
    const std::string loop = writeLoopPath();
    ASSERT_EQ(runToEnd({ loop, "settings", "1" }, environment()), 0);
    for (int kill = 0; kill < kKills; ++kill) {
        killAtRandom({ loop, "settings", "100000" }, std::chrono::milliseconds(40));
        expectWholeStore(true);
        std::istringstream file(readWholeFile(config() / "opal-revel" / "opalrevel.cfg"), std::ios::binary);
        SettingsRecord options;
        Preset preset;
        EXPECT_TRUE(readSettingsFile(options, preset, file)) << "the settings file is not whole";
        EXPECT_LE(temporaries(), 1);
    }
    ASSERT_EQ(runToEnd({ loop, "settings", "1" }, environment()), 0);
    EXPECT_EQ(temporaries(), 0);
}

TEST_F(KilledWrites, TheAtomicWriterKilledAnywhereLeavesAWholeFile)
{
    const std::string loop = writeLoopPath();
    const std::string target = (m_home.path() / "snapshot.jpg").string();
    ASSERT_EQ(runToEnd({ loop, "file", target, "1" }, environment()), 0);
    for (int kill = 0; kill < kKills; ++kill) {
        killAtRandom({ loop, "file", target, "100000" }, std::chrono::milliseconds(30));
        EXPECT_TRUE(isWholePayload(readWholeFile(target))) << "the file is not one whole payload";
        EXPECT_LE(temporaries(), 1);
    }
    ASSERT_EQ(runToEnd({ loop, "file", target, "1" }, environment()), 0);
    EXPECT_EQ(temporaries(), 0);
}

} // namespace
