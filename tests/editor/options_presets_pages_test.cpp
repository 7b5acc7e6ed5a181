// The editor's Options and Presets pages and "Save as Preset", on the offscreen platform: the
// pages show the options and change them by the rules, the presets list follows the library, a
// chosen preset reaches the whole window, and the dialogs change nothing when cancelled.

#include "editor/editor_window.h"
#include "engine/refresh_timer.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_chooser.h"
#include "engine/renderer.h"
#include "presets/preset_library.h"
#include "shapes/palettes.h"
#include "tests/editor/editor_fixture.h"
#include "tests/presets/preset_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

namespace {

namespace fs = std::filesystem;

using DialogAnswer = std::function<void(QWidget*)>;

// Answers the dialogs that show while it is installed, one answer per dialog in order. The
// answer runs from the dialog's own event loop, right after the dialog has been shown.
class DialogAnswerer : public QObject {
public:
    explicit DialogAnswerer(std::vector<DialogAnswer> answers)
        : m_pending(answers.begin(), answers.end())
    {
        qApp->installEventFilter(this);
    }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }
    std::size_t left() const { return m_pending.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isWindow() && !m_pending.empty()) {
            DialogAnswer answer = std::move(m_pending.front());
            m_pending.pop_front();
            QTimer::singleShot(0, dialog, [dialog, answer = std::move(answer)] { answer(dialog); });
        }
        return false;
    }

private:
    std::deque<DialogAnswer> m_pending;
};

// Runs the action and answers the dialogs it opens; answers left over are a failure.
void withDialogs(std::vector<DialogAnswer> answers, const std::function<void()>& action)
{
    DialogAnswerer answerer(std::move(answers));
    action();
    EXPECT_EQ(answerer.left(), 0u) << "dialogs that did not open";
}

DialogAnswer saveAs(const fs::path& path)
{
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr) << "expected the file dialog";
        EXPECT_EQ(dialog->windowTitle(), "Save current preset");
        EXPECT_TRUE(dialog->nameFilters().contains("Opal Revel Presets (*.vhp)"));
        dialog->selectFile(QString::fromStdString(path.string()));
        QMetaObject::invokeMethod(dialog, "accept");
    };
}

DialogAnswer cancelDialog()
{
    return [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
}

DialogAnswer messageBox(QString& text, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    return [&text, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "expected a message box";
        text = box->text();
        box->button(button)->click();
    };
}

// What a widget receives from a double click: press, release, double click, release.
void doubleClick(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
}

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5)); }

QStringList listLines(const QListWidget& list)
{
    QStringList lines;
    for (int i = 0; i < list.count(); ++i)
        lines << list.item(i)->text();
    return lines;
}

QStringList libraryNames(const PresetLibrary& library)
{
    QStringList names;
    for (int32_t i = 0; i < library.count; ++i)
        names << QString::fromStdString(library.names[static_cast<std::size_t>(i)]);
    return names;
}

class Pages : public PresetFixture {
protected:
    void SetUp() override
    {
        PresetFixture::SetUp();
        fs::create_directories(presetsFolder());
        m_options.presetsDir = presetsFolder().string();
        for (int i = 0; i < 3; ++i)
            writePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    }
    void TearDown() override
    {
        m_toy.reset();
        PresetFixture::TearDown();
    }
    // The window as shown, its live view stopped, so that nothing changes under the test.
    void open()
    {
        m_toy = std::make_unique<EditorWindow>(m_run);
        m_toy->show();
        m_toy->liveViewTimer()->stop();
        QApplication::processEvents();
    }

    std::unique_ptr<EditorWindow> m_toy;
};

TEST_F(Pages, OptionsControlsShowSettingsAndFitTheirPage)
{
    m_options.scale = 77;
    m_options.seconds = 35;
    m_options.filterAutoSeconds = 120;
    m_options.lowRes = 1;
    m_options.filter = true;
    m_options.randomStart = 1;
    open();

    EXPECT_EQ(m_options.scale, 75);
    EXPECT_EQ(control<SphereButton>(*m_toy, "animationSizeDisplay")->caption(), "Animation Size: 75%");
    EXPECT_EQ(control<SphereButton>(*m_toy, "changeIntervalDisplay")->caption(), "35 secs");
    EXPECT_EQ(control<SphereButton>(*m_toy, "blurIntervalDisplay")->caption(), "120 secs");
    EXPECT_TRUE(control<SphereButton>(*m_toy, "lowResBox")->checked());
    EXPECT_TRUE(control<SphereButton>(*m_toy, "blurBox")->checked());
    EXPECT_TRUE(control<SphereButton>(*m_toy, "randomStartBox")->checked());
    EXPECT_TRUE(control<SphereButton>(*m_toy, "travelBox")->checked());
    EXPECT_FALSE(control<SphereButton>(*m_toy, "changeMirrorBox")->checked());
    EXPECT_TRUE(control<SphereButton>(*m_toy, "blurInterlaceBox")->checked());
    EXPECT_EQ(control<QLineEdit>(*m_toy, "presetsFolderField")->text().toStdString(), m_options.presetsDir);
    EXPECT_TRUE(control<QLineEdit>(*m_toy, "presetsFolderField")->isReadOnly());

    // Every caption within its button (the window's own test keeps the controls apart).
    for (QWidget* page : { control<QWidget>(*m_toy, "optionsPage"), control<QWidget>(*m_toy, "presetsPage") }) {
        for (SphereButton* button : page->findChildren<SphereButton*>()) {
            const int glyph = button->isCheckBox() ? 20 : 0;
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->caption()) + glyph, button->width())
                << button->caption().toStdString();
        }
    }
}

TEST_F(Pages, StepButtonsCountClicksAndDoubleClicksWithinTheirBounds)
{
    m_options.seconds = 60;
    m_options.filterAutoSeconds = 115;
    m_options.scale = 90;
    open();
    click(control<SphereButton>(*m_toy, "changeIntervalFasterButton"));
    EXPECT_EQ(m_options.seconds, 55);
    doubleClick(control<SphereButton>(*m_toy, "changeIntervalFasterButton"));
    EXPECT_EQ(m_options.seconds, 45);
    EXPECT_EQ(control<SphereButton>(*m_toy, "changeIntervalDisplay")->caption(), "45 secs");

    doubleClick(control<SphereButton>(*m_toy, "blurIntervalSlowerButton"));
    EXPECT_EQ(m_options.filterAutoSeconds, 5) << "120, then round to 5";
    EXPECT_EQ(control<SphereButton>(*m_toy, "blurIntervalDisplay")->caption(), "5 secs");
    click(control<SphereButton>(*m_toy, "blurIntervalFasterButton"));
    EXPECT_EQ(m_options.filterAutoSeconds, 5);

    doubleClick(control<SphereButton>(*m_toy, "animationSizePlusButton"));
    EXPECT_EQ(m_options.scale, 95);
    EXPECT_EQ(control<SphereButton>(*m_toy, "animationSizeDisplay")->caption(), "Animation Size: 95%");
    for (int i = 0; i < 12; ++i)
        click(control<SphereButton>(*m_toy, "animationSizeMinusButton"));
    EXPECT_EQ(m_options.scale, 50);
}

TEST_F(Pages, CheckBoxesSetTheirOptionAndAllowBlurRestartsTheLiveView)
{
    open();
    const Renderer* renderer = m_toy->renderer();
    ASSERT_NE(renderer, nullptr);
    const int32_t fullWidth = renderer->drawWidth();

    click(control<SphereButton>(*m_toy, "changeMirrorBox"));
    EXPECT_EQ(m_options.changeMirror, 1);
    doubleClick(control<SphereButton>(*m_toy, "travelBox"));
    EXPECT_EQ(m_options.travel, 1) << "a double click toggles twice and the option follows the box";
    EXPECT_TRUE(control<SphereButton>(*m_toy, "travelBox")->checked());

    click(control<SphereButton>(*m_toy, "blurBox"));
    EXPECT_TRUE(m_options.filter);
    EXPECT_EQ(m_toy->renderer()->drawWidth(), fullWidth / 2) << "the live view now draws at half size";
    click(control<SphereButton>(*m_toy, "blurBox"));
    EXPECT_FALSE(m_options.filter);
    EXPECT_EQ(m_toy->renderer()->drawWidth(), fullWidth);
}

TEST_F(Pages, PresetButtonsAndLinesReplaceThePresetAndTheWholeWindowFollows)
{
    open();
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), libraryNames(m_library));
    ASSERT_EQ(control<QListWidget>(*m_toy, "presetList")->count(), 3);
    m_toy->editor.selectObject(4);

    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->currentRow(), 1);
    Preset expected;
    ASSERT_TRUE(loadPresetFile(presetsFolder() / m_library.names[1], expected));
    EXPECT_EQ(presetBytes(m_preset), presetBytes(expected));
    // afterPresetChange: switches from objectEnabled, object 1 selected, live view cleared.
    for (int i = 0; i < kObjectCount; ++i)
        EXPECT_EQ(control<SphereButton>(*m_toy, QStringLiteral("objectSwitch%1").arg(i + 1))->checked(),
            m_preset.objectEnabled[static_cast<std::size_t>(i)] != 0)
            << i;
    EXPECT_EQ(m_toy->editor.currentObject, 0);
    EXPECT_EQ(m_toy->editor.currentShape, 0);
    const ArgbImage& frame = m_toy->renderer()->frame();
    EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));

    click(control<SphereButton>(*m_toy, "previousPresetButton"));
    click(control<SphereButton>(*m_toy, "previousPresetButton"));
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->currentRow(), 2);
    click(control<SphereButton>(*m_toy, "randomPresetButton"));
    EXPECT_NE(control<QListWidget>(*m_toy, "presetList")->currentRow(), 2);

    QListWidget* list = control<QListWidget>(*m_toy, "presetList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(m_library.index, 0);
    ASSERT_TRUE(loadPresetFile(presetsFolder() / m_library.names[0], expected));
    EXPECT_EQ(presetBytes(m_preset), presetBytes(expected));
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")->text().isEmpty());

    // A refilled list has no line chosen, and showing it again chooses none by itself.
    m_preset.roundSpeed = 0.777;
    withDialogs(
        { saveAs(presetsFolder() / "edited") }, [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->currentRow(), -1);
    click(control<SphereButton>(*m_toy, "renderTabButton"));
    click(control<SphereButton>(*m_toy, "presetsTabButton"));
    control<QListWidget>(*m_toy, "presetList")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(m_preset.roundSpeed, 0.777) << "no preset was loaded";
    // From the keyboard the arrows only move the highlight; Enter chooses its line.
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(m_preset.roundSpeed, 0.777) << "an arrow key loads nothing";
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(m_library.index, 1);
    ASSERT_TRUE(loadPresetFile(presetsFolder() / m_library.names[1], expected));
    EXPECT_EQ(presetBytes(m_preset), presetBytes(expected));
}

// The list fills the page down to its bottom margin of 6; a status takes its lines under it.
TEST_F(Pages, APresetThatWentBadIsRefusedInTheWindow)
{
    open();
    click(control<SphereButton>(*m_toy, "presetsTabButton"));
    QApplication::processEvents();
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->geometry(), QRect(6, 50, 218, 406));
    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    const std::string shown = presetBytes(m_preset);
    writeWholeFile(presetsFolder() / m_library.names[2], "qrt");
    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    EXPECT_EQ(presetBytes(m_preset), shown);
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")
                    ->text()
                    .contains(QString::fromStdString(m_library.names[2])))
        << control<QLabel>(*m_toy, "presetStatusLabel")->text().toStdString();
    QApplication::processEvents();
    const QRect status = control<QLabel>(*m_toy, "presetStatusLabel")->geometry();
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")->isVisible());
    EXPECT_EQ(status.bottom(), 455);
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->geometry().bottom() + 2, status.top() - 1)
        << "two pixels apart";
    EXPECT_GE(status.height(), control<QLabel>(*m_toy, "presetStatusLabel")->heightForWidth(218))
        << "every line of the status shows";
    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")->text().isEmpty()) << "a good preset clears the message";
    QApplication::processEvents();
    EXPECT_FALSE(control<QLabel>(*m_toy, "presetStatusLabel")->isVisible());
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->geometry(), QRect(6, 50, 218, 406));
}

TEST_F(Pages, AnEmptyOrMissingFolderGivesAnEmptyListAndIdleButtons)
{
    m_options.presetsDir = (presetsFolder() / "missing").string();
    open();
    const std::string before = presetBytes(m_preset);
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->count(), 0);
    for (SphereButton* button : { control<SphereButton>(*m_toy, "previousPresetButton"),
             control<SphereButton>(*m_toy, "randomPresetButton"), control<SphereButton>(*m_toy, "nextPresetButton") })
        click(button);
    EXPECT_EQ(presetBytes(m_preset), before);
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->currentRow(), -1);
}

TEST_F(Pages, SaveAsPresetAddsTheExtensionWritesTheFileAndListsItAtOnce)
{
    open();
    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    withDialogs({ saveAs(presetsFolder() / "my new preset") },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    const fs::path saved = presetsFolder() / "my new preset.vhp";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(readWholeFile(saved), presetBytes(m_preset));
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), libraryNames(m_library));
    EXPECT_TRUE(listLines(*control<QListWidget>(*m_toy, "presetList")).contains("my new preset.vhp"));

    // Cancelling saves nothing and leaves the list alone.
    const QStringList lines = listLines(*control<QListWidget>(*m_toy, "presetList"));
    withDialogs({ cancelDialog() }, [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), lines);
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 4);

    // Over an existing preset: asked first; "No" goes back to the dialog, which is then cancelled.
    QString question;
    const std::string before = readWholeFile(saved);
    m_preset.roundSpeed = 0.123;
    withDialogs({ saveAs(presetsFolder() / "my new preset"), messageBox(question, QMessageBox::No), cancelDialog() },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_TRUE(question.contains("my new preset.vhp")) << question.toStdString();
    EXPECT_EQ(readWholeFile(saved), before);
    withDialogs({ saveAs(saved), messageBox(question, QMessageBox::Yes) },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_EQ(readWholeFile(saved), presetBytes(m_preset));
}

// The name field of a save dialog that is showing.
QString typedName(QWidget* modal)
{
    const auto* field = modal->findChild<QLineEdit*>("fileNameEdit");
    return field ? field->text() : QStringLiteral("(no name field)");
}

TEST_F(Pages, ABlankPresetNameSavesNothingAndTheDialogAsksAgain)
{
    open();
    QString nameAskedAgain = "(not asked again)";
    withDialogs({ saveAs(presetsFolder() / "   "),
                    [&](QWidget* modal) {
                        nameAskedAgain = typedName(modal);
                        qobject_cast<QDialog*>(modal)->reject();
                    } },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_EQ(nameAskedAgain, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 3) << "nothing was saved";
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->count(), 3);
}

TEST_F(Pages, APresetsFolderThatIsAFileIsNamedAndTheSavedPresetIsListed)
{
    const fs::path parent = presetsFolder().parent_path();
    writeWholeFile(parent / "plain", "not a folder");
    m_options.presetsDir = (parent / "plain").string();
    open();
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->count(), 0);
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")->text().contains("is a file, not a folder"))
        << control<QLabel>(*m_toy, "presetStatusLabel")->text().toStdString();

    withDialogs({ [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), parent.string());
        EXPECT_EQ(typedName(modal), "");
        dialog->selectFile(QString::fromStdString((parent / "kept").string()));
        QMetaObject::invokeMethod(dialog, "accept");
    } },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_EQ(readWholeFile(parent / "kept.vhp"), presetBytes(m_preset));
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), QStringList { "kept.vhp" });
    EXPECT_EQ(m_options.presetsDir, parent.string());
    EXPECT_EQ(control<QLineEdit>(*m_toy, "presetsFolderField")->text().toStdString(), parent.string());
    EXPECT_TRUE(control<QLabel>(*m_toy, "presetStatusLabel")->text().isEmpty())
        << control<QLabel>(*m_toy, "presetStatusLabel")->text().toStdString();
}

TEST_F(Pages, AFailedSaveSaysWhyAndChangesNothing)
{
    open();
    fs::create_directory(presetsFolder() / "taken.vhp");
    const QStringList lines = listLines(*control<QListWidget>(*m_toy, "presetList"));
    QString message;
    withDialogs({ saveAs(presetsFolder() / "taken"), messageBox(message) },
        [&] { click(control<SphereButton>(*m_toy, "savePresetButton")); });
    EXPECT_TRUE(message.contains("folder")) << message.toStdString();
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), lines);
    EXPECT_TRUE(fs::is_directory(presetsFolder() / "taken.vhp"));
}

TEST_F(Pages, TheDirectoryChooserChangesTheFolderOnlyOnOk)
{
    const fs::path other = presetsFolder().parent_path() / "other presets é";
    fs::create_directories(other);
    writePresetFile(other / "only.vhp", 0.9);
    open();
    const std::string shown = presetBytes(m_preset);
    const std::string folder = m_options.presetsDir;

    const auto chooseOther = [&](bool ok) {
        return [&, ok](QWidget* modal) {
            auto* chooser = qobject_cast<FolderChooser*>(modal);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->directory().toStdString(), folder) << "starts at the folder shown";
            control<QLineEdit>(*chooser, "pathField")->setText(QString::fromStdString(other.string() + "/"));
            QTest::keyClick(control<QLineEdit>(*chooser, "pathField"), Qt::Key_Return);
            click(ok ? control<SphereButton>(*chooser, "okButton") : control<SphereButton>(*chooser, "cancelButton"));
        };
    };
    withDialogs({ chooseOther(false) }, [&] { click(control<SphereButton>(*m_toy, "changeFolderButton")); });
    EXPECT_EQ(m_options.presetsDir, folder);
    EXPECT_EQ(control<QLineEdit>(*m_toy, "presetsFolderField")->text().toStdString(), folder);
    EXPECT_EQ(control<QListWidget>(*m_toy, "presetList")->count(), 3);

    withDialogs({ chooseOther(true) }, [&] { click(control<SphereButton>(*m_toy, "changeFolderButton")); });
    EXPECT_EQ(m_options.presetsDir, other.string() + "/") << "stored as picked";
    EXPECT_EQ(control<QLineEdit>(*m_toy, "presetsFolderField")->text().toStdString(), m_options.presetsDir);
    EXPECT_EQ(listLines(*control<QListWidget>(*m_toy, "presetList")), QStringList { "only.vhp" });
    EXPECT_EQ(presetBytes(m_preset), shown) << "a new folder does not change the preset";
    click(control<SphereButton>(*m_toy, "nextPresetButton"));
    EXPECT_DOUBLE_EQ(m_preset.roundSpeed, 0.9);
}

} // namespace

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
