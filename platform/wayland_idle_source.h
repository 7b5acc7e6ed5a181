#pragma once

#include "platform/idle_source.h"

#include <memory>
#include <string>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

// The compositor's own idle notification on a connection of its own: the standard
// ext-idle-notify protocol where the compositor offers it, KDE's older idle protocol (which
// wlroots compositors also offer) otherwise. Either way the compositor decides what counts as
// idle, so an application's idle-inhibit surface (a film playing) keeps the notification off
// without the service doing anything.
class WaylandIdleSource final : public IdleSource {
public:
    // Connects to $WAYLAND_DISPLAY. Null, with the reason in *error, when there is no
    // compositor, no seat or neither protocol.
    static std::unique_ptr<WaylandIdleSource> open(std::string* error);
    ~WaylandIdleSource() override;

    const char* name() const override;
    int fileDescriptor() const override;
    bool watch(int idleMilliseconds, Listener listener) override;
    bool dispatch() override;

    // The protocol callbacks' way in.
    void registryGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void report(bool idle);

private:
    WaylandIdleSource() = default;

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    ext_idle_notifier_v1* m_notifier = nullptr;
    ext_idle_notification_v1* m_notification = nullptr;
    org_kde_kwin_idle* m_kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
    Listener m_listener;
};
