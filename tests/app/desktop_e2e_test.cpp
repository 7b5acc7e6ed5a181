// The program on a Linux desktop, under a private Xvfb: as a display mode of the real
// XScreenSaver daemon, drawing into a given window or the daemon's window, and as the saver
// over two X screens at once.

#include "tests/app/x_session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kBackdrop = 0x13FE4D;
constexpr const char* kBackdropText = "13FE4D";
constexpr uint32_t kBlack = 0x000000;
constexpr auto kSettle = std::chrono::milliseconds(2000);
constexpr const char* kSaverTitle = "The Screen Saver Form";

// Every file below a folder with its bytes, to see that a run changed nothing there.
std::map<std::string, std::string> filesBelow(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().lexically_relative(folder).string()] = bytes.str();
    }
    return files;
}

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The run's figures that OPAL_STATS asked the program to write: name value, a line each.
std::map<std::string, double> readFigures(const std::filesystem::path& path)
{
    std::map<std::string, double> figures;
    std::istringstream lines(readAll(path));
    std::string name;
    double value = 0;
    while (lines >> name >> value)
        figures[name] = value;
    return figures;
}

class HackModeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.ready()) << "Xvfb did not start"; }

    std::unique_ptr<ChildProcess> startHostWindow(std::string& id)
    {
        auto host = m_session.start({ hostWindowPath(), "window", "100", "80", "400", "300", kBackdropText }, true);
        id = host->readLine().value_or("");
        return host;
    }

    std::unique_ptr<ChildProcess> startHack(std::vector<std::string> options, std::vector<std::string> environment = {})
    {
        ChildProcess::Options start;
        start.arguments = { programPath() };
        start.arguments.insert(start.arguments.end(), options.begin(), options.end());
        start.environment = m_session.environmentWith(environment);
        m_errorFile = m_session.folder() / ("hack-stderr-" + std::to_string(m_runs++) + ".log");
        start.errorFile = m_errorFile;
        return std::make_unique<ChildProcess>(start);
    }

    // What the last hack started wrote to standard error.
    std::string errorText() { return readAll(m_errorFile); }

    // The host window (100, 80, 400 x 300) fills with the picture and nothing else on the
    // screen is drawn.
    void expectPictureInTheHostOnly()
    {
        Screenshot picture;
        EXPECT_TRUE(pollUntil([&] {
            picture = m_session.shoot("hosted-" + std::to_string(m_shots++));
            return picture.width > 0 && picture.countEqual(100, 80, 400, 300, kBackdrop) == 0
                && picture.countOther(100, 80, 400, 300, kBlack) >= 50;
        })) << "the host window was not filled with the picture";
        const int outside = picture.countOther(0, 0, 800, 600, kBlack) - picture.countOther(100, 80, 400, 300, kBlack);
        EXPECT_EQ(outside, 0) << "pixels drawn outside the host window";
    }

    // Input belongs to the daemon: a key, a click and a long pointer move end nothing.
    void expectInputIgnored(ChildProcess& hack)
    {
        m_session.xdotool("mousemove 150 150 mousemove 450 350 click 1 key a");
        std::this_thread::sleep_for(kSettle);
        EXPECT_TRUE(hack.running()) << "input ended the hack";
    }

    void expectEndedBySigterm(ChildProcess& hack)
    {
        hack.signal(SIGTERM);
        ASSERT_TRUE(hack.waitForExit()) << "SIGTERM did not end the hack";
        EXPECT_EQ(hack.termSignal(), SIGTERM);
    }

    XSession m_session { 800, 600 };
    int m_shots = 0;
    int m_runs = 0;
    std::filesystem::path m_errorFile;
};

TEST_F(HackModeTest, WindowIdDrawsIntoThatWindowOnlyIgnoresInputAndEndsOnSigterm)
{
    std::string id;
    auto host = startHostWindow(id);
    ASSERT_FALSE(id.empty());
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(id));
    auto hack = startHack({ "--window-id", hex, "--formula", "3", "--no-blur" });
    expectPictureInTheHostOnly();
    expectInputIgnored(*hack);
    expectEndedBySigterm(*hack);
    EXPECT_TRUE(host->running()) << "the host went with the hack";
}

TEST_F(HackModeTest, RootDrawsIntoTheDaemonsWindowAndReportsItsLossOnOneLine)
{
    std::string id;
    auto host = startHostWindow(id);
    ASSERT_FALSE(id.empty());
    auto hack = startHack({ "--root" }, { "XSCREENSAVER_WINDOW=" + id });
    expectPictureInTheHostOnly();
    // The window goes while the picture is being drawn into it.
    host->signal(SIGTERM);
    ASSERT_TRUE(host->waitForExit());
    ASSERT_TRUE(hack->waitForExit()) << "the hack outlived its window";
    EXPECT_EQ(hack->termSignal(), 0);
    EXPECT_EQ(hack->exitCode(), 1);
    EXPECT_EQ(errorText(), "opal-revel: window 0x" + [&] {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%lx", std::stoul(id));
        return std::string(hex);
    }() + " went away\n");
}

TEST_F(HackModeTest, AWindowOrDisplayThatDoesNotExistEndsWithOneLineAndNoWindowOfItsOwn)
{
    for (const auto& [options, environment] : std::vector<std::pair<std::vector<std::string>, std::string>> {
             { { "--window-id", "0x7ffffff" }, "" },
             { { "--root" }, "XSCREENSAVER_WINDOW=0x7ffffff" },
             { { "--root" }, "XSCREENSAVER_WINDOW=window" },
             { { "--root" }, "DISPLAY=:65000" } }) {
        auto hack = startHack(options, { environment.empty() ? "OPAL_UNUSED=1" : environment });
        ASSERT_TRUE(hack->waitForExit());
        EXPECT_EQ(hack->termSignal(), 0);
        EXPECT_EQ(hack->exitCode(), 1) << environment;
        const std::string text = errorText();
        EXPECT_EQ(text.rfind("opal-revel: ", 0), 0u) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    EXPECT_EQ(m_session.run("xdotool search --onlyvisible --name ."), "");
}

TEST_F(HackModeTest, BadOptionsEndWithStatusTwoBeforeAnyWindow)
{
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>> {
             { "--root", "--scale", "500" }, { "--root", "--preset", "No Such Preset" }, { "--window-id" } }) {
        auto hack = startHack(options);
        ASSERT_TRUE(hack->waitForExit());
        EXPECT_EQ(hack->exitCode(), 2) << options.back();
        const std::string text = errorText();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    EXPECT_EQ(m_session.run("xdotool search --onlyvisible --name ."), "");
}

// The stored options are read, never written, whatever the per-run options say, and a
// signal during the start (while the settings and a preset are read) leaves every stored
// file as it was and no temporary file behind.
TEST_F(HackModeTest, StoredOptionsAreNeverWrittenNotEvenWhenStoppedWhileStarting)
{
    // A first run of the editor's kind creates the store and the presets folder.
    auto first = startHack({ "--root", "--change-seconds", "1" });
    EXPECT_TRUE(pollUntil([&] { return m_session.windowsNamed(kSaverTitle).size() == 1; }));
    expectEndedBySigterm(*first);
    const std::filesystem::path config = m_session.folder() / "config";
    const std::filesystem::path data = m_session.folder() / "data";
    const auto configBefore = filesBelow(config);
    const auto dataBefore = filesBelow(data);
    ASSERT_FALSE(configBefore.empty());

    for (int delayMilliseconds : { 0, 5, 20, 60, 150 }) {
        auto hack = startHack({ "--root", "--preset", "random", "--formula", "random", "--mirror", "2", "--blur",
            "--no-travel", "--change-seconds", "1", "--scale", "50" });
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMilliseconds));
        hack->signal(SIGTERM);
        ASSERT_TRUE(hack->waitForExit());
    }
    // One that runs long enough for automatic preset changes to load files.
    auto changing = startHack({ "--root", "--preset", "random", "--change-seconds", "1", "--no-travel" });
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    expectEndedBySigterm(*changing);

    EXPECT_EQ(filesBelow(config), configBefore);
    EXPECT_EQ(filesBelow(data), dataBefore);
}

TEST_F(HackModeTest, RootWithoutTheDaemonsWindowCoversTheScreenAndIgnoresInput)
{
    auto hack = startHack({ "--root" });
    ASSERT_TRUE(pollUntil([&] { return m_session.windowsNamed(kSaverTitle).size() == 1; })) << "no window";
    EXPECT_TRUE(pollUntil([&] { return m_session.shoot("root-" + std::to_string(m_shots++)).countOther(0, 0, 800, 600, kBlack) >= 50; }));
    expectInputIgnored(*hack);
    expectEndedBySigterm(*hack);
}

// The saver over two X screens of different sizes: a window and a picture on each, at the
// screen's own size, and a pointer move on the second ends both.
// With OPAL_STATS the program writes its run's figures at exit. The headless tool given the
// same preset, formula, mirror, scale and the sprites on screen draws the picture the screen
// showed, pixel for pixel; and a refresh's sprites go out in one present. The screen is shot
// with the program stopped (SIGSTOP), since it takes its window with it when it ends; a stop
// that lands between a step and its present shows one refresh less than the figures, so a
// mismatch is tried again.
// The same holds for the wallpaper, whose slower clock steps and presents less often.
class HackPictureTest : public HackModeTest, public testing::WithParamInterface<std::vector<std::string>> { };

TEST_P(HackPictureTest, RunStatisticsLetTheHeadlessToolDrawTheScreen)
{
    const std::string preset = OPAL_SOURCE_DIR "/data/presets/candy.vhp";
    const std::vector<std::string> picture { "--preset", preset, "--formula", "7", "--mirror", "3" };
    std::vector<std::string> options = GetParam();
    for (const char* option : { "--no-blur", "--no-travel", "--change-seconds", "0", "--scale", "60" })
        options.emplace_back(option);
    options.insert(options.end(), picture.begin(), picture.end());
    int differing = -1;
    for (int attempt = 0; attempt < 3 && differing != 0; ++attempt) {
        const std::filesystem::path stats = m_session.folder() / ("stats-" + std::to_string(attempt) + ".txt");
        auto hack = startHack(options, { "OPAL_STATS=" + stats.string(), "WAYLAND_DISPLAY=" });
        EXPECT_TRUE(pollUntil([&] { return m_session.shoot("drawing").countOther(0, 0, 800, 600, kBlack) >= 2000; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        hack->signal(SIGSTOP);
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the server takes what was sent
        const Screenshot screen = m_session.shoot("stopped-" + std::to_string(attempt));
        hack->signal(SIGTERM);
        hack->signal(SIGCONT);
        ASSERT_TRUE(hack->waitForExit());

        std::map<std::string, double> figures = readFigures(stats);
        const auto shown = static_cast<long long>(figures["presented_sprites"]);
        ASSERT_GT(shown, 300);
        EXPECT_GE(figures["sprites"], figures["presented_sprites"]);
        EXPECT_LT(figures["presents"] * 20, figures["sprites"]) << "about one present per refresh, not one per sprite";
        EXPECT_GT(figures["run_seconds"], figures["drawing_seconds"]);

        const std::filesystem::path drawn = m_session.folder() / "drawn.png";
        std::string command = std::string(OPAL_RENDER_FRAME_PATH) + " --out " + drawn.string()
            + " --blur 0 --travel 0 --scale 60 --size 800x600 --exact-sprites " + std::to_string(shown);
        for (const std::string& word : picture)
            command += " " + word;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Screenshot headless = readPicture(drawn);
        ASSERT_EQ(std::pair(headless.width, headless.height), std::pair(screen.width, screen.height));
        differing = 0;
        for (int y = 0; y < screen.height; ++y)
            for (int x = 0; x < screen.width; ++x)
                differing += screen.pixel(x, y) != headless.pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, HackPictureTest,
    testing::Values(std::vector<std::string> { "--root" }, std::vector<std::string> { "--wallpaper", "--rate", "50" }),
    [](const auto& paramInfo) { return paramInfo.param.front() == "--root" ? std::string("Root") : std::string("Wallpaper"); });

// The wallpaper on X11, here without a window manager: a desktop-type window below every
// other window. A client window mapped after it shows whole on top of the picture, which goes
// on moving around it; input is left to the desktop; a close request, as a window manager's
// close button sends, ends it with status 0.
TEST_F(HackModeTest, WallpaperDrawsAsTheDesktopBelowOtherWindows)
{
    auto hack = startHack({ "--wallpaper", "--rate", "100" }, { "WAYLAND_DISPLAY=" });
    std::vector<std::string> windows;
    ASSERT_TRUE(pollUntil([&] {
        windows = m_session.windowsNamed(kSaverTitle);
        return windows.size() == 1;
    })) << "no window";
    EXPECT_NE(m_session.run("xprop -id " + windows.front() + " _NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DESKTOP"),
        std::string::npos);
    EXPECT_TRUE(pollUntil([&] { return m_session.shoot("wallpaper-" + std::to_string(m_shots++)).countOther(0, 0, 800, 600, kBlack) >= 50; }));

    std::string id;
    auto client = startHostWindow(id);
    ASSERT_FALSE(id.empty());
    Screenshot first;
    EXPECT_TRUE(pollUntil([&] {
        first = m_session.shoot("under-" + std::to_string(m_shots++));
        return first.width > 0 && first.countOther(100, 80, 400, 300, kBackdrop) == 0;
    })) << "the client window is not whole above the wallpaper";
    // Around the client the picture changes from one screenshot to the next; the client stays.
    const auto changedAround = [&first](const Screenshot& later) {
        int changed = 0;
        for (int y = 0; y < later.height; ++y) {
            for (int x = 0; x < later.width; ++x) {
                const bool inClient = x >= 100 && x < 500 && y >= 80 && y < 380;
                changed += !inClient && later.pixel(x, y) != first.pixel(x, y);
            }
        }
        return changed;
    };
    EXPECT_TRUE(pollUntil([&] {
        const Screenshot later = m_session.shoot("around-" + std::to_string(m_shots++));
        return later.width > 0 && later.countOther(100, 80, 400, 300, kBackdrop) == 0 && changedAround(later) >= 50;
    })) << "the picture did not go on around the client window";

    expectInputIgnored(*hack);
    EXPECT_TRUE(client->running());
    m_session.run(hostWindowPath() + " close " + windows.front());
    ASSERT_TRUE(hack->waitForExit()) << "the close request did not end the wallpaper";
    EXPECT_EQ(hack->exitCode(), 0);
}

// A wallpaper that other windows cover wholly draws nothing. Here a window over the whole
// screen is there before it starts; ended while still covered, it drew at most the sprites of
// the refreshes before the server told it (uncovered it draws 3333 a second, 5000 in the time
// it is given).
TEST_F(HackModeTest, ACoveredWallpaperDrawsNothing)
{
    auto cover = m_session.start({ hostWindowPath(), "window", "0", "0", "800", "600", kBackdropText }, true);
    ASSERT_FALSE(cover->readLine().value_or("").empty());
    const std::filesystem::path stats = m_session.folder() / "covered-stats.txt";
    auto hack = startHack({ "--wallpaper", "--rate", "100" }, { "OPAL_STATS=" + stats.string(), "WAYLAND_DISPLAY=" });
    std::vector<std::string> windows;
    ASSERT_TRUE(pollUntil([&] {
        windows = m_session.windowsNamed(kSaverTitle);
        return windows.size() == 1;
    })) << "no window";
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    m_session.run(hostWindowPath() + " close " + windows.front());
    ASSERT_TRUE(hack->waitForExit());
    EXPECT_LT(readFigures(stats)["sprites"], 500) << "drew while covered";
}

TEST(EveryScreenTest, SaverCoversBothScreensAndAMoveOnTheSecondEndsIt)
{
    XSession session(1280, 720, 1024, 768);
    ASSERT_TRUE(session.ready());
    session.xdotool("mousemove --screen 1 500 400");
    auto saver = session.start({ programPath(), "/s" });
    ASSERT_TRUE(pollUntil([&] { return session.windowsNamed(kSaverTitle).size() == 2; })) << "not a window per screen";
    int shots = 0;
    for (int screen : { 0, 1 }) {
        EXPECT_TRUE(pollUntil([&] {
            Screenshot picture = session.shoot("screen-" + std::to_string(screen) + "-" + std::to_string(shots++), screen);
            return picture.width > 0 && picture.countOther(0, 0, picture.width, picture.height, kBlack) >= 50;
        })) << "nothing drawn on screen " << screen;
    }
    std::vector<std::string> sizes;
    for (const std::string& id : session.windowsNamed(kSaverTitle)) {
        std::istringstream lines(session.run("xwininfo -id " + id));
        int width = 0;
        int height = 0;
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), " Width: %d", &width);
            std::sscanf(line.c_str(), " Height: %d", &height);
        }
        sizes.push_back(std::to_string(width) + "x" + std::to_string(height));
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::string> { "1024x768", "1280x720" }));

    session.xdotool("mousemove --screen 1 510 410");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    session.xdotool("mousemove --screen 1 700 600");
    ASSERT_TRUE(saver->waitForExit()) << "a move on the second screen did not end the saver";
    EXPECT_EQ(saver->termSignal(), 0);
    EXPECT_EQ(saver->exitCode(), 0);
    EXPECT_TRUE(session.windowsNamed(kSaverTitle).empty());
}

} // namespace

namespace {

// The real XScreenSaver daemon with a private HOME whose settings run only this program. The
// daemon refuses to run display modes as root, so under root it runs as "nobody".
class DaemonTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_session.ready()) << "Xvfb did not start";
        if (!std::filesystem::exists("/usr/bin/xscreensaver"))
            GTEST_SKIP() << "the xscreensaver package is not installed (scripts/install-deps.sh installs it)";
        char pattern[] = "/tmp/opal-daemon-home-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_home = pattern;
        std::ofstream(m_home / ".xscreensaver") << "timeout: 0:30:00\n"
                                                   "cycle: 0:00:00\n"
                                                   "lock: False\n"
                                                   "fade: False\n"
                                                   "unfade: False\n"
                                                   "splash: False\n"
                                                   "dpmsEnabled: False\n"
                                                   "mode: one\n"
                                                   "selected: 0\n"
                                                   "programs: "
                                                << programPath() << " --root \\n\\\n\n";
        std::vector<std::string> daemon = { "/usr/bin/env", "-i", "HOME=" + m_home.string(),
            "DISPLAY=" + m_session.display(), "PATH=/usr/bin:/bin", "/usr/bin/xscreensaver", "-no-splash" };
        if (geteuid() == 0) {
            // The home and the program's folder chain must be open to the unprivileged user.
            ASSERT_EQ(std::system(("chown -R nobody:nogroup " + m_home.string()).c_str()), 0);
            daemon.insert(daemon.begin(), { "/usr/sbin/runuser", "-u", "nobody", "--" });
        }
        m_daemon = m_session.start(daemon);
        ASSERT_TRUE(pollUntil([&] { return !command("-time").empty(); })) << "the daemon did not start";
    }

    void TearDown() override
    {
        if (m_daemon) {
            command("-exit");
            if (!m_daemon->waitForExit(std::chrono::seconds(20)))
                m_daemon->signal(SIGKILL);
        }
        if (!m_home.empty())
            std::filesystem::remove_all(m_home);
    }

    // xscreensaver-command's answer (it writes to standard error), empty while no daemon runs.
    std::string command(const std::string& argument)
    {
        std::string answer = m_session.run("sh -c 'xscreensaver-command " + argument + " 2>&1 | grep -v \"no screensaver\"'");
        return answer;
    }

    // The daemon's processes running this program with --root (other tests may run their own),
    // with their parent.
    std::vector<std::pair<int, int>> hacks()
    {
        std::vector<std::pair<int, int>> found;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string command = readAll(entry.path() / "cmdline");
            std::replace(command.begin(), command.end(), '\0', ' ');
            if (command.rfind(programPath() + " --root", 0) != 0)
                continue;
            std::istringstream status(readAll(entry.path() / "stat"));
            std::string pid, comm, state;
            int parent = 0;
            status >> pid >> comm >> state >> parent;
            if (state != "Z" && descendsFromDaemon(parent))
                found.emplace_back(std::stoi(name), parent);
        }
        return found;
    }

    bool descendsFromDaemon(int pid)
    {
        for (int step = 0; step < 10 && pid > 1; ++step) {
            if (pid == m_daemon->pid())
                return true;
            std::istringstream status(readAll("/proc/" + std::to_string(pid) + "/stat"));
            std::string ignored, state;
            status >> ignored >> ignored >> state >> pid;
        }
        return false;
    }

    XSession m_session { 800, 600 };
    std::filesystem::path m_home;
    std::unique_ptr<ChildProcess> m_daemon;
};

TEST_F(DaemonTest, ActivationLightsTheScreenWithOurPictureAndDeactivationEndsIt)
{
    const int litBefore = m_session.shoot("before").countOther(0, 0, 800, 600, kBlack);
    EXPECT_TRUE(hacks().empty());
    command("-activate");
    ASSERT_TRUE(pollUntil([&] { return hacks().size() == 1; }, std::chrono::seconds(30)))
        << "the daemon ran no hack as its child";
    const int hack = hacks().front().first;
    int shots = 0;
    EXPECT_TRUE(pollUntil([&] {
        return m_session.shoot("lit-" + std::to_string(shots++)).countOther(0, 0, 800, 600, kBlack) >= litBefore + 2000;
    })) << "the screen was not lit by the picture";

    command("-deactivate");
    EXPECT_TRUE(pollUntil([&] { return hacks().empty(); }, std::chrono::seconds(30))) << "the hack outlived the deactivation";
    // Reaped by the daemon, not left behind.
    EXPECT_TRUE(pollUntil([&] { return kill(hack, 0) != 0; }, std::chrono::seconds(10)));
}

} // namespace
