#include "platform/wayland_display.h"

#include "platform/monotonic_clock.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <cerrno>
#include <ctime>

#include <poll.h>
#include <unistd.h>

namespace {

// The versions this client speaks; a compositor offering less is bound at its own.
constexpr uint32_t kCompositorVersion = 4;
constexpr uint32_t kSeatVersion = 5;
constexpr uint32_t kOutputVersion = 2;
constexpr uint32_t kLayerShellVersion = 3;
constexpr uint32_t kWmBaseVersion = 2;

int32_t fixedToPixels(wl_fixed_t value) { return wl_fixed_to_int(value); }

WaylandEvents* eventsOf(void* data) { return static_cast<WaylandEvents*>(data); }

// Every listener must name a function for each event, even those the saver ignores.
void keyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void keyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void keyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void keyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED && data != nullptr)
        eventsOf(data)->keyPressed();
}
void keyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void keyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = { keyboardKeymap, keyboardEnter, keyboardLeave, keyboardKey,
    keyboardModifiers, keyboardRepeat };

void pointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y)
{
    // No cursor over the saver: a null cursor surface hides it.
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    if (data != nullptr)
        eventsOf(data)->pointerEntered(surface, fixedToPixels(x), fixedToPixels(y));
}
void pointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void pointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    if (data != nullptr)
        eventsOf(data)->pointerMoved(fixedToPixels(x), fixedToPixels(y));
}
void pointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    if (state == WL_POINTER_BUTTON_STATE_PRESSED && data != nullptr)
        eventsOf(data)->buttonPressed();
}
// The wheel is buttons 4 and 5 of the pointer, as on X11.
void pointerAxis(void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t)
{
    if (data != nullptr)
        eventsOf(data)->buttonPressed();
}
void pointerFrame(void*, wl_pointer*) {}
void pointerAxisSource(void*, wl_pointer*, uint32_t) {}
void pointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void pointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void pointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = { pointerEnter, pointerLeave, pointerMotion, pointerButton, pointerAxis,
    pointerFrame, pointerAxisSource, pointerAxisStop, pointerAxisDiscrete, pointerAxisValue120 };

void seatName(void*, wl_seat*, const char*) {}

void wmBasePing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBaseListener = { wmBasePing };

bool layerShellHidden()
{
    const char* value = std::getenv("OPAL_WAYLAND_NO_LAYER_SHELL");
    return value != nullptr && value[0] != '\0';
}

} // namespace

WaylandDisplay::~WaylandDisplay()
{
    if (m_display == nullptr)
        return;
    if (m_keyboard != nullptr)
        wl_keyboard_destroy(m_keyboard);
    if (m_pointer != nullptr)
        wl_pointer_destroy(m_pointer);
    if (m_seat != nullptr)
        wl_seat_destroy(m_seat);
    for (const Output& output : m_outputs)
        wl_output_destroy(output.output);
    if (m_layerShell != nullptr)
        zwlr_layer_shell_v1_destroy(m_layerShell);
    if (m_wmBase != nullptr)
        xdg_wm_base_destroy(m_wmBase);
    if (m_shm != nullptr)
        wl_shm_destroy(m_shm);
    if (m_compositor != nullptr)
        wl_compositor_destroy(m_compositor);
    if (m_registry != nullptr)
        wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

WaylandStart WaylandDisplay::start(WaylandEvents* events, int wakeDescriptor, int64_t answerMicros, std::string* error)
{
    m_events = events;
    m_display = wl_display_connect(nullptr);
    if (m_display == nullptr) {
        *error = "cannot connect to the Wayland compositor";
        return WaylandStart::Failed;
    }
    static const wl_registry_listener registryListener = { &WaylandDisplay::global, &WaylandDisplay::globalRemove };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The first round trip brings the globals, the second the seat's capabilities.
    const int64_t deadline = monotonicMicros() + answerMicros;
    for (int trip = 0; trip < 2; ++trip) {
        switch (roundTrip(wakeDescriptor, deadline)) {
        case WaylandWait::Events:
            continue;
        case WaylandWait::Woken:
            return WaylandStart::Woken;
        case WaylandWait::Idle:
            *error = "the Wayland compositor at " + socketName() + " does not answer";
            return WaylandStart::Failed;
        case WaylandWait::Lost:
            *error = "the Wayland compositor closed the connection";
            return WaylandStart::Failed;
        }
    }
    if (m_compositor == nullptr || m_shm == nullptr) {
        *error = "the Wayland compositor offers no wl_compositor or wl_shm";
        return WaylandStart::Failed;
    }
    if (m_layerShell == nullptr && m_wmBase == nullptr) {
        *error = "the Wayland compositor offers neither layer-shell nor xdg-shell";
        return WaylandStart::Failed;
    }
    m_started = true;
    for (const Output& output : m_outputs)
        m_events->outputAdded(output.name, output.output);
    return WaylandStart::Started;
}

WaylandWait WaylandDisplay::roundTrip(int wakeDescriptor, int64_t deadlineMicros)
{
    static const wl_callback_listener doneListener
        = { [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; } };
    bool answered = false;
    wl_callback* callback = wl_display_sync(m_display);
    wl_callback_add_listener(callback, &doneListener, &answered);
    WaylandWait result = WaylandWait::Events;
    while (!answered) {
        const int64_t left = deadlineMicros - monotonicMicros();
        result = left > 0 ? wait(wakeDescriptor, left) : WaylandWait::Idle;
        if (result == WaylandWait::Woken || result == WaylandWait::Lost || (result == WaylandWait::Idle && left <= 0))
            break;
    }
    wl_callback_destroy(callback);
    return answered ? WaylandWait::Events : result;
}

WaylandWait WaylandDisplay::wait(int wakeDescriptor, int64_t timeoutMicros)
{
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return WaylandWait::Lost;
    }
    // A full socket takes the rest of the requests once the compositor has read some.
    const bool sendPending = wl_display_flush(m_display) < 0 && errno == EAGAIN;
    if (wl_display_get_error(m_display) != 0) {
        wl_display_cancel_read(m_display);
        return WaylandWait::Lost;
    }
    pollfd descriptors[2] = { { wl_display_get_fd(m_display), static_cast<short>(POLLIN | (sendPending ? POLLOUT : 0)), 0 },
        { wakeDescriptor, POLLIN, 0 } };
    timespec timeout { static_cast<time_t>(timeoutMicros / 1'000'000), static_cast<long>(timeoutMicros % 1'000'000) * 1000 };
    const int ready = ppoll(descriptors, wakeDescriptor >= 0 ? 2 : 1, timeoutMicros >= 0 ? &timeout : nullptr, nullptr);
    if (ready > 0 && (descriptors[0].revents & POLLIN) != 0) {
        if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0)
            return WaylandWait::Lost;
        return WaylandWait::Events;
    }
    wl_display_cancel_read(m_display);
    if (ready > 0 && (descriptors[0].revents & (POLLHUP | POLLERR)) != 0)
        return WaylandWait::Lost;
    if (ready > 0 && (descriptors[1].revents & POLLIN) != 0)
        return WaylandWait::Woken;
    return WaylandWait::Idle;
}

std::string WaylandDisplay::socketName()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const std::string display = name != nullptr && name[0] != '\0' ? name : "wayland-0";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (display.front() == '/' || runtime == nullptr)
        return display;
    return std::string(runtime) + "/" + display;
}

void WaylandDisplay::global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto* self = static_cast<WaylandDisplay*>(data);
    const auto bind = [&](const wl_interface* wanted, uint32_t ours) {
        return wl_registry_bind(registry, name, wanted, std::min(version, ours));
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        self->m_compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, kCompositorVersion));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->m_shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->m_seat == nullptr) {
        self->m_seat = static_cast<wl_seat*>(bind(&wl_seat_interface, kSeatVersion));
        static const wl_seat_listener seatListener = { &WaylandDisplay::seatCapabilities, seatName };
        wl_seat_add_listener(self->m_seat, &seatListener, self);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !layerShellHidden()) {
        self->m_layerShell
            = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, kLayerShellVersion));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        self->m_wmBase = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, kWmBaseVersion));
        xdg_wm_base_add_listener(self->m_wmBase, &kWmBaseListener, nullptr);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto* output = static_cast<wl_output*>(bind(&wl_output_interface, kOutputVersion));
        self->m_outputs.push_back({ name, output });
        if (self->m_started)
            self->m_events->outputAdded(name, output);
    }
}

void WaylandDisplay::globalRemove(void* data, wl_registry* /*registry*/, uint32_t name)
{
    auto* self = static_cast<WaylandDisplay*>(data);
    const auto found = std::find_if(
        self->m_outputs.begin(), self->m_outputs.end(), [name](const Output& output) { return output.name == name; });
    if (found == self->m_outputs.end())
        return;
    const Output gone = *found;
    self->m_outputs.erase(found);
    self->m_events->outputRemoved(gone.name, gone.output);
    wl_output_destroy(gone.output);
}

void WaylandDisplay::seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities)
{
    auto* self = static_cast<WaylandDisplay*>(data);
    void* listenerData = self->m_inputWanted ? self->m_events : nullptr;
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && self->m_keyboard == nullptr) {
        self->m_keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->m_keyboard, &kKeyboardListener, listenerData);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && self->m_pointer == nullptr) {
        self->m_pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(self->m_pointer, &kPointerListener, listenerData);
    }
}
