#pragma once

#include "app/pointer_watch.h"
#include "engine/buffer_ring_panel.h"
#include "engine/present_cadence.h"
#include "engine/renderer.h"
#include "platform/shm_buffer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class WaylandDisplay;
struct RunRecord;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;

// How a surface covers its output: above everything with the keyboard (the saver on
// layer-shell), behind everything without input (the wallpaper), or as a full-screen
// window where the compositor has no layer-shell.
enum class SurfaceRole { Overlay, Background, FullScreen };

// One output's picture: a Wayland surface in its role with its own renderer, drawn into
// shared-memory buffers. A frame is drawn when the compositor's frame callback says the
// last one was shown, so an output the compositor does not show gets no callbacks and costs
// nothing; a buffer the compositor still holds is never written. The renderer presents
// into a BufferRingPanel over the surface's buffers: its blocks go straight into the buffer
// that goes out next, caught up from the one last committed, so that each pixel a present
// changes is copied about once.
//
// A surface whose clock runs slower than real time (the wallpaper) presents less often, as
// PresentCadence says; the frame callbacks that come between go unanswered.
class OutputSurface final {
public:
    static constexpr std::size_t kBufferCount = 3;

    // Draws the run's preset; the record must outlive the surface.
    OutputSurface(RunRecord& record, WaylandDisplay& display, wl_output* output, SurfaceRole role);
    ~OutputSurface();
    OutputSurface(const OutputSurface&) = delete;
    OutputSurface& operator=(const OutputSurface&) = delete;

    wl_output* output() const { return m_output; }
    wl_surface* surface() const { return m_surface; }
    Renderer* renderer() const { return m_renderer.get(); }
    PointerWatch& pointer() { return m_pointer; }
    // The compositor closed the surface (its output went away, or the window was closed).
    bool closed() const { return m_closed; }
    void setAutomaticChanges(bool on);
    // The clock the renderer steps on runs at this fraction of real time (the wallpaper's
    // rate, in (0, 1]), and presents come less often (see PresentCadence).
    void setTimeScale(double scale) { m_cadence.setScale(scale); }

    // When a frame is due without a callback (nothing changed in the last one, or every
    // buffer was held), the monotonic time in microseconds to draw it; -1 when none is.
    int64_t wakeAtMicros() const { return m_wakeAtMicros; }
    // Does what the compositor's events left owed, after they were dispatched: acknowledges
    // a configure and takes its size, and draws a frame when the last one was shown, the
    // first one is owed, or the clock says one is due (see wakeAtMicros). The protocol's
    // callbacks only note what they were told.
    void serve(int64_t nowMicros);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }

private:

    static void layerConfigure(void* data, zwlr_layer_surface_v1* surface, uint32_t serial, uint32_t width, uint32_t height);
    static void layerClosed(void* data, zwlr_layer_surface_v1* surface);
    static void xdgSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial);
    static void toplevelConfigure(void* data, xdg_toplevel* toplevel, int32_t width, int32_t height, struct wl_array* states);
    static void toplevelClose(void* data, xdg_toplevel* toplevel);
    static void frameDone(void* data, wl_callback* callback, uint32_t time);
    static void surfaceEnter(void* data, wl_surface* surface, wl_output* output);

    void acknowledgeConfigure();
    void resize(int32_t width, int32_t height);
    void drawFrame(int64_t nowMicros);
    // The index of a buffer the compositor does not hold, the cheapest to catch up (see
    // BufferRingPanel::cheapestTarget), made when needed; -1 when none is.
    int freeBuffer();
    void requestFrame();

    RunRecord& m_record;
    WaylandDisplay& m_display;
    wl_output* m_output;
    SurfaceRole m_role;
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layerSurface = nullptr;
    xdg_surface* m_xdgSurface = nullptr;
    xdg_toplevel* m_toplevel = nullptr;
    wl_callback* m_frameCallback = nullptr;

    std::unique_ptr<Renderer> m_renderer;
    bool m_automaticChanges = true;
    PresentCadence m_cadence;
    PointerWatch m_pointer;

    int32_t m_width = 0;
    int32_t m_height = 0;
    // The last configure, acknowledged and applied by serve(). An xdg toplevel's size comes
    // before its surface's configure, a layer surface's with it; 0 leaves the size to us.
    int32_t m_pendingWidth = 0;
    int32_t m_pendingHeight = 0;
    uint32_t m_configureSerial = 0;
    bool m_configureOwed = false;
    // A configure may come with a new place on an output whose picture the compositor does not
    // keep for us: the first present after one covers and damages the whole surface.
    bool m_wholeOwed = false;
    int64_t m_wholeDamageUntilMicros = -1;
    // The frame callback came: the compositor showed the last frame.
    bool m_frameShown = false;
    std::array<ShmBuffer, kBufferCount> m_buffers;
    BufferRingPanel m_panel { kBufferCount, 0, 0 };
    int64_t m_wakeAtMicros = -1;
    bool m_configured = false;
    bool m_closed = false;
};
