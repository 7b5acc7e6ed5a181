#pragma once

#include "engine/dirty_region.h"
#include "engine/filters.h"
#include "engine/panel_painter.h"
#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <cstdint>
#include <functional>

class RenderPanel;
struct Preset;
struct SettingsRecord;

// What a renderer has done, for measurement: sprites drawn, the sprites of the frame as of
// the last present (drawn since the frame's last reset(): what the screen shows), presents
// that put something on a panel, and the span of its steps on the steps' clock (both -1
// before the first step).
struct RenderStatistics {
    int64_t sprites = 0;
    int64_t presentedSprites = 0;
    int64_t presents = 0;
    int64_t firstStepMicros = -1;
    int64_t lastStepMicros = -1;

    // Adds another renderer's figures: the counts add up, the span covers both.
    void add(const RenderStatistics& other);
};

// Who a renderer draws for. The saver (full screen, or inside a desktop daemon's window)
// sizes its sprites by the Scale option and makes the automatic changes; the editor's live
// view and the preview of a settings dialog do neither.
enum class RenderRole { Preview, Editor, Saver };

// Told of every sprite a renderer draws, for a capture that follows the animation sprite by
// sprite (the animated-GIF export).
class SpriteObserver {
public:
    virtual ~SpriteObserver() = default;
    // Called before each object's sprite (with its mirror copy, one sprite of the schedule)
    // is drawn.
    virtual void beforeSprite() = 0;
    // Called after each blur pass, with the sprites between two passes.
    virtual void afterBlurPass(int32_t spritesPerPass) = 0;
    // Called for each sprite as it is laid into the frame drawn into, its top-left pixel at
    // (x, y): enough to replay the same composites elsewhere (the floor benchmark).
    virtual void laid(const ArgbImage& /*sprite*/, const SpriteRuns& /*runs*/, int32_t /*x*/, int32_t /*y*/) { }
};

// The renderer stamps the sprites of the seven objects of its preset into a frame that is
// never cleared, so every object leaves a trail. All objects follow one curve, given by
// the motion formula of two angles that advance with every sprite; travelling moves the
// whole figure round an ellipse, and the mirror adds a reflected copy of every sprite. In
// filter mode sprites go into a half-size frame that is blurred and doubled into the full
// frame every spritesPerBlurPass sprites, and the frame is shown bottom-up. In the saver
// role the renderer also changes preset, formula and mirror every Seconds seconds.
//
// It is stepped: its owner (a window, a tool) calls step() with the time, and the renderer
// draws every sprite whose time has come, one per kSpriteGapMicros, and notes where it drew.
// present() then puts what changed onto a panel in one begin/end pair; a window does that
// once per display refresh. The renderer never runs an event loop and keeps no state
// outside its members; the options and the preset are its owner's, held by reference for
// the renderer's life. An automatic change writes the mirror and the formula into the
// options and loads a preset through the preset loader.
class Renderer final : public PanelPainter {
public:
    // Where the calendar time in whole seconds comes from; tests replace it.
    using CalendarClock = std::function<int64_t()>;
    // What an automatic preset change does; nothing unless set.
    using PresetLoader = std::function<void()>;

    static constexpr int64_t kSpriteGapMicros = 300;
    // A schedule further behind than this (the process stood still, or the window was
    // hidden) starts again from now instead of drawing the missed sprites in one burst.
    static constexpr int64_t kMostLateMicros = 100'000;
    static constexpr int32_t kStartSpritesPerBlurPass = 60;

    Renderer(SettingsRecord& options, Preset& preset, RenderRole role);
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // (Re)allocates both frames at the given size in device pixels, recomputes every
    // motion parameter and starts the run and its schedule again. The whole frame is
    // marked for the next present.
    void reset(int32_t width, int32_t height);
    // Recomputes the size-dependent parameters (draw size, sprite scale, the orbit and
    // travel sizes, both angles) without touching the frames, and starts the run again:
    // what an option change needs.
    void computeScale();
    // Starts the run again: the sprite count that times the blur passes and the round over
    // the seven objects begin anew, and the schedule starts at the next step.
    void restart();
    // Draws every sprite due at nowMicros (a monotonic clock) on the schedule; returns the
    // microseconds until the next one is due. Draws nothing without frames.
    int64_t step(int64_t nowMicros);
    // Draws count sprites at once, rounded up to whole rounds over the seven objects unless
    // wholeRounds is off, without a schedule: the headless tools, tests and fuzzers. A round
    // with every object switched off counts as one sprite, so that the call always ends.
    void drawSprites(int64_t count, bool wholeRounds = true);
    // Fills both frames with 0 and marks the whole frame for the next present.
    void clear();
    // Marks the whole frame for the next present (the window was exposed or shown again).
    void markWholeFrame() { m_dirty.markWhole(); }
    // Puts what changed since the last present onto the panel in one begin/end pair and
    // forgets it. Returns false when there was nothing to present.
    bool present(RenderPanel& panel);
    // Presents the whole frame (PanelPainter: the panel asks when it must be painted). The
    // panel may show only part of it (a control over the panel was redrawn), so what
    // changed since the last present stays owed to the next present: a cleared frame, above
    // all, must reach the whole panel even when no sprite follows it.
    void paint(RenderPanel& surface) override;

    void setCalendarClock(CalendarClock clock) { m_calendar = std::move(clock); }
    void setPresetLoader(PresetLoader loader) { m_presetLoader = std::move(loader); }
    void setSpriteObserver(SpriteObserver* observer) { m_observer = observer; }
    // Sprites between two blur passes of filter mode (at least 1).
    void setSpritesPerBlurPass(int32_t sprites) { m_spritesPerBlurPass = sprites < 1 ? 1 : sprites; }
    int32_t spritesPerBlurPass() const { return m_spritesPerBlurPass; }
    // The automatic changes act on the options the renderers share; when several draw at
    // once (the saver on every screen), only one of them may make them, or each interval
    // would change the formula and the mirror once per renderer. On by default.
    void setAutomaticChanges(bool on) { m_automaticChanges = on; }
    // The most rectangles a present sends (see DirtyRegion): a few for a screen that takes a
    // request per block, more for one whose present copies every pixel sent.
    void setMostPresentRects(std::size_t most) { m_dirty.setMostRects(most); }

    const ArgbImage& frame() const { return m_frame; }
    const ArgbImage& halfFrame() const { return m_halfFrame; }
    // Pixels per design unit of the sprites drawn now.
    float sizeScale() const { return m_scale.sizeScale; }
    int32_t drawWidth() const { return m_drawWidth; }
    int32_t drawHeight() const { return m_drawHeight; }
    double orbitRadius() const { return m_orbitRadius; }
    double orbitSwing() const { return m_orbitSwing; }
    double travelAmpX() const { return m_travelAmpX; }
    double travelAmpY() const { return m_travelAmpY; }
    double roundAngle() const { return m_roundAngle; }
    double radialAngle() const { return m_radialAngle; }
    int64_t lastChange() const { return m_lastChange; }
    // Sprites drawn over the renderer's life, and presents that put something on a panel.
    int64_t spritesDrawn() const { return m_statistics.sprites; }
    int64_t presents() const { return m_statistics.presents; }
    const RenderStatistics& statistics() const { return m_statistics; }
    const DirtyRegion& dirty() const { return m_dirty; }

private:
    int64_t calendarNow() const;
    // True when an automatic change happened (the run then starts again).
    bool automaticChange();
    // Draws the next scheduled sprite: the next object switched on, or, for a round with
    // none, nothing. Starts a round (and may make an automatic change) first when due.
    void drawNextSprite();
    // Whether the object of that row is switched on and has a stack.
    bool objectDrawn(int32_t row) const;
    // Whether the round under way has drawn a sprite and has more to draw.
    bool roundUnderWay() const;
    // Stamps object row i: position, sprite, mirror copies.
    void drawObject(int32_t row);
    // Composites one sprite centred at (x, y) and notes its rectangle; in filter mode runs
    // a blur pass when the run's sprite count is a multiple of spritesPerBlurPass.
    void drawSprite(const ArgbImage& sprite, int32_t x, int32_t y, const SpriteRuns* runs);
    // Adds the pixels the sprite laid at (x0, y0) can have changed to the dirty region: the
    // painted span of each of its rows, or its whole rectangle without runs that describe it.
    void noteDrawn(const ArgbImage& sprite, int32_t x0, int32_t y0, const SpriteRuns* runs);

    SettingsRecord& m_options;
    Preset& m_preset;
    RenderRole m_role;
    ArgbImage m_frame; // panel size; the picture shown
    ArgbImage m_halfFrame; // half the panel size; drawn into in filter mode
    int32_t m_width = 0; // the frame's size as asked by reset()
    int32_t m_height = 0;
    SpriteScale m_scale;
    double m_orbitRadius = 0.0; // sizeScale x 120
    double m_orbitSwing = 0.0; // sizeScale x 80
    double m_roundAngle = 0.0; // angle a of the formulas
    double m_radialAngle = 0.0; // angle b of the formulas
    double m_travelPhase = 0.0; // phase of the travelling ellipse
    double m_travelAmpX = 0.0; // semi-axes of the travelling ellipse
    double m_travelAmpY = 0.0;
    int64_t m_lastChange = 0; // calendar seconds of the last automatic change or reset()
    int32_t m_drawWidth = 0; // size of the frame drawn into
    int32_t m_drawHeight = 0;
    BlurPassTurn m_blurTurn; // survives reset()
    bool m_changeToggle = false; // alternates preset and formula changes
    bool m_automaticChanges = true;
    int32_t m_spritesPerBlurPass = kStartSpritesPerBlurPass;

    // The run: sprites since it started (the blur passes count them), the next object of
    // the round, and whether the round under way has drawn anything.
    int64_t m_runSprites = 0;
    int32_t m_nextRow = 0;
    bool m_roundDrewAny = false;
    // The schedule: when the next sprite is due, once a step has started it.
    bool m_scheduled = false;
    int64_t m_nextDueMicros = 0;

    DirtyRegion m_dirty;
    // Nothing has been drawn into the frame since reset() or clear() made it black, as of the
    // last time the whole frame was marked: such a present goes to the screen as fills
    // around what was drawn since.
    bool m_frameAllZero = false;
    // The whole frame is marked, and the frame was clear when the first sprite since was
    // drawn: all of it outside the rectangles is still clear.
    bool m_frameClearOutsideRects = false;
    bool m_blurPassSincePresent = false;
    RenderStatistics m_statistics;
    int64_t m_spritesInFrame = 0; // drawn since the last reset()

    SpriteObserver* m_observer = nullptr;
    CalendarClock m_calendar;
    PresetLoader m_presetLoader;
};
