#include "engine/renderer.h"

#include "engine/filters.h"
#include "engine/motion_formulas.h"
#include "engine/render_panel.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

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

void RenderStatistics::Add(const RenderStatistics& other)
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

void Renderer::Reset(int32_t width, int32_t height)
{
    ReseedPresetRandom();
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_travelAmpX = 0.0;
    m_travelAmpY = 0.0;
    ComputeScale();
    m_frame.SetSize(m_width, m_height);
    m_halfFrame.SetSize(m_width / 2, m_height / 2);
    m_frameAllZero = true;
    m_frameClearOutsideRects = false;
    m_spritesInFrame = 0;
    m_travelPhase = 0.0;
    m_lastChange = calendarNow();
    m_changeToggle = false;
    m_dirty.Clear();
    m_dirty.MarkWhole();
    m_blurPassSincePresent = false;
}

void Renderer::ComputeScale()
{
    m_drawWidth = m_width;
    m_drawHeight = m_height;
    if (m_options.Filter) {
        m_drawWidth /= 2;
        m_drawHeight /= 2;
    }
    // Low frames get a pixel per unit at 600 rows, high ones at 480.
    const long double rows = m_drawHeight;
    float sizeScale = static_cast<float>(m_drawHeight <= 700 ? rows / 600.0L : rows / 480.0L);
    if (m_role == RenderRole::Saver)
        sizeScale = static_cast<float>(m_options.Scale * static_cast<long double>(sizeScale) * 0.01L);
    m_scale = SpriteScale { sizeScale, m_options.Filter != 0 };
    m_orbitRadius = kOrbitRadiusUnits * static_cast<double>(sizeScale);
    m_orbitSwing = kOrbitSwingUnits * static_cast<double>(sizeScale);
    m_roundAngle = kStartAngle;
    m_radialAngle = kStartAngle;
    m_travelAmpX = (m_drawWidth / 2) - 2 * m_orbitRadius;
    m_travelAmpY = (m_drawHeight / 2) - 2 * m_orbitRadius;
    Restart();
}

void Renderer::Restart()
{
    m_runSprites = 0;
    m_nextRow = 0;
    m_roundDrewAny = false;
    m_scheduled = false;
}

void Renderer::Clear()
{
    m_frame.Clear();
    m_halfFrame.Clear();
    m_frameAllZero = true;
    m_frameClearOutsideRects = false;
    m_dirty.Clear();
    m_dirty.MarkWhole();
}

void Renderer::Paint(RenderPanel& surface)
{
    m_dirty.MarkWhole();
    Present(surface);
}

bool Renderer::Present(RenderPanel& panel)
{
    if (m_frame.pixels.empty() || (m_dirty.Empty() && !m_blurPassSincePresent))
        return false;
    panel.BeginPresent();
    if (m_options.Filter) {
        // The half frame reaches the screen only through a blur pass, which rewrites the
        // whole frame; it is shown bottom-up.
        PresentWholeFrame(&panel, m_frame, RowOrder::BottomUp, m_frameAllZero);
    } else if (!m_dirty.Whole()) {
        for (const PixelRect& rect : m_dirty.Rects())
            PresentRect(&panel, m_frame, rect.left, rect.top, rect.right, rect.bottom);
    } else if (m_frameClearOutsideRects) {
        // The frame is clear but for what was drawn since it was cleared (the first sprites
        // after a reset): those go to the screen first and the clear rest after them as
        // fills, so that neither a screen of clear pixels read out of memory nor a
        // screen-sized fill stands before the first sprite.
        const PixelRect drawn = m_dirty.Bounds();
        PresentRect(&panel, m_frame, drawn.left, drawn.top, drawn.right, drawn.bottom);
        PresentClearAround(&panel, m_frame, drawn.left, drawn.top, drawn.right, drawn.bottom);
    } else {
        PresentWholeFrame(&panel, m_frame, RowOrder::TopDown, m_frameAllZero);
    }
    panel.EndPresent();
    m_dirty.Clear();
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
    if (!m_options.Filter) {
        m_frame.Composite(sprite, x0, y0, runs);
        if (m_frameAllZero && m_dirty.Whole())
            m_frameClearOutsideRects = true;
        m_frameAllZero = false;
        const PixelRect frame { 0, 0, m_frame.width, m_frame.height };
        const PixelRect drawn { x0, y0, clampPosition(int64_t { x0 } + sprite.width),
            clampPosition(int64_t { y0 } + sprite.height) };
        m_dirty.Add(drawn.Intersected(frame));
        return;
    }
    m_halfFrame.Composite(sprite, x0, y0, runs);
    if (m_runSprites % m_spritesPerBlurPass == 0) {
        RunBlurPass(m_frame, m_halfFrame, m_oddPass, m_options.Interlace != 0);
        m_frameAllZero = false;
        m_blurPassSincePresent = true;
        if (m_observer)
            m_observer->AfterBlurPass(m_spritesPerBlurPass);
    }
}

bool Renderer::automaticChange()
{
    if (!m_automaticChanges || m_role != RenderRole::Saver
        || int64_t { m_options.DoChange } + m_options.ChangeFormula == 0)
        return false;
    const int64_t now = calendarNow();
    if (!(m_lastChange + m_options.Seconds < now))
        return false;

    if (m_options.ChangeMirror)
        m_options.Mirror = advanceWrapping(m_options.Mirror, kMirrorCount);
    const int switches = (m_options.DoChange ? 1 : 0) + (m_options.ChangeFormula ? 1 : 0);
    m_changeToggle = switches == 2 ? !m_changeToggle : true;
    const bool changePreset = m_options.DoChange && m_changeToggle;
    const bool changeFormula
        = (switches == 1 && m_options.ChangeFormula) || (switches == 2 && !m_changeToggle);
    m_lastChange = now;
    if (changePreset && m_presetLoader)
        m_presetLoader();
    if (changeFormula)
        m_options.Formula = advanceWrapping(m_options.Formula, kFormulaCount);
    return changePreset || changeFormula;
}

void Renderer::drawObject(int32_t row)
{
    m_roundAngle += m_preset.RoundSpeed;
    m_radialAngle += m_preset.RadialSpeed;
    m_travelPhase += kTravelStep;

    ShapeStack* stack = m_preset.Objects.Stacks[static_cast<size_t>(row)][0].get();
    if (!stack)
        return;
    BuildReducedSprite(*stack, -1, m_scale);
    if (!stack->ReducedSprite)
        return;
    const ArgbImage& sprite = *stack->ReducedSprite;
    const SpriteRuns* runs = &stack->ReducedRuns;

    int32_t x = 0;
    int32_t y = 0;
    const int32_t formula = m_options.Formula;
    if (formula >= 0 && formula < kMotionFormulaCount) {
        const double radius = m_orbitRadius + m_orbitSwing * std::cos(m_radialAngle);
        const MotionOffset offset = FormulaOffset(formula, m_roundAngle, m_radialAngle, radius);
        x = clampPosition(int64_t { truncPosition(offset.fx) } + m_drawWidth / 2);
        y = clampPosition(int64_t { truncPosition(offset.fy) } + m_drawHeight / 2);
    }
    if (m_options.Travel) {
        x = truncPosition(std::sin(m_travelPhase) * m_travelAmpX + x);
        y = truncPosition(std::cos(m_travelPhase) * m_travelAmpY + y);
    }
    if (m_options.Filter)
        y = clampPosition(int64_t { m_drawHeight } - y); // the filtered frame is shown bottom-up

    drawSprite(sprite, x, y, runs);
    const int32_t mirroredX = clampPosition(int64_t { m_drawWidth } - x);
    const int32_t mirroredY = clampPosition(int64_t { m_drawHeight } - y);
    switch (m_options.Mirror) {
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
    return m_preset.ObjectEnabled[index] && m_preset.Objects.Stacks[index][0];
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
                m_observer->BeforeSprite();
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

int64_t Renderer::Step(int64_t nowMicros)
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

void Renderer::DrawSprites(int64_t count, bool wholeRounds)
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
