#include "editor/shape_editor.h"
#include "presets/run_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

namespace {

// Remembers what the editor asked its window to show.
struct RecordingView final : EditorView {
    void showSelectedObject(int32_t object) override { selectedObject = object; }
    void showSelectedShape(int32_t shape) override { selectedShape = shape; }
    void showSlider(int32_t parameter, int32_t value) override { sliders.push_back({ parameter, value }); }
    void repaintThumbnail(int32_t object) override { thumbnails.push_back(object); }
    void repaintBrowser() override { ++browserRepaints; }
    void repaintLightPreview() override { ++lightRepaints; }
    void clearLiveView() override { ++clears; }

    int32_t selectedObject = -1;
    int32_t selectedShape = -1;
    std::vector<std::pair<int32_t, int32_t>> sliders;
    std::vector<int32_t> thumbnails;
    int browserRepaints = 0;
    int lightRepaints = 0;
    int clears = 0;
};

std::string presetBytes(const Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writePreset(preset, out);
    return out.str();
}

class ShapeEditorTest : public ::testing::Test {
protected:
    ShapeStack& stack(int32_t object) { return *m_preset.objects.stacks[static_cast<size_t>(object)][0]; }
    Shape& shape(int32_t object, int32_t index) { return stack(object).shapes[static_cast<size_t>(index)]; }

    // Gives every object three shapes with distinct widths and Phong powers.
    void threeShapesEverywhere()
    {
        for (int32_t object = 0; object < kObjectCount; ++object) {
            stack(object).shapeCount = 3;
            for (int32_t i = 0; i < 3; ++i) {
                Shape& s = shape(object, i);
                s = shape(object, 0);
                s.width = 30 + 10 * i + object;
                s.height = 40 + i;
                s.phong = 2 + i;
                s.mirror = 0.25f;
            }
        }
    }

    RunRecord m_run;
    Preset& m_preset = m_run.preset;
    SettingsRecord& m_options = m_run.options;
    RecordingView m_view;
};

TEST_F(ShapeEditorTest, LightAngleDiscCentreEdgeAndOutside)
{
    // Centre of an 80-pixel panel: straight into the picture.
    LightDirection centre = lightFromPanelPoint(40, 40, 80);
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, -1.0f);
    // Half way to the left edge: x = 0.5, d = 0.25, z = -sqrt(0.75).
    LightDirection half = lightFromPanelPoint(20, 40, 80);
    EXPECT_EQ(half.x, 0.5f);
    EXPECT_EQ(half.y, 0.0f);
    EXPECT_FLOAT_EQ(half.z, -0.8660254f);
    // The top-left corner is outside the disc, the bottom of the disc on its edge: z = 0.
    LightDirection corner = lightFromPanelPoint(0, 0, 80);
    EXPECT_EQ(corner.x, 1.0f);
    EXPECT_EQ(corner.y, 1.0f);
    EXPECT_EQ(corner.z, 0.0f);
    EXPECT_EQ(lightFromPanelPoint(40, 80, 80).z, 0.0f);
    EXPECT_EQ(lightFromPanelPoint(40, 80, 80).y, -1.0f);
    // The width serves both axes, so the 79 x 77 panel has h = 39 for rows too.
    EXPECT_EQ(lightFromPanelPoint(39, 39, 79).z, -1.0f);
    // A panel too narrow to have a centre gives no light rather than a division by zero.
    EXPECT_EQ(lightFromPanelPoint(0, 0, 1).z, 0.0f);
}

TEST_F(ShapeEditorTest, WholeHundredthsRoundTripAndNeverWalkDown)
{
    for (int32_t v = 0; v <= 100; ++v)
        EXPECT_EQ(hundredthsOf(fieldOfHundredths(v)), v) << v;
    // Truncating 0.29f x 100 would give 28.
    EXPECT_EQ(hundredthsOf(0.29f), 29);
    EXPECT_EQ(fieldOfHundredths(29), 0.29f);
    EXPECT_EQ(hundredthsOf(0.504f), 50);
    EXPECT_EQ(hundredthsOf(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(hundredthsOf(std::numeric_limits<float>::infinity()), 100);
}

// Selecting any object or shape, any number of times, changes no byte of a preset whose
// values are within the sliders' ranges.
TEST_F(ShapeEditorTest, SelectingNeverChangesThePreset)
{
    std::mt19937 random(12345);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int32_t object = 0; object < kObjectCount; ++object) {
        ShapeStack& s = stack(object);
        s.shapeCount = pick(1, 5);
        s.masterSize = pick(20, 100);
        for (Shape& sh : s.shapes) {
            sh.width = pick(20, 100);
            sh.height = pick(20, 100);
            sh.phong = pick(1, 20);
            sh.mirror = fieldOfHundredths(pick(0, 100));
            sh.ambient = fieldOfHundredths(pick(0, 100));
            sh.lightX = static_cast<float>(pick(-1000, 1000)) / 997.0f;
            sh.lightY = static_cast<float>(pick(-1000, 1000)) / 991.0f;
            sh.lightZ = -0.3f;
            sh.color = static_cast<uint32_t>(pick(0, 0xFFFFFF));
            sh.type = pick(0, 1) * 2;
            sh.offsetX = pick(-3, 3);
        }
    }
    m_preset.roundSpeed = 0.123;
    const std::string before = presetBytes(m_preset);

    ShapeEditor editor(m_run, &m_view);
    for (int round = 0; round < 100; ++round) {
        const int32_t object = pick(0, kObjectCount - 1);
        editor.selectObject(object);
        for (int32_t k = stack(object).shapeCount - 1; k >= 0; --k) {
            editor.selectShape(k);
            EXPECT_EQ(editor.sliderValue(kGroupWidth), shape(object, k).width);
            EXPECT_EQ(editor.sliderValue(kGroupMirror), hundredthsOf(shape(object, k).mirror));
        }
        editor.browserPressed(pick(0, 199), 40);
    }
    EXPECT_EQ(presetBytes(m_preset), before);
}

TEST_F(ShapeEditorTest, LoadingBoundsOutOfRangeFieldsAndSpreadsNothing)
{
    threeShapesEverywhere();
    Shape& odd = shape(2, 1);
    odd.width = 150;
    odd.height = 5;
    odd.phong = 0;
    odd.mirror = 0.503f;
    odd.ambient = 1.7f;
    odd.lightX = 0.25f;
    stack(2).masterSize = 300;

    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(2);
    EXPECT_EQ(m_view.selectedObject, 2);
    EXPECT_EQ(m_view.selectedShape, 0);
    const Shape untouched = shape(2, 0);
    editor.selectShape(1);
    EXPECT_EQ(editor.currentShape, 1);
    EXPECT_EQ(odd.width, 100);
    EXPECT_EQ(odd.height, 20);
    EXPECT_EQ(odd.phong, 1);
    EXPECT_EQ(odd.mirror, 0.5f);
    EXPECT_EQ(odd.ambient, 1.0f);
    EXPECT_EQ(stack(2).masterSize, 100);
    EXPECT_EQ(editor.sliderValue(kGroupAmbient), 100);
    // The light is not a slider: it goes to the preview as it is.
    EXPECT_EQ(editor.lightPreview.shapes[0].lightX, 0.25f);
    EXPECT_EQ(editor.lightPreview.fullDirty, 1);
    // Nothing spread to the neighbours, not even with every strategy global.
    EXPECT_EQ(shape(2, 0).width, untouched.width);
    EXPECT_EQ(shape(2, 2).phong, 4);
    EXPECT_EQ(stack(3).masterSize, 100);
}

TEST_F(ShapeEditorTest, SlidersShowOnlyWhatChanged)
{
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(0);
    // The start scene: master 100, width and height 100, Phong 4, mirror 99, ambient 34.
    const std::vector<std::pair<int32_t, int32_t>> first { { 1, 100 }, { 2, 100 }, { 3, 100 }, { 4, 4 }, { 5, 99 },
        { 6, 34 } };
    EXPECT_EQ(m_view.sliders, first);
    m_view.sliders.clear();
    shape(1, 0).phong = 9;
    editor.selectObject(1);
    EXPECT_EQ(m_view.sliders, (std::vector<std::pair<int32_t, int32_t>> { { 4, 9 } }));
}

TEST_F(ShapeEditorTest, PhongSpreadsEverywhereWhileWidthStaysOnTheShape)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(4);
    editor.selectShape(1);
    editor.sliderChanged(kGroupPhong, 17);
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).phong, 17) << object << "," << i;
    editor.sliderChanged(kGroupWidth, 64);
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).width, object == 4 && i == 1 ? 64 : 30 + 10 * i + object);
    // Master size spreads (start strategy Global) as the stack's own field, once per object.
    editor.sliderChanged(kGroupMasterSize, 44);
    for (int32_t object = 0; object < kObjectCount; ++object) {
        EXPECT_EQ(stack(object).masterSize, 44);
        EXPECT_EQ(stack(object).reducedDirty, 1);
    }
    // Mirror and Ambient take whole hundredths.
    editor.sliderChanged(kGroupMirror, 29);
    EXPECT_EQ(shape(0, 2).mirror, 0.29f);
}

TEST_F(ShapeEditorTest, NothingIsWrittenWithoutASelectedShape)
{
    ShapeEditor editor(m_run, &m_view);
    const std::string before = presetBytes(m_preset);
    editor.sliderChanged(kGroupPhong, 12);
    editor.toggleShapeType();
    editor.setShapeColor(0x123456);
    editor.removeSelectedShape();
    EXPECT_EQ(editor.sliderValue(kGroupPhong), 12);
    EXPECT_EQ(presetBytes(m_preset), before);
}

TEST_F(ShapeEditorTest, ApplyMenuIgnoresTheStrategies)
{
    threeShapesEverywhere();
    m_options.applyModes[kGroupMirror - 1] = kApplySelectedShape;
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(3);
    editor.sliderChanged(kGroupMirror, 71);
    EXPECT_EQ(shape(0, 0).mirror, 0.25f);
    EXPECT_EQ(shape(3, 1).mirror, 0.25f);

    editor.parameterRightClicked(kGroupMirror);
    editor.applyToCurrentObject();
    EXPECT_EQ(shape(3, 2).mirror, 0.71f);
    EXPECT_EQ(shape(2, 0).mirror, 0.25f);
    editor.applyToAllObjects();
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).mirror, 0.71f);
    EXPECT_EQ(shape(0, 0).width, 30) << "only the mirror was copied";
}

TEST_F(ShapeEditorTest, LightDragSetsTheShapeAndARightReleaseAsksForTheMenu)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(0);
    editor.lightDragged(40, 40, 80);
    EXPECT_EQ(shape(0, 0).lightZ, -1.0f) << "no drag without a left press";
    editor.lightPressed(false);
    EXPECT_FALSE(editor.lightDragging);
    editor.lightPressed(true);
    editor.lightDragged(40, 40, 80);
    EXPECT_EQ(shape(0, 0).lightX, 0.0f);
    EXPECT_EQ(shape(0, 0).lightZ, -1.0f);
    // Light Angle starts Global.
    EXPECT_EQ(shape(6, 2).lightX, 0.0f);
    EXPECT_EQ(editor.lightPreview.shapes[0].lightZ, -1.0f);
    editor.lightDragged(0, 0, 80);
    EXPECT_EQ(shape(5, 1).lightZ, 0.0f);
    EXPECT_FALSE(editor.lightReleased(true));
    EXPECT_FALSE(editor.lightDragging);
    EXPECT_TRUE(editor.lightReleased(false));
    EXPECT_EQ(editor.applyParam, kGroupLightAngle);
}

TEST_F(ShapeEditorTest, LightArrowKeysStepThePointAndStayOnThePanel)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(0);
    // A drag to the centre (39, 39) of the 79-pixel panel points the light straight in.
    editor.lightPressed(true);
    editor.lightDragged(39, 39, 79);
    editor.lightReleased(true);
    const PanelPoint start = panelPointOfLight(shape(0, 0).lightX, shape(0, 0).lightY, 79);
    EXPECT_EQ(start.x, 39);
    EXPECT_EQ(start.y, 39);
    // Ten steps left and one up land where a drag to (29, 38) would, with no press needed.
    for (int i = 0; i < 10; ++i)
        editor.lightStepped(-1, 0, 79);
    editor.lightStepped(0, -1, 79);
    const LightDirection dragged = lightFromPanelPoint(29, 38, 79);
    EXPECT_EQ(shape(0, 0).lightX, dragged.x);
    EXPECT_EQ(shape(0, 0).lightY, dragged.y);
    EXPECT_EQ(shape(0, 0).lightZ, dragged.z);
    EXPECT_EQ(shape(6, 2).lightX, dragged.x) << "Light Angle spreads as a drag does";
    EXPECT_EQ(editor.lightPreview.shapes[0].lightX, dragged.x);
    EXPECT_FALSE(editor.lightDragging);
    // A step past the edge stops on the panel's last pixel.
    editor.lightStepped(500, 500, 79);
    const PanelPoint corner = panelPointOfLight(shape(0, 0).lightX, shape(0, 0).lightY, 79);
    EXPECT_EQ(corner.x, 78);
    EXPECT_EQ(corner.y, 78);
    // What a reader hears, from the same numbers.
    EXPECT_EQ(lightPlaceText(0.0f, 0.0f), "centre");
    EXPECT_EQ(lightPlaceText(dragged.x, dragged.y), "26% left, 3% up");
    EXPECT_EQ(lightPlaceText(-1.0f, 0.0f), "100% right");
    EXPECT_EQ(lightPlaceText(0.0f, -0.5f), "50% down");
}

TEST_F(ShapeEditorTest, BrowserArrowKeysWalkTheShapesInUse)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(2);
    struct Step {
        int32_t delta;
        int32_t shape;
    };
    for (const Step step : { Step { 1, 1 }, Step { 1, 2 }, Step { 1, 2 }, Step { -5, 0 }, Step { -1, 0 } }) {
        editor.selectAdjacentShape(step.delta);
        EXPECT_EQ(editor.currentShape, step.shape) << "after a step of " << step.delta;
        EXPECT_EQ(m_view.selectedShape, step.shape);
    }
    EXPECT_EQ(editor.sliderValue(kGroupWidth), shape(2, 0).width) << "the sliders follow the shape";
}

TEST_F(ShapeEditorTest, AutomaticApplyingDialogLinesAndShapeType)
{
    // The dialog opened on "Height" shows "Selected Shape" with the start strategies.
    EXPECT_EQ(applyStrategyLine(m_options, kGroupHeight - 1), kApplySelectedShape);
    EXPECT_EQ(applyStrategyLine(m_options, 8), -1);
    storeApplyStrategy(m_options, 7, 1);
    EXPECT_EQ(m_options.applyModes[7], 1);
    storeApplyStrategy(m_options, 7, 3);
    storeApplyStrategy(m_options, -1, 0);
    EXPECT_EQ(m_options.applyModes[7], 1);

    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(5);
    editor.selectShape(2);
    editor.toggleShapeType();
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(shape(5, i).type, kTorusType);
    EXPECT_EQ(shape(4, 2).type, kSphereType);
    editor.toggleShapeType();
    EXPECT_EQ(shape(5, 0).type, kSphereType);
    shape(5, 2).type = 7; // a type no control sets becomes a torus
    editor.toggleShapeType();
    EXPECT_EQ(shape(5, 0).type, kTorusType);
}

TEST_F(ShapeEditorTest, SpeedButtonsAndKnobs)
{
    m_options.roundSpeedStep = 0.5;
    m_options.radialSpeedStep = 0.25;
    m_preset.roundSpeed = 1.0;
    m_preset.radialSpeed = 1.0;
    ShapeEditor editor(m_run, &m_view);
    editor.roundUp();
    EXPECT_EQ(m_preset.roundSpeed, 1.0 + 39 * 0.5);
    editor.roundDown();
    editor.roundDown();
    EXPECT_EQ(m_preset.roundSpeed, 1.0 - 39 * 0.5);
    m_preset.roundSpeed = 1.0;
    editor.roundKnobMoved(0);
    EXPECT_EQ(m_preset.roundSpeed, 1.0) << "no drag without a press";
    editor.roundKnobPressed(30);
    editor.roundKnobMoved(25);
    editor.roundKnobMoved(20);
    EXPECT_EQ(m_preset.roundSpeed, 1.0 + 10 * 0.5);
    editor.roundKnobReleased();
    editor.roundKnobMoved(100);
    EXPECT_EQ(m_preset.roundSpeed, 6.0);
    editor.radialKnobPressed(0);
    editor.radialKnobMoved(40);
    EXPECT_EQ(m_preset.radialSpeed, 1.0 - 40 * 0.25) << "speeds may go negative";
    editor.radialUp();
    EXPECT_EQ(m_preset.radialSpeed, -9.0 + 39 * 0.25);
}

TEST_F(ShapeEditorTest, OneShapeStackCloneAndRemove)
{
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(0);
    editor.removeSelectedShape();
    EXPECT_EQ(stack(0).shapeCount, 1);
    editor.cloneShape();
    EXPECT_EQ(stack(0).shapeCount, 2);
    EXPECT_EQ(editor.currentShape, 0);
    EXPECT_EQ(writeStackBlock(stack(0)).size(), kStackBlockBytes);
    EXPECT_EQ(std::memcmp(&shape(0, 0), &shape(0, 1), sizeof(Shape)), 0);
    for (int i = 0; i < 5; ++i)
        editor.cloneShape();
    EXPECT_EQ(stack(0).shapeCount, 5);
}

TEST_F(ShapeEditorTest, RemoveAndMoveKeepTheSelectionOnTheRightShape)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(1);
    editor.selectShape(2);
    editor.removeSelectedShape();
    EXPECT_EQ(stack(1).shapeCount, 2);
    EXPECT_EQ(editor.currentShape, 1);
    EXPECT_EQ(m_view.selectedShape, 1);
    EXPECT_EQ(editor.sliderValue(kGroupWidth), shape(1, 1).width) << "the sliders follow the new selection";

    editor.selectShape(0);
    const int32_t topWidth = shape(1, 0).width;
    editor.moveSelectedShapeUp();
    EXPECT_EQ(editor.currentShape, 0);
    editor.moveSelectedShapeDown();
    EXPECT_EQ(editor.currentShape, 1);
    EXPECT_EQ(m_view.selectedShape, 1);
    EXPECT_EQ(shape(1, 1).width, topWidth);
    editor.moveSelectedShapeDown();
    EXPECT_EQ(editor.currentShape, 1) << "the last shape cannot move down";

    editor.selectShape(0);
    editor.removeSelectedShape();
    EXPECT_EQ(editor.currentShape, 0);
    EXPECT_EQ(shape(1, 0).width, topWidth);
}

TEST_F(ShapeEditorTest, BrowserPressesSelectUsedCellsOnly)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.selectObject(0);
    editor.selectShape(1);
    // Five cells of 40: the top two are empty for a stack of three.
    editor.browserPressed(79, 40);
    EXPECT_EQ(editor.currentShape, 1);
    editor.browserPressed(80, 40);
    EXPECT_EQ(editor.currentShape, 0);
    editor.browserPressed(199, 40);
    EXPECT_EQ(editor.currentShape, 2);
    editor.browserPressed(5000, 40);
    EXPECT_EQ(editor.currentShape, 2) << "below the column is the last shape, never past it";
    EXPECT_EQ(m_view.selectedShape, 2);
}

TEST_F(ShapeEditorTest, SwitchesAndPathColours)
{
    threeShapesEverywhere();
    ShapeEditor editor(m_run, &m_view);
    editor.setObjectSwitches({ true, false, true, true, false, true, false });
    EXPECT_EQ(m_preset.objectEnabled, (std::array<int32_t, 7> { 1, 0, 1, 1, 0, 1, 0 }));
    for (int32_t object = 0; object < kObjectCount; ++object)
        stack(object).reducedDirty = false;
    editor.applyPathColors({ 1, 2, 3, 4, 5, 6, 7 });
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).color, static_cast<uint32_t>(object + 1));
        EXPECT_EQ(stack(object).reducedDirty, 1);
    }
    EXPECT_EQ(m_view.thumbnails.size(), 7u);
    EXPECT_GE(m_view.browserRepaints, 1);
}

TEST_F(ShapeEditorTest, QuickTweaksWrapAndCaption)
{
    ShapeEditor editor(m_run, &m_view);
    m_options.formula = 19;
    editor.nextFormula();
    EXPECT_EQ(m_options.formula, 0);
    EXPECT_EQ(formulaCaption(m_options), "Formula: 0");
    editor.nextFormula();
    EXPECT_EQ(formulaCaption(m_options), "Formula: 1");
    editor.classicFormula();
    EXPECT_EQ(m_options.formula, 0);
    EXPECT_EQ(m_view.clears, 3);

    m_options.mirror = 3;
    editor.nextMirror();
    EXPECT_EQ(mirrorCaption(m_options), "Mirror: None");
    editor.nextMirror();
    EXPECT_EQ(mirrorCaption(m_options), "Mirror: Horiz.");
    editor.noMirror();
    EXPECT_EQ(m_options.mirror, 0);
    m_options.mirror = 9; // a stored value no button gives
    EXPECT_EQ(mirrorCaption(m_options), "Mirror: 9");
    editor.nextMirror();
    EXPECT_EQ(m_options.mirror, 0);

    EXPECT_EQ(paletteCaption(m_run.palette), "Palette: 0");
    m_run.palette.next();
    EXPECT_EQ(paletteCaption(m_run.palette), "Palette: 1");
}

} // namespace
