#include "app/hack_mode.h"

#include "app/display_check.h"
#include "app/preview_window.h"
#include "app/run_statistics.h"
#include "app/saver_screens.h"
#include "app/termination_signals.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <QApplication>
#include <QElapsedTimer>


#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

constexpr int kExitWindowFault = 1;
constexpr int kExitBadCommandLine = 2;
// The daemon's saver mode: automatic changes run and Scale applies.

void Complain(const std::string& text) { std::fprintf(stderr, "opal-revel: %s\n", text.c_str()); }

// The window the daemon names in the environment, when it names one.
struct DaemonWindow {
    bool given = false;
    uint32_t id = 0;
};

DaemonWindow ReadDaemonWindow()
{
    const char* text = std::getenv("XSCREENSAVER_WINDOW");
    if (text == nullptr || *text == '\0')
        return {};
    return { true, ParseWindowId(text).value_or(0) };
}

// Puts the per-run preset in place; false (with the message given) when there is no such preset.
bool LoadPresetArgument(const std::string& argument)
{
    if (argument == "random") {
        LoadRandomPreset();
        return true;
    }
    const std::optional<std::filesystem::path> path = FindPresetArgument(argument, Settings.PresetsDir);
    if (!path) {
        Complain("--preset: no preset " + QuoteArgument(argument) + " in "
            + (Settings.PresetsDir.empty() ? std::string("(no presets folder)") : QuoteArgument(Settings.PresetsDir)));
        return false;
    }
    if (!LoadPresetFile(*path, CurrentPreset)) {
        Complain("--preset: " + QuoteArgument(path->string()) + " is not a preset file that can be read");
        return false;
    }
    return true;
}

} // namespace

int RunHackMode(const std::vector<std::string>& arguments, char* programName)
{
    QElapsedTimer runClock;
    runClock.start();
    const HackParseResult parsed = ParseHackOptions(arguments);
    if (!parsed.ok) {
        Complain(parsed.error);
        return kExitBadCommandLine;
    }
    const HackOptions& options = parsed.options;
    if (options.help) {
        std::fputs(HackUsage().c_str(), stdout);
        return 0;
    }
    const DaemonWindow daemonWindow = options.target == HackTarget::Root ? ReadDaemonWindow() : DaemonWindow {};
    if (daemonWindow.given && daemonWindow.id == 0) {
        Complain("XSCREENSAVER_WINDOW names no window");
        return kExitWindowFault;
    }

    if (!CheckDisplay())
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
    ResetDefaults();
    LoadSettings(CurrentPreset);
    std::random_device entropy;
    ApplyHackOptions(options, Settings, [&entropy] { return static_cast<uint32_t>(entropy()); });
    if (options.preset && !LoadPresetArgument(*options.preset))
        return kExitBadCommandLine;
    if (!options.preset && Settings.RandomStart)
        LoadRandomPreset();

    std::unique_ptr<PreviewWindow> inWindow;
    std::unique_ptr<SaverScreens> overScreens;
    const uint32_t target = options.target == HackTarget::Window ? options.windowId : daemonWindow.id;
    if (target != 0) {
        QString error;
        inWindow = PreviewWindow::CreateInside(target, &error, PreviewWindow::Host::DesktopDaemon);
        if (!inWindow) {
            Complain(error.toStdString());
            return kExitWindowFault;
        }
    } else {
        overScreens = std::make_unique<SaverScreens>(SaverInput::Ignored);
        overScreens->Show();
    }

    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, [&](int) {
        if (overScreens)
            overScreens->CloseAll();
        QCoreApplication::exit(0);
    });
    QCoreApplication::processEvents();
    if (terminationSignals.received() == 0 && !(inWindow && inWindow->HostGone()))
        QApplication::exec();

    RenderStatistics figures;
    if (overScreens)
        figures.Add(overScreens->Statistics());
    if (inWindow && inWindow->GetRenderer())
        figures.Add(inWindow->GetRenderer()->Statistics());
    WriteRunStatisticsIfAsked(figures, static_cast<double>(runClock.nsecsElapsed()) / 1e9);

    int status = 0;
    if (inWindow && inWindow->HostGone() && terminationSignals.received() == 0) {
        Complain(QStringLiteral("window 0x%1 went away").arg(target, 0, 16).toStdString());
        status = kExitWindowFault;
    }
    inWindow.reset();
    overScreens.reset();
    terminationSignals.reraise();
    return status;
}
