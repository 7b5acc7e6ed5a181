#include "app/idle_service.h"

#include "app/command_line.h"
#include "app/idle_bus.h"
#include "app/idle_command_line.h"
#include "app/mutter_idle_source.h"
#include "app/termination_signals.h"
#include "platform/idle_autostart.h"
#include "platform/instance_lock.h"
#include "platform/key_store.h"
#include "platform/wayland_idle_source.h"
#include "platform/x11_idle_source.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QProcess>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kBusCallMilliseconds = 1000;
constexpr int kSaverStopMilliseconds = 3000;
// While the login manager holds an idle lock the service asks again this often at most.
constexpr int kLoginRecheckSeconds = 60;

const char* const kScreenSaverBusName = "org.freedesktop.ScreenSaver";
const char* const kLoginService = "org.freedesktop.login1";

QDBusMessage callLogin(const QString& path, const QString& interface, const QString& method,
                       const QList<QVariant>& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kLoginService, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::systemBus().call(message, QDBus::Block, kBusCallMilliseconds);
}

// The login manager's blocking idle locks ("systemd-inhibit --what=idle"); none when there is
// no system bus or login manager.
std::vector<Inhibitor> loginIdleLocks()
{
    std::vector<Inhibitor> locks;
    const QDBusMessage reply = callLogin("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return locks;
    const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint user = 0, process = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> user >> process;
        list.endStructure();
        if (mode == "block" && logindBlocksIdle(what.toStdString()))
            locks.push_back({ 0, {}, who.toStdString(), why.toStdString() });
    }
    list.endArray();
    return locks;
}

// Asks the login manager to lock this session; its own locker then takes over.
void askLoginToLock()
{
    const char* id = std::getenv("XDG_SESSION_ID");
    const QString session = id != nullptr && *id != '\0' ? QString::fromLocal8Bit(id) : QStringLiteral("auto");
    const QDBusMessage path = callLogin("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "GetSession", { session });
    if (path.type() != QDBusMessage::ReplyMessage || path.arguments().isEmpty()) {
        std::fprintf(stderr, "opal-revel: the login manager knows no session to lock: %s\n",
                     qPrintable(path.errorMessage()));
        return;
    }
    const QString sessionPath = path.arguments().constFirst().value<QDBusObjectPath>().path();
    const QDBusMessage locked = callLogin(sessionPath, "org.freedesktop.login1.Session", "Lock");
    if (locked.type() != QDBusMessage::ReplyMessage)
        std::fprintf(stderr, "opal-revel: the login manager did not lock the session: %s\n",
                     qPrintable(locked.errorMessage()));
}

// Whether the machine runs on battery, as UPower says; false without it.
bool onBattery()
{
    QDBusMessage message = QDBusMessage::createMethodCall("org.freedesktop.UPower", "/org/freedesktop/UPower",
                                                          "org.freedesktop.DBus.Properties", "Get");
    message.setArguments({ QStringLiteral("org.freedesktop.UPower"), QStringLiteral("OnBattery") });
    const QDBusMessage reply = QDBusConnection::systemBus().call(message, QDBus::Block, kBusCallMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

// The lock's name: one service per display, so separate sessions of one user do not meet.
std::string instanceName(bool wayland)
{
    const char* display = std::getenv(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
    std::string name = std::string("OPALIDLE-") + (wayland ? "wayland-" : "x11-") + (display != nullptr ? display : "");
    std::replace_if(name.begin(), name.end(), [](char c) { return c == '/' || c == ' '; }, '_');
    return name;
}

int printIdleStatus()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kIdleServiceBusName, kIdleServiceBusPath, kIdleServiceBusName, "Status"),
        QDBus::Block, kBusCallMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        std::puts("not running");
        return 3;
    }
    std::fputs(qPrintable(reply.arguments().constFirst().toString()), stdout);
    return 0;
}

// Takes the freedesktop name and the program's own on the session bus. False, with the line
// already written, when another program owns the freedesktop name: two savers must not fight.
bool claimBus(IdleService& service)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fputs("opal-revel: no session bus; players cannot hold the saver off over D-Bus\n", stderr);
        return true;
    }
    const auto claimed = bus.interface()->registerService(kScreenSaverBusName, QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!claimed.isValid() || claimed.value() != QDBusConnectionInterface::ServiceRegistered) {
        std::fputs("opal-revel: another program owns org.freedesktop.ScreenSaver, so another screen saver runs; "
                   "the idle service does not start\n", stderr);
        return false;
    }
    auto* saverBus = new ScreenSaverBus(service);
    saverBus->setParent(&service);
    QObject::connect(&service, &IdleService::activeChanged, saverBus, &ScreenSaverBus::ActiveChanged);
    for (const char* path : { "/ScreenSaver", "/org/freedesktop/ScreenSaver" })
        bus.registerObject(path, saverBus, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    auto* statusBus = new IdleStatusBus(service);
    statusBus->setParent(&service);
    bus.registerObject(kIdleServiceBusPath, statusBus, QDBusConnection::ExportAllSlots);
    bus.interface()->registerService(kIdleServiceBusName, QDBusConnectionInterface::DontQueueService,
                                     QDBusConnectionInterface::DontAllowReplacement);
    service.attachBus(new QDBusServiceWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration, &service));
    return true;
}

std::unique_ptr<IdleSource> openSource(bool wayland, std::string* error)
{
    if (!wayland)
        return X11IdleSource::open(error);
    if (auto source = WaylandIdleSource::open(error))
        return source;
    // GNOME's compositor: its idle monitor on the session bus instead of a protocol.
    std::string monitorError;
    if (auto source = MutterIdleSource::open(&monitorError))
        return source;
    *error += "; " + monitorError;
    return nullptr;
}

int runIdleService(const IdleRequest& request, int argc, char** argv)
{
    const bool wayland = runsOnWayland(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"), request.wayland);
    // Made first: the bus connections need it.
    QCoreApplication application(argc, argv);
    InstanceLock lock;
    if (lock.acquire(instanceName(wayland)) == InstanceLock::Outcome::HeldElsewhere) {
        std::fputs("opal-revel: the idle service already runs for this session\n", stderr);
        return 0;
    }
    if (!wayland && x11ScreenSaverDaemonRuns()) {
        std::fputs("opal-revel: XScreenSaver's daemon runs on this display and starts the savers; "
                   "the idle service does not start\n", stderr);
        return 1;
    }
    std::string error;
    std::unique_ptr<IdleSource> source = openSource(wayland, &error);
    if (!source) {
        std::fprintf(stderr, "opal-revel: the idle service cannot watch this session: %s\n", error.c_str());
        return 1;
    }

    TerminationSignals termination;
    IdleService service(std::move(source), request.afterSeconds.value_or(0), wayland);
    if (!claimBus(service) || !service.start())
        return 1;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, [&service] {
        service.stopSaver();
        QCoreApplication::exit(0);
    });
    if (termination.received() != 0)
        return 0;
    const int status = QCoreApplication::exec();
    service.stopSaver();
    return status;
}

} // namespace

IdleService::IdleService(std::unique_ptr<IdleSource> source, int fixedIdleSeconds, bool wayland)
    : m_source(std::move(source)), m_fixedIdleSeconds(fixedIdleSeconds), m_wayland(wayland)
{
    m_freshWait.setSingleShot(true);
    connect(&m_freshWait, &QTimer::timeout, this, [this] {
        m_rules.waitOver();
        consider();
    });
    m_logindRecheck.setSingleShot(true);
    connect(&m_logindRecheck, &QTimer::timeout, this, &IdleService::consider);
    m_lock.setSingleShot(true);
    connect(&m_lock, &QTimer::timeout, this, &IdleService::lockSession);
    m_blank.setSingleShot(true);
    connect(&m_blank, &QTimer::timeout, this, &IdleService::blankScreens);
}

IdleService::~IdleService() { stopSaver(); }

bool IdleService::reload()
{
    m_choices = loadIdleChoices(*openUserKeyStore());
    const int idleSeconds = m_fixedIdleSeconds > 0 ? m_fixedIdleSeconds : m_choices.idleMinutes * 60;
    if (idleSeconds == m_idleSeconds)
        return true;
    m_idleSeconds = idleSeconds;
    m_freshWait.setInterval(m_idleSeconds * 1000);
    m_logindRecheck.setInterval(std::min(m_idleSeconds, kLoginRecheckSeconds) * 1000);
    // The new watch reports idleness afresh.
    m_rules.activityResumed();
    m_freshWait.stop();
    m_logindRecheck.stop();
    return m_source->watch(m_idleSeconds * 1000, [this](bool idle) { sourceChanged(idle); });
}

bool IdleService::start()
{
    if (!reload())
        return false;
    if (m_source->fileDescriptor() < 0)
        return true;
    m_notifier = new QSocketNotifier(m_source->fileDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        if (!m_source->dispatch()) {
            std::fprintf(stderr, "opal-revel: the idle source (%s) went away\n", m_source->name());
            QCoreApplication::exit(1);
        }
    });
    return true;
}

void IdleService::attachBus(QDBusServiceWatcher* watcher)
{
    m_watcher = watcher;
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &IdleService::clientLeft);
}

uint IdleService::inhibit(const QString& owner, const QString& application, const QString& reason)
{
    if (m_watcher != nullptr && !m_watcher->watchedServices().contains(owner))
        m_watcher->addWatchedService(owner);
    return m_inhibitors.add(owner.toStdString(), application.toStdString(), reason.toStdString());
}

void IdleService::uninhibit(uint cookie, const QString& owner)
{
    if (m_inhibitors.remove(cookie, owner.toStdString()) && m_inhibitors.empty())
        restartWait();
}

void IdleService::clientLeft(const QString& owner)
{
    if (m_watcher != nullptr)
        m_watcher->removeWatchedService(owner);
    if (m_inhibitors.removeOwner(owner.toStdString()) > 0 && m_inhibitors.empty())
        restartWait();
}

void IdleService::simulateActivity()
{
    stopSaver();
    restartWait();
}

void IdleService::restartWait()
{
    if (m_rules.restartWait())
        m_freshWait.start();
}

QString IdleService::statusText() const
{
    return QString::fromStdString(idleStatusText(m_source->name(), m_idleSeconds, m_rules.saverRunning(),
                                                 m_inhibitors.held(), loginIdleLocks()));
}

void IdleService::sourceChanged(bool idle)
{
    if (idle) {
        m_rules.idleBegan();
        consider();
        return;
    }
    m_rules.activityResumed();
    m_freshWait.stop();
    m_logindRecheck.stop();
    if (m_blanked) {
        m_blanked = false;
        m_rules.saverEnded();
        m_lock.stop();
        emit activeChanged(false);
    }
}

void IdleService::consider()
{
    if (!m_rules.shouldStartSaver(!m_inhibitors.empty()))
        return;
    if (!loginIdleLocks().empty()) {
        m_logindRecheck.start();
        return;
    }
    startSaver();
}

void IdleService::startSaver()
{
    m_rules.saverStarted();
    emit activeChanged(true);
    if (m_choices.lockSeconds >= 0)
        m_lock.start(m_choices.lockSeconds * 1000);
    const SaverLook look = saverLook(onBattery(), m_choices.battery);
    if (look == SaverLook::Black && m_source->blank()) {
        m_blanked = true;
        return;
    }
    QStringList arguments;
    for (const std::string& argument : saverArguments(look, m_wayland))
        arguments << QString::fromStdString(argument);
    m_saver = new QProcess(this);
    m_saver->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(m_saver, &QProcess::finished, this, &IdleService::saverFinished);
    connect(m_saver, &QProcess::errorOccurred, this, [this](QProcess::ProcessError problem) {
        if (problem == QProcess::FailedToStart)
            saverFinished();
    });
    m_saver->start(QCoreApplication::applicationFilePath(), arguments);
    if (m_choices.blankMinutes > 0)
        m_blank.start(m_choices.blankMinutes * 60 * 1000);
}

// After the chosen minutes the display server's blanking takes over from the drawing saver,
// where the session has it; elsewhere the saver draws on.
void IdleService::blankScreens()
{
    if (m_saver == nullptr || !m_source->blank())
        return;
    m_blanked = true;
    stopSaver();
}

void IdleService::saverFinished()
{
    if (m_saver == nullptr)
        return;
    m_saver->deleteLater();
    m_saver = nullptr;
    m_blank.stop();
    if (m_blanked)
        return;
    m_lock.stop();
    emit activeChanged(false);
    if (m_rules.saverEnded())
        m_freshWait.start();
}

void IdleService::stopSaver()
{
    if (m_saver == nullptr || m_saver->state() == QProcess::NotRunning)
        return;
    m_saver->terminate();
    if (!m_saver->waitForFinished(kSaverStopMilliseconds))
        m_saver->kill();
}

void IdleService::lockSession() { askLoginToLock(); }

uint ScreenSaverBus::Inhibit(const QString& application, const QString& reason)
{
    return m_service.inhibit(message().service(), application, reason);
}

void ScreenSaverBus::UnInhibit(uint cookie) { m_service.uninhibit(cookie, message().service()); }

bool ScreenSaverBus::GetActive() { return m_service.saverRunning(); }

void ScreenSaverBus::SimulateUserActivity() { m_service.simulateActivity(); }

QString IdleStatusBus::Status() { return m_service.statusText(); }

void IdleStatusBus::Reload() { m_service.reload(); }

void IdleStatusBus::Quit()
{
    m_service.stopSaver();
    QCoreApplication::exit(0);
}

int runIdleModeIfAsked(int argc, char** argv)
{
    const IdleRequest request = readIdleCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (request.mode == IdleMode::None)
        return -1;
    if (!request.error.empty()) {
        std::fprintf(stderr, "opal-revel: %s\n", request.error.c_str());
        return 1;
    }
    if (request.mode == IdleMode::Status) {
        QCoreApplication application(argc, argv);
        return printIdleStatus();
    }
    return runIdleService(request, argc, argv);
}
