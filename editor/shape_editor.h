#pragma once

#include "shapes/shape_stack.h"

#include <array>
#include <cstdint>
#include <string>

struct Preset;
struct RunRecord;
struct SettingsRecord;
class PaletteChoice;

// The editor's rules for changing the scene of a preset, without any window: which object
// and shape are selected, what the sliders show, how a change spreads to other shapes
// (the "Automatic applying" strategies of the options' applyModes), the light-angle disc, the
// speed controls, the object switches, the colours from the palette path, the stack
// edits and the quick tweaks. The editor window forwards its controls' events here and
// shows what the view interface below is told.

// Parameter numbers are the groups of shapes/shape_stack.h (1 Master Size ... 8 Shape
// Type); the first six have a slider.
constexpr int32_t kSliderCount = 6;

// The range of each slider, for parameters 1 to 6 (index parameter - 1).
struct SliderRange {
    int32_t minimum = 0;
    int32_t maximum = 0;
};
extern const std::array<SliderRange, kSliderCount> SliderRanges;

// How far applyParameter spreads a parameter: to all objects, to the selected object, or
// as the options' applyModes say for that parameter.
enum class ApplyHow { Global, SelectedObject, Automatic };

// What the editor's window shows of the editor's state. Every call has a default that does
// nothing, so a test overrides only what it watches.
class EditorView {
public:
    virtual ~EditorView() = default;
    // The selected object changed: highlight its thumbnail, bind the browser to its stack.
    virtual void showSelectedObject(int32_t /*object*/) { }
    // The browser's selected cell changed (-1 for none).
    virtual void showSelectedShape(int32_t /*shape*/) { }
    // A slider (parameter 1 to 6) must show this value; the window sets it without
    // reporting a change back.
    virtual void showSlider(int32_t /*parameter*/, int32_t /*value*/) { }
    virtual void repaintThumbnail(int32_t /*object*/) { }
    virtual void repaintBrowser() { }
    // The light-angle preview stack changed.
    virtual void repaintLightPreview() { }
    // The live view must start a fresh picture (the renderer's clear()).
    virtual void clearLiveView() { }
    // The preset was edited. Edits with the same non-empty key in a row (one slider, one
    // drag of the light or a speed knob, one stroke of the palette path) are one step of
    // the undo history.
    virtual void presetEdited(const std::string& /*mergeKey*/) { }
};

// The light direction for a point (x, y) of the light-angle panel of the given width: the
// panel is a disc of radius h = width div 2 (the width serves both axes), x and y go from
// 1 at the left and top edge through 0 at the centre, in single precision, and z points
// into the picture inside the disc (-sqrt(1 - d)) and is 0 on and outside its edge.
struct LightDirection {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
LightDirection lightFromPanelPoint(int32_t x, int32_t y, int32_t panelWidth);
// The point of that panel whose light is nearest the given x and y: the inverse of
// lightFromPanelPoint, rounded to whole pixels.
struct PanelPoint {
    int32_t x = 0;
    int32_t y = 0;
};
PanelPoint panelPointOfLight(float lightX, float lightY, int32_t panelWidth);
// What a screen reader says of a light direction: where its point lies from the disc's
// centre, in whole percent of the radius ("30% left, 45% up"; "centre" at the centre).
std::string lightPlaceText(float lightX, float lightY);

// The slider value that shows a Mirror or Ambient field (0 to 100), and the field that a
// slider value writes. Values are loaded by rounding to the nearest whole hundredth, so a
// field that is one (0.29 is not exact in binary) shows and writes back as itself.
int32_t hundredthsOf(float field);
float fieldOfHundredths(int32_t value);

class ShapeEditor {
public:
    // Edits the run's preset under the run's options (the record must outlive the editor),
    // reporting to view (may be null).
    explicit ShapeEditor(RunRecord& record, EditorView* view = nullptr);

    // ---- Selection ----------------------------------------------------------------
    // Selects object n (0 to 6) and its shape 0; nothing spreads meanwhile. Other values
    // are ignored.
    void selectObject(int32_t object);
    // Selects shape k of the selected object and loads the sliders from it.
    void selectShape(int32_t shape);
    // Puts the selected shape's values into the sliders and the light preview. A field
    // outside its slider's range, or a Mirror or Ambient that is no whole hundredth, is
    // written back as the slider shows it; any other field stays exactly as it is.
    void fitShapeToControls();
    // A press at row y of the shape-stack browser, cells of side cellSide from the top, the
    // used ones at the bottom: selects the shape under it; a press in the empty upper part
    // keeps the current shape.
    void browserPressed(int32_t y, int32_t cellSide);
    // The arrow keys in the browser: the shape delta cells below (negative: above) the
    // selected one, kept within the shapes in use.
    void selectAdjacentShape(int32_t delta);

    // ---- Parameters ----------------------------------------------------------------
    // A slider (parameter 1 to 6) moved to value: it is written into the selected shape
    // (or its stack's masterSize) and spread as applyModes says.
    void sliderChanged(int32_t parameter, int32_t value);
    // Copies parameter p of the selected shape to the shapes that how names.
    void applyParameter(int32_t parameter, ApplyHow how);
    // The apply menu for the parameter last right-clicked (applyParam).
    void applyToCurrentObject();
    void applyToAllObjects();
    // A release of a button other than the left on a parameter's control: remembers it as
    // applyParam. The window then opens the apply menu.
    void parameterRightClicked(int32_t parameter);

    // ---- Light-angle panel -----------------------------------------------------------
    void lightPressed(bool leftButton);
    void lightDragged(int32_t x, int32_t y, int32_t panelWidth);
    // True when the apply menu must open (a release of any button but the left).
    bool lightReleased(bool leftButton);
    // The arrow keys on the panel: moves the selected shape's light point by (dx, dy) pixels,
    // kept on the panel, as a drag to the new point would.
    void lightStepped(int32_t dx, int32_t dy, int32_t panelWidth);

    // ---- Shape buttons -----------------------------------------------------------------
    // The colour dialog's result (COLORREF) for the selected shape; spreads nowhere.
    void setShapeColor(uint32_t colorref);
    // A torus becomes a sphere, anything else a torus; spread as applyModes says.
    void toggleShapeType();
    void cloneShape();
    void removeSelectedShape();
    void moveSelectedShapeUp();
    void moveSelectedShapeDown();

    // ---- Speeds --------------------------------------------------------------------
    // "<" and ">" change the speed by 39 steps; the knob by one step per pixel dragged,
    // moving left speeding up. Speeds are not limited.
    void roundDown();
    void roundUp();
    void radialDown();
    void radialUp();
    void roundKnobPressed(int32_t x);
    void roundKnobMoved(int32_t x);
    void roundKnobReleased();
    void radialKnobPressed(int32_t x);
    void radialKnobMoved(int32_t x);
    void radialKnobReleased();

    // ---- Objects -------------------------------------------------------------------
    // The seven switches' states after a click on any of them.
    void setObjectSwitches(const std::array<bool, kObjectCount>& on);
    // Colours picked on the palette path: every shape of object i gets colors[i].
    void applyPathColors(const std::array<uint32_t, kObjectCount>& colors);

    // ---- Quick tweaks --------------------------------------------------------------
    // Formula + 1, 20 wrapping to 0, and a fresh picture; "(-)" sets formula 0.
    void nextFormula();
    void classicFormula();
    // Mirror 0, 1, 2, 3, 0, ...; "(-)" sets no mirror.
    void nextMirror();
    void noMirror();
    // The palette path stepped or reset its palette (the path keeps the index): an edit of
    // its own for the undo history.
    void paletteChanged();

    // The selected stack and shape, or null while there is none.
    ShapeStack* selectedStack() const;
    Shape* selectedShape() const;
    // The value a slider shows (parameter 1 to 6).
    int32_t sliderValue(int32_t parameter) const;

    // The light-angle panel's own sphere, not part of any preset.
    ShapeStack lightPreview;

    int32_t currentObject = -1;
    int32_t currentShape = -1;
    int32_t applyParam = 0;
    bool lightDragging = false;
    bool roundDragging = false;
    bool radialDragging = false;
    int32_t roundLastX = 0;
    int32_t radialLastX = 0;

private:
    ShapeStack* stackOf(int32_t object) const;
    void markChanged(int32_t object);
    void edited(const std::string& mergeKey = {});
    // Writes a slider value into the selected shape (or stack), no spreading.
    void writeSlider(int32_t parameter, int32_t value);
    void setLightPreview(float x, float y, float z);
    // Points the selected shape's light at (x, y) of the panel and spreads it.
    void pointLight(int32_t x, int32_t y, int32_t panelWidth);

    Preset& m_preset;
    SettingsRecord& m_options;
    EditorView* m_view = nullptr;
    // True only while an object is being selected: control changes then spread nowhere.
    bool m_suppressApply = false;
    std::array<int32_t, kSliderCount> m_sliders {};
};

// Captions of the quick-tweak buttons.
std::string formulaCaption(const SettingsRecord& options);
std::string mirrorCaption(const SettingsRecord& options);
std::string paletteCaption(const PaletteChoice& palette);

// The "Automatic applying" dialog: the strategy line to select for parameter line i (0 to
// 7) of the parameter list, and storing strategy line j for it. Lines outside give -1 and
// store nothing.
int32_t applyStrategyLine(const SettingsRecord& options, int32_t parameterLine);
void storeApplyStrategy(SettingsRecord& options, int32_t parameterLine, int32_t strategyLine);
