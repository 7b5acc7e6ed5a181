#include "editor/shape_editor.h"

#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/colors.h"
#include "shapes/palettes.h"

#include <algorithm>
#include <cmath>

bool SuppressApply = false;

const std::array<SliderRange, kSliderCount> SliderRanges { {
    { 20, 100 }, // Master size
    { 20, 100 }, // Shape width
    { 20, 100 }, // Shape height
    { 1, 20 }, // Phong power
    { 0, 100 }, // Mirror light
    { 0, 100 }, // Ambient light
} };

namespace {

// The "<" and ">" speed buttons move by this many knob steps.
constexpr int32_t kSpeedButtonSteps = 39;
// A Mirror or Ambient within this many slider units of a whole hundredth counts as one:
// several units in the last place of a float, far below anything a slider can set.
constexpr double kHundredthTolerance = 1e-4;

bool isSliderParameter(int32_t parameter) { return parameter >= 1 && parameter <= kSliderCount; }

const SliderRange& rangeOf(int32_t parameter) { return SliderRanges[static_cast<size_t>(parameter - 1)]; }

} // namespace

LightDirection LightFromPanelPoint(int32_t x, int32_t y, int32_t panelWidth)
{
    const int32_t h = panelWidth / 2;
    if (h <= 0)
        return { 0.0f, 0.0f, 0.0f };
    LightDirection light;
    light.x = -static_cast<float>(x - h) / static_cast<float>(h);
    light.y = -static_cast<float>(y - h) / static_cast<float>(h);
    const float d = light.x * light.x + light.y * light.y;
    light.z = d < 1.0f ? -std::sqrt(1.0f - d) : 0.0f;
    return light;
}

int32_t HundredthsOf(float field)
{
    if (std::isnan(field))
        return 0;
    // Clamped first, so an infinite or huge field still gives a number the caller can bound.
    const double scaled = std::clamp(static_cast<double>(field) * 100.0, -1.0e6, 1.0e6);
    return static_cast<int32_t>(std::lround(scaled));
}

float FieldOfHundredths(int32_t value) { return static_cast<float>(value / 100.0); }

ShapeEditor::ShapeEditor(Preset& preset, EditorView* view)
    : m_preset(preset)
    , m_view(view)
{
    for (int32_t p = 1; p <= kSliderCount; ++p)
        m_sliders[static_cast<size_t>(p - 1)] = rangeOf(p).minimum;

    Shape& sphere = LightPreview.Shapes[0];
    sphere.Type = kSphereType;
    sphere.Color = MakeColorref(0, 200, 200);
    sphere.LColor = MakeColorref(255, 255, 255);
    sphere.Ambient = 0.34f;
    sphere.Mirror = 0.99f;
    sphere.Intensity = 0.5f;
    sphere.Phong = 7;
    sphere.Width = 100;
    sphere.Height = 100;
    sphere.LightX = 1.0f;
    sphere.LightY = 1.0f;
    sphere.LightZ = -1.0f;
    LightPreview.ShapeCount = 1;
    LightPreview.MasterSize = 100;
    LightPreview.ReducedDirty = 1;
    LightPreview.FullDirty = 1;
}

ShapeStack* ShapeEditor::stackOf(int32_t object) const
{
    if (object < 0 || object >= kObjectCount)
        return nullptr;
    return m_preset.Objects.Stacks[static_cast<size_t>(object)][0].get();
}

ShapeStack* ShapeEditor::SelectedStack() const { return stackOf(CurrentObject); }

Shape* ShapeEditor::SelectedShape() const
{
    ShapeStack* stack = SelectedStack();
    if (!stack || CurrentShape < 0 || CurrentShape >= ShapesInUse(*stack))
        return nullptr;
    return &stack->Shapes[static_cast<size_t>(CurrentShape)];
}

int32_t ShapeEditor::SliderValue(int32_t parameter) const
{
    return isSliderParameter(parameter) ? m_sliders[static_cast<size_t>(parameter - 1)] : 0;
}

void ShapeEditor::markChanged(int32_t object)
{
    if (ShapeStack* stack = stackOf(object)) {
        stack->ReducedDirty = 1;
        stack->FullDirty = 1;
    }
}

// ---- Selection ------------------------------------------------------------------------

void ShapeEditor::SelectObject(int32_t object)
{
    if (!stackOf(object))
        return;
    SuppressApply = true;
    CurrentObject = object;
    if (m_view)
        m_view->ShowSelectedObject(object);
    SelectShape(0);
    SuppressApply = false;
}

void ShapeEditor::SelectShape(int32_t shape)
{
    if (m_view)
        m_view->ShowSelectedShape(shape);
    CurrentShape = shape;
    LoadControls();
}

void ShapeEditor::BrowserPressed(int32_t y, int32_t cellSide)
{
    const ShapeStack* stack = SelectedStack();
    if (!stack || cellSide <= 0)
        return;
    const int32_t count = std::max(ShapesInUse(*stack), 1);
    const int32_t empty = (kMaxShapes - count) * cellSide;
    if (y >= empty)
        CurrentShape = std::min((y - empty) / cellSide, count - 1);
    SelectShape(CurrentShape);
}

void ShapeEditor::LoadControls()
{
    ShapeStack* stack = SelectedStack();
    Shape* shape = SelectedShape();
    if (!stack || !shape)
        return;
    for (int32_t p = 1; p <= kSliderCount; ++p) {
        const SliderRange& range = rangeOf(p);
        int32_t value = 0;
        bool exact = true; // the field is what the slider will show
        switch (p) {
        case kGroupMasterSize:
            value = stack->MasterSize;
            break;
        case kGroupWidth:
            value = shape->Width;
            break;
        case kGroupHeight:
            value = shape->Height;
            break;
        case kGroupPhong:
            value = shape->Phong;
            break;
        case kGroupMirror:
        case kGroupAmbient: {
            const float field = p == kGroupMirror ? shape->Mirror : shape->Ambient;
            value = HundredthsOf(field);
            exact = std::abs(static_cast<double>(field) * 100.0 - value) < kHundredthTolerance;
            break;
        }
        default:
            break;
        }
        const int32_t shown = std::clamp(value, range.minimum, range.maximum);
        if (shown != m_sliders[static_cast<size_t>(p - 1)]) {
            m_sliders[static_cast<size_t>(p - 1)] = shown;
            if (m_view)
                m_view->ShowSlider(p, shown);
        }
        if (shown != value || !exact)
            writeSlider(p, shown);
    }
    setLightPreview(shape->LightX, shape->LightY, shape->LightZ);
}

// ---- Parameters -------------------------------------------------------------------------

void ShapeEditor::writeSlider(int32_t parameter, int32_t value)
{
    ShapeStack* stack = SelectedStack();
    Shape* shape = SelectedShape();
    if (!stack || !shape)
        return;
    switch (parameter) {
    case kGroupMasterSize:
        stack->MasterSize = value;
        break;
    case kGroupWidth:
        shape->Width = value;
        break;
    case kGroupHeight:
        shape->Height = value;
        break;
    case kGroupPhong:
        shape->Phong = value;
        break;
    case kGroupMirror:
        shape->Mirror = FieldOfHundredths(value);
        break;
    case kGroupAmbient:
        shape->Ambient = FieldOfHundredths(value);
        break;
    default:
        return;
    }
    markChanged(CurrentObject);
}

void ShapeEditor::SliderChanged(int32_t parameter, int32_t value)
{
    if (!isSliderParameter(parameter))
        return;
    const SliderRange& range = rangeOf(parameter);
    value = std::clamp(value, range.minimum, range.maximum);
    m_sliders[static_cast<size_t>(parameter - 1)] = value;
    if (!SelectedShape())
        return;
    writeSlider(parameter, value);
    ApplyParameter(parameter, ApplyHow::Automatic);
}

void ShapeEditor::ApplyParameter(int32_t parameter, ApplyHow how)
{
    if (SuppressApply)
        return;
    ShapeStack* from = SelectedStack();
    if (!from || !SelectedShape() || parameter < 1 || parameter > kParameterGroupCount)
        return;
    if (how == ApplyHow::Automatic) {
        switch (Settings.ApplyModes[static_cast<size_t>(parameter - 1)]) {
        case kApplyGlobal:
            how = ApplyHow::Global;
            break;
        case kApplySelectedObject:
            how = ApplyHow::SelectedObject;
            break;
        default:
            break; // the selected shape alone, which already has the value
        }
    }
    if (how != ApplyHow::Automatic) {
        for (int32_t object = 0; object < kObjectCount; ++object) {
            if (how == ApplyHow::SelectedObject && object != CurrentObject)
                continue;
            ShapeStack* to = stackOf(object);
            if (!to)
                continue;
            if (parameter == kGroupMasterSize) {
                CopyParameterGroup(parameter, *from, CurrentShape, *to, 0);
            } else {
                const int32_t count = ShapesInUse(*to);
                for (int32_t shape = 0; shape < count; ++shape)
                    if (to != from || shape != CurrentShape)
                        CopyParameterGroup(parameter, *from, CurrentShape, *to, shape);
            }
            markChanged(object);
            if (m_view && object != CurrentObject)
                m_view->RepaintThumbnail(object);
        }
    }
    markChanged(CurrentObject);
    if (m_view) {
        m_view->RepaintBrowser();
        m_view->RepaintThumbnail(CurrentObject);
    }
}

void ShapeEditor::ApplyToCurrentObject() { ApplyParameter(ApplyParam, ApplyHow::SelectedObject); }

void ShapeEditor::ApplyToAllObjects() { ApplyParameter(ApplyParam, ApplyHow::Global); }

void ShapeEditor::ParameterRightClicked(int32_t parameter) { ApplyParam = parameter; }

// ---- Light-angle panel --------------------------------------------------------------------

void ShapeEditor::setLightPreview(float x, float y, float z)
{
    Shape& sphere = LightPreview.Shapes[0];
    sphere.LightX = x;
    sphere.LightY = y;
    sphere.LightZ = z;
    LightPreview.ReducedDirty = 1;
    LightPreview.FullDirty = 1;
    if (m_view)
        m_view->RepaintLightPreview();
}

void ShapeEditor::LightPressed(bool leftButton)
{
    if (leftButton)
        LightDragging = true;
}

void ShapeEditor::LightDragged(int32_t x, int32_t y, int32_t panelWidth)
{
    Shape* shape = SelectedShape();
    if (!LightDragging || !shape)
        return;
    const LightDirection light = LightFromPanelPoint(x, y, panelWidth);
    setLightPreview(light.x, light.y, light.z);
    shape->LightX = light.x;
    shape->LightY = light.y;
    shape->LightZ = light.z;
    markChanged(CurrentObject);
    ApplyParameter(kGroupLightAngle, ApplyHow::Automatic);
}

bool ShapeEditor::LightReleased(bool leftButton)
{
    if (leftButton) {
        LightDragging = false;
        return false;
    }
    ApplyParam = kGroupLightAngle;
    return true;
}

// ---- Shape buttons ------------------------------------------------------------------------

void ShapeEditor::SetShapeColor(uint32_t colorref)
{
    Shape* shape = SelectedShape();
    if (!shape)
        return;
    shape->Color = colorref & 0x00FFFFFFu;
    markChanged(CurrentObject);
    if (m_view) {
        m_view->RepaintThumbnail(CurrentObject);
        m_view->RepaintBrowser();
    }
}

void ShapeEditor::ToggleShapeType()
{
    Shape* shape = SelectedShape();
    if (!shape)
        return;
    shape->Type = shape->Type == kTorusType ? kSphereType : kTorusType;
    markChanged(CurrentObject);
    ApplyParameter(kGroupShapeType, ApplyHow::Automatic);
}

void ShapeEditor::CloneShape()
{
    ShapeStack* stack = SelectedStack();
    if (!stack || !CloneLastShape(*stack))
        return;
    markChanged(CurrentObject);
    if (m_view) {
        m_view->RepaintBrowser();
        m_view->RepaintThumbnail(CurrentObject);
    }
}

void ShapeEditor::RemoveSelectedShape()
{
    ShapeStack* stack = SelectedStack();
    if (!stack || !SelectedShape() || !RemoveShape(*stack, CurrentShape))
        return;
    markChanged(CurrentObject);
    if (m_view)
        m_view->RepaintThumbnail(CurrentObject);
    // The selection now names another shape, so the sliders are loaded from it: left as
    // they were they would show the removed shape's values.
    SelectShape(CurrentShape > 0 ? CurrentShape - 1 : 0);
}

void ShapeEditor::MoveSelectedShapeUp()
{
    ShapeStack* stack = SelectedStack();
    if (!stack || !SelectedShape() || !MoveShapeUp(*stack, CurrentShape))
        return;
    markChanged(CurrentObject);
    --CurrentShape;
    if (m_view) {
        m_view->ShowSelectedShape(CurrentShape);
        m_view->RepaintBrowser();
        m_view->RepaintThumbnail(CurrentObject);
    }
}

void ShapeEditor::MoveSelectedShapeDown()
{
    ShapeStack* stack = SelectedStack();
    if (!stack || !SelectedShape() || !MoveShapeDown(*stack, CurrentShape))
        return;
    markChanged(CurrentObject);
    ++CurrentShape;
    if (m_view) {
        m_view->ShowSelectedShape(CurrentShape);
        m_view->RepaintBrowser();
        m_view->RepaintThumbnail(CurrentObject);
    }
}

// ---- Speeds -------------------------------------------------------------------------------

void ShapeEditor::RoundDown() { m_preset.RoundSpeed -= kSpeedButtonSteps * Settings.RoundSpeedStep; }
void ShapeEditor::RoundUp() { m_preset.RoundSpeed += kSpeedButtonSteps * Settings.RoundSpeedStep; }
void ShapeEditor::RadialDown() { m_preset.RadialSpeed -= kSpeedButtonSteps * Settings.RadialSpeedStep; }
void ShapeEditor::RadialUp() { m_preset.RadialSpeed += kSpeedButtonSteps * Settings.RadialSpeedStep; }

void ShapeEditor::RoundKnobPressed(int32_t x)
{
    RoundDragging = true;
    RoundLastX = x;
}

void ShapeEditor::RoundKnobMoved(int32_t x)
{
    if (!RoundDragging)
        return;
    m_preset.RoundSpeed += (RoundLastX - x) * Settings.RoundSpeedStep;
    RoundLastX = x;
}

void ShapeEditor::RoundKnobReleased() { RoundDragging = false; }

void ShapeEditor::RadialKnobPressed(int32_t x)
{
    RadialDragging = true;
    RadialLastX = x;
}

void ShapeEditor::RadialKnobMoved(int32_t x)
{
    if (!RadialDragging)
        return;
    m_preset.RadialSpeed += (RadialLastX - x) * Settings.RadialSpeedStep;
    RadialLastX = x;
}

void ShapeEditor::RadialKnobReleased() { RadialDragging = false; }

// ---- Objects ------------------------------------------------------------------------------

void ShapeEditor::SetObjectSwitches(const std::array<bool, kObjectCount>& on)
{
    for (size_t i = 0; i < on.size(); ++i)
        m_preset.ObjectEnabled[i] = on[i] ? 1 : 0;
}

void ShapeEditor::ApplyPathColors(const std::array<uint32_t, kObjectCount>& colors)
{
    for (int32_t object = 0; object < kObjectCount; ++object) {
        ShapeStack* stack = stackOf(object);
        if (!stack)
            continue;
        const int32_t count = ShapesInUse(*stack);
        for (int32_t shape = 0; shape < count; ++shape)
            stack->Shapes[static_cast<size_t>(shape)].Color = colors[static_cast<size_t>(object)];
        markChanged(object);
        if (m_view)
            m_view->RepaintThumbnail(object);
    }
    if (m_view)
        m_view->RepaintBrowser();
}

// ---- Quick tweaks -------------------------------------------------------------------------

void ShapeEditor::NextFormula()
{
    const int32_t next = Settings.Formula + 1;
    Settings.Formula = next >= kFormulaCount || next < 0 ? 0 : next;
    if (m_view)
        m_view->ClearLiveView();
}

void ShapeEditor::ClassicFormula()
{
    Settings.Formula = 0;
    if (m_view)
        m_view->ClearLiveView();
}

void ShapeEditor::NextMirror()
{
    const int32_t next = Settings.Mirror + 1;
    Settings.Mirror = next >= kMirrorCount || next < 0 ? 0 : next;
}

void ShapeEditor::NoMirror() { Settings.Mirror = 0; }

std::string FormulaCaption() { return "Formula: " + std::to_string(Settings.Formula); }

std::string MirrorCaption()
{
    const int32_t mirror = Settings.Mirror;
    if (mirror < 0 || mirror >= kMirrorCount)
        return "Mirror: " + std::to_string(mirror);
    return std::string("Mirror: ") + MirrorNames[static_cast<size_t>(mirror)];
}

std::string PaletteCaption() { return "Palette: " + std::to_string(GetPaletteIndex()); }

// ---- "Automatic applying" dialog ----------------------------------------------------------

int32_t ApplyStrategyLine(int32_t parameterLine)
{
    if (parameterLine < 0 || parameterLine >= kApplyModeCount)
        return -1;
    return Settings.ApplyModes[static_cast<size_t>(parameterLine)];
}

void StoreApplyStrategy(int32_t parameterLine, int32_t strategyLine)
{
    if (parameterLine < 0 || parameterLine >= kApplyModeCount || strategyLine < kApplyGlobal
        || strategyLine > kApplySelectedShape)
        return;
    Settings.ApplyModes[static_cast<size_t>(parameterLine)] = strategyLine;
}
