#include "app/hack_mode.h"

#include "app/animation_recorder.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/preview_window.h"
#include "app/run_statistics.h"
#include "app/saver_screens.h"
#include "app/termination_signals.h"
#include "app/wayland_saver.h"
#include "engine/renderer_factory.h"
#include "export/gif_capture.h"
#include "presets/run_record.h"

#include <QApplication>

#include <QElapsedTimer>


#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
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

// Puts the per-run preset in place; false (with the message given) when there is no such preset.
bool loadPresetArgument(RunRecord& record, const std::string& argument)
{
    if (argument == "random") {
        loadRandomPreset(record.options.presetsDir, record.preset);
        return true;
    }
    const std::optional<std::filesystem::path> path = findPresetArgument(argument, record.options.presetsDir);
    if (!path) {
        complain("--preset: no preset " + quoteArgument(argument) + " in "
            + (record.options.presetsDir.empty() ? std::string("(no presets folder)") : quoteArgument(record.options.presetsDir)));
        return false;
    }
    if (!loadPresetFile(*path, record.preset)) {
        complain("--preset: " + quoteArgument(path->string()) + " is not a preset file that can be read");
        return false;
    }
    return true;
}

// The stored options with this run's options over them, and the preset the run starts with,
// as the saver would run. False when the preset asked for cannot be loaded (said already).
bool takeRunOptions(RunRecord& record, const HackOptions& options)
{
    resetDefaults(record.options, record.preset);
    loadSettings(record.options, record.preset);
    std::random_device entropy;
    applyHackOptions(options, record.options, [&entropy] { return static_cast<uint32_t>(entropy()); });
    if (options.preset && !loadPresetArgument(record, *options.preset))
        return false;
    if (!options.preset && record.options.randomStart)
        loadRandomPreset(record.options.presetsDir, record.preset);
    return true;
}

// The headless recorder: the run's options, recorded into the file without a display.
int runRecorder(RunRecord& record, const HackOptions& options)
{
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
        saveAnimationFile(*writer, options.recordFile);
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
    WaylandSaver wallpaper(record, WaylandRunKind::Wallpaper);
    wallpaper.setTimeScale(options.ratePercent.value_or(kDefaultWallpaperRatePercent) / 100.0);
    int signal = 0;
    const int status = wallpaper.run(&signal);
    writeRunStatisticsIfAsked(wallpaper.statistics(), static_cast<double>(runClock.nsecsElapsed()) / 1e9);
    if (signal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status == 0 ? 0 : kExitWindowFault;
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

    // The stored options are read, never written; a broken store is reported on standard
    // error (the default handler), since no one sits before a message box of a screen saver.
    resetDefaults(record.options, record.preset);
    loadSettings(record.options, record.preset);
    std::random_device entropy;
    applyHackOptions(options, record.options, [&entropy] { return static_cast<uint32_t>(entropy()); });
    if (options.preset && !loadPresetArgument(record, *options.preset))
        return kExitBadCommandLine;
    if (!options.preset && record.options.randomStart)
        loadRandomPreset(record.options.presetsDir, record.preset);

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
