#pragma once

#include "platform/idle_source.h"

#include <QObject>

#include <memory>
#include <string>

// GNOME's compositor offers no idle protocol to Wayland clients, only its idle monitor on the
// session bus: an idle watch fires each time the idle time reaches the interval, and a one-shot
// "user active" watch fires at the next input. The bus reaches the service through the
// toolkit's event loop, so this source has no descriptor of its own.
class MutterIdleSource final : public QObject, public IdleSource {
    Q_OBJECT

public:
    // Null, with the reason in *error, when nobody offers the idle monitor.
    static std::unique_ptr<MutterIdleSource> open(std::string* error);
    ~MutterIdleSource() override;

    const char* name() const override { return "GNOME org.gnome.Mutter.IdleMonitor"; }
    int fileDescriptor() const override { return -1; }
    bool watch(int idleMilliseconds, Listener listener) override;
    bool dispatch() override { return true; }

private slots:
    void watchFired(uint id);

private:
    MutterIdleSource() = default;
    void removeWatches();
    // Adds a watch by the method's name; 0 when the monitor refused.
    uint addWatch(const char* method, const QVariantList& arguments);

    uint m_idleWatch = 0;
    uint m_activeWatch = 0;
    Listener m_listener;
};
