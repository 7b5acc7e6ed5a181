#include "editor/shape_editor.h"

#include "presets/run_record.h"
#include "presets/settings.h"
#include "shapes/colors.h"
#include "shapes/palettes.h"

#include <algorithm>
#include <cmath>

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

LightDirection lightFromPanelPoint(int32_t x, int32_t y, int32_t panelWidth)
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

PanelPoint panelPointOfLight(float lightX, float lightY, int32_t panelWidth)
{
    const int32_t h = panelWidth / 2;
    const auto along = [h](float component) {
        const double place = static_cast<double>(h) - static_cast<double>(component) * h;
        // A light far outside the disc (an edited preset file) still gives a point near it.
        return static_cast<int32_t>(std::lround(std::clamp(place, -1.0e6, 1.0e6)));
    };
    if (std::isnan(lightX) || std::isnan(lightY))
        return { h, h };
    return { along(lightX), along(lightY) };
}

std::string lightPlaceText(float lightX, float lightY)
{
    const auto percent = [](float component) {
        return std::isnan(component) ? 0 : static_cast<int32_t>(std::lround(std::clamp(component * 100.0f, -1.0e6f, 1.0e6f)));
    };
    const int32_t across = percent(lightX); // positive: left of the centre
    const int32_t down = percent(lightY); // positive: above it
    if (across == 0 && down == 0)
        return "centre";
    std::string text;
    if (across != 0)
        text = std::to_string(std::abs(across)) + (across > 0 ? "% left" : "% right");
    if (down != 0)
        text += (text.empty() ? "" : ", ") + std::to_string(std::abs(down)) + (down > 0 ? "% up" : "% down");
    return text;
}

int32_t hundredthsOf(float field)
{
    if (std::isnan(field))
        return 0;
    // Clamped first, so an infinite or huge field still gives a number the caller can bound.
    const double scaled = std::clamp(static_cast<double>(field) * 100.0, -1.0e6, 1.0e6);
    return static_cast<int32_t>(std::lround(scaled));
}

float fieldOfHundredths(int32_t value) { return static_cast<float>(value / 100.0); }

ShapeEditor::ShapeEditor(RunRecord& record, EditorView* view)
    : m_preset(record.preset)
    , m_options(record.options)
    , m_view(view)
{
    for (int32_t p = 1; p <= kSliderCount; ++p)
        m_sliders[static_cast<size_t>(p - 1)] = rangeOf(p).minimum;

    Shape& sphere = lightPreview.shapes[0];
    sphere.type = kSphereType;
    sphere.color = makeColorref(0, 200, 200);
    sphere.lColor = makeColorref(255, 255, 255);
    sphere.ambient = 0.34f;
    sphere.mirror = 0.99f;
    sphere.intensity = 0.5f;
    sphere.phong = 7;
    sphere.width = 100;
    sphere.height = 100;
    sphere.lightX = 1.0f;
    sphere.lightY = 1.0f;
    sphere.lightZ = -1.0f;
    lightPreview.shapeCount = 1;
    lightPreview.masterSize = 100;
    lightPreview.reducedDirty = true;
    lightPreview.fullDirty = true;
}

ShapeStack* ShapeEditor::stackOf(int32_t object) const
{
    if (object < 0 || object >= kObjectCount)
        return nullptr;
    return m_preset.objects.stacks[static_cast<size_t>(object)][0].get();
}

ShapeStack* ShapeEditor::selectedStack() const { return stackOf(currentObject); }

Shape* ShapeEditor::selectedShape() const
{
    ShapeStack* stack = selectedStack();
    if (!stack || currentShape < 0 || currentShape >= shapesInUse(*stack))
        return nullptr;
    return &stack->shapes[static_cast<size_t>(currentShape)];
}

int32_t ShapeEditor::sliderValue(int32_t parameter) const
{
    return isSliderParameter(parameter) ? m_sliders[static_cast<size_t>(parameter - 1)] : 0;
}

void ShapeEditor::markChanged(int32_t object)
{
    if (ShapeStack* stack = stackOf(object)) {
        stack->reducedDirty = true;
        stack->fullDirty = true;
    }
}

void ShapeEditor::edited(const std::string& mergeKey)
{
    if (m_view)
        m_view->presetEdited(mergeKey);
}

// ---- Selection ------------------------------------------------------------------------

void ShapeEditor::selectObject(int32_t object)
{
    if (!stackOf(object))
        return;
    m_suppressApply = true;
    currentObject = object;
    if (m_view)
        m_view->showSelectedObject(object);
    selectShape(0);
    m_suppressApply = false;
}

void ShapeEditor::selectShape(int32_t shape)
{
    if (m_view)
        m_view->showSelectedShape(shape);
    currentShape = shape;
    fitShapeToControls();
}

void ShapeEditor::browserPressed(int32_t y, int32_t cellSide)
{
    const ShapeStack* stack = selectedStack();
    if (!stack || cellSide <= 0)
        return;
    const int32_t count = std::max(shapesInUse(*stack), 1);
    const int32_t empty = (kMaxShapes - count) * cellSide;
    if (y >= empty)
        currentShape = std::min((y - empty) / cellSide, count - 1);
    selectShape(currentShape);
}

void ShapeEditor::selectAdjacentShape(int32_t delta)
{
    const ShapeStack* stack = selectedStack();
    if (!stack)
        return;
    const int32_t count = std::max(shapesInUse(*stack), 1);
    const int32_t shape = std::clamp(currentShape + delta, 0, count - 1);
    if (shape != currentShape)
        selectShape(shape);
}

void ShapeEditor::fitShapeToControls()
{
    ShapeStack* stack = selectedStack();
    Shape* shape = selectedShape();
    if (!stack || !shape)
        return;
    for (int32_t p = 1; p <= kSliderCount; ++p) {
        const SliderRange& range = rangeOf(p);
        int32_t value = 0;
        bool exact = true; // the field is what the slider will show
        switch (p) {
        case kGroupMasterSize:
            value = stack->masterSize;
            break;
        case kGroupWidth:
            value = shape->width;
            break;
        case kGroupHeight:
            value = shape->height;
            break;
        case kGroupPhong:
            value = shape->phong;
            break;
        case kGroupMirror:
        case kGroupAmbient: {
            const float field = p == kGroupMirror ? shape->mirror : shape->ambient;
            value = hundredthsOf(field);
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
                m_view->showSlider(p, shown);
        }
        if (shown != value || !exact)
            writeSlider(p, shown);
    }
    setLightPreview(shape->lightX, shape->lightY, shape->lightZ);
}

// ---- Parameters -------------------------------------------------------------------------

void ShapeEditor::writeSlider(int32_t parameter, int32_t value)
{
    ShapeStack* stack = selectedStack();
    Shape* shape = selectedShape();
    if (!stack || !shape)
        return;
    switch (parameter) {
    case kGroupMasterSize:
        stack->masterSize = value;
        break;
    case kGroupWidth:
        shape->width = value;
        break;
    case kGroupHeight:
        shape->height = value;
        break;
    case kGroupPhong:
        shape->phong = value;
        break;
    case kGroupMirror:
        shape->mirror = fieldOfHundredths(value);
        break;
    case kGroupAmbient:
        shape->ambient = fieldOfHundredths(value);
        break;
    default:
        return;
    }
    markChanged(currentObject);
}

void ShapeEditor::sliderChanged(int32_t parameter, int32_t value)
{
    if (!isSliderParameter(parameter))
        return;
    const SliderRange& range = rangeOf(parameter);
    value = std::clamp(value, range.minimum, range.maximum);
    m_sliders[static_cast<size_t>(parameter - 1)] = value;
    if (!selectedShape())
        return;
    writeSlider(parameter, value);
    applyParameter(parameter, ApplyHow::Automatic);
    edited("slider " + std::to_string(parameter));
}

void ShapeEditor::applyParameter(int32_t parameter, ApplyHow how)
{
    if (m_suppressApply)
        return;
    ShapeStack* from = selectedStack();
    if (!from || !selectedShape() || parameter < 1 || parameter > kParameterGroupCount)
        return;
    if (how == ApplyHow::Automatic) {
        switch (m_options.applyModes[static_cast<size_t>(parameter - 1)]) {
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
            if (how == ApplyHow::SelectedObject && object != currentObject)
                continue;
            ShapeStack* to = stackOf(object);
            if (!to)
                continue;
            if (parameter == kGroupMasterSize) {
                copyParameterGroup(parameter, *from, currentShape, *to, 0);
            } else {
                const int32_t count = shapesInUse(*to);
                for (int32_t shape = 0; shape < count; ++shape)
                    if (to != from || shape != currentShape)
                        copyParameterGroup(parameter, *from, currentShape, *to, shape);
            }
            markChanged(object);
            if (m_view && object != currentObject)
                m_view->repaintThumbnail(object);
        }
    }
    markChanged(currentObject);
    if (m_view) {
        m_view->repaintBrowser();
        m_view->repaintThumbnail(currentObject);
    }
}

void ShapeEditor::applyToCurrentObject()
{
    applyParameter(applyParam, ApplyHow::SelectedObject);
    edited();
}

void ShapeEditor::applyToAllObjects()
{
    applyParameter(applyParam, ApplyHow::Global);
    edited();
}

void ShapeEditor::parameterRightClicked(int32_t parameter) { applyParam = parameter; }

// ---- Light-angle panel --------------------------------------------------------------------

void ShapeEditor::setLightPreview(float x, float y, float z)
{
    Shape& sphere = lightPreview.shapes[0];
    sphere.lightX = x;
    sphere.lightY = y;
    sphere.lightZ = z;
    lightPreview.reducedDirty = true;
    lightPreview.fullDirty = true;
    if (m_view)
        m_view->repaintLightPreview();
}

void ShapeEditor::lightPressed(bool leftButton)
{
    if (leftButton)
        lightDragging = true;
}

void ShapeEditor::lightDragged(int32_t x, int32_t y, int32_t panelWidth)
{
    if (lightDragging)
        pointLight(x, y, panelWidth);
}

void ShapeEditor::lightStepped(int32_t dx, int32_t dy, int32_t panelWidth)
{
    const Shape* shape = selectedShape();
    if (!shape || panelWidth <= 0)
        return;
    const PanelPoint at = panelPointOfLight(shape->lightX, shape->lightY, panelWidth);
    const int32_t last = panelWidth - 1;
    pointLight(std::clamp(at.x + dx, 0, last), std::clamp(at.y + dy, 0, last), panelWidth);
}

void ShapeEditor::pointLight(int32_t x, int32_t y, int32_t panelWidth)
{
    Shape* shape = selectedShape();
    if (!shape)
        return;
    const LightDirection light = lightFromPanelPoint(x, y, panelWidth);
    setLightPreview(light.x, light.y, light.z);
    shape->lightX = light.x;
    shape->lightY = light.y;
    shape->lightZ = light.z;
    markChanged(currentObject);
    applyParameter(kGroupLightAngle, ApplyHow::Automatic);
    edited("light");
}

bool ShapeEditor::lightReleased(bool leftButton)
{
    if (leftButton) {
        lightDragging = false;
        return false;
    }
    applyParam = kGroupLightAngle;
    return true;
}

// ---- Shape buttons ------------------------------------------------------------------------

void ShapeEditor::setShapeColor(uint32_t colorref)
{
    Shape* shape = selectedShape();
    if (!shape)
        return;
    shape->color = colorref & 0x00FFFFFFu;
    markChanged(currentObject);
    if (m_view) {
        m_view->repaintThumbnail(currentObject);
        m_view->repaintBrowser();
    }
    edited();
}

void ShapeEditor::toggleShapeType()
{
    Shape* shape = selectedShape();
    if (!shape)
        return;
    shape->type = shape->type == kTorusType ? kSphereType : kTorusType;
    markChanged(currentObject);
    applyParameter(kGroupShapeType, ApplyHow::Automatic);
    edited();
}

void ShapeEditor::cloneShape()
{
    ShapeStack* stack = selectedStack();
    if (!stack || !cloneLastShape(*stack))
        return;
    markChanged(currentObject);
    if (m_view) {
        m_view->repaintBrowser();
        m_view->repaintThumbnail(currentObject);
    }
    edited();
}

void ShapeEditor::removeSelectedShape()
{
    ShapeStack* stack = selectedStack();
    if (!stack || !selectedShape() || !removeShape(*stack, currentShape))
        return;
    markChanged(currentObject);
    if (m_view)
        m_view->repaintThumbnail(currentObject);
    // The selection now names another shape, so the sliders are loaded from it: left as
    // they were they would show the removed shape's values.
    selectShape(currentShape > 0 ? currentShape - 1 : 0);
    edited();
}

void ShapeEditor::moveSelectedShapeUp()
{
    ShapeStack* stack = selectedStack();
    if (!stack || !selectedShape() || !moveShapeUp(*stack, currentShape))
        return;
    markChanged(currentObject);
    --currentShape;
    if (m_view) {
        m_view->showSelectedShape(currentShape);
        m_view->repaintBrowser();
        m_view->repaintThumbnail(currentObject);
    }
    edited();
}

void ShapeEditor::moveSelectedShapeDown()
{
    ShapeStack* stack = selectedStack();
    if (!stack || !selectedShape() || !moveShapeDown(*stack, currentShape))
        return;
    markChanged(currentObject);
    ++currentShape;
    if (m_view) {
        m_view->showSelectedShape(currentShape);
        m_view->repaintBrowser();
        m_view->repaintThumbnail(currentObject);
    }
    edited();
}

// ---- Speeds -------------------------------------------------------------------------------

void ShapeEditor::roundDown()
{
    m_preset.roundSpeed -= kSpeedButtonSteps * m_options.roundSpeedStep;
    edited();
}
void ShapeEditor::roundUp()
{
    m_preset.roundSpeed += kSpeedButtonSteps * m_options.roundSpeedStep;
    edited();
}
void ShapeEditor::radialDown()
{
    m_preset.radialSpeed -= kSpeedButtonSteps * m_options.radialSpeedStep;
    edited();
}
void ShapeEditor::radialUp()
{
    m_preset.radialSpeed += kSpeedButtonSteps * m_options.radialSpeedStep;
    edited();
}

void ShapeEditor::roundKnobPressed(int32_t x)
{
    roundDragging = true;
    roundLastX = x;
}

void ShapeEditor::roundKnobMoved(int32_t x)
{
    if (!roundDragging)
        return;
    m_preset.roundSpeed += (roundLastX - x) * m_options.roundSpeedStep;
    roundLastX = x;
    edited("round knob");
}

void ShapeEditor::roundKnobReleased() { roundDragging = false; }

void ShapeEditor::radialKnobPressed(int32_t x)
{
    radialDragging = true;
    radialLastX = x;
}

void ShapeEditor::radialKnobMoved(int32_t x)
{
    if (!radialDragging)
        return;
    m_preset.radialSpeed += (radialLastX - x) * m_options.radialSpeedStep;
    radialLastX = x;
    edited("radial knob");
}

void ShapeEditor::radialKnobReleased() { radialDragging = false; }

// ---- Objects ------------------------------------------------------------------------------

void ShapeEditor::setObjectSwitches(const std::array<bool, kObjectCount>& on)
{
    for (size_t i = 0; i < on.size(); ++i)
        m_preset.objectEnabled[i] = on[i] ? 1 : 0;
    edited();
}

void ShapeEditor::applyPathColors(const std::array<uint32_t, kObjectCount>& colors)
{
    for (int32_t object = 0; object < kObjectCount; ++object) {
        ShapeStack* stack = stackOf(object);
        if (!stack)
            continue;
        const int32_t count = shapesInUse(*stack);
        for (int32_t shape = 0; shape < count; ++shape)
            stack->shapes[static_cast<size_t>(shape)].color = colors[static_cast<size_t>(object)];
        markChanged(object);
        if (m_view)
            m_view->repaintThumbnail(object);
    }
    if (m_view)
        m_view->repaintBrowser();
    edited("palette path");
}

// ---- Quick tweaks -------------------------------------------------------------------------

void ShapeEditor::nextFormula()
{
    const int32_t next = m_options.formula + 1;
    m_options.formula = next >= kFormulaCount || next < 0 ? 0 : next;
    if (m_view)
        m_view->clearLiveView();
    edited();
}

void ShapeEditor::classicFormula()
{
    m_options.formula = 0;
    if (m_view)
        m_view->clearLiveView();
    edited();
}

void ShapeEditor::nextMirror()
{
    const int32_t next = m_options.mirror + 1;
    m_options.mirror = next >= kMirrorCount || next < 0 ? 0 : next;
    edited();
}

void ShapeEditor::noMirror()
{
    m_options.mirror = 0;
    edited();
}

void ShapeEditor::paletteChanged() { edited(); }

std::string formulaCaption(const SettingsRecord& options) { return "Formula: " + std::to_string(options.formula); }

std::string mirrorCaption(const SettingsRecord& options)
{
    const int32_t mirror = options.mirror;
    if (mirror < 0 || mirror >= kMirrorCount)
        return "Mirror: " + std::to_string(mirror);
    return std::string("Mirror: ") + MirrorNames[static_cast<size_t>(mirror)];
}

std::string paletteCaption(const PaletteChoice& palette) { return "Palette: " + std::to_string(palette.index()); }

// ---- "Automatic applying" dialog ----------------------------------------------------------

int32_t applyStrategyLine(const SettingsRecord& options, int32_t parameterLine)
{
    if (parameterLine < 0 || parameterLine >= kApplyModeCount)
        return -1;
    return options.applyModes[static_cast<size_t>(parameterLine)];
}

void storeApplyStrategy(SettingsRecord& options, int32_t parameterLine, int32_t strategyLine)
{
    if (parameterLine < 0 || parameterLine >= kApplyModeCount || strategyLine < kApplyGlobal
        || strategyLine > kApplySelectedShape)
        return;
    options.applyModes[static_cast<size_t>(parameterLine)] = strategyLine;
}
