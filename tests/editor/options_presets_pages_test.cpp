// The editor's Options and Presets pages and "Save as Preset", on the offscreen platform: the
// pages show Settings and change it by the rules, the presets list follows the library, a
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

QStringList libraryNames()
{
    QStringList names;
    for (int32_t i = 0; i < ThePresetLibrary.count; ++i)
        names << QString::fromStdString(ThePresetLibrary.names[static_cast<std::size_t>(i)]);
    return names;
}

class Pages : public PresetFixture {
protected:
    void SetUp() override
    {
        PresetFixture::SetUp();
        resetPaletteIndex();
        SuppressApply = false;
        fs::create_directories(presetsFolder());
        Settings.presetsDir = presetsFolder().string();
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
        m_toy = std::make_unique<EditorWindow>();
        m_toy->show();
        m_toy->liveViewTimer()->stop();
        QApplication::processEvents();
    }

    std::unique_ptr<EditorWindow> m_toy;
};

TEST_F(Pages, OptionsControlsShowSettingsAndFitTheirPage)
{
    Settings.scale = 77;
    Settings.seconds = 35;
    Settings.filterAutoSeconds = 120;
    Settings.lowRes = 1;
    Settings.filter = true;
    Settings.randomStart = 1;
    open();

    EXPECT_EQ(Settings.scale, 75);
    EXPECT_EQ(m_toy->sButtonAnimationSize->caption(), "Animation Size: 75%");
    EXPECT_EQ(m_toy->sButtonChangeInterval->caption(), "35 secs");
    EXPECT_EQ(m_toy->sButtonBlurInterval->caption(), "120 secs");
    EXPECT_TRUE(m_toy->sButtonSwitch640->checked());
    EXPECT_TRUE(m_toy->sButtonCheckAllowBlur->checked());
    EXPECT_TRUE(m_toy->sButtonRandomPicture->checked());
    EXPECT_TRUE(m_toy->sButtonTravelling->checked());
    EXPECT_FALSE(m_toy->sCheckChangeMirror->checked());
    EXPECT_TRUE(m_toy->sButtonCheckBlurInterlace->checked());
    EXPECT_EQ(m_toy->edit1->text().toStdString(), Settings.presetsDir);
    EXPECT_TRUE(m_toy->edit1->isReadOnly());

    // Every caption within its button (the window's own test keeps the controls apart).
    for (QWidget* page : { m_toy->panelTabOptions, m_toy->panelTabPresets }) {
        for (SphereButton* button : page->findChildren<SphereButton*>()) {
            const int glyph = button->isCheckBox() ? 20 : 0;
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->caption()) + glyph, button->width())
                << button->caption().toStdString();
        }
    }
}

TEST_F(Pages, StepButtonsCountClicksAndDoubleClicksWithinTheirBounds)
{
    Settings.seconds = 60;
    Settings.filterAutoSeconds = 115;
    Settings.scale = 90;
    open();
    click(m_toy->sButtonChangeIntervalFaster);
    EXPECT_EQ(Settings.seconds, 55);
    doubleClick(m_toy->sButtonChangeIntervalFaster);
    EXPECT_EQ(Settings.seconds, 45);
    EXPECT_EQ(m_toy->sButtonChangeInterval->caption(), "45 secs");

    doubleClick(m_toy->sButtonBlurIntervalSlower);
    EXPECT_EQ(Settings.filterAutoSeconds, 5) << "120, then round to 5";
    EXPECT_EQ(m_toy->sButtonBlurInterval->caption(), "5 secs");
    click(m_toy->sButtonBlurIntervalFaster);
    EXPECT_EQ(Settings.filterAutoSeconds, 5);

    doubleClick(m_toy->sButtonAnimationSizePlus);
    EXPECT_EQ(Settings.scale, 95);
    EXPECT_EQ(m_toy->sButtonAnimationSize->caption(), "Animation Size: 95%");
    for (int i = 0; i < 12; ++i)
        click(m_toy->sButtonAnimationSizeMinus);
    EXPECT_EQ(Settings.scale, 50);
}

TEST_F(Pages, CheckBoxesSetTheirOptionAndAllowBlurRestartsTheLiveView)
{
    open();
    const Renderer* renderer = m_toy->liveRenderer();
    ASSERT_NE(renderer, nullptr);
    const int32_t fullWidth = renderer->drawWidth();

    click(m_toy->sCheckChangeMirror);
    EXPECT_EQ(Settings.changeMirror, 1);
    doubleClick(m_toy->sButtonTravelling);
    EXPECT_EQ(Settings.travel, 1) << "a double click toggles twice and the option follows the box";
    EXPECT_TRUE(m_toy->sButtonTravelling->checked());

    click(m_toy->sButtonCheckAllowBlur);
    EXPECT_TRUE(Settings.filter);
    EXPECT_EQ(m_toy->liveRenderer()->drawWidth(), fullWidth / 2) << "the live view now draws at half size";
    click(m_toy->sButtonCheckAllowBlur);
    EXPECT_FALSE(Settings.filter);
    EXPECT_EQ(m_toy->liveRenderer()->drawWidth(), fullWidth);
}

TEST_F(Pages, PresetButtonsAndLinesReplaceThePresetAndTheWholeWindowFollows)
{
    open();
    EXPECT_EQ(listLines(*m_toy->listPresets), libraryNames());
    ASSERT_EQ(m_toy->listPresets->count(), 3);
    m_toy->editor.selectObject(4);

    click(m_toy->sButtonPresetNext);
    EXPECT_EQ(m_toy->listPresets->currentRow(), 1);
    Preset expected;
    ASSERT_TRUE(loadPresetFile(presetsFolder() / ThePresetLibrary.names[1], expected));
    EXPECT_EQ(presetBytes(CurrentPreset), presetBytes(expected));
    // AfterPresetChange: switches from ObjectEnabled, object 1 selected, live view cleared.
    for (int i = 0; i < kObjectCount; ++i)
        EXPECT_EQ(m_toy->sButtonSwitch[static_cast<std::size_t>(i)]->checked(),
            CurrentPreset.objectEnabled[static_cast<std::size_t>(i)] != 0)
            << i;
    EXPECT_EQ(m_toy->editor.currentObject, 0);
    EXPECT_EQ(m_toy->editor.currentShape, 0);
    const ArgbImage& frame = m_toy->liveRenderer()->frame();
    EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));

    click(m_toy->sButtonPresetPrev);
    click(m_toy->sButtonPresetPrev);
    EXPECT_EQ(m_toy->listPresets->currentRow(), 2);
    click(m_toy->sButtonPresetRandom);
    EXPECT_NE(m_toy->listPresets->currentRow(), 2);

    QListWidget* list = m_toy->listPresets;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(ThePresetLibrary.index, 0);
    ASSERT_TRUE(loadPresetFile(presetsFolder() / ThePresetLibrary.names[0], expected));
    EXPECT_EQ(presetBytes(CurrentPreset), presetBytes(expected));
    EXPECT_TRUE(m_toy->labelPresetStatus->text().isEmpty());

    // A refilled list has no line chosen, and showing it again chooses none by itself.
    CurrentPreset.roundSpeed = 0.777;
    withDialogs({ saveAs(presetsFolder() / "edited") }, [&] { click(m_toy->sButton4); });
    EXPECT_EQ(m_toy->listPresets->currentRow(), -1);
    click(m_toy->buttonTabRender);
    click(m_toy->buttonTabPresets);
    m_toy->listPresets->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(CurrentPreset.roundSpeed, 0.777) << "no preset was loaded";
}

// The list fills the page down to its bottom margin of 6; a status takes its lines under it.
TEST_F(Pages, APresetThatWentBadIsRefusedInTheWindow)
{
    open();
    click(m_toy->buttonTabPresets);
    QApplication::processEvents();
    EXPECT_EQ(m_toy->listPresets->geometry(), QRect(6, 50, 218, 406));
    click(m_toy->sButtonPresetNext);
    const std::string shown = presetBytes(CurrentPreset);
    writeWholeFile(presetsFolder() / ThePresetLibrary.names[2], "qrt");
    click(m_toy->sButtonPresetNext);
    EXPECT_EQ(presetBytes(CurrentPreset), shown);
    EXPECT_TRUE(m_toy->labelPresetStatus->text().contains(QString::fromStdString(ThePresetLibrary.names[2])))
        << m_toy->labelPresetStatus->text().toStdString();
    QApplication::processEvents();
    const QRect status = m_toy->labelPresetStatus->geometry();
    EXPECT_TRUE(m_toy->labelPresetStatus->isVisible());
    EXPECT_EQ(status.bottom(), 455);
    EXPECT_EQ(m_toy->listPresets->geometry().bottom() + 2, status.top() - 1) << "two pixels apart";
    EXPECT_GE(status.height(), m_toy->labelPresetStatus->heightForWidth(218)) << "every line of the status shows";
    click(m_toy->sButtonPresetNext);
    EXPECT_TRUE(m_toy->labelPresetStatus->text().isEmpty()) << "a good preset clears the message";
    QApplication::processEvents();
    EXPECT_FALSE(m_toy->labelPresetStatus->isVisible());
    EXPECT_EQ(m_toy->listPresets->geometry(), QRect(6, 50, 218, 406));
}

TEST_F(Pages, AnEmptyOrMissingFolderGivesAnEmptyListAndIdleButtons)
{
    Settings.presetsDir = (presetsFolder() / "missing").string();
    open();
    const std::string before = presetBytes(CurrentPreset);
    EXPECT_EQ(m_toy->listPresets->count(), 0);
    for (SphereButton* button : { m_toy->sButtonPresetPrev, m_toy->sButtonPresetRandom, m_toy->sButtonPresetNext })
        click(button);
    EXPECT_EQ(presetBytes(CurrentPreset), before);
    EXPECT_EQ(m_toy->listPresets->currentRow(), -1);
}

TEST_F(Pages, SaveAsPresetAddsTheExtensionWritesTheFileAndListsItAtOnce)
{
    open();
    click(m_toy->sButtonPresetNext);
    withDialogs({ saveAs(presetsFolder() / "my new preset") }, [&] { click(m_toy->sButton4); });
    const fs::path saved = presetsFolder() / "my new preset.vhp";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(readWholeFile(saved), presetBytes(CurrentPreset));
    EXPECT_EQ(listLines(*m_toy->listPresets), libraryNames());
    EXPECT_TRUE(listLines(*m_toy->listPresets).contains("my new preset.vhp"));

    // Cancelling saves nothing and leaves the list alone.
    const QStringList lines = listLines(*m_toy->listPresets);
    withDialogs({ cancelDialog() }, [&] { click(m_toy->sButton4); });
    EXPECT_EQ(listLines(*m_toy->listPresets), lines);
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 4);

    // Over an existing preset: asked first; "No" goes back to the dialog, which is then cancelled.
    QString question;
    const std::string before = readWholeFile(saved);
    CurrentPreset.roundSpeed = 0.123;
    withDialogs({ saveAs(presetsFolder() / "my new preset"), messageBox(question, QMessageBox::No), cancelDialog() },
        [&] { click(m_toy->sButton4); });
    EXPECT_TRUE(question.contains("my new preset.vhp")) << question.toStdString();
    EXPECT_EQ(readWholeFile(saved), before);
    withDialogs({ saveAs(saved), messageBox(question, QMessageBox::Yes) }, [&] { click(m_toy->sButton4); });
    EXPECT_EQ(readWholeFile(saved), presetBytes(CurrentPreset));
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
        [&] { click(m_toy->sButton4); });
    EXPECT_EQ(nameAskedAgain, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 3) << "nothing was saved";
    EXPECT_EQ(m_toy->listPresets->count(), 3);
}

TEST_F(Pages, APresetsFolderThatIsAFileIsNamedAndTheSavedPresetIsListed)
{
    const fs::path parent = presetsFolder().parent_path();
    writeWholeFile(parent / "plain", "not a folder");
    Settings.presetsDir = (parent / "plain").string();
    open();
    EXPECT_EQ(m_toy->listPresets->count(), 0);
    EXPECT_TRUE(m_toy->labelPresetStatus->text().contains("is a file, not a folder"))
        << m_toy->labelPresetStatus->text().toStdString();

    withDialogs({ [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), parent.string());
        EXPECT_EQ(typedName(modal), "");
        dialog->selectFile(QString::fromStdString((parent / "kept").string()));
        QMetaObject::invokeMethod(dialog, "accept");
    } },
        [&] { click(m_toy->sButton4); });
    EXPECT_EQ(readWholeFile(parent / "kept.vhp"), presetBytes(CurrentPreset));
    EXPECT_EQ(listLines(*m_toy->listPresets), QStringList { "kept.vhp" });
    EXPECT_EQ(Settings.presetsDir, parent.string());
    EXPECT_EQ(m_toy->edit1->text().toStdString(), parent.string());
    EXPECT_TRUE(m_toy->labelPresetStatus->text().isEmpty()) << m_toy->labelPresetStatus->text().toStdString();
}

TEST_F(Pages, AFailedSaveSaysWhyAndChangesNothing)
{
    open();
    fs::create_directory(presetsFolder() / "taken.vhp");
    const QStringList lines = listLines(*m_toy->listPresets);
    QString message;
    withDialogs({ saveAs(presetsFolder() / "taken"), messageBox(message) }, [&] { click(m_toy->sButton4); });
    EXPECT_TRUE(message.contains("folder")) << message.toStdString();
    EXPECT_EQ(listLines(*m_toy->listPresets), lines);
    EXPECT_TRUE(fs::is_directory(presetsFolder() / "taken.vhp"));
}

TEST_F(Pages, TheDirectoryChooserChangesTheFolderOnlyOnOk)
{
    const fs::path other = presetsFolder().parent_path() / "other presets é";
    fs::create_directories(other);
    writePresetFile(other / "only.vhp", 0.9);
    open();
    const std::string shown = presetBytes(CurrentPreset);
    const std::string folder = Settings.presetsDir;

    const auto chooseOther = [&](bool ok) {
        return [&, ok](QWidget* modal) {
            auto* chooser = qobject_cast<FolderChooser*>(modal);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->directory().toStdString(), folder) << "starts at the folder shown";
            chooser->editPath->setText(QString::fromStdString(other.string() + "/"));
            QTest::keyClick(chooser->editPath, Qt::Key_Return);
            click(ok ? chooser->sButton1 : chooser->sButton2);
        };
    };
    withDialogs({ chooseOther(false) }, [&] { click(m_toy->sButtonChangeDirectory); });
    EXPECT_EQ(Settings.presetsDir, folder);
    EXPECT_EQ(m_toy->edit1->text().toStdString(), folder);
    EXPECT_EQ(m_toy->listPresets->count(), 3);

    withDialogs({ chooseOther(true) }, [&] { click(m_toy->sButtonChangeDirectory); });
    EXPECT_EQ(Settings.presetsDir, other.string() + "/") << "stored as picked";
    EXPECT_EQ(m_toy->edit1->text().toStdString(), Settings.presetsDir);
    EXPECT_EQ(listLines(*m_toy->listPresets), QStringList { "only.vhp" });
    EXPECT_EQ(presetBytes(CurrentPreset), shown) << "a new folder does not change the preset";
    click(m_toy->sButtonPresetNext);
    EXPECT_DOUBLE_EQ(CurrentPreset.roundSpeed, 0.9);
}

} // namespace

int main(int argc, char** argv) { return runWidgetTests(argc, argv); }
