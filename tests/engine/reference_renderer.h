#pragma once

#include "engine/filters.h"
#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <cstdint>
#include <functional>

struct Preset;
struct SettingsRecord;

// The renderer's older shape, kept only to hold the stepped renderer to it: one loop that
// draws sprite after sprite, rounds of the seven objects until a count is reached, an
// automatic change ending the call, and the blur passes timed by the sprites of the call.
// Pacing and the event loop it used to run between sprites are left out; instead a hook
// after every sprite may stop the loop. It keeps the frames it draws and presents nothing.
class ReferenceRenderer {
public:
    // Called after every sprite (with its mirror copy); false stops the loop.
    using SpriteHook = std::function<bool()>;
    using CalendarClock = std::function<int64_t()>;
    using PresetLoader = std::function<void()>;

    ReferenceRenderer(SettingsRecord& options, Preset& preset, bool saver);

    void reset(int32_t width, int32_t height);
    // Draws count sprites, rounded up to whole rounds; returns early after an automatic
    // change or when the hook says so.
    void runFrames(int64_t count);

    void setSpriteHook(SpriteHook hook) { m_hook = std::move(hook); }
    void setCalendarClock(CalendarClock clock) { m_calendar = std::move(clock); }
    void setPresetLoader(PresetLoader loader) { m_presetLoader = std::move(loader); }
    void setSpritesPerBlurPass(int32_t sprites) { m_blurEvery = sprites; }

    ArgbImage frame;
    ArgbImage halfFrame;
    int64_t spritesDrawn = 0;

private:
    void computeScale();
    bool automaticChange();
    void drawObject(int32_t row, int64_t n);
    void drawSprite(const ArgbImage& sprite, int32_t x, int32_t y, int64_t n, const SpriteRuns* runs);

    SettingsRecord& m_options;
    Preset& m_preset;
    bool m_saver;
    int32_t m_width = 0;
    int32_t m_height = 0;
    float m_sizeScale = 0.0f;
    double m_orbitRadius = 0.0;
    double m_orbitSwing = 0.0;
    double m_roundAngle = 0.0;
    double m_radialAngle = 0.0;
    double m_travelPhase = 0.0;
    double m_travelAmpX = 0.0;
    double m_travelAmpY = 0.0;
    int64_t m_lastChange = 0;
    int32_t m_drawWidth = 0;
    int32_t m_drawHeight = 0;
    BlurPassTurn m_blurTurn;
    uint8_t m_changeToggle = 0;
    int32_t m_blurEvery = 60;
    bool m_stopped = false;
    SpriteHook m_hook;
    CalendarClock m_calendar;
    PresetLoader m_presetLoader;
};
