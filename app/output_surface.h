#pragma once

#include "app/pointer_watch.h"
#include "engine/render_panel.h"
#include "engine/renderer.h"
#include "platform/shm_buffer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class WaylandDisplay;
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
// nothing; a buffer the compositor still holds is never written. The surface keeps a copy
// of the whole picture: each buffer is brought up to date from it with only the rectangles
// that changed since that buffer was last written.
class OutputSurface final : public RenderPanel {
public:
    static constexpr int kBufferCount = 3;

    OutputSurface(WaylandDisplay& display, wl_output* output, SurfaceRole role);
    ~OutputSurface() override;

    wl_output* output() const { return m_output; }
    wl_surface* surface() const { return m_surface; }
    Renderer* renderer() const { return m_renderer.get(); }
    PointerWatch& pointer() { return m_pointer; }
    // The compositor closed the surface (its output went away, or the window was closed).
    bool closed() const { return m_closed; }
    void setAutomaticChanges(bool on);
    // The clock the renderer steps on runs at this fraction of real time (the wallpaper's rate).
    void setTimeScale(double scale) { m_timeScale = scale; }

    // When a frame is due without a callback (nothing changed in the last one, or every
    // buffer was held), the monotonic time in microseconds to draw it; -1 when none is.
    int64_t wakeAtMicros() const { return m_wakeAtMicros; }
    // Draws a frame now if one is due by the clock (see wakeAtMicros).
    void wake(int64_t nowMicros);

    int32_t deviceWidth() const override { return m_width; }
    int32_t deviceHeight() const override { return m_height; }
    void beginPresent() override {}
    void endPresent() override {}
    void present(const PixelBlock& block, int32_t x, int32_t y) override;
    void invalidate() override;

private:
    struct Rect {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    struct Slot {
        ShmBuffer buffer;
        std::vector<Rect> stale; // where the picture changed since this buffer was written
    };

    static void layerConfigure(void* data, zwlr_layer_surface_v1* surface, uint32_t serial, uint32_t width, uint32_t height);
    static void layerClosed(void* data, zwlr_layer_surface_v1* surface);
    static void xdgSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial);
    static void toplevelConfigure(void* data, xdg_toplevel* toplevel, int32_t width, int32_t height, struct wl_array* states);
    static void toplevelClose(void* data, xdg_toplevel* toplevel);
    static void frameDone(void* data, wl_callback* callback, uint32_t time);

    void resize(int32_t width, int32_t height);
    void drawFrame(int64_t nowMicros);
    int64_t rendererClock(int64_t nowMicros) const;
    Slot* freeSlot();
    void requestFrame();

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
    double m_timeScale = 1.0;
    int64_t m_startMicros = -1;
    PointerWatch m_pointer;

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_pendingWidth = 0; // from an xdg toplevel configure, applied with its surface configure
    int32_t m_pendingHeight = 0;
    std::vector<uint32_t> m_picture; // the whole picture, m_width x m_height, opaque
    std::vector<Rect> m_frameRects; // what the present under way changed
    std::array<Slot, kBufferCount> m_slots;
    int64_t m_wakeAtMicros = -1;
    bool m_configured = false;
    bool m_closed = false;
};
