#include "platform/wayland_idle_source.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstring>

namespace {

WaylandIdleSource* sourceOf(void* data) { return static_cast<WaylandIdleSource*>(data); }

void registryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    sourceOf(data)->registryGlobal(registry, name, interface, version);
}

void registryGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = { registryGlobal, registryGlobalRemove };

void notificationIdled(void* data, ext_idle_notification_v1*) { sourceOf(data)->report(true); }
void notificationResumed(void* data, ext_idle_notification_v1*) { sourceOf(data)->report(false); }

const ext_idle_notification_v1_listener kNotificationListener = { notificationIdled, notificationResumed };

void kdeIdle(void* data, org_kde_kwin_idle_timeout*) { sourceOf(data)->report(true); }
void kdeResumed(void* data, org_kde_kwin_idle_timeout*) { sourceOf(data)->report(false); }

const org_kde_kwin_idle_timeout_listener kKdeTimeoutListener = { kdeIdle, kdeResumed };

} // namespace

std::unique_ptr<WaylandIdleSource> WaylandIdleSource::open(std::string* error)
{
    std::unique_ptr<WaylandIdleSource> source(new WaylandIdleSource);
    source->m_display = wl_display_connect(nullptr);
    if (source->m_display == nullptr) {
        *error = "no Wayland compositor to watch (WAYLAND_DISPLAY)";
        return nullptr;
    }
    source->m_registry = wl_display_get_registry(source->m_display);
    wl_registry_add_listener(source->m_registry, &kRegistryListener, source.get());
    if (wl_display_roundtrip(source->m_display) < 0) {
        *error = "the Wayland compositor closed the connection";
        return nullptr;
    }
    if (source->m_seat == nullptr || (source->m_notifier == nullptr && source->m_kdeIdle == nullptr)) {
        *error = "the Wayland compositor offers no idle notification";
        return nullptr;
    }
    return source;
}

WaylandIdleSource::~WaylandIdleSource()
{
    if (m_display == nullptr)
        return;
    if (m_notification != nullptr)
        ext_idle_notification_v1_destroy(m_notification);
    if (m_notifier != nullptr)
        ext_idle_notifier_v1_destroy(m_notifier);
    if (m_kdeTimeout != nullptr)
        org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    if (m_kdeIdle != nullptr)
        org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat != nullptr)
        wl_seat_destroy(m_seat);
    if (m_registry != nullptr)
        wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

void WaylandIdleSource::registryGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    // The first seat is the session's; a desktop with several seats gives each its own session.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && m_seat == nullptr)
        m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        m_notifier = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        m_kdeIdle = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

const char* WaylandIdleSource::name() const
{
    return m_notifier != nullptr ? "Wayland ext-idle-notify-v1" : "Wayland org_kde_kwin_idle";
}

int WaylandIdleSource::fileDescriptor() const { return wl_display_get_fd(m_display); }

bool WaylandIdleSource::watch(int idleMilliseconds, Listener listener)
{
    m_listener = std::move(listener);
    const auto timeout = static_cast<uint32_t>(idleMilliseconds);
    // A new idle time replaces the old watch.
    if (m_notification != nullptr)
        ext_idle_notification_v1_destroy(m_notification);
    if (m_kdeTimeout != nullptr)
        org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    m_notification = nullptr;
    m_kdeTimeout = nullptr;
    if (m_notifier != nullptr) {
        m_notification = ext_idle_notifier_v1_get_idle_notification(m_notifier, timeout, m_seat);
        ext_idle_notification_v1_add_listener(m_notification, &kNotificationListener, this);
    } else {
        m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, timeout);
        org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &kKdeTimeoutListener, this);
    }
    return wl_display_flush(m_display) >= 0;
}

bool WaylandIdleSource::dispatch()
{
    // Called when the descriptor is readable, so the read does not wait.
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    if (wl_display_read_events(m_display) < 0)
        return false;
    if (wl_display_dispatch_pending(m_display) < 0)
        return false;
    return wl_display_flush(m_display) >= 0 || errno == EAGAIN;
}

void WaylandIdleSource::report(bool idle)
{
    if (m_listener)
        m_listener(idle);
}
