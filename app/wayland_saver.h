#pragma once

#include "app/output_surface.h"
#include "engine/renderer.h"
#include "platform/wayland_display.h"

#include <cstdint>
#include <functional>
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
class TerminationSignalCatch;

class WaylandSaver final : public WaylandEvents {
public:
    // Every output draws the run's preset; the record must outlive the saver.
    WaylandSaver(RunRecord& record, WaylandRunKind kind);
    ~WaylandSaver() override;

    // The renderers' clock runs at this fraction of real time (the wallpaper's --rate).
    void setTimeScale(double scale) { m_timeScale = scale; }

    // How long the compositor has to answer the first round trips.
    static constexpr int64_t kAnswerMicros = 5'000'000;

    // Connects and runs until input ends the saver, a termination signal arrives (within a
    // moment, whatever the compositor does) or the compositor goes away. 0 on a normal end
    // and after a signal; 1 when the compositor cannot be reached, does not answer, lacks what
    // is needed or goes away (one line on standard error).
    int run(const TerminationSignalCatch& termination);

    RenderStatistics statistics() const;

    void outputAdded(uint32_t name, wl_output* output) override;
    void outputRemoved(uint32_t name, wl_output* output) override;
    void keyPressed() override;
    void buttonPressed() override;
    void pointerEntered(wl_surface* surface, int32_t x, int32_t y) override;
    void pointerMoved(int32_t x, int32_t y) override;

private:
    // The steps of a run: connecting (0 or the failure's status), the wait for the
    // compositor or the clock, the drawing that the dispatched events and the clock ask for,
    // and the teardown that keeps the surfaces' figures.
    int connect(int wakeDescriptor);
    WaylandWait waitForEvents(int wakeDescriptor);
    void serveSurfaces();
    void teardown();

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

// The saver or the wallpaper as the whole of a run: catches the termination signals, runs,
// writes the run's figures when asked (runSeconds tells the run's time so far) and ends the
// process by the signal that ended the run. Otherwise answers the exit status: 0, or 1 for
// a compositor that cannot be used or went away.
int runWaylandMode(RunRecord& record, WaylandRunKind kind, double timeScale, const std::function<double()>& runSeconds);
