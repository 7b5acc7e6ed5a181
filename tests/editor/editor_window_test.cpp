#include "tests/editor/editor_fixture.h"

#include "controls/button_face.h"
#include "controls/path_painter.h"
#include "controls/sphere_button.h"
#include "editor/auto_apply_dialog.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"
#include "editor/export_flows.h"
#include "editor/preset_choice.h"

#include <QAccessible>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QStackedWidget>
#include <QElapsedTimer>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace {

void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(5, 5))
{
    QTest::mousePress(widget, button, {}, at);
    QTest::mouseRelease(widget, button, {}, at);
}

TEST_F(EditorWindowTest, AfterShowTheRenderPageAndTheFirstShapeAreShown)
{
    shapeOf(0, 0).phong = 13;
    shapeOf(0, 0).mirror = 0.29f;
    EditorWindow& toy = showWindow();
    EXPECT_EQ(toy.size(), QSize(722, 485));
    EXPECT_EQ(toy.windowTitle(), QString::fromStdString(ProductTitle));
    EXPECT_EQ(control<QStackedWidget>(toy, "pageStack")->currentWidget(), control<QWidget>(toy, "renderPage"));
    EXPECT_EQ(toy.editor.currentObject, 0);
    EXPECT_EQ(toy.editor.currentShape, 0);
    EXPECT_EQ(control<QSlider>(toy, "phongPowerSlider")->value(), 13);
    EXPECT_EQ(control<QSlider>(toy, "mirrorLightSlider")->value(), 29);
    EXPECT_EQ(control<QSlider>(toy, "masterSizeSlider")->minimum(), 20);
    EXPECT_EQ(control<QSlider>(toy, "phongPowerSlider")->maximum(), 20);
    EXPECT_EQ(shapeOf(0, 0).mirror, 0.29f) << "showing a shape leaves it as it was";
    EXPECT_EQ(control<SphereButton>(toy, "formulaButton")->caption(), QStringLiteral("Formula: 0"));
    EXPECT_EQ(control<SphereButton>(toy, "mirrorButton")->caption(), QStringLiteral("Mirror: Horiz."));
    EXPECT_EQ(control<SphereButton>(toy, "paletteButton")->caption(), QStringLiteral("Palette: 0"));
}

// Every control of the column lies inside it, and the controls of one page never overlap.
TEST_F(EditorWindowTest, PagesHoldTheirControlsInsideWithoutOverlap)
{
    EditorWindow& toy = showWindow();
    for (QWidget* page :
        { control<QWidget>(toy, "renderPage"), control<QWidget>(toy, "savePage"), control<QWidget>(toy, "optionsPage"),
            control<QWidget>(toy, "helpPage"), control<QWidget>(toy, "presetsPage") }) {
        EXPECT_EQ(page->palette().color(QPalette::Window), QColor(34, 34, 34));
        const QList<QWidget*> children = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            if (child->isWindow())
                continue;
            EXPECT_TRUE(QRect(0, 0, 230, 462).contains(child->geometry())) << child->metaObject()->className();
            for (QWidget* other : children) {
                if (other != child && !other->isWindow()) {
                    EXPECT_FALSE(child->geometry().intersects(other->geometry()))
                        << child->metaObject()->className() << " and " << other->metaObject()->className() << " at "
                        << child->geometry().y() << " and " << other->geometry().y();
                }
            }
        }
    }
    EXPECT_EQ(control<PicturePanel>(toy, "liveView")->geometry(), QRect(0, 0, 492, 369));
    EXPECT_EQ(control<PicturePanel>(toy, "lightAngleDisc")->size(), QSize(79, 77));
    EXPECT_EQ(control<PicturePanel>(toy, "shapeStackBrowser")->size(), QSize(40, 200));
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(objectThumbnail(toy, object)->size(), QSize(50, 50));
}

// Each tab shows its page and is the only one drawn as the front tab, in the front face.
TEST_F(EditorWindowTest, TabsChangeNeitherThePresetNorTheOptions)
{
    EditorWindow& toy = showWindow();
    const std::string preset = presetBytes();
    const std::string settings = settingsBytes();
    const std::array<SphereButton*, 5> tabs = { control<SphereButton>(toy, "renderTabButton"),
        control<SphereButton>(toy, "saveTabButton"), control<SphereButton>(toy, "optionsTabButton"),
        control<SphereButton>(toy, "helpTabButton"), control<SphereButton>(toy, "presetsTabButton") };
    const std::array<QWidget*, 5> pages = { control<QWidget>(toy, "renderPage"), control<QWidget>(toy, "savePage"),
        control<QWidget>(toy, "optionsPage"), control<QWidget>(toy, "helpPage"), control<QWidget>(toy, "presetsPage") };
    EXPECT_TRUE(control<SphereButton>(toy, "renderTabButton")->front()) << "the Render page shows first";
    for (const size_t shown : { 1, 2, 3, 4, 0 }) {
        click(tabs[shown]);
        QApplication::processEvents();
        EXPECT_EQ(control<QStackedWidget>(toy, "pageStack")->currentWidget(), pages[shown]);
        for (size_t i = 0; i < tabs.size(); ++i)
            EXPECT_EQ(tabs[i]->front(), i == shown) << "tab " << i << " with page " << shown;
        EXPECT_EQ(tabs[shown]->pad().pixels,
            buildButtonFace(frontFaceShape(tabs[shown]->shape()), 46, 23).pixels);
    }
    click(control<SphereButton>(toy, "helpTabButton"));
    EXPECT_EQ(control<QStackedWidget>(toy, "pageStack")->currentWidget(), control<QWidget>(toy, "helpPage"));
    EXPECT_EQ(presetBytes(), preset);
    EXPECT_EQ(settingsBytes(), settings);
}

TEST_F(EditorWindowTest, SliderSpreadsAndThumbnailPicksTheObject)
{
    EditorWindow& toy = showWindow();
    control<QSlider>(toy, "phongPowerSlider")->setValue(18);
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(shapeOf(object, 0).phong, 18);
    control<QSlider>(toy, "shapeWidthSlider")->setValue(60);
    EXPECT_EQ(shapeOf(0, 0).width, 60);
    EXPECT_EQ(shapeOf(1, 0).width, 100);

    shapeOf(3, 0).width = 44;
    click(objectThumbnail(toy, 3), Qt::RightButton);
    EXPECT_EQ(toy.editor.currentObject, 0) << "only the left button selects";
    click(objectThumbnail(toy, 3));
    EXPECT_EQ(toy.editor.currentObject, 3);
    EXPECT_EQ(control<QSlider>(toy, "shapeWidthSlider")->value(), 44);
    EXPECT_EQ(shapeOf(0, 0).width, 60);
}

TEST_F(EditorWindowTest, PalettePathColoursEveryObjectAndTheQuickTweaksStep)
{
    EditorWindow& toy = showWindow();
    QTest::mousePress(control<PathPainter>(toy, "palettePath"), Qt::LeftButton, {}, QPoint(2, 25));
    for (int x = 10; x < 360; x += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 25),
            control<PathPainter>(toy, "palettePath")->mapToGlobal(QPointF(x, 25)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(control<PathPainter>(toy, "palettePath"), &move);
    }
    QTest::mouseRelease(control<PathPainter>(toy, "palettePath"), Qt::LeftButton, {}, QPoint(360, 25));
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(
            shapeOf(object, 0).color, control<PathPainter>(toy, "palettePath")->colors()[static_cast<size_t>(object)]);
    EXPECT_NE(shapeOf(0, 0).color, shapeOf(6, 0).color) << "the path crossed the hues";

    click(control<SphereButton>(toy, "paletteButton"));
    EXPECT_EQ(control<SphereButton>(toy, "paletteButton")->caption(), QStringLiteral("Palette: 1"));
    click(control<SphereButton>(toy, "classicPaletteButton"));
    EXPECT_EQ(control<SphereButton>(toy, "paletteButton")->caption(), QStringLiteral("Palette: 0"));
    m_run.options.formula = 19;
    click(control<SphereButton>(toy, "formulaButton"));
    EXPECT_EQ(control<SphereButton>(toy, "formulaButton")->caption(), QStringLiteral("Formula: 0"));
    m_run.options.mirror = 3;
    click(control<SphereButton>(toy, "mirrorButton"));
    EXPECT_EQ(control<SphereButton>(toy, "mirrorButton")->caption(), QStringLiteral("Mirror: None"));
    EXPECT_EQ(shapeOf(0, 0).color, control<PathPainter>(toy, "palettePath")->colors()[0])
        << "a palette step keeps the colours";
}

// The keyboard draws the same kind of path: Space starts it at the pen, the arrows draw,
// Space ends it and the objects take its colours; one undo takes the whole stroke back.
TEST_F(EditorWindowTest, TheKeyboardDrawsAPathAcrossThePalette)
{
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    auto* path = control<PathPainter>(toy, "palettePath");
    for (int press = 0; press < 80 && QApplication::focusWidget() != path; ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), path) << "Tab reaches the palette path";
    const auto colours = [this] {
        std::vector<uint32_t> all;
        for (int object = 0; object < kObjectCount; ++object)
            all.push_back(shapeOf(object, 0).color);
        return all;
    };
    const std::vector<uint32_t> before = colours();
    for (int press = 0; press < 8; ++press)
        QTest::keyClick(path, Qt::Key_Left, Qt::ShiftModifier); // to the left edge
    QTest::keyClick(path, Qt::Key_Space);
    for (int press = 0; press < 12; ++press)
        QTest::keyClick(path, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(colours(), before) << "nothing is coloured before the stroke ends";
    QTest::keyClick(path, Qt::Key_Space);
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(shapeOf(object, 0).color, path->colors()[static_cast<size_t>(object)]);
    EXPECT_NE(shapeOf(0, 0).color, shapeOf(6, 0).color) << "the stroke crossed the hues";
    QTest::keyClick(&toy, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(colours(), before) << "one undo takes the stroke back";
}

TEST_F(EditorWindowTest, RightReleaseOnASliderOpensTheApplyMenu)
{
    EditorWindow& toy = showWindow();
    click(control<QSlider>(toy, "mirrorLightSlider"), Qt::RightButton);
    EXPECT_EQ(toy.editor.applyParam, kGroupMirror);
    EXPECT_TRUE(control<QMenu>(toy, "applyMenu")->isVisible());
    const QList<QAction*> entries = control<QMenu>(toy, "applyMenu")->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("Apply to shapes of current object"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Apply to shapes of all object"));
    EXPECT_TRUE(entries[2]->isSeparator());
    EXPECT_EQ(entries[3]->text(), QStringLiteral("Automatic applying ..."));
    control<QMenu>(toy, "applyMenu")->hide();

    shapeOf(0, 0).mirror = 0.5f;
    shapeOf(6, 0).mirror = 0.1f;
    entries[1]->trigger();
    EXPECT_EQ(shapeOf(6, 0).mirror, 0.5f);
}

TEST_F(EditorWindowTest, LightPanelDragSetsTheSelectedShapesLight)
{
    EditorWindow& toy = showWindow();
    QTest::mousePress(control<PicturePanel>(toy, "lightAngleDisc"), Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(39, 39),
        control<PicturePanel>(toy, "lightAngleDisc")->mapToGlobal(QPointF(39, 39)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(control<PicturePanel>(toy, "lightAngleDisc"), &move);
    QTest::mouseRelease(control<PicturePanel>(toy, "lightAngleDisc"), Qt::LeftButton, {}, QPoint(39, 39));
    EXPECT_EQ(shapeOf(0, 0).lightZ, -1.0f);
    EXPECT_EQ(shapeOf(4, 0).lightZ, -1.0f) << "Light Angle starts Global";
    EXPECT_FALSE(control<QMenu>(toy, "applyMenu")->isVisible());
}

TEST_F(EditorWindowTest, DialogOpensOnTheParameterAndStoresEveryClick)
{
    EditorWindow& toy = showWindow();
    AutoApplyDialog& dialog = *control<AutoApplyDialog>(toy, "autoApplyDialog");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Automatic applying"));
    dialog.prepare(kGroupHeight - 1);
    EXPECT_EQ(control<QListWidget>(dialog, "applyWhatList")->currentItem()->text(), QStringLiteral("Height"));
    EXPECT_EQ(control<QListWidget>(dialog, "applyHowList")->currentItem()->text(), QStringLiteral("Selected Shape"));

    dialog.prepare(7);
    const QRect line = control<QListWidget>(dialog, "applyHowList")
                           ->visualItemRect(control<QListWidget>(dialog, "applyHowList")->item(1));
    dialog.show();
    QTest::mouseClick(control<QListWidget>(dialog, "applyHowList")->viewport(), Qt::LeftButton, {}, line.center());
    EXPECT_EQ(m_run.options.applyModes[7], kApplySelectedObject);
    dialog.hide();
}

// An option that restarts the live view (the "Allow blur" box does) marks every stack for
// rebuilding and keeps the live view drawing from the event loop, which the test's own
// waiting runs.
TEST_F(EditorWindowTest, ARestartKeepsTheLiveViewDrawingWithEveryStackRebuilt)
{
    EditorWindow& toy = showWindow(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toy.renderer()->spritesDrawn() > 0; }, 10000));
    for (int object = 0; object < kObjectCount; ++object)
        m_run.preset.objects.stacks[static_cast<size_t>(object)][0]->reducedDirty = false;
    toy.restartLiveView();
    EXPECT_TRUE(toy.liveViewTimer()->isActive());
    bool everyStackDirty = true;
    for (int object = 0; object < kObjectCount; ++object)
        everyStackDirty &= m_run.preset.objects.stacks[static_cast<size_t>(object)][0]->reducedDirty;
    EXPECT_TRUE(everyStackDirty);
    const int64_t before = toy.renderer()->spritesDrawn();
    EXPECT_TRUE(QTest::qWaitFor([&] { return toy.renderer()->spritesDrawn() >= before + 7; }, 10000));
    EXPECT_EQ(m_run.preset.objects.stacks[0][0]->reducedDirty, 0) << "drawn again with a rebuilt sprite";
}

// A capture follows the live view's sprites; an editor destroyed in the middle of one lets go
// of its renderer first and leaves no file behind.
TEST_F(EditorWindowTest, DestroyingTheEditorDuringACaptureLeavesNoFile)
{
    EditorWindow& toy = showWindow();
    GifCapture& capture = control<ExportFlows>(toy, "exportFlows")->capture();
    capture.gifFileName = (m_home.root() / "unfinished.gif").string();
    capture.startGifCapture();
    toy.renderer()->drawSprites(10);
    ASSERT_TRUE(capture.active());
    m_window.reset();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_home.root()))
        EXPECT_EQ(entry.path().filename().string().find("unfinished"), std::string::npos) << entry.path();
}

// Ctrl+Z and Ctrl+Shift+Z / Ctrl+Y walk back and forth over the edits, each giving the preset
// back byte for byte and selecting the shape it was made on: a run of moves of one slider
// is one step, a clone another, a preset loaded by Next a third.
TEST_F(EditorWindowTest, UndoAndRedoGiveThePresetBackByteForByte)
{
    std::filesystem::create_directories(m_run.options.presetsDir);
    std::string reason;
    Preset other = newStartPreset();
    other.roundSpeed = 3.5;
    ASSERT_TRUE(savePresetAs(std::filesystem::path(m_run.options.presetsDir) / "other.vhp", other, reason)) << reason;
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    // The preset's bytes without the pixel sizes the sprite builder writes into every shape it
    // paints: they follow whichever sprite was built last, not the user's edits.
    const auto presetBytes = [this] {
        Preset copy;
        std::istringstream in(EditorWindowTest::presetBytes(), std::ios::binary);
        EXPECT_TRUE(readPreset(copy, in));
        for (auto& objectStacks : copy.objects.stacks)
            for (auto& stack : objectStacks)
                if (stack)
                    for (Shape& shape : stack->shapes)
                        shape.radiusPx = shape.heightPx = 0;
        std::ostringstream out(std::ios::binary);
        writePreset(copy, out);
        return out.str();
    };
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(&toy, static_cast<Qt::Key>(key), modifiers);
    };

    std::vector<std::string> timeline { presetBytes() };
    auto* size = control<QSlider>(toy, "masterSizeSlider");
    size->setValue(size->value() - 10);
    size->setValue(size->value() - 10);
    timeline.push_back(presetBytes());
    toy.editor.selectObject(2);
    click(control<SphereButton>(toy, "cloneShapeButton"));
    timeline.push_back(presetBytes());
    click(control<SphereButton>(toy, "nextPresetButton"));
    timeline.push_back(presetBytes());
    for (std::size_t i = 1; i < timeline.size(); ++i)
        ASSERT_NE(timeline[i], timeline[i - 1]) << i;

    for (std::size_t at = timeline.size() - 1; at > 0; --at) {
        press(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(presetBytes() == timeline[at - 1]) << "undo to " << at - 1;
    }
    EXPECT_EQ(toy.editor.currentObject, 0);
    press(Qt::Key_Z, Qt::ControlModifier); // nothing left: the preset stays
    EXPECT_TRUE(presetBytes() == timeline[0]);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(presetBytes() == timeline[1]);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(presetBytes() == timeline[2]);
    EXPECT_EQ(toy.editor.currentObject, 2) << "the clone's object is selected again";
}

// The quick tweaks are steps too: each undo gives back one formula, mirror or palette, with
// its caption, and a redo takes it forward again.
TEST_F(EditorWindowTest, UndoTakesTheQuickTweaksBackOneByOne)
{
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    const auto captions = [&toy] {
        return QStringList { control<SphereButton>(toy, "formulaButton")->caption(),
            control<SphereButton>(toy, "mirrorButton")->caption(), control<SphereButton>(toy, "paletteButton")->caption() };
    };
    const std::vector<const char*> buttons { "formulaButton", "mirrorButton", "paletteButton", "classicFormulaButton" };
    std::vector<QStringList> seen { captions() };
    for (const char* button : buttons) {
        click(control<SphereButton>(toy, button));
        seen.push_back(captions());
        ASSERT_NE(seen.back(), seen[seen.size() - 2]) << button << " changed nothing";
    }
    EXPECT_EQ(seen[1][0], QStringLiteral("Formula: 1"));
    for (std::size_t back = seen.size() - 1; back > 0; --back) {
        QTest::keyClick(&toy, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(captions(), seen[back - 1]) << "undo " << seen.size() - back;
    }
    EXPECT_EQ(m_run.options.formula, 0);
    EXPECT_EQ(m_run.palette.index(), 0);
    QTest::keyClick(&toy, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&toy, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(captions(), seen[2]);
    EXPECT_EQ(m_run.options.formula, 1);
}

// The keyboard reaches everything: Ctrl+1 to Ctrl+5 and Ctrl+Tab show the pages, Tab walks
// to a slider, the arrow keys move it by its step and Ctrl+Z takes the run of steps back.
TEST_F(EditorWindowTest, TheKeyboardSwitchesPagesAndMovesSliders)
{
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    auto* pages = control<QStackedWidget>(toy, "pageStack");
    QTest::keyClick(&toy, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(pages->currentWidget(), control<QWidget>(toy, "optionsPage"));
    QTest::keyClick(&toy, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentWidget(), control<QWidget>(toy, "helpPage"));
    QTest::keyClick(&toy, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(pages->currentWidget(), control<QWidget>(toy, "renderPage"));

    auto* phong = control<QSlider>(toy, "phongPowerSlider");
    for (int press = 0; press < 60 && QApplication::focusWidget() != phong; ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), phong) << "Tab reaches the slider";
    const std::string before = presetBytes();
    const int start = phong->value();
    QTest::keyClick(phong, Qt::Key_Right);
    QTest::keyClick(phong, Qt::Key_Right);
    EXPECT_EQ(phong->value(), start + 2 * phong->singleStep());
    EXPECT_NE(presetBytes(), before);
    QTest::keyClick(&toy, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(phong->value(), start) << "both steps were one step of the history";
}

// The painted controls answer the keyboard as the mouse: the arrow keys select objects and
// shapes and move the light, a reader hears the selection and the light's place, and Ctrl+Z
// takes a run of light steps back as one step.
TEST_F(EditorWindowTest, ArrowKeysSelectObjectsAndShapesAndMoveTheLight)
{
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    const auto tabTo = [](QWidget* target) {
        for (int press = 0; press < 80 && QApplication::focusWidget() != target; ++press)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    };
    const auto reader = [&toy](const char* object) {
        return QAccessible::queryAccessibleInterface(control<QWidget>(toy, object));
    };

    ASSERT_TRUE(tabTo(control<QWidget>(toy, "objectThumbnail1"))) << "the selected thumbnail is in the Tab order";
    EXPECT_EQ(reader("objectThumbnail1")->role(), QAccessible::RadioButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(toy.editor.currentObject, 2);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(toy, "objectThumbnail3")) << "focus follows the selection";
    EXPECT_TRUE(reader("objectThumbnail3")->state().checked);
    EXPECT_FALSE(reader("objectThumbnail1")->state().checked);
    EXPECT_EQ(control<QWidget>(toy, "objectThumbnail1")->focusPolicy(), Qt::NoFocus) << "one Tab stop for the group";

    click(control<SphereButton>(toy, "cloneShapeButton"));
    auto* browser = control<QWidget>(toy, "shapeStackBrowser");
    ASSERT_TRUE(tabTo(browser));
    QTest::keyClick(browser, Qt::Key_Home);
    EXPECT_EQ(toy.editor.currentShape, 0);
    QTest::keyClick(browser, Qt::Key_Down);
    EXPECT_EQ(toy.editor.currentShape, 1);
    EXPECT_EQ(reader("shapeStackBrowser")->text(QAccessible::Value), QStringLiteral("Shape 2 of 2, sphere"));
    EXPECT_TRUE(reader("shapeStackBrowser")->text(QAccessible::Description).startsWith(QStringLiteral("Shape 2 of 2")))
        << "AT-SPI sees the value in the description";

    auto* light = control<QWidget>(toy, "lightAngleDisc");
    ASSERT_TRUE(tabTo(light));
    // From the centre, where a drag puts it first.
    const QPoint centre(light->width() / 2, light->width() / 2);
    QTest::mousePress(light, Qt::LeftButton, {}, centre);
    QTest::mouseMove(light, centre);
    QTest::mouseRelease(light, Qt::LeftButton, {}, centre);
    const std::string before = presetBytes();
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(light, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(light, Qt::Key_Up);
    const Shape& shape = *toy.editor.selectedShape();
    const PanelPoint at = panelPointOfLight(shape.lightX, shape.lightY, light->width());
    EXPECT_EQ(at.x, light->width() / 2 - 15);
    EXPECT_EQ(at.y, light->width() / 2 - 1);
    EXPECT_EQ(reader("lightAngleDisc")->text(QAccessible::Value),
        QString::fromStdString(lightPlaceText(shape.lightX, shape.lightY)));
    QTest::keyClick(&toy, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(presetBytes() == before) << "the four steps were one step of the history";
}

TEST_F(EditorWindowTest, MissingHelpDocumentIsSaid)
{
    m_run.options.installedDir = (m_home.root() / "nowhere").string();
    EditorWindow& toy = showWindow();
    const QString text = answerNextMessageBox([&] { click(control<SphereButton>(toy, "displayHelpButton")); });
    EXPECT_TRUE(text.contains(QStringLiteral("help document is missing"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Opal Revel Help.html")));
}

// The offscreen platform has no desktop handler for anything, like a desktop without a
// browser: each button says what could not be opened.
TEST_F(EditorWindowTest, WithoutADesktopHandlerTheHelpButtonsSaySo)
{
    m_run.options.installedDir = OPAL_SOURCE_DIR "/data";
    EditorWindow& toy = showWindow();
    QString text = answerNextMessageBox([&] { click(control<SphereButton>(toy, "displayHelpButton")); });
    EXPECT_TRUE(text.contains(QStringLiteral("No program is set up"))) << text.toStdString();
    text = answerNextMessageBox([&] { click(control<SphereButton>(toy, "homePageButton")); });
    EXPECT_TRUE(text.contains(QStringLiteral("https://opal-revel.example.org/"))) << text.toStdString();
    text = answerNextMessageBox([&] { click(control<SphereButton>(toy, "suggestFeatureButton")); });
    EXPECT_TRUE(text.contains(QStringLiteral("more.html"))) << text.toStdString();
}

TEST_F(EditorWindowTest, ClosingSavesTheSettingsAndSaysWhenItCannot)
{
    EditorWindow& toy = showWindow();
    control<QSlider>(toy, "phongPowerSlider")->setValue(7);
    EXPECT_EQ(answerNextMessageBox([&] { toy.close(); }), QString());
    SettingsRecord storedOptions;
    Preset stored;
    std::ifstream in(settingsFilePath(), std::ios::binary);
    ASSERT_TRUE(in.good()) << settingsFilePath() << " " << toy.isVisible();
    ASSERT_TRUE(readSettingsFile(storedOptions, stored, in));
    EXPECT_EQ(stored.objects.stacks[5][0]->shapes[0].phong, 7);
    EXPECT_FALSE(toy.liveViewTimer()->isActive()) << "a closed editor draws no more";

    // A settings file that is a folder cannot be replaced.
    m_window.reset();
    std::filesystem::remove(settingsFilePath());
    std::filesystem::create_directories(settingsFilePath() / "blocker");
    EditorWindow& second = showWindow();
    const QString text = answerNextMessageBox([&] { second.close(); });
    EXPECT_TRUE(text.contains(QString::fromStdString(settingsFilePath().string()))) << "[" << text.toStdString() << "]";
}

} // namespace

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
