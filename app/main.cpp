// The entry point: loads the options, reads the host's switch, runs the launcher of the
// run mode and the event loop, and puts a switched display mode back at the end, also when
// the program is ended by SIGTERM, SIGINT or SIGHUP.

#include "app/command_line.h"
#include "app/display_check.h"
#include "app/hack_options.h"
#include "app/hack_mode.h"
#include "app/idle_command_line.h"
#include "app/idle_service.h"
#include "app/preview_window.h"
#include "app/resolutions.h"
#include "app/run_options.h"
#include "app/run_statistics.h"
#include "app/saver_screens.h"
#include "app/termination_signals.h"
#include "app/wayland_saver.h"
#include "editor/editor_window.h"
#include "platform/display_watchdog.h"
#include "platform/instance_lock.h"
#include "platform/xrandr_mode_source.h"
#include "presets/run_record.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

constexpr int kScreenChangeWaitMilliseconds = 2000;

// A mode's size is in device pixels, the screen's geometry in the toolkit's scaled ones; a
// fractional scale factor may round the product a pixel off.
bool screenHasDeviceSize(const QScreen* screen, QSize size)
{
    const QSize device = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
    return std::abs(device.width() - size.width()) <= 1 && std::abs(device.height() - size.height()) <= 1;
}

// A mode switch reaches the toolkit as an event some time after the server has made it.
// Waiting for it before the saver window exists means the window is created at the switched
// size instead of having to follow a change, which a slow start can miss. The wait ends early
// when a termination signal arrives: the host wants the saver gone, not shown.
void waitForPrimaryScreenSize(QSize size, const TerminationSignals& termination)
{
    QDeadlineTimer deadline(kScreenChangeWaitMilliseconds);
    while (!deadline.hasExpired() && termination.received() == 0) {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr && screenHasDeviceSize(screen, size))
            return;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Everything the launchers create lives here until the event loop has returned.
struct RunState {
    InstanceLock lock;
    // Started before a mode switch: restores the display should the program die without
    // doing so itself.
    DisplayWatchdog watchdog;
    std::unique_ptr<XRandrModeSource> modes;
    // The saver start switched the display mode, which must be restored at exit.
    bool displaySwitched = false;
    std::unique_ptr<QWidget> mainWindow;
    std::unique_ptr<SaverScreens> savers;
    std::unique_ptr<PreviewWindow> preview;
};

void configureLauncher(RunState& state, RunRecord& record)
{
    if (!takeSingleInstance(state.lock, "QUILLRUNC"))
        return;
    state.mainWindow = std::make_unique<EditorWindow>(record);
    state.mainWindow->show();
}

void saverLauncher(RunState& state, RunRecord& record, const TerminationSignals& termination, double timeScale)
{
    if (!takeSingleInstance(state.lock, "QUILLRUNS"))
        return;
    loadStartPreset(record, std::nullopt);
    if (record.options.lowRes) {
        state.modes = std::make_unique<XRandrModeSource>();
        state.watchdog.start();
        state.displaySwitched = switchTo640x480(*state.modes);
        if (state.displaySwitched)
            waitForPrimaryScreenSize(QSize(640, 480), termination);
    }
    if (termination.received() != 0)
        return;
    // Created after the switch, so the windows read the switched screen size.
    state.savers = std::make_unique<SaverScreens>(record, SaverInput::EndsSaver);
    state.savers->setTimeScale(timeScale);
    state.savers->show();
}

// False when the handle names no window: the program then ends at once.
bool previewLauncher(RunState& state, RunRecord& record, long handle)
{
    QString error;
    // X11 window ids are 32-bit; anything outside names no window.
    if (handle > 0 && handle <= 0xFFFFFFFFL)
        state.preview = PreviewWindow::createInside(record, static_cast<uint32_t>(handle), &error);
    else
        error = QStringLiteral("no window %1 to show the preview in").arg(handle);
    if (!state.preview) {
        std::fprintf(stderr, "opal-revel: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

// The saver on a Wayland desktop: a client of the compositor of its own, without the
// toolkit, over every output. Ends by the termination signal that ended it, as on X11.
int runWaylandSaver(RunRecord& record, const QElapsedTimer& runClock, double timeScale)
{
    InstanceLock lock;
    if (!takeSingleInstance(lock, "QUILLRUNS"))
        return 0;
    takeRunOptions(record, HackOptions {});
    if (record.options.lowRes)
        std::fputs("opal-revel: Wayland has no display mode switch, so the saver draws at each output's size instead "
                   "of 640 x 480\n", stderr);
    return runWaylandMode(record, WaylandRunKind::Saver, timeScale,
        [&runClock] { return static_cast<double>(runClock.nsecsElapsed()) / 1e9; });
}

bool hasWindow(const RunState& state) { return state.mainWindow || state.savers || state.preview; }

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer runClock;
    runClock.start();
    if (const int status = runDisplayWatchdogIfAsked(); status >= 0)
        return status;
    if (const int status = runIdleModeIfAsked(argc, argv); status >= 0)
        return status;
    // What every run mode works on: the options, the preset, the presets list and the palette.
    RunRecord record;

    // A desktop daemon's long options ("--root", "--window-id ID", ...) run the display mode
    // of that daemon; every other command line is the host's switch.
    if (const std::vector<std::string> arguments(argv + 1, argv + argc); isHackCommandLine(arguments))
        return runHackMode(record, arguments, argv[0]);

    // The command line belongs to the screen-saver host: the toolkit gets only the program's
    // name, so that no switch is taken for one of its own options.
    const std::string commandLine = joinArguments(argc, argv);
    const LaunchRequest request = readSwitch(commandLine);
    // Text after a switch is ignored, but an option that names another mode would be lost
    // without a word: one run has one mode.
    if (const std::string mode = firstModeOption(std::vector<std::string>(argv + 1, argv + argc)); !mode.empty()) {
        std::fprintf(stderr, "opal-revel: the host switch %s and %s name two modes: give one (see --help)\n",
            quoteArgument(argc > 1 ? argv[1] : "").c_str(), mode.c_str());
        return 2;
    }
    // The idle service slows the saver on battery.
    const double saverTimeScale = saverRatePercent(std::vector<std::string>(argv + 1, argv + argc)).value_or(100) / 100.0;
    static int toolkitArgc = 1;
    static char* toolkitArgv[] = { argv[0], nullptr };

    // "/a" and unknown switches create no window, so they need no display: the options are
    // loaded (which gives a first run its folders) and the program ends.
    if (request.mode == LaunchMode::None) {
        loadStoredOptions(record);
        return 0;
    }
    const bool wayland = runsOnWayland(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"),
        hasArgument(argc, argv, "--wayland"));
    if (wayland && request.mode == LaunchMode::Saver)
        return runWaylandSaver(record, runClock, saverTimeScale);
    if (wayland && request.mode == LaunchMode::Preview) {
        std::fputs("opal-revel: the preview (/p) draws inside an X11 window of the host and is not available on "
                   "Wayland\n", stderr);
        return 1;
    }
    // The editor runs under the toolkit's own Wayland platform there.
    if (wayland && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "wayland", 1);
    if (!wayland && !checkDisplay())
        return 1;

    // The application object comes first so that the settings store can show its message box.
    QApplication application(toolkitArgc, toolkitArgv);
    application.setApplicationName(QString::fromStdString(ProductTitle));
    // Only the editor has somebody in front of it. The saver and the preview are started by a
    // host, often with nobody at the screen and the host's window on top: a modal box there
    // would wait forever, so their messages go to standard error, the host's log.
    if (request.mode == LaunchMode::Configure) {
        setCriticalErrorHandler([](const std::string& caption, const std::string& text) {
            QMessageBox::critical(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
        });
    }

    TerminationSignals terminationSignals;
    int status = 0;
    RunState state;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, [&state](int) {
        if (state.savers)
            state.savers->closeAll();
        QCoreApplication::exit(0);
    });

    try {
        loadStoredOptions(record);

        // A signal that arrived during the start ends the program before any window is made.
        switch (terminationSignals.received() != 0 ? LaunchMode::None : request.mode) {
        case LaunchMode::Configure:
            configureLauncher(state, record);
            break;
        case LaunchMode::Saver:
            saverLauncher(state, record, terminationSignals, saverTimeScale);
            break;
        case LaunchMode::Preview:
            if (!previewLauncher(state, record, request.number))
                status = 1;
            break;
        case LaunchMode::None:
            break;
        }
        // The loop runs only when there is a window to serve; a second instance, "/a" or an
        // unknown switch ends here. So does a start during which a termination signal was
        // handled: events processed before the loop (the wait for a switched screen, a message
        // box of the settings store) may already have taken it, and the exit it asked for is
        // lost on a loop that was not yet running.
        if (hasWindow(state) && terminationSignals.received() == 0)
            QApplication::exec();
    } catch (const std::exception& exception) {
        QMessageBox::critical(nullptr, QString::fromStdString(ProductTitle), QString::fromUtf8(exception.what()));
    }

    if (state.displaySwitched && state.modes)
        restoreDisplay(*state.modes);
    state.watchdog.release();

    RenderStatistics figures;
    if (state.savers)
        figures.add(state.savers->statistics());
    if (state.preview && state.preview->renderer())
        figures.add(state.preview->renderer()->statistics());
    if (const auto* editor = dynamic_cast<const EditorWindow*>(state.mainWindow.get()); editor && editor->renderer())
        figures.add(editor->renderer()->statistics());
    writeRunStatisticsIfAsked(figures, static_cast<double>(runClock.nsecsElapsed()) / 1e9);

    state.preview.reset();
    state.savers.reset();
    state.mainWindow.reset();
    terminationSignals.reraise();
    return status;
}
