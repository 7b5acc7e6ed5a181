// The editor's pages as widgets of their own, on the offscreen platform: each is built
// without the window, its controls act on the ShapeEditor it is handed or say what was
// pressed through its signals, and every control of the window is found by a name of its own.

#include "tests/editor/editor_fixture.h"

#include "controls/path_painter.h"
#include "controls/sphere_button.h"
#include "editor/options_page.h"
#include "editor/quick_tweaks_bar.h"
#include "editor/render_page.h"
#include "editor/save_page.h"
#include "engine/picture_panel.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <vector>

namespace {

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5)); }

// The controls a user works with: every one of them in the window, its pages and its dialogs
// carries a name of its own, so that tests and tools can find it.
TEST_F(EditorWindowTest, EveryControlOfTheWindowHasANameOfItsOwn)
{
    EditorWindow& toy = showWindow();
    QSet<QString> names;
    int controls = 0;
    for (QWidget* widget : toy.findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<SphereButton*>(widget) || qobject_cast<QSlider*>(widget)
            || qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget)
            || qobject_cast<PicturePanel*>(widget) || qobject_cast<PathPainter*>(widget);
        if (!isControl)
            continue;
        ++controls;
        const QString name = widget->objectName();
        EXPECT_FALSE(name.isEmpty()) << widget->metaObject()->className() << " in "
                                     << widget->parentWidget()->objectName().toStdString();
        EXPECT_FALSE(names.contains(name)) << name.toStdString() << " names two controls";
        names.insert(name);
    }
    // The frame, the bar, five pages and four dialogs hold some ninety controls.
    EXPECT_GT(controls, 80);
}

// The Save page only reports its buttons: each button raises its own signal and no other.
struct SaveButtonCase {
    const char* button;
    int signal; // 0 preset, 1 JPEG, 2 GIF
};

class SavePageTest : public ::testing::TestWithParam<SaveButtonCase> { };

TEST_P(SavePageTest, EachButtonRaisesItsOwnSignal)
{
    SavePage page(nullptr);
    QSignalSpy preset(&page, &SavePage::savePresetPressed);
    QSignalSpy jpeg(&page, &SavePage::saveJpegPressed);
    QSignalSpy gif(&page, &SavePage::saveGifPressed);
    click(control<SphereButton>(page, QString::fromLatin1(GetParam().button)));
    const std::vector<qsizetype> counts { preset.count(), jpeg.count(), gif.count() };
    std::vector<qsizetype> expected(3, 0);
    expected[static_cast<size_t>(GetParam().signal)] = 1;
    EXPECT_EQ(counts, expected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, SavePageTest,
    ::testing::Values(
        SaveButtonCase { "savePresetButton", 0 }, SaveButtonCase { "saveJpegButton", 1 },
        SaveButtonCase { "saveGifButton", 2 }));

// The Options page changes the options it is handed by the rules and asks for a fresh live view only for the
// option the live view draws with; "Change" is left to whoever holds the folder chooser.
TEST(OptionsPageTest, ChangesItsOptionsAndSaysWhenTheLiveViewMustFollow)
{
    SettingsRecord options;
    OptionsPage page(options, nullptr);
    page.showOptions();
    QSignalSpy liveView(&page, &OptionsPage::liveViewOptionChanged);
    QSignalSpy changeFolder(&page, &OptionsPage::changeFolderPressed);

    const bool random = options.randomStart;
    click(control<SphereButton>(page, "randomStartBox"));
    EXPECT_EQ(options.randomStart, !random);
    EXPECT_EQ(liveView.count(), 0) << "the saver's start is not drawn by the live view";

    const bool filter = options.filter;
    click(control<SphereButton>(page, "blurBox"));
    EXPECT_EQ(options.filter, !filter);
    EXPECT_EQ(liveView.count(), 1);

    const std::string folder = options.presetsDir;
    click(control<SphereButton>(page, "changeFolderButton"));
    EXPECT_EQ(changeFolder.count(), 1);
    EXPECT_EQ(options.presetsDir, folder) << "the page itself chooses no folder";

    page.showPresetsFolder(QString());
    EXPECT_EQ(control<QLineEdit>(page, "presetsFolderField")->text(), QStringLiteral("no directory"));
    page.showPresetsFolder(QStringLiteral("/some/presets"));
    EXPECT_EQ(control<QLineEdit>(page, "presetsFolderField")->text(), QStringLiteral("/some/presets"));
}

// A Render page and a quick tweaks bar handed an editor of their own, without the window.
class StandalonePageTest : public ::testing::Test {
protected:
    void SetUp() override { m_editor = std::make_unique<ShapeEditor>(m_run); }

    RunRecord m_run;
    std::unique_ptr<ShapeEditor> m_editor;
};

// Each slider of the Render page is the parameter its name says.
TEST_F(StandalonePageTest, RenderPageSlidersReachTheirParameters)
{
    RenderPage page(*m_editor, nullptr);
    page.showSliderRanges();
    m_editor->selectObject(0);
    const std::pair<const char*, int32_t> sliders[] = { { "masterSizeSlider", kGroupMasterSize },
        { "shapeWidthSlider", kGroupWidth }, { "shapeHeightSlider", kGroupHeight },
        { "phongPowerSlider", kGroupPhong }, { "mirrorLightSlider", kGroupMirror },
        { "ambientLightSlider", kGroupAmbient } };
    for (const auto& [name, parameter] : sliders) {
        QSlider* slider = control<QSlider>(page, QString::fromLatin1(name));
        const int value = (slider->minimum() + slider->maximum()) / 2 + 1;
        slider->setValue(value);
        EXPECT_EQ(m_editor->sliderValue(parameter), value) << name;
        page.showSlider(parameter, slider->minimum());
        EXPECT_EQ(slider->value(), slider->minimum()) << name << " shows what the editor says";
        EXPECT_EQ(m_editor->sliderValue(parameter), value) << name << " does not report what it was told";
    }
}

// The Render page's shape buttons act on the editor's selected shape.
TEST_F(StandalonePageTest, RenderPageShapeButtonsEditTheStack)
{
    RenderPage page(*m_editor, nullptr);
    m_editor->selectObject(0);
    const int32_t shapes = shapesInUse(*m_editor->selectedStack());
    ASSERT_LT(shapes, kMaxShapes) << "the start preset leaves room for a clone";
    click(control<SphereButton>(page, "cloneShapeButton"));
    EXPECT_EQ(shapesInUse(*m_editor->selectedStack()), shapes + 1);
    click(control<SphereButton>(page, "removeShapeButton"));
    EXPECT_EQ(shapesInUse(*m_editor->selectedStack()), shapes);
}

// The bar's thumbnails select their object with the left button only, and its switches
// switch the objects of the preset.
TEST_F(StandalonePageTest, QuickTweaksBarSelectsAndSwitchesObjects)
{
    QuickTweaksBar bar(*m_editor, m_run, nullptr);
    bar.bindThumbnails();
    bar.showSwitches();
    for (const int object : { 4, 0, 6 }) {
        QTest::mouseClick(objectThumbnail(bar, object), Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_NE(m_editor->currentObject, object) << "only the left button selects";
        QTest::mouseClick(objectThumbnail(bar, object), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(m_editor->currentObject, object);
    }
    click(control<SphereButton>(bar, QStringLiteral("objectSwitch3")));
    EXPECT_EQ(m_run.preset.objectEnabled[2], 0);
    EXPECT_NE(m_run.preset.objectEnabled[1], 0);
}

} // namespace

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
