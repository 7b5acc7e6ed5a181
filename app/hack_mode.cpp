#include "app/hack_mode.h"

#include "app/animation_recorder.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/preview_window.h"
#include "app/run_options.h"
#include "app/run_statistics.h"
#include "app/saver_screens.h"
#include "app/termination_signals.h"
#include "app/wayland_saver.h"
#include "engine/renderer_factory.h"
#include "export/gif_capture.h"
#include "platform/atomic_file.h"
#include "presets/run_record.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kExitWindowFault = 1;
constexpr int kExitBadCommandLine = 2;

void complain(const std::string& text) { std::fprintf(stderr, "opal-revel: %s\n", text.c_str()); }

// The window the daemon names in the environment, when it names one.
struct DaemonWindow {
    bool given = false;
    uint32_t id = 0;
};

DaemonWindow readDaemonWindow()
{
    const char* text = std::getenv("XSCREENSAVER_WINDOW");
    if (text == nullptr || *text == '\0')
        return {};
    return { true, parseWindowId(text).value_or(0) };
}

// The headless recorder: the run's options, recorded into the file without a display. The
// file is opened before the first frame, so that a folder that is missing or read-only, or a
// folder in the file's place, is told at once rather than after the whole recording.
int runRecorder(RunRecord& record, const HackOptions& options)
{
    AtomicFileWriter file;
    try {
        openAnimationFile(file, options.recordFile);
    } catch (const std::exception& error) {
        complain(exportErrorText(error));
        return kExitWindowFault;
    }
    if (!takeRunOptions(record, options))
        return kExitBadCommandLine;

    AnimationFormat format = AnimationFormat::Gif;
    animationFormatForFile(options.recordFile, format);
    const RecordPlan plan = recordPlan(options);
    const std::unique_ptr<Renderer> renderer = makeRenderer(RenderRole::Saver, record);
    // As on the saver's first screen, which is the one that changes.
    renderer->setAutomaticChanges(true);
    try {
        const std::unique_ptr<AnimationWriter> writer = makeRecordWriter(format, plan);
        RecordProgress progress(stderr, isatty(fileno(stderr)) != 0);
        recordFrames(*renderer, plan, *writer, std::ref(progress));
        commitAnimationFile(*writer, file, options.recordFile);
    } catch (const std::exception& error) {
        complain(exportErrorText(error));
        return kExitWindowFault;
    }
    return 0;
}

// The wallpaper on a Wayland desktop: the run's options, then a client of the compositor's
// background layer on every output until a termination signal ends it. (On X11 the wallpaper
// is the saver's windows as the desktop; see runHackMode.)
int runWallpaper(RunRecord& record, const HackOptions& options, const QElapsedTimer& runClock)
{
    if (!takeRunOptions(record, options))
        return kExitBadCommandLine;
    return runWaylandMode(record, WaylandRunKind::Wallpaper, options.ratePercent.value_or(kDefaultWallpaperRatePercent) / 100.0,
        [&runClock] { return static_cast<double>(runClock.nsecsElapsed()) / 1e9; });
}

} // namespace

int runHackMode(RunRecord& record, const std::vector<std::string>& arguments, char* programName)
{
    QElapsedTimer runClock;
    runClock.start();
    const HackParseResult parsed = parseHackOptions(arguments);
    if (!parsed.ok) {
        complain(parsed.error);
        return kExitBadCommandLine;
    }
    const HackOptions& options = parsed.options;
    if (options.help) {
        std::fputs(hackUsage().c_str(), stdout);
        return 0;
    }
    if (options.target == HackTarget::Record)
        return runRecorder(record, options);
    const DaemonWindow daemonWindow = options.target == HackTarget::Root ? readDaemonWindow() : DaemonWindow {};
    if (daemonWindow.given && daemonWindow.id == 0) {
        complain("XSCREENSAVER_WINDOW names no window");
        return kExitWindowFault;
    }

    // The wallpaper goes on the compositor's background layer wherever there is one: under
    // Xwayland a desktop-type X11 window would be just another window.
    const bool wallpaper = options.target == HackTarget::Wallpaper;
    if (wallpaper && runsOnWayland(std::getenv("WAYLAND_DISPLAY"), nullptr, false))
        return runWallpaper(record, options, runClock);

    if (!checkDisplay())
        return kExitWindowFault;

    static int toolkitArgc = 1;
    static char* toolkitArgv[] = { programName, nullptr };
    QApplication application(toolkitArgc, toolkitArgv);
    application.setApplicationName(QString::fromStdString(ProductTitle));
    // Signals that arrive while the options load only queue a request: the reading and a
    // preset load run to their end, and the program then ends before it draws.
    TerminationSignals terminationSignals;

    // A broken store is reported on standard error (the default handler), since no one sits
    // before a message box of a screen saver.
    if (!takeRunOptions(record, options))
        return kExitBadCommandLine;

    std::unique_ptr<PreviewWindow> inWindow;
    std::unique_ptr<SaverScreens> overScreens;
    const uint32_t target = options.target == HackTarget::Window ? options.windowId : daemonWindow.id;
    if (target != 0) {
        QString error;
        inWindow = PreviewWindow::createInside(record, target, &error, PreviewWindow::Host::DesktopDaemon);
        if (!inWindow) {
            complain(error.toStdString());
            return kExitWindowFault;
        }
    } else {
        overScreens = std::make_unique<SaverScreens>(record, SaverInput::Ignored, wallpaper ? SaverLayer::Desktop : SaverLayer::Top);
        if (wallpaper)
            overScreens->setTimeScale(options.ratePercent.value_or(kDefaultWallpaperRatePercent) / 100.0);
        overScreens->show();
    }

    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, [&](int) {
        if (overScreens)
            overScreens->closeAll();
        QCoreApplication::exit(0);
    });
    QCoreApplication::processEvents();
    if (terminationSignals.received() == 0 && !(inWindow && inWindow->hostGone()))
        QApplication::exec();

    RenderStatistics figures;
    if (overScreens)
        figures.add(overScreens->statistics());
    if (inWindow && inWindow->renderer())
        figures.add(inWindow->renderer()->statistics());
    writeRunStatisticsIfAsked(figures, static_cast<double>(runClock.nsecsElapsed()) / 1e9);

    int status = 0;
    if (inWindow && inWindow->hostGone() && terminationSignals.received() == 0) {
        complain(QStringLiteral("window 0x%1 went away").arg(target, 0, 16).toStdString());
        status = kExitWindowFault;
    }
    inWindow.reset();
    overScreens.reset();
    terminationSignals.reraise();
    return status;
}
