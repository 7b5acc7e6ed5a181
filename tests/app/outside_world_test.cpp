// The real program meeting a hostile world: no display, a pipe where a file should be, a
// key store it cannot use, a host window nothing can be drawn into, a host that hides the
// preview. Each runs under a private Xvfb with private folders.

#include "tests/app/x_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr uint32_t kBackdrop = 0x13FE4D;
constexpr const char* kBackdropText = "13FE4D";
constexpr const char* kSaverTitle = "The Screen Saver Form";
constexpr const char* kBoxTitle = "!!! CRITICAL ERROR ";
constexpr auto kLimit = std::chrono::seconds(30);

class OutsideWorldTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.ready()) << "Xvfb did not start"; }

    // The program with its standard error in a file of its own; extra NAME=value entries
    // override the session's environment.
    std::unique_ptr<ChildProcess> startProgram(std::vector<std::string> switches, std::vector<std::string> extra = {})
    {
        ChildProcess::Options options;
        options.arguments = { programPath() };
        options.arguments.insert(options.arguments.end(), switches.begin(), switches.end());
        for (const std::string& entry : m_session.environment()) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(extra.begin(), extra.end(), [&](const std::string& over) { return over.rfind(name, 0) == 0; }))
                options.environment.push_back(entry);
        }
        options.environment.insert(options.environment.end(), extra.begin(), extra.end());
        options.errorFile = errorFile();
        std::filesystem::remove(errorFile());
        return std::make_unique<ChildProcess>(options);
    }

    std::filesystem::path errorFile() const { return m_session.folder() / "program-stderr.log"; }
    std::filesystem::path configFolder() const { return m_session.folder() / "config" / "opal-revel"; }

    // Standard error of the last program, without the sanitizers' reports.
    std::vector<std::string> errorLines() const
    {
        std::ifstream in(errorFile());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("opal-revel", 0) == 0 || line.rfind(kBoxTitle, 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    std::unique_ptr<ChildProcess> startHostWindow(int x, int y, int width, int height, std::string& id)
    {
        return m_session.startHostWindow(x, y, width, height, kBackdropText, id);
    }

    // Processor time the process has used so far, in seconds.
    static double cpuSeconds(int pid)
    {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(in, text);
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long user = 0;
        long system = 0;
        // After the name: state, then fields 4 to 13, then user and system time.
        for (int index = 3; index <= 15 && fields >> field; ++index) {
            if (index == 14)
                user = std::stol(field);
            if (index == 15)
                system = std::stol(field);
        }
        return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // Processor time used over a few seconds.
    static double cpuSecondsOver(int pid, std::chrono::seconds span)
    {
        const double before = cpuSeconds(pid);
        std::this_thread::sleep_for(span);
        return cpuSeconds(pid) - before;
    }

    // Whether the rectangle changes between two screenshots a second apart.
    bool pictureChanges(int x, int y, int width, int height)
    {
        return pollUntil(
            [&] {
                const Screenshot before = m_session.shoot("before");
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                const Screenshot after = m_session.shoot("after");
                if (before.width == 0 || after.width == 0)
                    return false;
                for (int row = y; row < y + height; ++row) {
                    for (int column = x; column < x + width; ++column) {
                        if (before.pixel(column, row) != after.pixel(column, row)
                            && after.pixel(column, row) != kBackdrop)
                            return true;
                    }
                }
                return false;
            },
            kLimit);
    }

    XSession m_session { kScreenWidth, kScreenHeight };
};

TEST_F(OutsideWorldTest, WithoutADisplayTheWindowlessSwitchesSucceedAndTheOthersSaySo)
{
    for (const char* display : { "DISPLAY=:65000", "DISPLAY=" }) {
        for (std::vector<std::string> switches : { std::vector<std::string> { "/a", "55" }, { "/x" } }) {
            auto program = startProgram(switches, { display });
            ASSERT_TRUE(program->waitForExit(kLimit));
            EXPECT_EQ(program->termSignal(), 0) << display;
            EXPECT_EQ(program->exitCode(), 0) << display;
        }
        for (std::vector<std::string> switches :
            { std::vector<std::string> { "/s" }, { "/p", "5" }, { "/c" }, {}, { "--root" }, { "--window-id", "5" } }) {
            auto program = startProgram(switches, { display });
            ASSERT_TRUE(program->waitForExit(kLimit)) << display << " " << switches.size();
            EXPECT_EQ(program->termSignal(), 0) << display;
            EXPECT_EQ(program->exitCode(), 1) << display;
            const std::vector<std::string> lines = errorLines();
            ASSERT_EQ(lines.size(), 1u) << display;
            EXPECT_EQ(lines[0].rfind("opal-revel: cannot open display ", 0), 0u) << lines[0];
        }
    }
}

TEST_F(OutsideWorldTest, APipeInPlaceOfTheSettingsFileHoldsUpNoModeAndTheFirstSignalEndsTheStart)
{
    std::filesystem::create_directories(configFolder());
    ASSERT_EQ(::mkfifo((configFolder() / "opalrevel.cfg").c_str(), 0600), 0);
    auto ignored = startProgram({ "/a" });
    ASSERT_TRUE(ignored->waitForExit(kLimit)) << "the start waits on the pipe";
    EXPECT_EQ(ignored->exitCode(), 0);

    auto saver = startProgram({ "/s" });
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kSaverTitle).size() == 1; }, kLimit));
    saver->signal(SIGTERM);
    ASSERT_TRUE(saver->waitForExit(kLimit));
    EXPECT_EQ(saver->termSignal(), SIGTERM);

    // A host that gives up on a slow start: the one signal ends it, wherever the start is.
    for (int delay : { 0, 50, 150, 400 }) {
        auto stopped = startProgram({ "/s" });
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        stopped->signal(SIGTERM);
        ASSERT_TRUE(stopped->waitForExit(kLimit)) << "the signal after " << delay << " ms was lost";
        EXPECT_EQ(stopped->termSignal(), SIGTERM);
    }
}

TEST_F(OutsideWorldTest, AStoreWithoutPathsBlocksNoSaverOrPreviewButStillShowsTheEditorItsBox)
{
    std::filesystem::create_directories(configFolder());
    std::ofstream(configFolder() / "registry.reg") << "REGEDIT4\n";

    auto saver = startProgram({ "/s" });
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kSaverTitle).size() == 1; }, kLimit))
        << "the saver did not start";
    EXPECT_TRUE(m_session.windowsNamed(kBoxTitle).empty());
    m_session.xdotool("key q");
    ASSERT_TRUE(saver->waitForExit(kLimit));
    EXPECT_EQ(saver->exitCode(), 0);
    const std::vector<std::string> lines = errorLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("BROKEN"), std::string::npos) << lines[0];

    std::string hostId;
    auto host = startHostWindow(100, 100, 152, 112, hostId);
    auto preview = startProgram({ "/p", hostId });
    EXPECT_TRUE(pictureChanges(100, 100, 152, 112)) << "the preview did not draw";
    EXPECT_TRUE(m_session.windowsNamed(kBoxTitle).empty());
    host->writeLine("destroy");
    ASSERT_TRUE(preview->waitForExit(kLimit));

    auto editor = startProgram({ "/c" });
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kBoxTitle).size() == 1; }, kLimit))
        << "the editor showed no box";
    editor->signal(SIGTERM);
    ASSERT_TRUE(editor->waitForExit(kLimit));
    EXPECT_EQ(editor->termSignal(), SIGTERM);
}

TEST_F(OutsideWorldTest, APreviewRefusesAnInputOnlyHost)
{
    auto watcher = m_session.start({ hostWindowPath(), "watch" }, true);
    ASSERT_EQ(watcher->readLine().value_or(""), "watching");
    auto host = m_session.start({ hostWindowPath(), "input-only", "0", "0", "200", "150" }, true);
    const std::string id = host->readLine().value_or("");
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(watcher->readLine().value_or(""), "map " + id);

    auto preview = startProgram({ "/p", id });
    ASSERT_TRUE(preview->waitForExit(kLimit));
    EXPECT_EQ(preview->exitCode(), 1);
    const std::vector<std::string> lines = errorLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("input-only"), std::string::npos) << lines[0];
    watcher->writeLine("sync");
    EXPECT_EQ(watcher->readLine().value_or(""), "synced") << "a window was mapped";
}

TEST_F(OutsideWorldTest, AHiddenOrCoveredPreviewStopsDrawingAndResumesWhenShown)
{
    auto firstRun = startProgram({ "/a" });
    ASSERT_TRUE(firstRun->waitForExit(kLimit));
    ASSERT_TRUE(m_session.keepOnlyPreset("candy.vhp"));

    std::string hostId;
    auto host = startHostWindow(100, 100, 152, 112, hostId);
    auto preview = startProgram({ "/p", hostId });
    ASSERT_TRUE(pictureChanges(100, 100, 152, 112)) << "the preview did not draw";

    host->writeLine("unmap");
    ASSERT_EQ(host->readLine().value_or(""), "unmapped");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(cpuSecondsOver(preview->pid(), std::chrono::seconds(3)), 0.3) << "a hidden preview kept drawing";
    host->writeLine("map");
    ASSERT_EQ(host->readLine().value_or(""), "mapped");
    EXPECT_TRUE(pictureChanges(100, 100, 152, 112)) << "the preview did not resume";

    // A window over the whole screen covers the preview.
    std::string coverId;
    auto cover = startHostWindow(0, 0, kScreenWidth, kScreenHeight, coverId);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(cpuSecondsOver(preview->pid(), std::chrono::seconds(3)), 0.3) << "a covered preview kept drawing";
    cover->writeLine("destroy");
    ASSERT_EQ(cover->readLine().value_or(""), "destroyed");
    EXPECT_TRUE(pictureChanges(100, 100, 152, 112)) << "the preview did not resume";

    host->writeLine("destroy");
    ASSERT_TRUE(preview->waitForExit(kLimit));
    EXPECT_EQ(preview->exitCode(), 0);
}

} // namespace
