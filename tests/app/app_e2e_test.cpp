// The real opal-revel under a private Xvfb, driven as a person would: real key and pointer
// events through xdotool, screenshots read back as pixels. Every wait polls; only the
// checks that something did NOT happen wait a fixed settling time first.

#include "tests/app/pointer_image.h"
#include "tests/app/x_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
// A colour no sprite is expected to have, for backdrops and host windows.
constexpr uint32_t kBackdrop = 0x13FE4D;
constexpr const char* kBackdropText = "13FE4D";
constexpr uint32_t kBlack = 0x000000;
constexpr const char* kSaverTitle = "The Screen Saver Form";
constexpr const char* kConfigureTitle = "Opal Revel 2.0";
// How long a check that nothing happened gives the program to react first.
constexpr auto kSettle = std::chrono::milliseconds(2000);

struct WindowBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class AppEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready()) << "Xvfb did not start";
        m_session.xdotool("mousemove 500 400");
    }

    std::unique_ptr<ChildProcess> startProgram(std::vector<std::string> switches)
    {
        std::vector<std::string> arguments = { programPath() };
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        return m_session.start(arguments);
    }

    // A plain window of the backdrop colour from the helper; answers its id.
    std::unique_ptr<ChildProcess> startHostWindow(int x, int y, int width, int height, std::string& id)
    {
        return m_session.startHostWindow(x, y, width, height, kBackdropText, id);
    }

    // Polls screenshots until the rectangle holds no backdrop pixel and at least `sprites`
    // pixels that are not black.
    bool waitForPicture(int x, int y, int width, int height, int sprites = 50)
    {
        return pollUntil([&] {
            Screenshot picture = m_session.shoot("picture-" + std::to_string(m_shots++));
            return picture.width > 0 && picture.countEqual(x, y, width, height, kBackdrop) == 0
                && picture.countOther(x, y, width, height, kBlack) >= sprites;
        });
    }

    std::unique_ptr<ChildProcess> startSaverAndWaitForSprites()
    {
        auto saver = startProgram({ "/s" });
        EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kSaverTitle).size() == 1; }))
            << "no saver window";
        EXPECT_TRUE(waitForPicture(0, 0, kScreenWidth, kScreenHeight)) << "the saver drew nothing";
        return saver;
    }

    // The geometry of the one visible window of that name, as xdotool reports it.
    WindowBox windowGeometry(const std::string& name)
    {
        WindowBox geometry;
        std::vector<std::string> ids = m_session.windowsNamed(name);
        if (ids.size() != 1)
            return geometry;
        std::istringstream lines(m_session.run("xdotool getwindowgeometry --shell " + ids.front()));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &geometry.x);
            std::sscanf(line.c_str(), "Y=%d", &geometry.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &geometry.width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &geometry.height);
        }
        return geometry;
    }
    std::pair<int, int> windowSize(const std::string& name)
    {
        WindowBox geometry = windowGeometry(name);
        return { geometry.width, geometry.height };
    }

    void expectCleanExit(ChildProcess& program, int code = 0)
    {
        ASSERT_TRUE(program.waitForExit()) << "the program did not end";
        EXPECT_EQ(program.termSignal(), 0);
        EXPECT_EQ(program.exitCode(), code);
    }

    XSession m_session { kScreenWidth, kScreenHeight };
    int m_shots = 0;
};

TEST_F(AppEndToEndTest, SaverCoversTheScreenDrawsSpritesAndAnyKeyClosesIt)
{
    std::string backdropId;
    auto backdrop = startHostWindow(0, 0, kScreenWidth, kScreenHeight, backdropId);
    ASSERT_FALSE(backdropId.empty());
    EXPECT_TRUE(pollUntil([&] { return visiblePointerPixels(m_session.display()) > 0; }))
        << "the pointer over the backdrop should show";

    auto saver = startSaverAndWaitForSprites();
    EXPECT_TRUE(saver->running());
    EXPECT_EQ(windowSize(kSaverTitle), std::make_pair(kScreenWidth, kScreenHeight));
    EXPECT_TRUE(pollUntil([&] { return visiblePointerPixels(m_session.display()) == 0; }, std::chrono::seconds(10)))
        << "the pointer over the saver shows " << visiblePointerPixels(m_session.display()) << " pixels";
    m_session.xdotool("key q");
    expectCleanExit(*saver);
    EXPECT_TRUE(m_session.windowsNamed(kSaverTitle).empty());
}

TEST_F(AppEndToEndTest, SaverClosesOnAClickOfAnyButton)
{
    for (const char* button : { "1", "3" }) {
        auto saver = startSaverAndWaitForSprites();
        m_session.xdotool(std::string("click ") + button);
        expectCleanExit(*saver);
    }
}

TEST_F(AppEndToEndTest, SaverClosesWhenSmallMovesAddUpPastTwentyPixels)
{
    auto saver = startSaverAndWaitForSprites();
    // The first movement seen is only remembered. It keeps x = 500, so the position stored
    // is x = 500 whether the saver saw the pointer arrive or only this move.
    m_session.xdotool("mousemove 500 401");
    // Qt merges pointer moves that queue up; give a slow saver time to see this one alone.
    std::this_thread::sleep_for(kSettle);
    m_session.xdotool("mousemove 515 401");
    std::this_thread::sleep_for(kSettle);
    EXPECT_TRUE(saver->running()) << "15 pixels closed the saver";
    m_session.xdotool("mousemove 525 401");
    expectCleanExit(*saver);
}

TEST_F(AppEndToEndTest, SaverStaysOpenAfterOneMoveOfTwentyPixels)
{
    auto saver = startSaverAndWaitForSprites();
    m_session.xdotool("mousemove 500 401");
    std::this_thread::sleep_for(kSettle);
    m_session.xdotool("mousemove 520 401");
    std::this_thread::sleep_for(kSettle);
    EXPECT_TRUE(saver->running()) << "20 pixels closed the saver";
    m_session.xdotool("key Escape");
    expectCleanExit(*saver);
}

TEST_F(AppEndToEndTest, SecondSaverEndsAtOnceWhileTheFirstRunsOnAndTheEditorMayStart)
{
    auto first = startSaverAndWaitForSprites();
    auto second = startProgram({ "-S" });
    expectCleanExit(*second);
    EXPECT_TRUE(first->running());
    EXPECT_EQ(m_session.windowsNamed(kSaverTitle).size(), 1u);

    // The configure lock is a different one: the editor starts beside a running saver.
    auto configure = startProgram({ "/c" });
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kConfigureTitle).size() == 1; }));
    configure->signal(SIGTERM);
    ASSERT_TRUE(configure->waitForExit());
    EXPECT_EQ(configure->termSignal(), SIGTERM);

    m_session.xdotool("key space");
    expectCleanExit(*first);
}

TEST_F(AppEndToEndTest, UnknownAndIgnoredSwitchesEndWithoutAWindow)
{
    auto watcher = m_session.start({ hostWindowPath(), "watch" }, true);
    ASSERT_EQ(watcher->readLine().value_or(""), "watching");

    for (std::vector<std::string> switches : { std::vector<std::string> { "/x" }, { "/a", "55" }, { "-A" } }) {
        auto program = startProgram(switches);
        expectCleanExit(*program);
    }
    // Every window mapped so far has been reported once the watcher has synced.
    watcher->writeLine("sync");
    std::vector<std::string> lines;
    while (auto line = watcher->readLine()) {
        if (*line == "synced")
            break;
        lines.push_back(*line);
    }
    EXPECT_TRUE(lines.empty()) << "a window was mapped: " << lines.front();
}

TEST_F(AppEndToEndTest, ConfigureSwitchAndNoSwitchOpenTheLiveViewOnce)
{
    for (std::vector<std::string> switches : { std::vector<std::string> { "/c:1234" }, {} }) {
        auto configure = startProgram(switches);
        ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed(kConfigureTitle).size() == 1; }))
            << "no configure window";
        const auto [x, y, width, height] = windowGeometry(kConfigureTitle);
        EXPECT_GE(width, 492);
        EXPECT_GE(height, 369);
        // The middle of the live view gets sprites.
        EXPECT_TRUE(waitForPicture(x + width / 2 - 120, y + height / 2 - 90, 240, 180));

        // A second configure instance ends at once.
        auto second = startProgram({ "-c" });
        expectCleanExit(*second);
        EXPECT_EQ(m_session.windowsNamed(kConfigureTitle).size(), 1u);

        configure->signal(SIGTERM);
        ASSERT_TRUE(configure->waitForExit());
        EXPECT_EQ(configure->termSignal(), SIGTERM);
    }
}

TEST_F(AppEndToEndTest, PreviewFillsItsHostFollowsItsSizeAndEndsWithIt)
{
    auto firstRun = startProgram({ "/a" });
    expectCleanExit(*firstRun);
    ASSERT_TRUE(m_session.keepOnlyPreset("candy.vhp"));

    std::string hostId;
    auto host = startHostWindow(100, 100, 152, 112, hostId);
    ASSERT_FALSE(hostId.empty());
    auto preview = startProgram({ "/p", hostId });
    EXPECT_TRUE(waitForPicture(100, 100, 152, 112, 20)) << "the preview did not fill its host";
    // Nothing outside the host.
    Screenshot around = m_session.shoot("around-host");
    EXPECT_EQ(around.countOther(300, 0, kScreenWidth - 300, kScreenHeight, around.pixel(kScreenWidth - 1, 0)), 0);

    host->writeLine("resize 240 180");
    EXPECT_EQ(host->readLine().value_or(""), "resized");
    EXPECT_TRUE(waitForPicture(100, 100, 240, 180, 20)) << "the preview did not follow its host";

    host->writeLine("destroy");
    EXPECT_EQ(host->readLine().value_or(""), "destroyed");
    expectCleanExit(*preview);
}

TEST_F(AppEndToEndTest, PreviewOfNoWindowEndsCleanly)
{
    std::string staleId;
    {
        auto host = startHostWindow(10, 10, 30, 30, staleId);
        host->writeLine("destroy");
        EXPECT_EQ(host->readLine().value_or(""), "destroyed");
    }
    for (const std::string& handle : { std::string("0"), std::string("99999999"), staleId, std::string("-7") }) {
        auto preview = startProgram({ "/p", handle });
        expectCleanExit(*preview, 1);
    }
    // "/p" without a number asks for window 0.
    auto bare = startProgram({ "/p" });
    expectCleanExit(*bare, 1);
}

TEST_F(AppEndToEndTest, SaverEndedBySignalLeavesTheNormalWay)
{
    for (int signalNumber : { SIGTERM, SIGINT, SIGHUP }) {
        auto saver = startSaverAndWaitForSprites();
        saver->signal(signalNumber);
        ASSERT_TRUE(saver->waitForExit());
        EXPECT_EQ(saver->termSignal(), signalNumber);
    }
}

// The saver's 640 x 480 switch on a server that offers that mode beside its own.
class LowResolutionTest : public AppEndToEndTest {
protected:
    void SetUp() override
    {
        AppEndToEndTest::SetUp();
        ASSERT_EQ(screenSize(), "800x600");
        auto addMode = m_session.start({ hostWindowPath(), "add-mode", "640", "480" });
        ASSERT_TRUE(addMode->waitForExit());
        ASSERT_EQ(addMode->exitCode(), 0);

        // A first run creates the user's key store; the options then go beside its Paths key.
        auto firstRun = startProgram({ "/a" });
        expectCleanExit(*firstRun);
        const auto store = m_session.folder() / "config" / "opal-revel" / "registry.reg";
        ASSERT_TRUE(std::filesystem::exists(store));
        std::ofstream values(store, std::ios::app);
        values << "\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n";
        for (const char* line : { "\"Scale\"=dword:0000004b", "\"DoChange\"=dword:00000001", "\"Seconds\"=dword:0000000a",
                 "\"Travel\"=dword:00000001", "\"LowRes\"=dword:00000001", "\"Filter\"=dword:00000000",
                 "\"Interlace\"=dword:00000001", "\"Formula\"=dword:00000000", "\"FiterAuto\"=dword:00000000",
                 "\"FiterAutoSeconds\"=dword:0000000a", "\"ChangeFormula\"=dword:00000001", "\"Mirror\"=dword:00000001",
                 "\"ChangeMirror\"=dword:00000000" })
            values << line << "\n";
    }

    std::string screenSize()
    {
        auto query = m_session.start({ hostWindowPath(), "screen-size" }, true);
        return query->readLine().value_or("");
    }

    // Processes started for this session's home that are display watchdogs.
    int watchdogs() const
    {
        const std::string home = "XDG_CONFIG_HOME=" + (m_session.folder() / "config").string();
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream in(entry.path() / "environ", std::ios::binary);
            std::string text;
            char chunk[4096];
            while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
                text.append(chunk, static_cast<std::size_t>(in.gcount()));
            std::vector<std::string> variables;
            for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
                end = text.find('\0', start);
                if (end == std::string::npos)
                    end = text.size();
                variables.push_back(text.substr(start, end - start));
            }
            const auto has = [&](const std::string& prefix) {
                return std::any_of(variables.begin(), variables.end(),
                    [&](const std::string& variable) { return variable.rfind(prefix, 0) == 0; });
            };
            count += has(home) && has("OPAL_REVEL_DISPLAY_WATCHDOG=") ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<ChildProcess> startSwitchedSaver()
    {
        auto saver = startProgram({ "/s" });
        EXPECT_TRUE(pollUntil([&] { return screenSize() == "640x480"; })) << "the display was not switched";
        EXPECT_TRUE(waitForPicture(0, 0, 640, 480)) << "the saver drew nothing at 640 x 480";
        // The window takes the switched screen, so the figure is centred on it.
        EXPECT_TRUE(pollUntil([&] { return windowSize(kSaverTitle) == std::make_pair(640, 480); }));
        return saver;
    }
};

TEST_F(LowResolutionTest, TheDisplayComesBackWhenTheSaverCloses)
{
    auto saver = startSwitchedSaver();
    m_session.xdotool("key Return");
    expectCleanExit(*saver);
    EXPECT_EQ(screenSize(), "800x600");
}

TEST_F(LowResolutionTest, TheDisplayComesBackWhenTheHostStopsTheSaverWithASignal)
{
    for (int signalNumber : { SIGTERM, SIGHUP }) {
        auto saver = startSwitchedSaver();
        saver->signal(signalNumber);
        ASSERT_TRUE(saver->waitForExit());
        EXPECT_EQ(saver->termSignal(), signalNumber);
        EXPECT_EQ(screenSize(), "800x600");
    }
}

TEST_F(LowResolutionTest, ASignalWhileTheSaverStartsStillEndsItAndRestoresTheDisplay)
{
    // The host may stop the saver at any moment of its start, also between the display switch
    // and the event loop, while the saver waits for the toolkit to report the switched screen.
    // The signal goes out as soon as the switch shows. A scale factor of 2 makes the toolkit's
    // sizes differ from the mode's, which that wait has to allow for.
    ChildProcess::Options options;
    options.arguments = { programPath(), "/s" };
    options.environment = m_session.environment();
    options.environment.push_back("QT_SCALE_FACTOR=2");
    options.errorFile = m_session.folder() / "stderr.log";
    ChildProcess saver(options);
    ASSERT_TRUE(pollUntil([&] { return screenSize() == "640x480"; }, std::chrono::seconds(60)));
    saver.signal(SIGTERM);
    ASSERT_TRUE(saver.waitForExit()) << "the signal was lost: the saver runs on";
    EXPECT_EQ(saver.termSignal(), SIGTERM);
    EXPECT_EQ(screenSize(), "800x600");
}

TEST_F(LowResolutionTest, TheDisplayComesBackWhenTheSaverIsKilledOutright)
{
    for (int round = 0; round < 2; ++round) {
        auto saver = startSwitchedSaver();
        EXPECT_EQ(watchdogs(), 1);
        // SIGKILL leaves the saver no moment of its own to put anything back.
        saver->signal(SIGKILL);
        ASSERT_TRUE(saver->waitForExit());
        EXPECT_EQ(saver->termSignal(), SIGKILL);
        EXPECT_TRUE(pollUntil([&] { return screenSize() == "800x600"; })) << "the display stayed switched";
        EXPECT_TRUE(pollUntil([&] { return watchdogs() == 0; })) << "the watchdog stayed";
    }

    // A saver that restores the display itself releases its watchdog, which then touches nothing.
    auto saver = startSwitchedSaver();
    m_session.xdotool("key q");
    expectCleanExit(*saver);
    EXPECT_EQ(screenSize(), "800x600");
    EXPECT_EQ(watchdogs(), 0);
}

} // namespace
