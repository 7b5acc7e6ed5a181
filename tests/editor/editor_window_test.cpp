#include "tests/editor/editor_fixture.h"

#include "controls/button_face.h"
#include "controls/path_painter.h"
#include "controls/sphere_button.h"
#include "editor/auto_apply_dialog.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"
#include "editor/export_flows.h"

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
    ShapeOf(0, 0).Phong = 13;
    ShapeOf(0, 0).Mirror = 0.29f;
    EditorWindow& toy = ShowWindow();
    EXPECT_EQ(toy.size(), QSize(722, 485));
    EXPECT_EQ(toy.windowTitle(), QString::fromStdString(ProductTitle));
    EXPECT_EQ(toy.Pages->currentWidget(), toy.Panel_TabRender);
    EXPECT_EQ(toy.Editor.CurrentObject, 0);
    EXPECT_EQ(toy.Editor.CurrentShape, 0);
    EXPECT_EQ(toy.SliderPhong->value(), 13);
    EXPECT_EQ(toy.SliderMirror->value(), 29);
    EXPECT_EQ(toy.SliderMainSize->minimum(), 20);
    EXPECT_EQ(toy.SliderPhong->maximum(), 20);
    EXPECT_EQ(ShapeOf(0, 0).Mirror, 0.29f) << "showing a shape leaves it as it was";
    EXPECT_EQ(toy.SButton_Formula->caption(), QStringLiteral("Formula: 0"));
    EXPECT_EQ(toy.SButton_Mirror->caption(), QStringLiteral("Mirror: Horiz."));
    EXPECT_EQ(toy.SButton_Palette->caption(), QStringLiteral("Palette: 0"));
}

// Every control of the column lies inside it, and the controls of one page never overlap.
TEST_F(EditorWindowTest, PagesHoldTheirControlsInsideWithoutOverlap)
{
    EditorWindow& toy = ShowWindow();
    for (QWidget* page : { toy.Panel_TabRender, toy.Panel_TabSave, toy.Panel_TabOptions, toy.Panel_TabHelp,
             toy.Panel_TabPresets }) {
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
    EXPECT_EQ(toy.panelShower->geometry(), QRect(0, 0, 492, 369));
    EXPECT_EQ(toy.panelLAShower->size(), QSize(79, 77));
    EXPECT_EQ(toy.panelObjectBrowser->size(), QSize(40, 200));
    for (PicturePanel* thumbnail : toy.panelObject)
        EXPECT_EQ(thumbnail->size(), QSize(50, 50));
}

// Each tab shows its page and is the only one drawn as the front tab, in the front face.
TEST_F(EditorWindowTest, TabsChangeNeitherThePresetNorTheOptions)
{
    EditorWindow& toy = ShowWindow();
    const std::string preset = PresetBytes();
    const std::string settings = SettingsBytes();
    const std::array<SphereButton*, 5> tabs
        = { toy.Button_TabRender, toy.Button_TabSave, toy.Button_TabOptions, toy.Button_TabHelp, toy.Button_TabPresets };
    const std::array<QWidget*, 5> pages
        = { toy.Panel_TabRender, toy.Panel_TabSave, toy.Panel_TabOptions, toy.Panel_TabHelp, toy.Panel_TabPresets };
    EXPECT_TRUE(toy.Button_TabRender->front()) << "the Render page shows first";
    for (const size_t shown : { 1, 2, 3, 4, 0 }) {
        click(tabs[shown]);
        QApplication::processEvents();
        EXPECT_EQ(toy.Pages->currentWidget(), pages[shown]);
        for (size_t i = 0; i < tabs.size(); ++i)
            EXPECT_EQ(tabs[i]->front(), i == shown) << "tab " << i << " with page " << shown;
        EXPECT_EQ(tabs[shown]->pad().pixels,
            BuildButtonFace(FrontFaceShape(tabs[shown]->shape()), 46, 23).pixels);
    }
    click(toy.Button_TabHelp);
    EXPECT_EQ(toy.Pages->currentWidget(), toy.Panel_TabHelp);
    EXPECT_EQ(PresetBytes(), preset);
    EXPECT_EQ(SettingsBytes(), settings);
}

TEST_F(EditorWindowTest, SliderSpreadsAndThumbnailPicksTheObject)
{
    EditorWindow& toy = ShowWindow();
    toy.SliderPhong->setValue(18);
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(ShapeOf(object, 0).Phong, 18);
    toy.SliderSize1->setValue(60);
    EXPECT_EQ(ShapeOf(0, 0).Width, 60);
    EXPECT_EQ(ShapeOf(1, 0).Width, 100);

    ShapeOf(3, 0).Width = 44;
    click(toy.panelObject[3], Qt::RightButton);
    EXPECT_EQ(toy.Editor.CurrentObject, 0) << "only the left button selects";
    click(toy.panelObject[3]);
    EXPECT_EQ(toy.Editor.CurrentObject, 3);
    EXPECT_EQ(toy.SliderSize1->value(), 44);
    EXPECT_EQ(ShapeOf(0, 0).Width, 60);
}

TEST_F(EditorWindowTest, PalettePathColoursEveryObjectAndTheQuickTweaksStep)
{
    EditorWindow& toy = ShowWindow();
    QTest::mousePress(toy.PathPainter1, Qt::LeftButton, {}, QPoint(2, 25));
    for (int x = 10; x < 360; x += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 25), toy.PathPainter1->mapToGlobal(QPointF(x, 25)),
            Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(toy.PathPainter1, &move);
    }
    QTest::mouseRelease(toy.PathPainter1, Qt::LeftButton, {}, QPoint(360, 25));
    for (int object = 0; object < kObjectCount; ++object)
        EXPECT_EQ(ShapeOf(object, 0).Color, toy.PathPainter1->Colors()[static_cast<size_t>(object)]);
    EXPECT_NE(ShapeOf(0, 0).Color, ShapeOf(6, 0).Color) << "the path crossed the hues";

    click(toy.SButton_Palette);
    EXPECT_EQ(toy.SButton_Palette->caption(), QStringLiteral("Palette: 1"));
    click(toy.SButton14);
    EXPECT_EQ(toy.SButton_Palette->caption(), QStringLiteral("Palette: 0"));
    Settings.Formula = 19;
    click(toy.SButton_Formula);
    EXPECT_EQ(toy.SButton_Formula->caption(), QStringLiteral("Formula: 0"));
    Settings.Mirror = 3;
    click(toy.SButton_Mirror);
    EXPECT_EQ(toy.SButton_Mirror->caption(), QStringLiteral("Mirror: None"));
    EXPECT_EQ(ShapeOf(0, 0).Color, toy.PathPainter1->Colors()[0]) << "a palette step keeps the colours";
}

TEST_F(EditorWindowTest, RightReleaseOnASliderOpensTheApplyMenu)
{
    EditorWindow& toy = ShowWindow();
    click(toy.SliderMirror, Qt::RightButton);
    EXPECT_EQ(toy.Editor.ApplyParam, kGroupMirror);
    EXPECT_TRUE(toy.ApplyMenu->isVisible());
    const QList<QAction*> entries = toy.ApplyMenu->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("Apply to shapes of current object"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Apply to shapes of all object"));
    EXPECT_TRUE(entries[2]->isSeparator());
    EXPECT_EQ(entries[3]->text(), QStringLiteral("Automatic applying ..."));
    toy.ApplyMenu->hide();

    ShapeOf(0, 0).Mirror = 0.5f;
    ShapeOf(6, 0).Mirror = 0.1f;
    entries[1]->trigger();
    EXPECT_EQ(ShapeOf(6, 0).Mirror, 0.5f);
}

TEST_F(EditorWindowTest, LightPanelDragSetsTheSelectedShapesLight)
{
    EditorWindow& toy = ShowWindow();
    QTest::mousePress(toy.panelLAShower, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(39, 39), toy.panelLAShower->mapToGlobal(QPointF(39, 39)), Qt::NoButton,
        Qt::LeftButton, {});
    QApplication::sendEvent(toy.panelLAShower, &move);
    QTest::mouseRelease(toy.panelLAShower, Qt::LeftButton, {}, QPoint(39, 39));
    EXPECT_EQ(ShapeOf(0, 0).LightZ, -1.0f);
    EXPECT_EQ(ShapeOf(4, 0).LightZ, -1.0f) << "Light Angle starts Global";
    EXPECT_FALSE(toy.ApplyMenu->isVisible());
}

TEST_F(EditorWindowTest, DialogOpensOnTheParameterAndStoresEveryClick)
{
    EditorWindow& toy = ShowWindow();
    AutoApplyDialog& dialog = *toy.FormGlobals;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Automatic applying"));
    dialog.Prepare(kGroupHeight - 1);
    EXPECT_EQ(dialog.ListBoxWhat->currentItem()->text(), QStringLiteral("Height"));
    EXPECT_EQ(dialog.ListBoxHow->currentItem()->text(), QStringLiteral("Selected Shape"));

    dialog.Prepare(7);
    const QRect line = dialog.ListBoxHow->visualItemRect(dialog.ListBoxHow->item(1));
    dialog.show();
    QTest::mouseClick(dialog.ListBoxHow->viewport(), Qt::LeftButton, {}, line.center());
    EXPECT_EQ(Settings.ApplyModes[7], kApplySelectedObject);
    dialog.hide();
}

// An option that restarts the live view (the "Allow blur" box does) marks every stack for
// rebuilding and keeps the live view drawing from the event loop, which the test's own
// waiting runs.
TEST_F(EditorWindowTest, ARestartKeepsTheLiveViewDrawingWithEveryStackRebuilt)
{
    EditorWindow& toy = ShowWindow(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toy.LiveRenderer()->SpritesDrawn() > 0; }, 10000));
    for (int object = 0; object < kObjectCount; ++object)
        CurrentPreset.Objects.Stacks[static_cast<size_t>(object)][0]->ReducedDirty = 0;
    toy.RestartLiveView();
    EXPECT_TRUE(toy.LiveViewTimer()->IsActive());
    bool everyStackDirty = true;
    for (int object = 0; object < kObjectCount; ++object)
        everyStackDirty &= CurrentPreset.Objects.Stacks[static_cast<size_t>(object)][0]->ReducedDirty == 1;
    EXPECT_TRUE(everyStackDirty);
    const int64_t before = toy.LiveRenderer()->SpritesDrawn();
    EXPECT_TRUE(QTest::qWaitFor([&] { return toy.LiveRenderer()->SpritesDrawn() >= before + 7; }, 10000));
    EXPECT_EQ(CurrentPreset.Objects.Stacks[0][0]->ReducedDirty, 0) << "drawn again with a rebuilt sprite";
}

// A capture follows the live view's sprites; an editor destroyed in the middle of one lets go
// of its renderer first and leaves no file behind.
TEST_F(EditorWindowTest, DestroyingTheEditorDuringACaptureLeavesNoFile)
{
    EditorWindow& toy = ShowWindow();
    GifCapture& capture = toy.Exports->Capture();
    capture.GifFileName = (m_home.root() / "unfinished.gif").string();
    capture.StartGifCapture();
    toy.LiveRenderer()->DrawSprites(10);
    ASSERT_TRUE(capture.Active());
    m_window.reset();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_home.root()))
        EXPECT_EQ(entry.path().filename().string().find("unfinished"), std::string::npos) << entry.path();
}

TEST_F(EditorWindowTest, MissingHelpDocumentIsSaid)
{
    Settings.InstalledDir = (m_home.root() / "nowhere").string();
    EditorWindow& toy = ShowWindow();
    const QString text = AnswerNextMessageBox([&] { click(toy.SButton2); });
    EXPECT_TRUE(text.contains(QStringLiteral("help document is missing"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Opal Revel Help.html")));
}

// The offscreen platform has no desktop handler for anything, like a desktop without a
// browser: each button says what could not be opened.
TEST_F(EditorWindowTest, WithoutADesktopHandlerTheHelpButtonsSaySo)
{
    Settings.InstalledDir = OPAL_SOURCE_DIR "/data";
    EditorWindow& toy = ShowWindow();
    QString text = AnswerNextMessageBox([&] { click(toy.SButton2); });
    EXPECT_TRUE(text.contains(QStringLiteral("No program is set up"))) << text.toStdString();
    text = AnswerNextMessageBox([&] { click(toy.SButton3); });
    EXPECT_TRUE(text.contains(QStringLiteral("https://opal-revel.example.org/"))) << text.toStdString();
    text = AnswerNextMessageBox([&] { click(toy.SButton19); });
    EXPECT_TRUE(text.contains(QStringLiteral("more.html"))) << text.toStdString();
}

TEST_F(EditorWindowTest, ClosingSavesTheSettingsAndSaysWhenItCannot)
{
    EditorWindow& toy = ShowWindow();
    toy.SliderPhong->setValue(7);
    EXPECT_EQ(AnswerNextMessageBox([&] { toy.close(); }), QString());
    Preset stored;
    std::ifstream in(SettingsFilePath(), std::ios::binary);
    ASSERT_TRUE(in.good()) << SettingsFilePath() << " " << toy.isVisible();
    ASSERT_TRUE(ReadSettingsFile(stored, in));
    EXPECT_EQ(stored.Objects.Stacks[5][0]->Shapes[0].Phong, 7);
    EXPECT_FALSE(toy.LiveViewTimer()->IsActive()) << "a closed editor draws no more";

    // A settings file that is a folder cannot be replaced.
    m_window.reset();
    std::filesystem::remove(SettingsFilePath());
    std::filesystem::create_directories(SettingsFilePath() / "blocker");
    EditorWindow& second = ShowWindow();
    const QString text = AnswerNextMessageBox([&] { second.close(); });
    EXPECT_TRUE(text.contains(QString::fromStdString(SettingsFilePath().string()))) << "[" << text.toStdString() << "]";
}

} // namespace

int main(int argc, char** argv) { return RunWidgetTests(argc, argv); }
