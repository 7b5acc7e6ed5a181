#include "app/mutter_idle_source.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const char* const kMonitorService = "org.gnome.Mutter.IdleMonitor";
const char* const kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
const char* const kMonitorInterface = "org.gnome.Mutter.IdleMonitor";
constexpr int kCallMilliseconds = 1000;

QDBusMessage callMonitor(const char* method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kMonitorService, kMonitorPath, kMonitorInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallMilliseconds);
}

} // namespace

std::unique_ptr<MutterIdleSource> MutterIdleSource::open(std::string* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kMonitorService)) {
        *error = "no idle monitor on the session bus";
        return nullptr;
    }
    std::unique_ptr<MutterIdleSource> source(new MutterIdleSource);
    if (!bus.connect(kMonitorService, kMonitorPath, kMonitorInterface, "WatchFired", source.get(),
                     SLOT(watchFired(uint)))) {
        *error = "the idle monitor's watches cannot be followed";
        return nullptr;
    }
    return source;
}

MutterIdleSource::~MutterIdleSource() { removeWatches(); }

void MutterIdleSource::removeWatches()
{
    for (uint* id : { &m_idleWatch, &m_activeWatch }) {
        if (*id != 0)
            callMonitor("RemoveWatch", { *id });
        *id = 0;
    }
}

uint MutterIdleSource::addWatch(const char* method, const QVariantList& arguments)
{
    const QDBusMessage reply = callMonitor(method, arguments);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().constFirst().toUInt();
}

bool MutterIdleSource::watch(int idleMilliseconds, Listener listener)
{
    m_listener = std::move(listener);
    removeWatches();
    m_idleWatch = addWatch("AddIdleWatch", { QVariant::fromValue<qulonglong>(static_cast<qulonglong>(idleMilliseconds)) });
    if (m_idleWatch == 0)
        return false;
    // An idle watch fires when the idle time passes its interval, so a session idle that long
    // already is reported now.
    const QDBusMessage idleTime = callMonitor("GetIdletime");
    if (idleTime.type() == QDBusMessage::ReplyMessage && !idleTime.arguments().isEmpty()
        && idleTime.arguments().constFirst().toULongLong() >= static_cast<qulonglong>(idleMilliseconds))
        watchFired(m_idleWatch);
    return true;
}

void MutterIdleSource::watchFired(uint id)
{
    if (id == 0)
        return;
    if (id == m_idleWatch) {
        if (m_activeWatch == 0)
            m_activeWatch = addWatch("AddUserActiveWatch", {});
        if (m_listener)
            m_listener(true);
    } else if (id == m_activeWatch) {
        // A user-active watch fires once and is gone.
        m_activeWatch = 0;
        if (m_listener)
            m_listener(false);
    }
}
