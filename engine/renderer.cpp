#include "engine/renderer.h"

#include "engine/engine_globals.h"
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
constexpr int32_t kSaverRunMode = 2;
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

// What RunFrames keeps across a message pump to learn, afterwards, whether it may go on.
// The renderer's flag outlives the renderer, so it can be read after the destructor ran.
struct Renderer::LoopGuard {
    std::shared_ptr<const bool> rendererAlive;
    std::weak_ptr<const bool> panelAlive;
    uint64_t generation = 0;
};

Renderer::Renderer()
    : Self(this)
{
}

Renderer::~Renderer()
{
    *m_alive = false;
    Self = nullptr;
}

int64_t Renderer::calendarNow() const
{
    return m_calendar ? m_calendar() : static_cast<int64_t>(std::time(nullptr));
}

void Renderer::SetCalendarClock(CalendarClock clock)
{
    m_calendar = std::move(clock);
}

void Renderer::SetPresetLoader(PresetLoader loader)
{
    m_presetLoader = std::move(loader);
}

void Renderer::Reset()
{
    ReseedPresetRandom();
    TravelAmpX = 0.0;
    TravelAmpY = 0.0;
    ComputeScale();
    const int32_t width = Panel ? std::max(Panel->Width(), 0) : 0;
    const int32_t height = Panel ? std::max(Panel->Height(), 0) : 0;
    Frame.SetSize(width, height);
    HalfFrame.SetSize(width / 2, height / 2);
    m_frameAllZero = true;
    Busy = 0;
    TravelPhase = 0.0;
    LastChange = calendarNow();
    ChangeToggle = 0;
    // A RunFrames further up the stack (Reset ran inside its message pump) must not go on.
    ++m_generation;
}

void Renderer::ComputeScale()
{
    DrawWidth = Panel ? std::max(Panel->Width(), 0) : 0;
    DrawHeight = Panel ? std::max(Panel->Height(), 0) : 0;
    if (Settings.Filter) {
        DrawWidth /= 2;
        DrawHeight /= 2;
    }
    // Low frames get a pixel per unit at 600 rows, high ones at 480.
    const long double rows = DrawHeight;
    SizeScale = static_cast<float>(DrawHeight <= 700 ? rows / 600.0L : rows / 480.0L);
    if (RunMode == kSaverRunMode)
        SizeScale = static_cast<float>(Settings.Scale * static_cast<long double>(SizeScale) * 0.01L);
    OrbitRadius = kOrbitRadiusUnits * static_cast<double>(SizeScale);
    OrbitSwing = kOrbitSwingUnits * static_cast<double>(SizeScale);
    RoundAngle = kStartAngle;
    RadialAngle = kStartAngle;
    TravelAmpX = (DrawWidth / 2) - 2 * OrbitRadius;
    TravelAmpY = (DrawHeight / 2) - 2 * OrbitRadius;
}

void Renderer::Clear()
{
    Frame.Clear();
    HalfFrame.Clear();
    m_frameAllZero = true;
    FullRepaint = 1;
    if (Panel)
        Panel->Invalidate();
}

void Renderer::Paint(RenderPanel& /*surface*/)
{
    // The renderer always presents to its own panel, which is the one asking.
    FullRepaint = 1;
    PresentRect(0, 0, 0, 0);
}

void Renderer::PresentRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    ::PresentRect(Panel, Frame, x0, y0, x1, y1, m_frameAllZero);
}

void Renderer::PresentFiltered()
{
    ::PresentFiltered(Panel, Frame, HalfFrame, OddPass, Settings.Interlace);
}

void Renderer::DrawSprite(const ArgbImage& sprite, int32_t x, int32_t y, int64_t n, const SpriteRuns* runs)
{
    const int32_t half = sprite.width / 2; // sprites are square: the width serves both axes
    const int32_t x0 = clampPosition(int64_t { x } - half);
    const int32_t y0 = clampPosition(int64_t { y } - half);
    const bool frameWasZero = m_frameAllZero;
    m_frameAllZero = false;
    if (!Settings.Filter) {
        Frame.Composite(sprite, x0, y0, runs);
        if (FullRepaint && frameWasZero && Panel) {
            // The frame is clear but for this sprite (the first after a reset): the sprite
            // goes to the screen first and the clear rest after it as fills, so that
            // neither a screen of clear pixels read out of memory nor a screen-sized fill
            // stands before the first sprite.
            FullRepaint = 0;
            PresentRect(x0, y0, x0 + sprite.width, y0 + sprite.height);
            ::PresentClearAround(Panel, Frame, x0, y0, x0 + sprite.width, y0 + sprite.height);
            return;
        }
        PresentRect(x0, y0, x0 + sprite.width, y0 + sprite.height);
        return;
    }
    HalfFrame.Composite(sprite, x0, y0, runs);
    if (BlurEvery > 0 && n % BlurEvery == 0) {
        PresentFiltered();
        if (GifCaptureActive && GifObjectsPerFrame <= INT_MAX - BlurEvery)
            GifObjectsPerFrame += BlurEvery;
    }
}

bool Renderer::automaticChange()
{
    if (!m_automaticChanges || RunMode != kSaverRunMode || int64_t { Settings.DoChange } + Settings.ChangeFormula == 0)
        return false;
    const int64_t now = calendarNow();
    if (!(LastChange + Settings.Seconds < now))
        return false;

    if (Settings.ChangeMirror)
        Settings.Mirror = advanceWrapping(Settings.Mirror, kMirrorCount);
    const int switches = (Settings.DoChange ? 1 : 0) + (Settings.ChangeFormula ? 1 : 0);
    ChangeToggle = switches == 2 ? !ChangeToggle : 1;
    const bool changePreset = Settings.DoChange && ChangeToggle;
    const bool changeFormula = (switches == 1 && Settings.ChangeFormula) || (switches == 2 && !ChangeToggle);
    LastChange = now;
    if (changePreset) {
        if (m_presetLoader)
            m_presetLoader();
        else
            LoadRandomPreset();
    }
    if (changeFormula)
        Settings.Formula = advanceWrapping(Settings.Formula, kFormulaCount);
    return changePreset || changeFormula;
}

bool Renderer::pump(const LoopGuard& guard)
{
    Panel->PumpMessages();
    // Not even a member function may be called on a renderer that died inside.
    return *guard.rendererAlive && stillRunning(guard);
}

bool Renderer::stillRunning(const LoopGuard& guard)
{
    if (guard.generation != m_generation)
        return false; // Reset replaced the frames and cleared Busy; the next call draws
    if (guard.panelAlive.expired())
        Panel = nullptr;
    if (!Panel) {
        Busy = 0;
        return false;
    }
    return true;
}

bool Renderer::waitForSpriteSlot(const LoopGuard& guard, bool justPumped)
{
    // The loop pumps after every object; a second pump straight after it would find the
    // same empty queue, so the wait pumps only when nothing did just before.
    if (!justPumped && !pump(guard))
        return false;
    // Resting, the queue is pumped once per sprite: a pump polls every source of the GUI's
    // events, and pumping while the last microseconds of the gap run out would repeat that
    // poll many times per sprite. Input waits no longer than a rest (one gap, or one group's
    // gaps). A spinning pacer pumps all the time, as a busy wait does.
    while (!m_pacer.GapPassed()) {
        if (m_pacer.GetMode() == SpritePacer::Mode::Spin) {
            if (!pump(guard))
                return false;
        } else {
            m_pacer.Rest();
        }
    }
    m_pacer.Restart();
    return true;
}

void Renderer::drawObject(int32_t row, int64_t n)
{
    RoundAngle += CurrentPreset.RoundSpeed;
    RadialAngle += CurrentPreset.RadialSpeed;
    TravelPhase += kTravelStep;

    ShapeStack* stack = CurrentPreset.Objects.Stacks[static_cast<size_t>(row)][0].get();
    if (!stack)
        return;
    HalfSprites = Settings.Filter ? 1 : 0;
    BuildReducedSprite(*stack, -1);
    HalfSprites = 0;
    if (!stack->ReducedSprite)
        return;
    const ArgbImage& sprite = *stack->ReducedSprite;
    const SpriteRuns* runs = &stack->ReducedRuns;

    int32_t x = 0;
    int32_t y = 0;
    if (Settings.Formula >= 0 && Settings.Formula < kMotionFormulaCount) {
        const double radius = OrbitRadius + OrbitSwing * std::cos(RadialAngle);
        const MotionOffset offset = FormulaOffset(Settings.Formula, RoundAngle, RadialAngle, radius);
        x = clampPosition(int64_t { truncPosition(offset.fx) } + DrawWidth / 2);
        y = clampPosition(int64_t { truncPosition(offset.fy) } + DrawHeight / 2);
    }
    if (Settings.Travel) {
        x = truncPosition(std::sin(TravelPhase) * TravelAmpX + x);
        y = truncPosition(std::cos(TravelPhase) * TravelAmpY + y);
    }
    if (Settings.Filter)
        y = clampPosition(int64_t { DrawHeight } - y); // the filtered frame is shown bottom-up

    DrawSprite(sprite, x, y, n, runs);
    const int32_t mirroredX = clampPosition(int64_t { DrawWidth } - x);
    const int32_t mirroredY = clampPosition(int64_t { DrawHeight } - y);
    switch (Settings.Mirror) {
    case kMirrorHorizontal:
        DrawSprite(sprite, mirroredX, y, n, runs);
        break;
    case kMirrorVertical:
        DrawSprite(sprite, x, mirroredY, n, runs);
        break;
    case kMirrorDiagonal:
        DrawSprite(sprite, mirroredX, mirroredY, n, runs);
        break;
    default:
        break;
    }
}

void Renderer::RunFrames(int32_t count)
{
    if (Busy || !Panel || Frame.pixels.empty())
        return;
    Busy = 1;
    const LoopGuard guard { m_alive, Panel->Lifetime(), m_generation };
    m_pacer.Restart();
    int64_t n = 0; // sprites drawn in this call
    bool justPumped = false; // the queue was pumped after the last object

    // The count is tested only after a whole round of the seven objects.
    while (n < count) {
        if (automaticChange()) {
            Busy = 0;
            return;
        }
        bool drewAny = false;
        for (int32_t row = 0; row < kObjectCount; ++row) {
            if (Self != this || Aborting) {
                Busy = 0;
                return;
            }
            if (!CurrentPreset.ObjectEnabled[static_cast<size_t>(row)]
                || !CurrentPreset.Objects.Stacks[static_cast<size_t>(row)][0]) {
                if (!pump(guard))
                    return;
                justPumped = true;
                continue;
            }
            if (!waitForSpriteSlot(guard, justPumped))
                return;
            justPumped = false;
            if (GifCaptureActive && GifCaptureTick) {
                // The capture tick lets the GUI process its events too.
                GifCaptureTick();
                if (!*guard.rendererAlive || !stillRunning(guard))
                    return;
            }
            drawObject(row, n);
            if (!pump(guard))
                return;
            justPumped = true;
            ++n;
            drewAny = true;
        }
        // With every object switched off, rest between rounds instead of spinning.
        if (!drewAny && !waitForSpriteSlot(guard, justPumped))
            return;
    }
    Busy = 0;
}
