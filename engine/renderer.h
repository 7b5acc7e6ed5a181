#pragma once

#include "engine/argb_image.h"
#include "engine/panel_painter.h"
#include "engine/sprite_pacer.h"

#include <cstdint>
#include <functional>
#include <memory>

class RenderPanel;

// The renderer stamps the sprites of the seven objects of CurrentPreset into a frame that
// is never cleared, so every object leaves a trail. All objects follow one curve, given by
// the motion formula Settings.Formula of two angles that advance with every sprite;
// travelling moves the whole figure round an ellipse, and the mirror adds a reflected
// copy of every sprite. In filter mode sprites go into a half-size frame that is blurred
// and doubled into the full frame every BlurEvery sprites. In saver mode the renderer
// also changes preset, formula and mirror every Settings.Seconds seconds.
//
// Its owner (a window) constructs it, sets Panel, calls Reset, sets FullRepaint, and calls
// RunFrames from a timer. RunFrames pumps the panel's message queue between sprites, so
// anything can happen meanwhile: the renderer may be destroyed (the loop then touches
// nothing more), its panel may be destroyed (the loop stops and Panel becomes null), and
// Reset may replace the frames (the loop stops; the next call draws into the new ones).
class Renderer final : public PanelPainter {
public:
    // Where the calendar time in whole seconds comes from; tests replace it.
    using CalendarClock = std::function<int64_t()>;
    // What an automatic preset change does; LoadRandomPreset unless replaced.
    using PresetLoader = std::function<void()>;

    Renderer();
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // (Re)allocates both frames from the panel's size and recomputes every motion
    // parameter. Stops a RunFrames that is running further up the stack.
    void Reset();
    // Recomputes the size-dependent parameters (DrawWidth, DrawHeight, SizeScale, the orbit
    // and travel sizes, both angles) without touching the frames.
    void ComputeScale();
    // Draws count sprites, rounded up to whole rounds over the seven objects, pacing them
    // at least 300 microseconds apart and pumping messages between them. A call made while
    // one runs returns at once, as does one without a panel or frames.
    void RunFrames(int32_t count);
    // Fills both frames with 0, sets FullRepaint and asks the panel to repaint.
    void Clear();
    // Copies the whole frame to Panel (PanelExt calls it when the panel needs painting).
    void Paint(RenderPanel& surface) override;
    // Composites one sprite centred at (x, y) and presents it; in filter mode runs the blur
    // present when n is a multiple of BlurEvery instead. n is the sprite count of the call.
    // `runs`, when they describe the sprite, spare the composite its clear and opaque parts.
    void DrawSprite(const ArgbImage& sprite, int32_t x, int32_t y, int64_t n, const SpriteRuns* runs = nullptr);
    // The presents of this renderer's frames on its panel (see engine/filters.h).
    void PresentRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void PresentFiltered();

    void SetCalendarClock(CalendarClock clock);
    void SetPresetLoader(PresetLoader loader);
    // Sleep (the default) rests between sprites without spinning a core; Spin polls the
    // clock like a busy wait; None draws as fast as it can (headless tools).
    void SetPacing(SpritePacer::Mode mode) { m_pacer.SetMode(mode); }
    // Lets up to `count` sprites follow each other between rests (see SpritePacer).
    void SetSpritesPerRest(uint32_t count) { m_pacer.SetSpritesPerRest(count); }
    // The automatic changes act on process-wide options; when several renderers draw at once
    // (the saver on every screen), only one of them may make them, or each interval would
    // change the formula and the mirror once per renderer. On by default.
    void SetAutomaticChanges(bool on) { m_automaticChanges = on; }

    // The fields of the renderer record; public as in the record, read by windows and tests.
    Renderer* Self = nullptr; // this, until the destructor runs
    RenderPanel* Panel = nullptr; // not owned; set by the owning window before Reset
    ArgbImage Frame; // panel size; the picture shown
    ArgbImage HalfFrame; // half the panel size; drawn into in filter mode
    int32_t Busy = 0; // 1 while RunFrames runs
    double OrbitRadius = 0.0; // SizeScale x 120
    double OrbitSwing = 0.0; // SizeScale x 80
    double RoundAngle = 0.0; // angle a of the formulas
    double RadialAngle = 0.0; // angle b of the formulas
    double TravelPhase = 0.0; // phase of the travelling ellipse
    double TravelAmpX = 0.0; // semi-axes of the travelling ellipse
    double TravelAmpY = 0.0;
    int64_t LastChange = 0; // calendar seconds of the last automatic change or Reset
    int32_t DrawWidth = 0; // size of the frame drawn into
    int32_t DrawHeight = 0;
    int32_t OddPass = 0; // chooses the next blur pass; survives Reset
    uint8_t ChangeToggle = 0; // alternates preset and formula changes

private:
    struct LoopGuard;

    int64_t calendarNow() const;
    // True when an automatic change happened (RunFrames then returns).
    bool automaticChange();
    // Pumps the panel's messages; false when the loop must stop.
    bool pump(const LoopGuard& guard);
    // After anything that may have run the GUI's events, once the caller has seen in the
    // guard that this renderer is still alive: false when the loop must stop (its panel
    // went away, or Reset replaced its frames).
    bool stillRunning(const LoopGuard& guard);
    // Waits for the sprite gap, pumping first unless the loop pumped just before; false when
    // the loop must stop.
    bool waitForSpriteSlot(const LoopGuard& guard, bool justPumped);
    // Stamps object row i: position, sprite, mirror copies.
    void drawObject(int32_t row, int64_t n);

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_automaticChanges = true;
    uint64_t m_generation = 0; // counts Resets
    // Nothing has been drawn into Frame since Reset or Clear made it black, so a repaint of
    // it can go to the screen as a fill.
    bool m_frameAllZero = false;
    SpritePacer m_pacer;
    CalendarClock m_calendar;
    PresetLoader m_presetLoader;
};
