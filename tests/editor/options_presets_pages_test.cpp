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
    for (int32_t i = 0; i < ThePresetLibrary.Count; ++i)
        names << QString::fromStdString(ThePresetLibrary.Names[static_cast<std::size_t>(i)]);
    return names;
}

class Pages : public PresetFixture {
protected:
    void SetUp() override
    {
        PresetFixture::SetUp();
        ResetPaletteIndex();
        SuppressApply = false;
        fs::create_directories(presetsFolder());
        Settings.PresetsDir = presetsFolder().string();
        for (int i = 0; i < 3; ++i)
            WritePresetFile(presetsFolder() / ("p" + std::to_string(i) + ".vhp"), 0.1 * (i + 1));
    }
    void TearDown() override
    {
        toy.reset();
        PresetFixture::TearDown();
    }
    // The window as shown, its live view stopped, so that nothing changes under the test.
    void open()
    {
        toy = std::make_unique<EditorWindow>();
        toy->show();
        toy->LiveViewTimer()->Stop();
        QApplication::processEvents();
    }

    std::unique_ptr<EditorWindow> toy;
};

TEST_F(Pages, OptionsControlsShowSettingsAndFitTheirPage)
{
    Settings.Scale = 77;
    Settings.Seconds = 35;
    Settings.FiterAutoSeconds = 120;
    Settings.LowRes = 1;
    Settings.Filter = true;
    Settings.RandomStart = 1;
    open();

    EXPECT_EQ(Settings.Scale, 75);
    EXPECT_EQ(toy->SButton_AnimationSize->caption(), "Animation Size: 75%");
    EXPECT_EQ(toy->SButton_ChangeInterval->caption(), "35 secs");
    EXPECT_EQ(toy->SButton_BlurInterval->caption(), "120 secs");
    EXPECT_TRUE(toy->SButton_Switch640->checked());
    EXPECT_TRUE(toy->SButton_CheckAllowBlur->checked());
    EXPECT_TRUE(toy->SButton_RandomPicture->checked());
    EXPECT_TRUE(toy->SButton_Travelling->checked());
    EXPECT_FALSE(toy->SCheck_ChangeMirror->checked());
    EXPECT_TRUE(toy->SButton_CheckBlurInterlace->checked());
    EXPECT_EQ(toy->Edit1->text().toStdString(), Settings.PresetsDir);
    EXPECT_TRUE(toy->Edit1->isReadOnly());

    // Every caption within its button (the window's own test keeps the controls apart).
    for (QWidget* page : { toy->Panel_TabOptions, toy->Panel_TabPresets }) {
        for (SphereButton* button : page->findChildren<SphereButton*>()) {
            const int glyph = button->isCheckBox() ? 20 : 0;
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->caption()) + glyph, button->width())
                << button->caption().toStdString();
        }
    }
}

TEST_F(Pages, StepButtonsCountClicksAndDoubleClicksWithinTheirBounds)
{
    Settings.Seconds = 60;
    Settings.FiterAutoSeconds = 115;
    Settings.Scale = 90;
    open();
    click(toy->SButton_ChangeIntervalFaster);
    EXPECT_EQ(Settings.Seconds, 55);
    doubleClick(toy->SButton_ChangeIntervalFaster);
    EXPECT_EQ(Settings.Seconds, 45);
    EXPECT_EQ(toy->SButton_ChangeInterval->caption(), "45 secs");

    doubleClick(toy->SButton_BlurIntervalSlower);
    EXPECT_EQ(Settings.FiterAutoSeconds, 5) << "120, then round to 5";
    EXPECT_EQ(toy->SButton_BlurInterval->caption(), "5 secs");
    click(toy->SButton_BlurIntervalFaster);
    EXPECT_EQ(Settings.FiterAutoSeconds, 5);

    doubleClick(toy->SButton_AnimationSizePlus);
    EXPECT_EQ(Settings.Scale, 95);
    EXPECT_EQ(toy->SButton_AnimationSize->caption(), "Animation Size: 95%");
    for (int i = 0; i < 12; ++i)
        click(toy->SButton_AnimationSizeMinus);
    EXPECT_EQ(Settings.Scale, 50);
}

TEST_F(Pages, CheckBoxesSetTheirOptionAndAllowBlurRestartsTheLiveView)
{
    open();
    const Renderer* renderer = toy->LiveRenderer();
    ASSERT_NE(renderer, nullptr);
    const int32_t fullWidth = renderer->DrawWidth();

    click(toy->SCheck_ChangeMirror);
    EXPECT_EQ(Settings.ChangeMirror, 1);
    doubleClick(toy->SButton_Travelling);
    EXPECT_EQ(Settings.Travel, 1) << "a double click toggles twice and the option follows the box";
    EXPECT_TRUE(toy->SButton_Travelling->checked());

    click(toy->SButton_CheckAllowBlur);
    EXPECT_TRUE(Settings.Filter);
    EXPECT_EQ(toy->LiveRenderer()->DrawWidth(), fullWidth / 2) << "the live view now draws at half size";
    click(toy->SButton_CheckAllowBlur);
    EXPECT_FALSE(Settings.Filter);
    EXPECT_EQ(toy->LiveRenderer()->DrawWidth(), fullWidth);
}

TEST_F(Pages, PresetButtonsAndLinesReplaceThePresetAndTheWholeWindowFollows)
{
    open();
    EXPECT_EQ(listLines(*toy->List_Presets), libraryNames());
    ASSERT_EQ(toy->List_Presets->count(), 3);
    toy->Editor.SelectObject(4);

    click(toy->SButton_PresetNext);
    EXPECT_EQ(toy->List_Presets->currentRow(), 1);
    Preset expected;
    ASSERT_TRUE(LoadPresetFile(presetsFolder() / ThePresetLibrary.Names[1], expected));
    EXPECT_EQ(PresetBytes(CurrentPreset), PresetBytes(expected));
    // AfterPresetChange: switches from ObjectEnabled, object 1 selected, live view cleared.
    for (int i = 0; i < kObjectCount; ++i)
        EXPECT_EQ(toy->SButton_Switch[static_cast<std::size_t>(i)]->checked(),
            CurrentPreset.ObjectEnabled[static_cast<std::size_t>(i)] != 0)
            << i;
    EXPECT_EQ(toy->Editor.CurrentObject, 0);
    EXPECT_EQ(toy->Editor.CurrentShape, 0);
    const ArgbImage& frame = toy->LiveRenderer()->Frame();
    EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; }));

    click(toy->SButton_PresetPrev);
    click(toy->SButton_PresetPrev);
    EXPECT_EQ(toy->List_Presets->currentRow(), 2);
    click(toy->SButton_PresetRandom);
    EXPECT_NE(toy->List_Presets->currentRow(), 2);

    QListWidget* list = toy->List_Presets;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(ThePresetLibrary.Index, 0);
    ASSERT_TRUE(LoadPresetFile(presetsFolder() / ThePresetLibrary.Names[0], expected));
    EXPECT_EQ(PresetBytes(CurrentPreset), PresetBytes(expected));
    EXPECT_TRUE(toy->LabelPresetStatus->text().isEmpty());

    // A refilled list has no line chosen, and showing it again chooses none by itself.
    CurrentPreset.RoundSpeed = 0.777;
    withDialogs({ saveAs(presetsFolder() / "edited") }, [&] { click(toy->SButton4); });
    EXPECT_EQ(toy->List_Presets->currentRow(), -1);
    click(toy->Button_TabRender);
    click(toy->Button_TabPresets);
    toy->List_Presets->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(CurrentPreset.RoundSpeed, 0.777) << "no preset was loaded";
}

// The list fills the page down to its bottom margin of 6; a status takes its lines under it.
TEST_F(Pages, APresetThatWentBadIsRefusedInTheWindow)
{
    open();
    click(toy->Button_TabPresets);
    QApplication::processEvents();
    EXPECT_EQ(toy->List_Presets->geometry(), QRect(6, 50, 218, 406));
    click(toy->SButton_PresetNext);
    const std::string shown = PresetBytes(CurrentPreset);
    WriteWholeFile(presetsFolder() / ThePresetLibrary.Names[2], "qrt");
    click(toy->SButton_PresetNext);
    EXPECT_EQ(PresetBytes(CurrentPreset), shown);
    EXPECT_TRUE(toy->LabelPresetStatus->text().contains(QString::fromStdString(ThePresetLibrary.Names[2])))
        << toy->LabelPresetStatus->text().toStdString();
    QApplication::processEvents();
    const QRect status = toy->LabelPresetStatus->geometry();
    EXPECT_TRUE(toy->LabelPresetStatus->isVisible());
    EXPECT_EQ(status.bottom(), 455);
    EXPECT_EQ(toy->List_Presets->geometry().bottom() + 2, status.top() - 1) << "two pixels apart";
    EXPECT_GE(status.height(), toy->LabelPresetStatus->heightForWidth(218)) << "every line of the status shows";
    click(toy->SButton_PresetNext);
    EXPECT_TRUE(toy->LabelPresetStatus->text().isEmpty()) << "a good preset clears the message";
    QApplication::processEvents();
    EXPECT_FALSE(toy->LabelPresetStatus->isVisible());
    EXPECT_EQ(toy->List_Presets->geometry(), QRect(6, 50, 218, 406));
}

TEST_F(Pages, AnEmptyOrMissingFolderGivesAnEmptyListAndIdleButtons)
{
    Settings.PresetsDir = (presetsFolder() / "missing").string();
    open();
    const std::string before = PresetBytes(CurrentPreset);
    EXPECT_EQ(toy->List_Presets->count(), 0);
    for (SphereButton* button : { toy->SButton_PresetPrev, toy->SButton_PresetRandom, toy->SButton_PresetNext })
        click(button);
    EXPECT_EQ(PresetBytes(CurrentPreset), before);
    EXPECT_EQ(toy->List_Presets->currentRow(), -1);
}

TEST_F(Pages, SaveAsPresetAddsTheExtensionWritesTheFileAndListsItAtOnce)
{
    open();
    click(toy->SButton_PresetNext);
    withDialogs({ saveAs(presetsFolder() / "my new preset") }, [&] { click(toy->SButton4); });
    const fs::path saved = presetsFolder() / "my new preset.vhp";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(ReadWholeFile(saved), PresetBytes(CurrentPreset));
    EXPECT_EQ(listLines(*toy->List_Presets), libraryNames());
    EXPECT_TRUE(listLines(*toy->List_Presets).contains("my new preset.vhp"));

    // Cancelling saves nothing and leaves the list alone.
    const QStringList lines = listLines(*toy->List_Presets);
    withDialogs({ cancelDialog() }, [&] { click(toy->SButton4); });
    EXPECT_EQ(listLines(*toy->List_Presets), lines);
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 4);

    // Over an existing preset: asked first; "No" goes back to the dialog, which is then cancelled.
    QString question;
    const std::string before = ReadWholeFile(saved);
    CurrentPreset.RoundSpeed = 0.123;
    withDialogs({ saveAs(presetsFolder() / "my new preset"), messageBox(question, QMessageBox::No), cancelDialog() },
        [&] { click(toy->SButton4); });
    EXPECT_TRUE(question.contains("my new preset.vhp")) << question.toStdString();
    EXPECT_EQ(ReadWholeFile(saved), before);
    withDialogs({ saveAs(saved), messageBox(question, QMessageBox::Yes) }, [&] { click(toy->SButton4); });
    EXPECT_EQ(ReadWholeFile(saved), PresetBytes(CurrentPreset));
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
        [&] { click(toy->SButton4); });
    EXPECT_EQ(nameAskedAgain, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(presetsFolder()), {}), 3) << "nothing was saved";
    EXPECT_EQ(toy->List_Presets->count(), 3);
}

TEST_F(Pages, APresetsFolderThatIsAFileIsNamedAndTheSavedPresetIsListed)
{
    const fs::path parent = presetsFolder().parent_path();
    WriteWholeFile(parent / "plain", "not a folder");
    Settings.PresetsDir = (parent / "plain").string();
    open();
    EXPECT_EQ(toy->List_Presets->count(), 0);
    EXPECT_TRUE(toy->LabelPresetStatus->text().contains("is a file, not a folder"))
        << toy->LabelPresetStatus->text().toStdString();

    withDialogs({ [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), parent.string());
        EXPECT_EQ(typedName(modal), "");
        dialog->selectFile(QString::fromStdString((parent / "kept").string()));
        QMetaObject::invokeMethod(dialog, "accept");
    } },
        [&] { click(toy->SButton4); });
    EXPECT_EQ(ReadWholeFile(parent / "kept.vhp"), PresetBytes(CurrentPreset));
    EXPECT_EQ(listLines(*toy->List_Presets), QStringList { "kept.vhp" });
    EXPECT_EQ(Settings.PresetsDir, parent.string());
    EXPECT_EQ(toy->Edit1->text().toStdString(), parent.string());
    EXPECT_TRUE(toy->LabelPresetStatus->text().isEmpty()) << toy->LabelPresetStatus->text().toStdString();
}

TEST_F(Pages, AFailedSaveSaysWhyAndChangesNothing)
{
    open();
    fs::create_directory(presetsFolder() / "taken.vhp");
    const QStringList lines = listLines(*toy->List_Presets);
    QString message;
    withDialogs({ saveAs(presetsFolder() / "taken"), messageBox(message) }, [&] { click(toy->SButton4); });
    EXPECT_TRUE(message.contains("folder")) << message.toStdString();
    EXPECT_EQ(listLines(*toy->List_Presets), lines);
    EXPECT_TRUE(fs::is_directory(presetsFolder() / "taken.vhp"));
}

TEST_F(Pages, TheDirectoryChooserChangesTheFolderOnlyOnOk)
{
    const fs::path other = presetsFolder().parent_path() / "other presets é";
    fs::create_directories(other);
    WritePresetFile(other / "only.vhp", 0.9);
    open();
    const std::string shown = PresetBytes(CurrentPreset);
    const std::string folder = Settings.PresetsDir;

    const auto chooseOther = [&](bool ok) {
        return [&, ok](QWidget* modal) {
            auto* chooser = qobject_cast<FolderChooser*>(modal);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->directory().toStdString(), folder) << "starts at the folder shown";
            chooser->EditPath->setText(QString::fromStdString(other.string() + "/"));
            QTest::keyClick(chooser->EditPath, Qt::Key_Return);
            click(ok ? chooser->SButton1 : chooser->SButton2);
        };
    };
    withDialogs({ chooseOther(false) }, [&] { click(toy->SButton_ChangeDirectory); });
    EXPECT_EQ(Settings.PresetsDir, folder);
    EXPECT_EQ(toy->Edit1->text().toStdString(), folder);
    EXPECT_EQ(toy->List_Presets->count(), 3);

    withDialogs({ chooseOther(true) }, [&] { click(toy->SButton_ChangeDirectory); });
    EXPECT_EQ(Settings.PresetsDir, other.string() + "/") << "stored as picked";
    EXPECT_EQ(toy->Edit1->text().toStdString(), Settings.PresetsDir);
    EXPECT_EQ(listLines(*toy->List_Presets), QStringList { "only.vhp" });
    EXPECT_EQ(PresetBytes(CurrentPreset), shown) << "a new folder does not change the preset";
    click(toy->SButton_PresetNext);
    EXPECT_DOUBLE_EQ(CurrentPreset.RoundSpeed, 0.9);
}

} // namespace

int main(int argc, char** argv) { return RunWidgetTests(argc, argv); }
