// What a screen reader is told of the editor, read in process through QAccessible: every
// control of every page and dialog with its role, name and first action; the page tabs and
// format buttons that say which is in front; the apply menu from the keyboard; the shape
// browser's items; and the parts of the toolkit's dialogs that it leaves unnamed.

#include "tests/editor/editor_fixture.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/panel_accessible.h"
#include "editor/shape_stack_browser.h"

#include <QAccessible>
#include <QColorDialog>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <map>
#include <set>

namespace {

using Role = QAccessible::Role;

struct Expected {
    Role role;
    const char* name;
    const char* action; // the first action; empty: none
};

// Every control of the window and of the dialogs it owns. A control missing here fails the
// sweep below, so a new control comes with its line.
const std::map<QString, Expected>& expectedControls()
{
    const char* press = "Press";
    const char* toggle = "Toggle";
    const char* focus = "SetFocus";
    static const std::map<QString, Expected> table = {
        // The frame and the quick tweaks bar.
        { "liveView", { QAccessible::Client, "Live view", focus } },
        { "clearScreenButton", { QAccessible::Button, "Clear Screen", press } },
        { "objectThumbnail1", { QAccessible::RadioButton, "Object 1", "Select" } },
        { "objectThumbnail7", { QAccessible::RadioButton, "Object 7", "Select" } },
        { "objectSwitch1", { QAccessible::CheckBox, "Object 1 drawn", toggle } },
        { "objectSwitch7", { QAccessible::CheckBox, "Object 7 drawn", toggle } },
        { "palettePath", { QAccessible::Client, "Palette path", focus } },
        { "formulaButton", { QAccessible::Button, "Formula: 0", press } },
        { "classicFormulaButton", { QAccessible::Button, "Reset formula", press } },
        { "mirrorButton", { QAccessible::Button, "Mirror: Horiz.", press } },
        { "noMirrorButton", { QAccessible::Button, "No mirror", press } },
        { "paletteButton", { QAccessible::Button, "Palette: 0", press } },
        { "classicPaletteButton", { QAccessible::Button, "Reset palette", press } },
        { "renderTabButton", { QAccessible::PageTab, "Render", press } },
        { "saveTabButton", { QAccessible::PageTab, "Save", press } },
        { "optionsTabButton", { QAccessible::PageTab, "Options", press } },
        { "helpTabButton", { QAccessible::PageTab, "Help", press } },
        { "presetsTabButton", { QAccessible::PageTab, "Presets", press } },
        // Render page.
        { "roundSlowerButton", { QAccessible::Button, "Slower round speed", press } },
        { "roundKnob", { QAccessible::StaticText, "Round speed knob", "" } },
        { "roundFasterButton", { QAccessible::Button, "Faster round speed", press } },
        { "radialSlowerButton", { QAccessible::Button, "Slower radial speed", press } },
        { "radialKnob", { QAccessible::StaticText, "Radial speed knob", "" } },
        { "radialFasterButton", { QAccessible::Button, "Faster radial speed", press } },
        { "masterSizeSlider", { QAccessible::Slider, "Master size", focus } },
        { "shapeWidthSlider", { QAccessible::Slider, "Shape width", focus } },
        { "shapeHeightSlider", { QAccessible::Slider, "Shape height", focus } },
        { "phongPowerSlider", { QAccessible::Slider, "Phong power", focus } },
        { "mirrorLightSlider", { QAccessible::Slider, "Mirror light", focus } },
        { "ambientLightSlider", { QAccessible::Slider, "Ambient light", focus } },
        { "lightAngleDisc", { QAccessible::Dial, "Light angle", focus } },
        { "shapeColorButton", { QAccessible::Button, "Shape color", press } },
        { "shapeTypeButton", { QAccessible::Button, "Shape type", press } },
        { "cloneShapeButton", { QAccessible::Button, "Clone selected shape", press } },
        { "removeShapeButton", { QAccessible::Button, "Remove selected shape", press } },
        { "moveShapeUpButton", { QAccessible::Button, "Move shape UP", press } },
        { "moveShapeDownButton", { QAccessible::Button, "Move shape DOWN", press } },
        { "shapeStackBrowser", { QAccessible::List, "Shapes of the selected object", focus } },
        // Save page.
        { "savePresetButton", { QAccessible::Button, "Save as Preset", press } },
        { "saveJpegButton", { QAccessible::Button, "Save as JPEG image", press } },
        { "saveGifButton", { QAccessible::Button, "Save as GIF animation", press } },
        // Options page.
        { "travelBox", { QAccessible::CheckBox, "Travelling animation", toggle } },
        { "changePresetBox", { QAccessible::CheckBox, "Change Preset", toggle } },
        { "changeFormulaBox", { QAccessible::CheckBox, "Change Formula", toggle } },
        { "changeMirrorBox", { QAccessible::CheckBox, "Change Mirror", toggle } },
        { "changeIntervalDisplay", { QAccessible::StaticText, "Autopilot interval, 10 secs", "" } },
        { "changeIntervalFasterButton", { QAccessible::Button, "Faster autopilot changes", press } },
        { "changeIntervalSlowerButton", { QAccessible::Button, "Slower autopilot changes", press } },
        { "randomStartBox", { QAccessible::CheckBox, "Start with random preset", toggle } },
        { "lowResBox", { QAccessible::CheckBox, "Switch to 640x480", toggle } },
        { "animationSizeDisplay", { QAccessible::StaticText, "Animation Size: 75%", "" } },
        { "animationSizeMinusButton", { QAccessible::Button, "Smaller animation", press } },
        { "animationSizePlusButton", { QAccessible::Button, "Larger animation", press } },
        { "presetsFolderField", { QAccessible::EditableText, "Presets folder", focus } },
        { "changeFolderButton", { QAccessible::Button, "Change presets folder", press } },
        { "blurBox", { QAccessible::CheckBox, "Allow blur", toggle } },
        { "blurInterlaceBox", { QAccessible::CheckBox, "Interlaced blur", toggle } },
        { "blurAutoChangeBox", { QAccessible::CheckBox, "Auto change", toggle } },
        { "blurIntervalDisplay", { QAccessible::StaticText, "Blur change interval, 10 secs", "" } },
        { "blurIntervalFasterButton", { QAccessible::Button, "Faster blur changes", press } },
        { "blurIntervalSlowerButton", { QAccessible::Button, "Slower blur changes", press } },
        { "idleServiceBox", { QAccessible::CheckBox, "Start the saver when idle", toggle } },
        { "idleMinutesBox", { QAccessible::SpinBox, "Minutes before the saver starts", focus } },
        { "idleMinutesBoxField", { QAccessible::EditableText, "Minutes before the saver starts", focus } },
        { "idleBatteryChoice", { QAccessible::ComboBox, "Slower", "ShowMenu" } }, // its line; labelled "On battery"
        { "idleBlankBox", { QAccessible::SpinBox, "Minutes before the screens go black", focus } },
        { "idleBlankBoxField", { QAccessible::EditableText, "Minutes before the screens go black", focus } },
        { "idleLockBox", { QAccessible::SpinBox, "Seconds before the session locks", focus } },
        { "idleLockBoxField", { QAccessible::EditableText, "Seconds before the session locks", focus } },
        // Help page.
        { "displayHelpButton", { QAccessible::Button, "Display help", press } },
        { "homePageButton", { QAccessible::Button, "Visit home page", press } },
        { "suggestFeatureButton", { QAccessible::Button, "Suggest a feature", press } },
        { "moreSoftwareButton", { QAccessible::Button, "More COOL software", press } },
        // Presets page.
        { "previousPresetButton", { QAccessible::Button, "Previous", press } },
        { "randomPresetButton", { QAccessible::Button, "Random", press } },
        { "nextPresetButton", { QAccessible::Button, "Next", press } },
        { "presetList", { QAccessible::List, "Presets", "" } },
        // The animation dialog.
        { "gifFormatButton", { QAccessible::PageTab, "GIF format", press } },
        { "webpFormatButton", { QAccessible::PageTab, "WebP format", press } },
        { "webmFormatButton", { QAccessible::PageTab, "WebM format", press } },
        { "frameSizeSlider", { QAccessible::Slider, "Image size", focus } },
        { "frameRateSlider", { QAccessible::Slider, "Frames per second", focus } },
        { "frameCountSlider", { QAccessible::Slider, "Total frame count", focus } },
        { "objectsPerFrameSlider", { QAccessible::Slider, "Objects per frame", focus } },
        { "gifColorsSlider", { QAccessible::Slider, "Palette colors", focus } },
        { "webpQualitySlider", { QAccessible::Slider, "WebP quality", focus } },
        { "webmQualitySlider", { QAccessible::Slider, "WebM quality level", focus } },
        { "webmBitRateSlider", { QAccessible::Slider, "WebM bit rate", focus } },
        { "webpLosslessBox", { QAccessible::CheckBox, "Lossless", toggle } },
        { "createAnimationButton", { QAccessible::Button, "Create GIF", press } },
        { "cancelAnimationButton", { QAccessible::Button, "Cancel", press } },
        // The capture's progress window, the folder chooser, the automatic-applying dialog.
        { "cancelCaptureButton", { QAccessible::Button, "Cancel GIF creation!", press } },
        { "folderList", { QAccessible::List, "Folders", "" } },
        { "pathField", { QAccessible::EditableText, "Folder path", focus } },
        { "okButton", { QAccessible::Button, "OK", press } },
        { "cancelButton", { QAccessible::Button, "Cancel", press } },
        { "applyWhatList", { QAccessible::List, "What to apply", "" } },
        { "applyHowList", { QAccessible::List, "How to apply", "" } },
        { "applyCloseButton", { QAccessible::Button, "Close", press } },
    };
    return table;
}

QAccessibleInterface* readerOf(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); }

QAccessibleInterface* readerOf(const QWidget& root, const char* name)
{
    return readerOf(control<QWidget>(root, QString::fromLatin1(name)));
}

// Does one of a control's actions, as a reader asks for it.
void doAction(const QWidget& root, const char* name, const QString& action)
{
    QAccessibleInterface* reader = readerOf(root, name);
    QAccessibleActionInterface* actions = reader ? reader->actionInterface() : nullptr;
    ASSERT_NE(actions, nullptr) << name;
    actions->doAction(action);
}

// What a user acts on: what a reader takes for a control, or what the keyboard reaches.
bool interactive(QWidget* widget)
{
    static const std::set<Role> controlRoles = { QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::PageTab, QAccessible::Slider, QAccessible::Dial, QAccessible::List, QAccessible::EditableText };
    QAccessibleInterface* reader = readerOf(widget);
    return reader && (controlRoles.count(reader->role()) > 0 || widget->focusPolicy() != Qt::NoFocus);
}

QString firstAction(QAccessibleInterface* reader)
{
    QAccessibleActionInterface* actions = reader->actionInterface();
    return actions && !actions->actionNames().isEmpty() ? actions->actionNames().first() : QString();
}

} // namespace

// The table holds for every control it names; every interactive object of every page and
// dialog is in it, named in words (a letter at least), with a description that adds to the
// name, and no two siblings share a name.
TEST_F(EditorWindowTest, EveryControlOfEveryPageAndDialogIsNamedInWords)
{
    EditorWindow& toy = showWindow();
    for (const auto& [object, expected] : expectedControls()) {
        SCOPED_TRACE(object.toStdString());
        QAccessibleInterface* reader = readerOf(control<QWidget>(toy, object));
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->role(), expected.role);
        EXPECT_EQ(reader->text(QAccessible::Name), QString::fromLatin1(expected.name));
        EXPECT_EQ(firstAction(reader), QString::fromLatin1(expected.action));
    }

    const QRegularExpression word(QStringLiteral("[A-Za-z]"));
    std::map<std::pair<QObject*, QString>, QString> namesByParent;
    for (QWidget* widget : toy.findChildren<QWidget*>()) {
        if (!interactive(widget))
            continue;
        QString object = widget->objectName();
        if (object.startsWith(QStringLiteral("objectThumbnail")) || object.startsWith(QStringLiteral("objectSwitch")))
            object.chop(1); // the table holds the first and the last of the seven
        EXPECT_TRUE(expectedControls().count(widget->objectName()) || expectedControls().count(object + '1'))
            << "not in the table: " << widget->metaObject()->className() << " '" << widget->objectName().toStdString()
            << "'";
        QAccessibleInterface* reader = readerOf(widget);
        const QString name = reader->text(QAccessible::Name);
        EXPECT_TRUE(name.contains(word)) << widget->objectName().toStdString() << ": '" << name.toStdString() << "'";
        EXPECT_NE(reader->text(QAccessible::Description).compare(name, Qt::CaseInsensitive), 0)
            << widget->objectName().toStdString() << " repeats its name in its description";
        const auto [sibling, added] = namesByParent.emplace(std::make_pair(widget->parent(), name), object);
        EXPECT_TRUE(added) << object.toStdString() << " and " << sibling->second.toStdString() << " are both '"
                           << name.toStdString() << "'";
    }

    // The lists' lines are named in words too: the folder chooser's ".." goes up.
    auto* folders = control<QListWidget>(toy, "folderList");
    ASSERT_GT(folders->count(), 0);
    EXPECT_EQ(readerOf(folders)->child(0)->text(QAccessible::Name), QStringLiteral("Parent folder"));
    auto* phong = control<QSlider>(toy, "phongPowerSlider");
    ASSERT_NE(readerOf(phong)->valueInterface(), nullptr);
    EXPECT_EQ(readerOf(phong)->valueInterface()->currentValue().toInt(), phong->value());
}

// Only the page in front, and the chosen format, read as selected; a press through the
// reader brings another to the front.
TEST_F(EditorWindowTest, TabsAndFormatButtonsSayWhichIsInFront)
{
    EditorWindow& toy = showWindow();
    const char* const tabs[] = { "renderTabButton", "saveTabButton", "optionsTabButton", "helpTabButton",
        "presetsTabButton" };
    const char* const formats[] = { "gifFormatButton", "webpFormatButton", "webmFormatButton" };
    const auto selectedOf = [&toy](const auto& row) {
        QStringList selected;
        for (const char* name : row) {
            if (readerOf(toy, name)->state().selected)
                selected << QString::fromLatin1(name);
        }
        return selected;
    };
    EXPECT_EQ(selectedOf(tabs), QStringList { "renderTabButton" });
    QTest::keyClick(&toy, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(selectedOf(tabs), QStringList { "optionsTabButton" });
    doAction(toy, "presetsTabButton", QAccessibleActionInterface::pressAction());
    EXPECT_EQ(selectedOf(tabs), QStringList { "presetsTabButton" });

    EXPECT_EQ(selectedOf(formats), QStringList { "gifFormatButton" });
    doAction(toy, "webmFormatButton", QAccessibleActionInterface::pressAction());
    EXPECT_EQ(selectedOf(formats), QStringList { "webmFormatButton" });
    EXPECT_TRUE(readerOf(toy, "gifFormatButton")->text(QAccessible::Description).isEmpty())
        << "the state says it, not a description";
}

// The Menu key and Shift+F10 open the apply menu at the focused slider or light disc, for
// that control's value, as a right-click there does.
TEST_F(EditorWindowTest, MenuKeyAndShiftF10OpenTheApplyMenuAtTheControl)
{
    EditorWindow& toy = showWindow();
    toy.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&toy));
    auto* menu = control<QMenu>(toy, "applyMenu");
    struct Case {
        const char* control;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int32_t parameter;
    };
    const Case cases[] = {
        { "shapeHeightSlider", Qt::Key_Menu, Qt::NoModifier, kGroupHeight },
        { "ambientLightSlider", Qt::Key_F10, Qt::ShiftModifier, kGroupAmbient },
        { "lightAngleDisc", Qt::Key_Menu, Qt::NoModifier, kGroupLightAngle },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.control);
        auto* target = control<QWidget>(toy, test.control);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, test.key, test.modifiers);
        ASSERT_TRUE(menu->isVisible());
        EXPECT_EQ(toy.editor.applyParam, test.parameter);
        const QRect at(target->mapToGlobal(QPoint(0, 0)), target->size());
        // Under the control's left edge, moved left where the screen ends.
        EXPECT_EQ(menu->geometry().top(), at.bottom() + 1);
        EXPECT_LE(menu->geometry().left(), at.left());
        EXPECT_GE(menu->geometry().right(), at.left());
        menu->hide();
    }
    QTest::keyClick(control<QWidget>(toy, "masterSizeSlider"), Qt::Key_F10);
    EXPECT_FALSE(menu->isVisible()) << "F10 alone is no menu key";
}

// The browser's shapes are list items named with their place and type; the selected one
// reads as selected, the arrows move it, and selecting an item through the reader selects
// that shape. A thumbnail's select action selects its object.
TEST_F(EditorWindowTest, ShapeBrowserListsItsShapesAsItems)
{
    EditorWindow& toy = showWindow();
    for (int clone = 0; clone < 2; ++clone)
        doAction(toy, "cloneShapeButton", QAccessibleActionInterface::pressAction());
    QAccessibleInterface* list = readerOf(toy, "shapeStackBrowser");
    ASSERT_EQ(list->childCount(), 3);
    const auto selectedItems = [list] {
        QStringList names;
        for (int i = 0; i < list->childCount(); ++i) {
            EXPECT_EQ(list->child(i)->role(), QAccessible::ListItem);
            if (list->child(i)->state().selected)
                names << list->child(i)->text(QAccessible::Name);
        }
        return names;
    };
    EXPECT_EQ(list->child(1)->text(QAccessible::Name), QStringLiteral("Shape 2 of 3, sphere"));
    EXPECT_EQ(list->indexOfChild(list->child(2)), 2);
    EXPECT_EQ(selectedItems(), QStringList { QStringLiteral("Shape %1 of 3, sphere").arg(toy.editor.currentShape + 1) });

    list->child(0)->actionInterface()->doAction(selectActionName());
    EXPECT_EQ(toy.editor.currentShape, 0);
    EXPECT_EQ(selectedItems(), QStringList { "Shape 1 of 3, sphere" });
    QTest::keyClick(control<QWidget>(toy, "shapeStackBrowser"), Qt::Key_Down);
    EXPECT_EQ(selectedItems(), QStringList { "Shape 2 of 3, sphere" });
    // The items lie in the bottom three cells, the first one highest.
    const int side = list->rect().width();
    EXPECT_EQ(list->child(0)->rect(), QRect(list->rect().topLeft() + QPoint(0, 2 * side), QSize(side, side)));
    EXPECT_EQ(list->child(2)->rect().bottom(), list->rect().top() + ShapeStackBrowserPainter::kCells * side - 1);

    doAction(toy, "objectThumbnail4", selectActionName());
    EXPECT_EQ(toy.editor.currentObject, 3);
    EXPECT_TRUE(readerOf(toy, "objectThumbnail4")->state().checked);
}

// The pictures and the grip that the toolkit's colour and file dialogs leave unnamed get a
// name; what is left unnamed holds other controls.
TEST_F(EditorWindowTest, StockDialogsHaveNoUnnamedPictures)
{
    QColorDialog color;
    QFileDialog file;
    file.setSizeGripEnabled(true);
    for (QWidget* dialog : { static_cast<QWidget*>(&color), static_cast<QWidget*>(&file) }) {
        nameStockDialogParts(dialog);
        dialog->show();
        QApplication::processEvents();
        for (QWidget* part : dialog->findChildren<QWidget*>()) {
            const Role role = readerOf(part)->role();
            const bool picture = role == QAccessible::Graphic || role == QAccessible::Border || role == QAccessible::Grip;
            if (picture && part->isVisible() && part->findChildren<QWidget*>().isEmpty()) {
                EXPECT_FALSE(readerOf(part)->text(QAccessible::Name).isEmpty()) << part->metaObject()->className();
            }
        }
        dialog->hide();
    }
}

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
