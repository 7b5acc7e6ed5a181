#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

// What a Wayland mode is told of: outputs coming and going, and the user's input on its
// surfaces. Pointer positions are in surface coordinates.
class WaylandEvents {
public:
    virtual ~WaylandEvents() = default;
    virtual void outputAdded(uint32_t name, wl_output* output) = 0;
    // The output object is destroyed after the call returns.
    virtual void outputRemoved(uint32_t name, wl_output* output) = 0;
    virtual void keyPressed() = 0;
    virtual void buttonPressed() = 0;
    virtual void pointerEntered(wl_surface* surface, int32_t x, int32_t y) = 0;
    virtual void pointerMoved(int32_t x, int32_t y) = 0;
};

// What a wait for the compositor ended with.
enum class WaylandWait {
    Events, // the compositor's events were read and handed to their listeners
    Idle, // the time ran out, or a signal interrupted the wait
    Woken, // the wake descriptor became readable
    Lost, // the connection is gone: the compositor closed it, or a protocol error ended it
};

// How the start of a connection ended.
enum class WaylandStart { Started, Woken, Failed };

// The connection to the Wayland compositor and the globals a full-screen client needs: the
// compositor, shared memory, the seat's keyboard and pointer, every output, and the two
// shells, layer-shell where the compositor offers it and xdg-shell. Setting
// OPAL_WAYLAND_NO_LAYER_SHELL to a non-empty value hides layer-shell, as on a compositor
// that lacks it.
class WaylandDisplay {
public:
    WaylandDisplay() = default;
    ~WaylandDisplay();
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

    // Connects to the compositor WAYLAND_DISPLAY names and reads its globals; outputs known
    // by then are reported to events. Failed with a reason when there is no compositor, it
    // does not answer within answerMicros, closes the connection or lacks the compositor or
    // shared-memory globals. Every wait ends when wakeDescriptor (-1: none) becomes
    // readable, and the start then ends Woken.
    WaylandStart start(WaylandEvents* events, int wakeDescriptor, int64_t answerMicros, std::string* error);

    // Sends what is queued, then waits until the compositor sends events (which are read
    // and dispatched), wakeDescriptor becomes readable, or timeoutMicros pass (-1: no limit).
    WaylandWait wait(int wakeDescriptor, int64_t timeoutMicros);

    // The socket the connection goes to, for messages.
    static std::string socketName();

    wl_display* display() const { return m_display; }
    wl_compositor* compositor() const { return m_compositor; }
    wl_shm* shm() const { return m_shm; }
    zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    xdg_wm_base* wmBase() const { return m_wmBase; }

    // Whether the keyboard and pointer are listened to; a background surface listens to neither.
    void setInputWanted(bool wanted) { m_inputWanted = wanted; }

private:
    struct Output {
        uint32_t name = 0;
        wl_output* output = nullptr;
    };

    // A round trip that ends by deadlineMicros on the monotonic clock: Events when the
    // compositor answered, Idle when it did not in time.
    WaylandWait roundTrip(int wakeDescriptor, int64_t deadlineMicros);

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    static void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    wl_pointer* m_pointer = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    xdg_wm_base* m_wmBase = nullptr;
    std::vector<Output> m_outputs;
    WaylandEvents* m_events = nullptr;
    bool m_inputWanted = true;
    bool m_started = false; // outputs are reported once the first round trip is done
};
