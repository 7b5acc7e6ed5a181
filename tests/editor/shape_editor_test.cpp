#include "editor/shape_editor.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/palettes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

namespace {

// Remembers what the editor asked its window to show.
struct RecordingView final : EditorView {
    void ShowSelectedObject(int32_t object) override { selectedObject = object; }
    void ShowSelectedShape(int32_t shape) override { selectedShape = shape; }
    void ShowSlider(int32_t parameter, int32_t value) override { sliders.push_back({ parameter, value }); }
    void RepaintThumbnail(int32_t object) override { thumbnails.push_back(object); }
    void RepaintBrowser() override { ++browserRepaints; }
    void RepaintLightPreview() override { ++lightRepaints; }
    void ClearLiveView() override { ++clears; }

    int32_t selectedObject = -1;
    int32_t selectedShape = -1;
    std::vector<std::pair<int32_t, int32_t>> sliders;
    std::vector<int32_t> thumbnails;
    int browserRepaints = 0;
    int lightRepaints = 0;
    int clears = 0;
};

std::string presetBytes(Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    WritePreset(preset, out);
    return out.str();
}

class ShapeEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetDefaults();
        ResetPaletteIndex();
        SuppressApply = false;
        preset = NewStartPreset();
    }

    ShapeStack& stack(int32_t object) { return *preset.Objects.Stacks[static_cast<size_t>(object)][0]; }
    Shape& shape(int32_t object, int32_t index) { return stack(object).Shapes[static_cast<size_t>(index)]; }

    // Gives every object three shapes with distinct widths and Phong powers.
    void threeShapesEverywhere()
    {
        for (int32_t object = 0; object < kObjectCount; ++object) {
            stack(object).ShapeCount = 3;
            for (int32_t i = 0; i < 3; ++i) {
                Shape& s = shape(object, i);
                s = shape(object, 0);
                s.Width = 30 + 10 * i + object;
                s.Height = 40 + i;
                s.Phong = 2 + i;
                s.Mirror = 0.25f;
            }
        }
    }

    Preset preset;
    RecordingView view;
};

TEST_F(ShapeEditorTest, LightAngleDiscCentreEdgeAndOutside)
{
    // Centre of an 80-pixel panel: straight into the picture.
    LightDirection centre = LightFromPanelPoint(40, 40, 80);
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, -1.0f);
    // Half way to the left edge: x = 0.5, d = 0.25, z = -sqrt(0.75).
    LightDirection half = LightFromPanelPoint(20, 40, 80);
    EXPECT_EQ(half.x, 0.5f);
    EXPECT_EQ(half.y, 0.0f);
    EXPECT_FLOAT_EQ(half.z, -0.8660254f);
    // The top-left corner is outside the disc, the bottom of the disc on its edge: z = 0.
    LightDirection corner = LightFromPanelPoint(0, 0, 80);
    EXPECT_EQ(corner.x, 1.0f);
    EXPECT_EQ(corner.y, 1.0f);
    EXPECT_EQ(corner.z, 0.0f);
    EXPECT_EQ(LightFromPanelPoint(40, 80, 80).z, 0.0f);
    EXPECT_EQ(LightFromPanelPoint(40, 80, 80).y, -1.0f);
    // The width serves both axes, so the 79 x 77 panel has h = 39 for rows too.
    EXPECT_EQ(LightFromPanelPoint(39, 39, 79).z, -1.0f);
    // A panel too narrow to have a centre gives no light rather than a division by zero.
    EXPECT_EQ(LightFromPanelPoint(0, 0, 1).z, 0.0f);
}

TEST_F(ShapeEditorTest, WholeHundredthsRoundTripAndNeverWalkDown)
{
    for (int32_t v = 0; v <= 100; ++v)
        EXPECT_EQ(HundredthsOf(FieldOfHundredths(v)), v) << v;
    // Truncating 0.29f x 100 would give 28.
    EXPECT_EQ(HundredthsOf(0.29f), 29);
    EXPECT_EQ(FieldOfHundredths(29), 0.29f);
    EXPECT_EQ(HundredthsOf(0.504f), 50);
    EXPECT_EQ(HundredthsOf(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT(HundredthsOf(std::numeric_limits<float>::infinity()), 100);
}

// Selecting any object or shape, any number of times, changes no byte of a preset whose
// values are within the sliders' ranges.
TEST_F(ShapeEditorTest, SelectingNeverChangesThePreset)
{
    std::mt19937 random(12345);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int32_t object = 0; object < kObjectCount; ++object) {
        ShapeStack& s = stack(object);
        s.ShapeCount = pick(1, 5);
        s.MasterSize = pick(20, 100);
        for (Shape& sh : s.Shapes) {
            sh.Width = pick(20, 100);
            sh.Height = pick(20, 100);
            sh.Phong = pick(1, 20);
            sh.Mirror = FieldOfHundredths(pick(0, 100));
            sh.Ambient = FieldOfHundredths(pick(0, 100));
            sh.LightX = static_cast<float>(pick(-1000, 1000)) / 997.0f;
            sh.LightY = static_cast<float>(pick(-1000, 1000)) / 991.0f;
            sh.LightZ = -0.3f;
            sh.Color = static_cast<uint32_t>(pick(0, 0xFFFFFF));
            sh.Type = pick(0, 1) * 2;
            sh.OffsetX = pick(-3, 3);
        }
    }
    preset.RoundSpeed = 0.123;
    const std::string before = presetBytes(preset);

    ShapeEditor editor(preset, &view);
    for (int round = 0; round < 100; ++round) {
        const int32_t object = pick(0, kObjectCount - 1);
        editor.SelectObject(object);
        for (int32_t k = stack(object).ShapeCount - 1; k >= 0; --k) {
            editor.SelectShape(k);
            EXPECT_EQ(editor.SliderValue(kGroupWidth), shape(object, k).Width);
            EXPECT_EQ(editor.SliderValue(kGroupMirror), HundredthsOf(shape(object, k).Mirror));
        }
        editor.BrowserPressed(pick(0, 199), 40);
    }
    EXPECT_EQ(presetBytes(preset), before);
}

TEST_F(ShapeEditorTest, LoadingBoundsOutOfRangeFieldsAndSpreadsNothing)
{
    threeShapesEverywhere();
    Shape& odd = shape(2, 1);
    odd.Width = 150;
    odd.Height = 5;
    odd.Phong = 0;
    odd.Mirror = 0.503f;
    odd.Ambient = 1.7f;
    odd.LightX = 0.25f;
    stack(2).MasterSize = 300;

    ShapeEditor editor(preset, &view);
    editor.SelectObject(2);
    EXPECT_EQ(view.selectedObject, 2);
    EXPECT_EQ(view.selectedShape, 0);
    const Shape untouched = shape(2, 0);
    editor.SelectShape(1);
    EXPECT_EQ(editor.CurrentShape, 1);
    EXPECT_EQ(odd.Width, 100);
    EXPECT_EQ(odd.Height, 20);
    EXPECT_EQ(odd.Phong, 1);
    EXPECT_EQ(odd.Mirror, 0.5f);
    EXPECT_EQ(odd.Ambient, 1.0f);
    EXPECT_EQ(stack(2).MasterSize, 100);
    EXPECT_EQ(editor.SliderValue(kGroupAmbient), 100);
    // The light is not a slider: it goes to the preview as it is.
    EXPECT_EQ(editor.LightPreview.Shapes[0].LightX, 0.25f);
    EXPECT_EQ(editor.LightPreview.FullDirty, 1);
    // Nothing spread to the neighbours, not even with every strategy global.
    EXPECT_EQ(shape(2, 0).Width, untouched.Width);
    EXPECT_EQ(shape(2, 2).Phong, 4);
    EXPECT_EQ(stack(3).MasterSize, 100);
}

TEST_F(ShapeEditorTest, SlidersShowOnlyWhatChanged)
{
    ShapeEditor editor(preset, &view);
    editor.SelectObject(0);
    // The start scene: master 100, width and height 100, Phong 4, mirror 99, ambient 34.
    const std::vector<std::pair<int32_t, int32_t>> first { { 1, 100 }, { 2, 100 }, { 3, 100 }, { 4, 4 }, { 5, 99 },
        { 6, 34 } };
    EXPECT_EQ(view.sliders, first);
    view.sliders.clear();
    shape(1, 0).Phong = 9;
    editor.SelectObject(1);
    EXPECT_EQ(view.sliders, (std::vector<std::pair<int32_t, int32_t>> { { 4, 9 } }));
}

TEST_F(ShapeEditorTest, PhongSpreadsEverywhereWhileWidthStaysOnTheShape)
{
    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SelectObject(4);
    editor.SelectShape(1);
    editor.SliderChanged(kGroupPhong, 17);
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).Phong, 17) << object << "," << i;
    editor.SliderChanged(kGroupWidth, 64);
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).Width, object == 4 && i == 1 ? 64 : 30 + 10 * i + object);
    // Master size spreads (start strategy Global) as the stack's own field, once per object.
    editor.SliderChanged(kGroupMasterSize, 44);
    for (int32_t object = 0; object < kObjectCount; ++object) {
        EXPECT_EQ(stack(object).MasterSize, 44);
        EXPECT_EQ(stack(object).ReducedDirty, 1);
    }
    // Mirror and Ambient take whole hundredths.
    editor.SliderChanged(kGroupMirror, 29);
    EXPECT_EQ(shape(0, 2).Mirror, 0.29f);
}

TEST_F(ShapeEditorTest, NothingIsWrittenWithoutASelectedShape)
{
    ShapeEditor editor(preset, &view);
    const std::string before = presetBytes(preset);
    editor.SliderChanged(kGroupPhong, 12);
    editor.ToggleShapeType();
    editor.SetShapeColor(0x123456);
    editor.RemoveSelectedShape();
    EXPECT_EQ(editor.SliderValue(kGroupPhong), 12);
    EXPECT_EQ(presetBytes(preset), before);
}

TEST_F(ShapeEditorTest, ApplyMenuIgnoresTheStrategies)
{
    threeShapesEverywhere();
    Settings.ApplyModes[kGroupMirror - 1] = kApplySelectedShape;
    ShapeEditor editor(preset, &view);
    editor.SelectObject(3);
    editor.SliderChanged(kGroupMirror, 71);
    EXPECT_EQ(shape(0, 0).Mirror, 0.25f);
    EXPECT_EQ(shape(3, 1).Mirror, 0.25f);

    editor.ParameterRightClicked(kGroupMirror);
    editor.ApplyToCurrentObject();
    EXPECT_EQ(shape(3, 2).Mirror, 0.71f);
    EXPECT_EQ(shape(2, 0).Mirror, 0.25f);
    editor.ApplyToAllObjects();
    for (int32_t object = 0; object < kObjectCount; ++object)
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).Mirror, 0.71f);
    EXPECT_EQ(shape(0, 0).Width, 30) << "only the mirror was copied";
}

TEST_F(ShapeEditorTest, LightDragSetsTheShapeAndARightReleaseAsksForTheMenu)
{
    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SelectObject(0);
    editor.LightDragged(40, 40, 80);
    EXPECT_EQ(shape(0, 0).LightZ, -1.0f) << "no drag without a left press";
    editor.LightPressed(false);
    EXPECT_FALSE(editor.LightDragging);
    editor.LightPressed(true);
    editor.LightDragged(40, 40, 80);
    EXPECT_EQ(shape(0, 0).LightX, 0.0f);
    EXPECT_EQ(shape(0, 0).LightZ, -1.0f);
    // Light Angle starts Global.
    EXPECT_EQ(shape(6, 2).LightX, 0.0f);
    EXPECT_EQ(editor.LightPreview.Shapes[0].LightZ, -1.0f);
    editor.LightDragged(0, 0, 80);
    EXPECT_EQ(shape(5, 1).LightZ, 0.0f);
    EXPECT_FALSE(editor.LightReleased(true));
    EXPECT_FALSE(editor.LightDragging);
    EXPECT_TRUE(editor.LightReleased(false));
    EXPECT_EQ(editor.ApplyParam, kGroupLightAngle);
}

TEST_F(ShapeEditorTest, AutomaticApplyingDialogLinesAndShapeType)
{
    // The dialog opened on "Height" shows "Selected Shape" with the start strategies.
    EXPECT_EQ(ApplyStrategyLine(kGroupHeight - 1), kApplySelectedShape);
    EXPECT_EQ(ApplyStrategyLine(8), -1);
    StoreApplyStrategy(7, 1);
    EXPECT_EQ(Settings.ApplyModes[7], 1);
    StoreApplyStrategy(7, 3);
    StoreApplyStrategy(-1, 0);
    EXPECT_EQ(Settings.ApplyModes[7], 1);

    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SelectObject(5);
    editor.SelectShape(2);
    editor.ToggleShapeType();
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(shape(5, i).Type, kTorusType);
    EXPECT_EQ(shape(4, 2).Type, kSphereType);
    editor.ToggleShapeType();
    EXPECT_EQ(shape(5, 0).Type, kSphereType);
    shape(5, 2).Type = 7; // a type no control sets becomes a torus
    editor.ToggleShapeType();
    EXPECT_EQ(shape(5, 0).Type, kTorusType);
}

TEST_F(ShapeEditorTest, SpeedButtonsAndKnobs)
{
    Settings.RoundSpeedStep = 0.5;
    Settings.RadialSpeedStep = 0.25;
    preset.RoundSpeed = 1.0;
    preset.RadialSpeed = 1.0;
    ShapeEditor editor(preset, &view);
    editor.RoundUp();
    EXPECT_EQ(preset.RoundSpeed, 1.0 + 39 * 0.5);
    editor.RoundDown();
    editor.RoundDown();
    EXPECT_EQ(preset.RoundSpeed, 1.0 - 39 * 0.5);
    preset.RoundSpeed = 1.0;
    editor.RoundKnobMoved(0);
    EXPECT_EQ(preset.RoundSpeed, 1.0) << "no drag without a press";
    editor.RoundKnobPressed(30);
    editor.RoundKnobMoved(25);
    editor.RoundKnobMoved(20);
    EXPECT_EQ(preset.RoundSpeed, 1.0 + 10 * 0.5);
    editor.RoundKnobReleased();
    editor.RoundKnobMoved(100);
    EXPECT_EQ(preset.RoundSpeed, 6.0);
    editor.RadialKnobPressed(0);
    editor.RadialKnobMoved(40);
    EXPECT_EQ(preset.RadialSpeed, 1.0 - 40 * 0.25) << "speeds may go negative";
    editor.RadialUp();
    EXPECT_EQ(preset.RadialSpeed, -9.0 + 39 * 0.25);
}

TEST_F(ShapeEditorTest, OneShapeStackCloneAndRemove)
{
    ShapeEditor editor(preset, &view);
    editor.SelectObject(0);
    editor.RemoveSelectedShape();
    EXPECT_EQ(stack(0).ShapeCount, 1);
    editor.CloneShape();
    EXPECT_EQ(stack(0).ShapeCount, 2);
    EXPECT_EQ(editor.CurrentShape, 0);
    EXPECT_EQ(WriteStackBlock(stack(0)).size(), kStackBlockBytes);
    EXPECT_EQ(std::memcmp(&shape(0, 0), &shape(0, 1), sizeof(Shape)), 0);
    for (int i = 0; i < 5; ++i)
        editor.CloneShape();
    EXPECT_EQ(stack(0).ShapeCount, 5);
}

TEST_F(ShapeEditorTest, RemoveAndMoveKeepTheSelectionOnTheRightShape)
{
    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SelectObject(1);
    editor.SelectShape(2);
    editor.RemoveSelectedShape();
    EXPECT_EQ(stack(1).ShapeCount, 2);
    EXPECT_EQ(editor.CurrentShape, 1);
    EXPECT_EQ(view.selectedShape, 1);
    EXPECT_EQ(editor.SliderValue(kGroupWidth), shape(1, 1).Width) << "the sliders follow the new selection";

    editor.SelectShape(0);
    const int32_t topWidth = shape(1, 0).Width;
    editor.MoveSelectedShapeUp();
    EXPECT_EQ(editor.CurrentShape, 0);
    editor.MoveSelectedShapeDown();
    EXPECT_EQ(editor.CurrentShape, 1);
    EXPECT_EQ(view.selectedShape, 1);
    EXPECT_EQ(shape(1, 1).Width, topWidth);
    editor.MoveSelectedShapeDown();
    EXPECT_EQ(editor.CurrentShape, 1) << "the last shape cannot move down";

    editor.SelectShape(0);
    editor.RemoveSelectedShape();
    EXPECT_EQ(editor.CurrentShape, 0);
    EXPECT_EQ(shape(1, 0).Width, topWidth);
}

TEST_F(ShapeEditorTest, BrowserPressesSelectUsedCellsOnly)
{
    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SelectObject(0);
    editor.SelectShape(1);
    // Five cells of 40: the top two are empty for a stack of three.
    editor.BrowserPressed(79, 40);
    EXPECT_EQ(editor.CurrentShape, 1);
    editor.BrowserPressed(80, 40);
    EXPECT_EQ(editor.CurrentShape, 0);
    editor.BrowserPressed(199, 40);
    EXPECT_EQ(editor.CurrentShape, 2);
    editor.BrowserPressed(5000, 40);
    EXPECT_EQ(editor.CurrentShape, 2) << "below the column is the last shape, never past it";
    EXPECT_EQ(view.selectedShape, 2);
}

TEST_F(ShapeEditorTest, SwitchesAndPathColours)
{
    threeShapesEverywhere();
    ShapeEditor editor(preset, &view);
    editor.SetObjectSwitches({ true, false, true, true, false, true, false });
    EXPECT_EQ(preset.ObjectEnabled, (std::array<int32_t, 7> { 1, 0, 1, 1, 0, 1, 0 }));
    for (int32_t object = 0; object < kObjectCount; ++object)
        stack(object).ReducedDirty = 0;
    editor.ApplyPathColors({ 1, 2, 3, 4, 5, 6, 7 });
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(shape(object, i).Color, static_cast<uint32_t>(object + 1));
        EXPECT_EQ(stack(object).ReducedDirty, 1);
    }
    EXPECT_EQ(view.thumbnails.size(), 7u);
    EXPECT_GE(view.browserRepaints, 1);
}

TEST_F(ShapeEditorTest, QuickTweaksWrapAndCaption)
{
    ShapeEditor editor(preset, &view);
    Settings.Formula = 19;
    editor.NextFormula();
    EXPECT_EQ(Settings.Formula, 0);
    EXPECT_EQ(FormulaCaption(), "Formula: 0");
    editor.NextFormula();
    EXPECT_EQ(FormulaCaption(), "Formula: 1");
    editor.ClassicFormula();
    EXPECT_EQ(Settings.Formula, 0);
    EXPECT_EQ(view.clears, 3);

    Settings.Mirror = 3;
    editor.NextMirror();
    EXPECT_EQ(MirrorCaption(), "Mirror: None");
    editor.NextMirror();
    EXPECT_EQ(MirrorCaption(), "Mirror: Horiz.");
    editor.NoMirror();
    EXPECT_EQ(Settings.Mirror, 0);
    Settings.Mirror = 9; // a stored value no button gives
    EXPECT_EQ(MirrorCaption(), "Mirror: 9");
    editor.NextMirror();
    EXPECT_EQ(Settings.Mirror, 0);

    EXPECT_EQ(PaletteCaption(), "Palette: 0");
    NextPaletteIndex();
    EXPECT_EQ(PaletteCaption(), "Palette: 1");
}

} // namespace
