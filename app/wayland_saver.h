#pragma once

#include "app/output_surface.h"
#include "engine/renderer.h"
#include "platform/wayland_display.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct RunRecord;

// What a Wayland run shows: the saver (above everything, ended by input) or the wallpaper
// (behind everything, no input, ended only by a termination signal).
enum class WaylandRunKind { Saver, Wallpaper };

// The saver or the wallpaper on a Wayland desktop, without the toolkit: one OutputSurface
// per output, made and dropped as outputs come and go, on layer-shell where the compositor
// offers it and as full-screen windows otherwise (the wallpaper needs layer-shell). The
// saver ends on any key, any button or a pointer move of more than 20 pixels, as on X11.
// The run's options and preset must be loaded before run().
class WaylandSaver final : public WaylandEvents {
public:
    // Every output draws the run's preset; the record must outlive the saver.
    WaylandSaver(RunRecord& record, WaylandRunKind kind);
    ~WaylandSaver() override;

    // The renderers' clock runs at this fraction of real time (the wallpaper's --rate).
    void setTimeScale(double scale) { m_timeScale = scale; }

    // Connects and runs until input ends the saver, a termination signal arrives (its number
    // is then in *signal) or the compositor goes away. 0 on a normal end, 1 when the
    // compositor cannot be reached or lacks what is needed (the reason on standard error).
    int run(int* signal);

    RenderStatistics statistics() const;

    void outputAdded(uint32_t name, wl_output* output) override;
    void outputRemoved(uint32_t name, wl_output* output) override;
    void keyPressed() override;
    void buttonPressed() override;
    void pointerEntered(wl_surface* surface, int32_t x, int32_t y) override;
    void pointerMoved(int32_t x, int32_t y) override;

private:
    void end();
    // After an output came or went: the first surface's renderer makes the automatic changes.
    void chooseDrive();
    void dropClosed();

    RunRecord& m_record;
    WaylandRunKind m_kind;
    WaylandDisplay m_display;
    std::vector<std::unique_ptr<OutputSurface>> m_surfaces;
    OutputSurface* m_pointerSurface = nullptr;
    RenderStatistics m_removedFigures;
    double m_timeScale = 1.0;
    bool m_ended = false;
};
