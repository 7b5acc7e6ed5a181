#include "engine/renderer.h"

#include "engine/filters.h"
#include "engine/frame_presents.h"
#include "engine/motion_formulas.h"
#include "engine/render_panel.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

namespace {

constexpr double kTravelStep = 0.00019211; // radians of travel phase per sprite
constexpr double kStartAngle = 5.0;
constexpr double kOrbitRadiusUnits = 120.0;
constexpr double kOrbitSwingUnits = 80.0;
constexpr int32_t kMirrorHorizontal = 1;
constexpr int32_t kMirrorVertical = 2;
constexpr int32_t kMirrorDiagonal = 3;
// Sprite centres are held within this many pixels of the origin, so that no coordinate
// arithmetic can overflow whatever a preset or a setting holds; such a sprite lies far
// outside any frame and is cut off anyway.
constexpr int64_t kPositionLimit = int64_t { 1 } << 28;

int32_t clampPosition(int64_t value)
{
    return static_cast<int32_t>(std::clamp(value, -kPositionLimit, kPositionLimit));
}

// trunc toward zero, held within the position limit (NaN counts as 0).
int32_t truncPosition(double value)
{
    if (std::isnan(value))
        return 0;
    const auto limit = static_cast<double>(kPositionLimit);
    return static_cast<int32_t>(std::clamp(value, -limit, limit));
}

// The next value of a setting that counts 0 .. count - 1 and wraps; a value outside that
// range starts again at 0.
int32_t advanceWrapping(int32_t value, int32_t count)
{
    return value < 0 || value >= count - 1 ? 0 : value + 1;
}

} // namespace

void RenderStatistics::add(const RenderStatistics& other)
{
    sprites += other.sprites;
    presentedSprites += other.presentedSprites;
    presents += other.presents;
    if (other.firstStepMicros >= 0 && (firstStepMicros < 0 || other.firstStepMicros < firstStepMicros))
        firstStepMicros = other.firstStepMicros;
    lastStepMicros = std::max(lastStepMicros, other.lastStepMicros);
}

Renderer::Renderer(SettingsRecord& options, Preset& preset, RenderRole role)
    : m_options(options)
    , m_preset(preset)
    , m_role(role)
{
}

Renderer::~Renderer() = default;

int64_t Renderer::calendarNow() const
{
    return m_calendar ? m_calendar() : static_cast<int64_t>(std::time(nullptr));
}

void Renderer::reset(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_travelAmpX = 0.0;
    m_travelAmpY = 0.0;
    computeScale();
    m_frame.setSize(m_width, m_height);
    m_halfFrame.setSize(m_width / 2, m_height / 2);
    m_frameAllZero = true;
    m_frameClearOutsideRects = false;
    m_spritesInFrame = 0;
    m_travelPhase = 0.0;
    m_lastChange = calendarNow();
    m_changeToggle = false;
    m_dirty.clear();
    m_dirty.markWhole();
    m_blurPassSincePresent = false;
}

void Renderer::computeScale()
{
    m_drawWidth = m_width;
    m_drawHeight = m_height;
    if (m_options.filter) {
        m_drawWidth /= 2;
        m_drawHeight /= 2;
    }
    // Low frames get a pixel per unit at 600 rows, high ones at 480.
    const long double rows = m_drawHeight;
    float sizeScale = static_cast<float>(m_drawHeight <= 700 ? rows / 600.0L : rows / 480.0L);
    if (m_role == RenderRole::Saver)
        sizeScale = static_cast<float>(m_options.scale * static_cast<long double>(sizeScale) * 0.01L);
    m_scale = SpriteScale { sizeScale, m_options.filter != 0 };
    m_orbitRadius = kOrbitRadiusUnits * static_cast<double>(sizeScale);
    m_orbitSwing = kOrbitSwingUnits * static_cast<double>(sizeScale);
    m_roundAngle = kStartAngle;
    m_radialAngle = kStartAngle;
    m_travelAmpX = (m_drawWidth / 2) - 2 * m_orbitRadius;
    m_travelAmpY = (m_drawHeight / 2) - 2 * m_orbitRadius;
    restart();
}

void Renderer::restart()
{
    m_runSprites = 0;
    m_nextRow = 0;
    m_roundDrewAny = false;
    m_scheduled = false;
}

void Renderer::clear()
{
    m_frame.clear();
    m_halfFrame.clear();
    m_frameAllZero = true;
    m_frameClearOutsideRects = false;
    m_dirty.clear();
    m_dirty.markWhole();
}

void Renderer::paint(RenderPanel& surface)
{
    if (m_frame.pixels.empty())
        return;
    surface.beginPresent();
    presentWholeFrame(&surface, m_frame, m_options.filter ? RowOrder::BottomUp : RowOrder::TopDown, m_frameAllZero);
    surface.endPresent();
    ++m_statistics.presents;
    m_statistics.presentedSprites = m_spritesInFrame;
}

bool Renderer::present(RenderPanel& panel)
{
    if (m_frame.pixels.empty() || (m_dirty.empty() && !m_blurPassSincePresent))
        return false;
    panel.beginPresent();
    if (m_options.filter) {
        // The half frame reaches the screen only through a blur pass, which rewrites the
        // whole frame; it is shown bottom-up.
        presentWholeFrame(&panel, m_frame, RowOrder::BottomUp, m_frameAllZero);
    } else if (!m_dirty.whole()) {
        m_dirty.setRectPixels(panel.blockCostPixels());
        for (const PixelRect& rect : m_dirty.rects())
            presentRect(&panel, m_frame, rect.left, rect.top, rect.right, rect.bottom);
    } else if (m_frameClearOutsideRects) {
        // The frame is clear but for what was drawn since it was cleared (the first sprites
        // after a reset): those go to the screen first and the clear rest after them as
        // fills, so that neither a screen of clear pixels read out of memory nor a
        // screen-sized fill stands before the first sprite.
        const PixelRect drawn = m_dirty.bounds();
        presentRect(&panel, m_frame, drawn.left, drawn.top, drawn.right, drawn.bottom);
        presentClearAround(&panel, m_frame, drawn.left, drawn.top, drawn.right, drawn.bottom);
    } else {
        presentWholeFrame(&panel, m_frame, RowOrder::TopDown, m_frameAllZero);
    }
    panel.endPresent();
    m_dirty.clear();
    m_blurPassSincePresent = false;
    m_frameClearOutsideRects = false;
    ++m_statistics.presents;
    m_statistics.presentedSprites = m_spritesInFrame;
    return true;
}

void Renderer::drawSprite(const ArgbImage& sprite, int32_t x, int32_t y, const SpriteRuns* runs)
{
    const int32_t half = sprite.width / 2; // sprites are square: the width serves both axes
    const int32_t x0 = clampPosition(int64_t { x } - half);
    const int32_t y0 = clampPosition(int64_t { y } - half);
    if (m_observer && runs)
        m_observer->laid(sprite, *runs, x0, y0);
    if (!m_options.filter) {
        m_frame.composite(sprite, x0, y0, runs);
        if (m_frameAllZero && m_dirty.whole())
            m_frameClearOutsideRects = true;
        m_frameAllZero = false;
        noteDrawn(sprite, x0, y0, runs);
        return;
    }
    m_halfFrame.composite(sprite, x0, y0, runs);
    if (m_runSprites % m_spritesPerBlurPass == 0) {
        runBlurPass(m_frame, m_halfFrame, m_blurTurn, m_options.interlace != 0);
        m_frameAllZero = false;
        m_blurPassSincePresent = true;
        if (m_observer)
            m_observer->afterBlurPass(m_spritesPerBlurPass);
    }
}

void Renderer::noteDrawn(const ArgbImage& sprite, int32_t x0, int32_t y0, const SpriteRuns* runs)
{
    const PixelRect frame { 0, 0, m_frame.width, m_frame.height };
    const PixelRect drawn = PixelRect { x0, y0, clampPosition(int64_t { x0 } + sprite.width),
        clampPosition(int64_t { y0 } + sprite.height) }.intersected(frame);
    if (runs == nullptr || !runs->describes(sprite)) {
        m_dirty.add(drawn);
        return;
    }
    // Only the painted part of each row can have changed. Positions stay within
    // kPositionLimit, so the sprite's columns fit in 32 bits.
    m_dirty.addSpriteRows(drawn.top, drawn.bottom, runs->paintedSpans() + (drawn.top - y0), x0, drawn.left, drawn.right);
}

bool Renderer::automaticChange()
{
    if (!m_automaticChanges || m_role != RenderRole::Saver
        || int64_t { m_options.changePresets } + m_options.changeFormula == 0)
        return false;
    const int64_t now = calendarNow();
    if (!(m_lastChange + m_options.seconds < now))
        return false;

    if (m_options.changeMirror)
        m_options.mirror = advanceWrapping(m_options.mirror, kMirrorCount);
    const int switches = (m_options.changePresets ? 1 : 0) + (m_options.changeFormula ? 1 : 0);
    m_changeToggle = switches == 2 ? !m_changeToggle : true;
    const bool changePreset = m_options.changePresets && m_changeToggle;
    const bool changeFormula
        = (switches == 1 && m_options.changeFormula) || (switches == 2 && !m_changeToggle);
    m_lastChange = now;
    if (changePreset && m_presetLoader)
        m_presetLoader();
    if (changeFormula)
        m_options.formula = advanceWrapping(m_options.formula, kFormulaCount);
    return changePreset || changeFormula;
}

void Renderer::drawObject(int32_t row)
{
    m_roundAngle += m_preset.roundSpeed;
    m_radialAngle += m_preset.radialSpeed;
    m_travelPhase += kTravelStep;

    ShapeStack* stack = m_preset.objects.stacks[static_cast<size_t>(row)][0].get();
    if (!stack)
        return;
    buildReducedSprite(*stack, -1, m_scale);
    if (!stack->reducedSprite)
        return;
    const ArgbImage& sprite = *stack->reducedSprite;
    const SpriteRuns* runs = &stack->reducedRuns;

    int32_t x = 0;
    int32_t y = 0;
    const int32_t formula = m_options.formula;
    if (formula >= 0 && formula < kMotionFormulaCount) {
        const double radius = m_orbitRadius + m_orbitSwing * std::cos(m_radialAngle);
        const MotionOffset offset = formulaOffset(formula, m_roundAngle, m_radialAngle, radius);
        x = clampPosition(int64_t { truncPosition(offset.fx) } + m_drawWidth / 2);
        y = clampPosition(int64_t { truncPosition(offset.fy) } + m_drawHeight / 2);
    }
    if (m_options.travel) {
        x = truncPosition(std::sin(m_travelPhase) * m_travelAmpX + x);
        y = truncPosition(std::cos(m_travelPhase) * m_travelAmpY + y);
    }
    if (m_options.filter)
        y = clampPosition(int64_t { m_drawHeight } - y); // the filtered frame is shown bottom-up

    drawSprite(sprite, x, y, runs);
    const int32_t mirroredX = clampPosition(int64_t { m_drawWidth } - x);
    const int32_t mirroredY = clampPosition(int64_t { m_drawHeight } - y);
    switch (m_options.mirror) {
    case kMirrorHorizontal:
        drawSprite(sprite, mirroredX, y, runs);
        break;
    case kMirrorVertical:
        drawSprite(sprite, x, mirroredY, runs);
        break;
    case kMirrorDiagonal:
        drawSprite(sprite, mirroredX, mirroredY, runs);
        break;
    default:
        break;
    }
}

bool Renderer::objectDrawn(int32_t row) const
{
    const auto index = static_cast<size_t>(row);
    return m_preset.objectEnabled[index] && m_preset.objects.stacks[index][0];
}

bool Renderer::roundUnderWay() const
{
    if (!m_roundDrewAny)
        return false;
    for (int32_t row = m_nextRow; row < kObjectCount; ++row) {
        if (objectDrawn(row))
            return true;
    }
    return false;
}

void Renderer::drawNextSprite()
{
    for (;;) {
        if (m_nextRow == 0 && !m_roundDrewAny) {
            // A round starts: the moment for an automatic change, after which the run
            // starts again.
            if (automaticChange())
                m_runSprites = 0;
        }
        while (m_nextRow < kObjectCount) {
            const int32_t row = m_nextRow++;
            if (!objectDrawn(row))
                continue;
            if (m_observer)
                m_observer->beforeSprite();
            drawObject(row);
            ++m_runSprites;
            ++m_statistics.sprites;
            ++m_spritesInFrame;
            m_roundDrewAny = true;
            return;
        }
        const bool drewAny = m_roundDrewAny;
        m_nextRow = 0;
        m_roundDrewAny = false;
        // A round with every object switched off takes one sprite's time, so that the
        // schedule rests instead of spinning.
        if (!drewAny)
            return;
    }
}

int64_t Renderer::step(int64_t nowMicros)
{
    if (m_frame.pixels.empty())
        return kSpriteGapMicros;
    if (m_statistics.firstStepMicros < 0)
        m_statistics.firstStepMicros = nowMicros;
    m_statistics.lastStepMicros = nowMicros;
    if (!m_scheduled || nowMicros - m_nextDueMicros > kMostLateMicros) {
        m_scheduled = true;
        m_nextDueMicros = nowMicros;
    }
    while (m_nextDueMicros <= nowMicros) {
        drawNextSprite();
        m_nextDueMicros += kSpriteGapMicros;
    }
    return m_nextDueMicros - nowMicros;
}

void Renderer::drawSprites(int64_t count, bool wholeRounds)
{
    if (m_frame.pixels.empty())
        return;
    // With whole rounds the count is tested only after a round of the seven objects.
    int64_t slots = 0;
    while (slots < count || (wholeRounds && roundUnderWay())) {
        drawNextSprite();
        ++slots;
    }
}
