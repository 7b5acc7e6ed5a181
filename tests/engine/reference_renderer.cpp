#include "tests/engine/reference_renderer.h"

#include "engine/filters.h"
#include "engine/motion_formulas.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/sprite_builder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kPositionLimit = int64_t { 1 } << 28;

int32_t clampPosition(int64_t value)
{
    return static_cast<int32_t>(std::clamp(value, -kPositionLimit, kPositionLimit));
}

int32_t truncPosition(double value)
{
    if (std::isnan(value))
        return 0;
    const auto limit = static_cast<double>(kPositionLimit);
    return static_cast<int32_t>(std::clamp(value, -limit, limit));
}

int32_t advanceWrapping(int32_t value, int32_t count)
{
    return value < 0 || value >= count - 1 ? 0 : value + 1;
}

} // namespace

ReferenceRenderer::ReferenceRenderer(SettingsRecord& options, Preset& preset, bool saver)
    : m_options(options)
    , m_preset(preset)
    , m_saver(saver)
{
}

void ReferenceRenderer::reset(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    computeScale();
    frame.setSize(width, height);
    halfFrame.setSize(width / 2, height / 2);
    m_travelPhase = 0.0;
    m_lastChange = m_calendar();
    m_changeToggle = 0;
}

void ReferenceRenderer::computeScale()
{
    m_drawWidth = m_width;
    m_drawHeight = m_height;
    if (m_options.filter) {
        m_drawWidth /= 2;
        m_drawHeight /= 2;
    }
    const long double rows = m_drawHeight;
    m_sizeScale = static_cast<float>(m_drawHeight <= 700 ? rows / 600.0L : rows / 480.0L);
    if (m_saver)
        m_sizeScale = static_cast<float>(m_options.scale * static_cast<long double>(m_sizeScale) * 0.01L);
    m_orbitRadius = 120.0 * static_cast<double>(m_sizeScale);
    m_orbitSwing = 80.0 * static_cast<double>(m_sizeScale);
    m_roundAngle = 5.0;
    m_radialAngle = 5.0;
    m_travelAmpX = (m_drawWidth / 2) - 2 * m_orbitRadius;
    m_travelAmpY = (m_drawHeight / 2) - 2 * m_orbitRadius;
}

bool ReferenceRenderer::automaticChange()
{
    if (!m_saver || int64_t { m_options.changePresets } + m_options.changeFormula == 0)
        return false;
    const int64_t now = m_calendar();
    if (!(m_lastChange + m_options.seconds < now))
        return false;
    if (m_options.changeMirror)
        m_options.mirror = advanceWrapping(m_options.mirror, kMirrorCount);
    const int switches = (m_options.changePresets ? 1 : 0) + (m_options.changeFormula ? 1 : 0);
    m_changeToggle = switches == 2 ? !m_changeToggle : 1;
    const bool changePreset = m_options.changePresets && m_changeToggle;
    const bool changeFormula = (switches == 1 && m_options.changeFormula) || (switches == 2 && !m_changeToggle);
    m_lastChange = now;
    if (changePreset)
        m_presetLoader();
    if (changeFormula)
        m_options.formula = advanceWrapping(m_options.formula, kFormulaCount);
    return changePreset || changeFormula;
}

void ReferenceRenderer::drawSprite(const ArgbImage& sprite, int32_t x, int32_t y, int64_t n, const SpriteRuns* runs)
{
    const int32_t half = sprite.width / 2;
    const int32_t x0 = clampPosition(int64_t { x } - half);
    const int32_t y0 = clampPosition(int64_t { y } - half);
    if (!m_options.filter) {
        frame.composite(sprite, x0, y0, runs);
        return;
    }
    halfFrame.composite(sprite, x0, y0, runs);
    if (m_blurEvery > 0 && n % m_blurEvery == 0)
        runBlurPass(frame, halfFrame, m_blurTurn, m_options.interlace != 0);
}

void ReferenceRenderer::drawObject(int32_t row, int64_t n)
{
    m_roundAngle += m_preset.roundSpeed;
    m_radialAngle += m_preset.radialSpeed;
    m_travelPhase += 0.00019211;

    ShapeStack* stack = m_preset.objects.stacks[static_cast<size_t>(row)][0].get();
    if (!stack)
        return;
    buildReducedSprite(*stack, -1, SpriteScale { m_sizeScale, m_options.filter != 0 });
    if (!stack->reducedSprite)
        return;
    const ArgbImage& sprite = *stack->reducedSprite;
    int32_t x = 0;
    int32_t y = 0;
    if (m_options.formula >= 0 && m_options.formula < kMotionFormulaCount) {
        const double radius = m_orbitRadius + m_orbitSwing * std::cos(m_radialAngle);
        const MotionOffset offset = formulaOffset(m_options.formula, m_roundAngle, m_radialAngle, radius);
        x = clampPosition(int64_t { truncPosition(offset.fx) } + m_drawWidth / 2);
        y = clampPosition(int64_t { truncPosition(offset.fy) } + m_drawHeight / 2);
    }
    if (m_options.travel) {
        x = truncPosition(std::sin(m_travelPhase) * m_travelAmpX + x);
        y = truncPosition(std::cos(m_travelPhase) * m_travelAmpY + y);
    }
    if (m_options.filter)
        y = clampPosition(int64_t { m_drawHeight } - y);
    drawSprite(sprite, x, y, n, &stack->reducedRuns);
    const int32_t mirroredX = clampPosition(int64_t { m_drawWidth } - x);
    const int32_t mirroredY = clampPosition(int64_t { m_drawHeight } - y);
    if (m_options.mirror == 1)
        drawSprite(sprite, mirroredX, y, n, &stack->reducedRuns);
    else if (m_options.mirror == 2)
        drawSprite(sprite, x, mirroredY, n, &stack->reducedRuns);
    else if (m_options.mirror == 3)
        drawSprite(sprite, mirroredX, mirroredY, n, &stack->reducedRuns);
}

void ReferenceRenderer::runFrames(int64_t count)
{
    int64_t n = 0;
    while (n < count) {
        if (automaticChange())
            return;
        for (int32_t row = 0; row < kObjectCount; ++row) {
            if (!m_preset.objectEnabled[static_cast<size_t>(row)] || !m_preset.objects.stacks[static_cast<size_t>(row)][0])
                continue;
            drawObject(row, n);
            ++n;
            ++spritesDrawn;
            if (m_hook && !m_hook())
                return;
        }
    }
}
