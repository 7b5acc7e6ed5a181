#include "controls/sphere_button.h"
#include "engine/renderer.h"
#include "pixels/argb_image.h"
#include "editor/capture_progress_window.h"
#include "editor/animation_export_dialog.h"
#include "export/jpeg_encoder.h"
#include "editor/export_flows.h"
#include "export/shown_picture.h"
#include "presets/run_record.h"
#include "tests/controls/named_control.h"
#include "tests/export/decoders.h"

#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <vector>

namespace {

void clickButton(SphereButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
}

// Runs the action on the modal window that shows next, once the event loop reaches it.
void whenModalShows(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

// Types a name into the save dialog and confirms it.
void acceptSaveDialog(QWidget* modal, const QString& expectedTitle, const QString& fileName)
{
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), expectedTitle);
    dialog->selectFile(fileName);
    // selectFile leaves the name field alone while that field has the focus, which it gets
    // when the window is activated, maybe before this runs and maybe after.
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->setText(fileName);
    static_cast<QDialog*>(dialog)->accept();
}

QMessageBox* visibleMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

// The mean difference of the red and blue channels between a picture and its decoded JPEG.
long long meanDifference(const ArgbImage& picture, const DecodedJpeg& decoded)
{
    long long difference = 0;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const uint32_t pixel = picture.pixels[i];
        difference += std::abs(static_cast<int>((pixel >> 16) & 0xFF) - decoded.rgb[3 * i]);
        difference += std::abs(static_cast<int>(pixel & 0xFF) - decoded.rgb[3 * i + 2]);
    }
    return difference / static_cast<long long>(2 * picture.pixels.size());
}

// The live view is a renderer of 64 x 48 pixels that has drawn a picture before every case.
// Then only one object stays switched on, so that every sprite it draws is one tick of a
// capture.
class ExportWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_renderer.reset(64, 48);
        m_renderer.drawSprites(2000);
        m_preset.objectEnabled = { 1, 0, 0, 0, 0, 0, 0 };
    }
    void TearDown() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(widget))
                widget->close();
        }
    }

    QSize m_panel { 640, 480 };
    RunRecord m_run;
    SettingsRecord& m_options = m_run.options;
    Preset& m_preset = m_run.preset;
    Renderer m_renderer { m_options, m_preset, RenderRole::Editor };
    const ArgbImage& m_frame = m_renderer.frame();
    ScratchFolder m_folder;
};

TEST_F(ExportWindowsTest, TheSizeLineFollowsThePanelAndTheSizeSlider)
{
    AnimationExportDialog form([this] { return m_panel; });
    form.show();
    EXPECT_EQ(form.size(), QSize(390, 384));
    EXPECT_EQ(form.windowTitle(), "Adjust GIF settings");
    EXPECT_EQ(control<QLabel>(form, "frameSizeLabel")->text(), "40%, 256 x 192 pixels");
    EXPECT_EQ(control<QLabel>(form, "frameRateLabel")->text(), "4");
    EXPECT_EQ(control<QLabel>(form, "frameCountLabel")->text(), "10");
    EXPECT_EQ(control<QLabel>(form, "objectsPerFrameLabel")->text(), "100");
    EXPECT_EQ(control<QLabel>(form, "gifColorsLabel")->text(), "128");

    m_panel = QSize(100, 60);
    control<QSlider>(form, "frameSizeSlider")->setValue(5);
    EXPECT_EQ(control<QLabel>(form, "frameSizeLabel")->text(), "5%, 5 x 3 pixels");
    control<QSlider>(form, "gifColorsSlider")->setValue(300);
    EXPECT_EQ(control<QLabel>(form, "gifColorsLabel")->text(), "255");
    form.hide();
}

TEST_F(ExportWindowsTest, CreateGifKeepsTheFiveValuesAndShowingClamps)
{
    AnimationExportDialog form([this] { return m_panel; });
    AnimationSettings grown;
    grown.objectsPerFrame = 100 + 5 * 60; // grown by blur passes
    form.setValues(grown);
    form.show();
    EXPECT_EQ(control<QSlider>(form, "objectsPerFrameSlider")->value(), 256);
    EXPECT_EQ(form.values().objectsPerFrame, 256);

    control<QSlider>(form, "frameSizeSlider")->setValue(25);
    control<QSlider>(form, "frameRateSlider")->setValue(7);
    control<QSlider>(form, "frameCountSlider")->setValue(33);
    control<QSlider>(form, "objectsPerFrameSlider")->setValue(64);
    control<QSlider>(form, "gifColorsSlider")->setValue(200);
    clickButton(control<SphereButton>(form, "createAnimationButton"));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    const AnimationSettings& created = form.values();
    EXPECT_EQ(created.scale, 25);
    EXPECT_EQ(created.fps, 7);
    EXPECT_EQ(created.frames, 33);
    EXPECT_EQ(created.objectsPerFrame, 64);
    EXPECT_EQ(created.colors, 200);
}

TEST_F(ExportWindowsTest, CancelAndTheFramesCloseButtonKeepNothing)
{
    AnimationExportDialog form([this] { return m_panel; });
    form.show();
    control<QSlider>(form, "frameSizeSlider")->setValue(90);
    clickButton(control<SphereButton>(form, "cancelAnimationButton"));
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.values().scale, 40);

    // Closed through its frame after an earlier "Create GIF": that counts as cancel.
    form.show();
    clickButton(control<SphereButton>(form, "createAnimationButton"));
    ASSERT_EQ(form.result(), QDialog::Accepted);
    whenModalShows([](QWidget* modal) {
        auto* dialog = qobject_cast<AnimationExportDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        control<QSlider>(*dialog, "frameCountSlider")->setValue(77);
        dialog->close();
    });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
    EXPECT_EQ(form.values().frames, 10);
}

// Enter from a slider is "Create GIF" and Escape is "Cancel"; Tab goes on from the last
// slider to "Create GIF", which then takes Enter itself.
TEST_F(ExportWindowsTest, EnterCreatesTheGifAndEscapeCancels)
{
    AnimationExportDialog form([this] { return m_panel; });
    const struct {
        QWidget* target;
        Qt::Key key;
        int result;
        int framesStored;
    } cases[] = {
        { control<QSlider>(form, "frameCountSlider"), Qt::Key_Escape, QDialog::Rejected, 10 },
        { control<QSlider>(form, "frameCountSlider"), Qt::Key_Return, QDialog::Accepted, 33 },
        { control<QSlider>(form, "frameCountSlider"), Qt::Key_Enter, QDialog::Accepted, 33 },
        { control<SphereButton>(form, "createAnimationButton"), Qt::Key_Return, QDialog::Accepted, 33 },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.target->metaObject()->className());
        form.setValues({});
        QWidget* focused = nullptr;
        QTimer::singleShot(0, &form, [&] {
            control<QSlider>(form, "frameCountSlider")->setValue(33);
            control<QSlider>(form, "gifColorsSlider")->setFocus();
            QTest::keyClick(control<QSlider>(form, "gifColorsSlider"), Qt::Key_Tab);
            focused = form.focusWidget();
            each.target->setFocus();
            QTest::keyClick(each.target, each.key);
        });
        EXPECT_EQ(form.exec(), each.result);
        EXPECT_EQ(form.values().frames, each.framesStored);
        EXPECT_EQ(focused, control<SphereButton>(form, "createAnimationButton"));
    }
}

TEST_F(ExportWindowsTest, TheProgressWindowCountsFramesAndCancels)
{
    CaptureProgressWindow window;
    window.show();
    EXPECT_EQ(window.size(), QSize(380, 127));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(control<QLabel>(window, "captureMessageLabel")->text(),
        "Please wait while Opal Revel\ngenerates and saves \nall GIF frames.");
    window.showFramesTaken(3, 10);
    EXPECT_EQ(control<QLabel>(window, "captureProgressLabel")->text(), "frame 3 of 10");
    EXPECT_EQ(control<SphereButton>(window, "cancelCaptureButton")->caption(), "Cancel GIF creation!");

    QSignalSpy cancels(&window, &CaptureProgressWindow::cancelRequested);
    clickButton(control<SphereButton>(window, "cancelCaptureButton"));
    EXPECT_EQ(cancels.count(), 1);
    EXPECT_FALSE(control<SphereButton>(window, "cancelCaptureButton")->isVisible());
    window.hide();
    window.show();
    EXPECT_TRUE(control<SphereButton>(window, "cancelCaptureButton")->isVisible());
    window.showWriting();
    EXPECT_EQ(control<QLabel>(window, "captureProgressLabel")->text(), "Writing file...");
    EXPECT_FALSE(control<SphereButton>(window, "cancelCaptureButton")->isVisible());
}

TEST_F(ExportWindowsTest, JpegSnapshotTakesTheFrameOfTheClickAndAppendsTheExtension)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    const ArgbImage clicked = m_frame;
    whenModalShows([this](QWidget* modal) {
        m_renderer.clear(); // the live view goes on behind the dialog
        acceptSaveDialog(modal, "Save picture to file", QString::fromStdString(m_folder.file("shot")));
    });
    exports.saveJpeg();
    ASSERT_EQ(m_folder.entries(), std::vector<std::string> { "shot.jpg" });
    const DecodedJpeg decoded = decodeJpegFile(m_folder.file("shot.jpg"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 64);
    EXPECT_EQ(decoded.height, 48);
    // The picture of the click, not the clear frame the renderer holds now.
    EXPECT_LT(meanDifference(clicked, decoded), 3);
    EXPECT_GE(meanDifference(m_frame, decoded), 3);
    EXPECT_EQ(visibleMessageBox(), nullptr);
}

TEST_F(ExportWindowsTest, AFailedJpegSaysWhyAndLeavesNothing)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    const QString target = QFileInfo(QString::fromStdString(m_folder.file("missing/shot.jpg"))).absoluteFilePath();
    whenModalShows([&](QWidget* modal) { acceptSaveDialog(modal, "Save picture to file", target); });
    exports.saveJpeg();
    QMessageBox* box = visibleMessageBox();
    ASSERT_NE(box, nullptr);
    // The dialog may make the name absolute its own way; the reason names it either way.
    EXPECT_TRUE(box->informativeText().startsWith("Decoder error: Opening /")) << box->informativeText().toStdString();
    EXPECT_TRUE(box->informativeText().contains("/missing/shot.jpg failed: the folder /"))
        << box->informativeText().toStdString();
    EXPECT_TRUE(box->informativeText().endsWith("/missing does not exist")) << box->informativeText().toStdString();
    EXPECT_FALSE(box->informativeText().endsWith('\n'));
    EXPECT_TRUE(m_folder.entries().empty());

    // Cancelling the dialog writes nothing and says nothing.
    box->close();
    whenModalShows([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    exports.saveJpeg();
    EXPECT_TRUE(m_folder.entries().empty());
    EXPECT_EQ(visibleMessageBox(), nullptr);
}

TEST_F(ExportWindowsTest, GifButtonRunsBothDialogsThenTheCapture)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    exports.capture().settings.objectsPerFrame = 60; // leaves room to see the dialog store 50
    whenModalShows([&](QWidget* modal) {
        auto* form = qobject_cast<AnimationExportDialog*>(modal);
        ASSERT_NE(form, nullptr);
        control<QSlider>(*form, "frameCountSlider")->setValue(2);
        control<QSlider>(*form, "objectsPerFrameSlider")->setValue(50);
        control<QSlider>(*form, "frameSizeSlider")->setValue(50);
        whenModalShows([&](QWidget* next) {
            acceptSaveDialog(next, "Choose file...", QString::fromStdString(m_folder.file("movie")));
        });
        clickButton(control<SphereButton>(*form, "createAnimationButton"));
    });
    exports.saveGif();
    ASSERT_TRUE(exports.capture().active());
    EXPECT_TRUE(exports.progressWindow()->isVisible());
    EXPECT_EQ(control<QLabel>(*exports.progressWindow(), "captureProgressLabel")->text(), "frame 0 of 2");
    // The renderer's sprites drive the capture: 51 per frame, and 51 more to the file.
    m_renderer.drawSprites(3 * 51 - 1);
    EXPECT_TRUE(exports.capture().active());
    m_renderer.drawSprites(1);
    EXPECT_FALSE(exports.capture().active());
    EXPECT_FALSE(exports.progressWindow()->isVisible());
    const DecodedGif decoded = decodeGifFile(m_folder.file("movie.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.frames[0].width, 32);
    EXPECT_EQ(decoded.frames[0].height, 24);

    // The save dialog offers the last name again; cancelling it starts nothing.
    whenModalShows([&](QWidget* modal) {
        whenModalShows([&](QWidget* next) {
            auto* dialog = qobject_cast<QFileDialog*>(next);
            ASSERT_NE(dialog, nullptr);
            ASSERT_FALSE(dialog->selectedFiles().isEmpty());
            EXPECT_TRUE(dialog->selectedFiles().constFirst().endsWith("/movie.gif"))
                << dialog->selectedFiles().constFirst().toStdString();
            dialog->reject();
        });
        clickButton(control<SphereButton>(*qobject_cast<AnimationExportDialog*>(modal), "createAnimationButton"));
    });
    exports.saveGif();
    EXPECT_FALSE(exports.capture().active());
    EXPECT_FALSE(exports.progressWindow()->isVisible());
}

// The name's extension chooses the format: ".webm" gives a VP9 video of the same frames,
// read back by ffprobe, and the next capture named ".gif" is a GIF again.
TEST_F(ExportWindowsTest, TheFileNameChoosesTheAnimationFormat)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    const auto capture = [&](const std::string& name) {
        whenModalShows([&](QWidget* modal) {
            auto* form = qobject_cast<AnimationExportDialog*>(modal);
            ASSERT_NE(form, nullptr);
            control<QSlider>(*form, "frameCountSlider")->setValue(2);
            control<QSlider>(*form, "objectsPerFrameSlider")->setValue(50);
            control<QSlider>(*form, "frameSizeSlider")->setValue(50);
            whenModalShows([&](QWidget* next) {
                acceptSaveDialog(next, "Choose file...", QString::fromStdString(m_folder.file(name)));
            });
            clickButton(control<SphereButton>(*form, "createAnimationButton"));
        });
        exports.saveGif();
        ASSERT_TRUE(exports.capture().active());
        m_renderer.drawSprites(3 * 51);
        ASSERT_FALSE(exports.capture().active());
    };
    capture("movie.webm");
    EXPECT_EQ(exports.capture().settings.format, AnimationFormat::Webm);
    std::string probe;
    const std::string command = "ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,"
                                "nb_read_frames -of compact '" + m_folder.file("movie.webm") + "'";
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        std::size_t count = 0;
        while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            probe.append(buffer, count);
        pclose(pipe);
    }
    EXPECT_NE(probe.find("codec_name=vp9|width=32|height=24|nb_read_frames=2"), std::string::npos) << probe;

    capture("again.gif");
    EXPECT_EQ(exports.capture().settings.format, AnimationFormat::Gif);
    const DecodedGif decoded = decodeGifFile(m_folder.file("again.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 2u);
}

std::string commandOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        std::size_t count = 0;
        while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, count);
        pclose(pipe);
    }
    return output;
}

// What each format button does to the dialog: the title and the create button name the
// format, only its own settings show, and the frame rate goes up to 10 or 30.
struct FormatCase {
    const char* button;
    const char* title;
    const char* create;
    int fpsMaximum;
    std::vector<const char*> shown;
    std::vector<const char*> hidden;
};

class AnimationDialogFormats : public ExportWindowsTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(AnimationDialogFormats, ShowOnlyTheirOwnSettings)
{
    const FormatCase& test = GetParam();
    AnimationExportDialog form([this] { return m_panel; });
    AnimationSettings fast;
    fast.format = AnimationFormat::Webm;
    fast.fps = 25;
    form.setValues(fast);
    form.show();
    EXPECT_EQ(control<QSlider>(form, "frameRateSlider")->value(), 25);
    clickButton(control<SphereButton>(form, test.button));
    EXPECT_EQ(form.windowTitle(), test.title);
    EXPECT_EQ(control<SphereButton>(form, "createAnimationButton")->caption(), test.create);
    EXPECT_TRUE(control<SphereButton>(form, test.button)->front());
    EXPECT_EQ(control<QSlider>(form, "frameRateSlider")->maximum(), test.fpsMaximum);
    EXPECT_EQ(control<QSlider>(form, "frameRateSlider")->value(), std::min(25, test.fpsMaximum));
    for (const char* name : { "frameSizeSlider", "frameRateSlider", "frameCountSlider", "objectsPerFrameSlider" })
        EXPECT_TRUE(control<QWidget>(form, name)->isVisible()) << name;
    for (const char* name : test.shown)
        EXPECT_TRUE(control<QWidget>(form, name)->isVisible()) << name;
    for (const char* name : test.hidden)
        EXPECT_FALSE(control<QWidget>(form, name)->isVisible()) << name;
    form.hide();
}

INSTANTIATE_TEST_SUITE_P(Each, AnimationDialogFormats,
    ::testing::Values(FormatCase { "gifFormatButton", "Adjust GIF settings", "Create GIF", 10, { "gifColorsSlider" },
                          { "webpQualitySlider", "webpLosslessBox", "webmQualitySlider", "webmBitRateSlider" } },
        FormatCase { "webpFormatButton", "Adjust WebP settings", "Create WebP", 30,
            { "webpQualitySlider", "webpLosslessBox" }, { "gifColorsSlider", "webmQualitySlider", "webmBitRateSlider" } },
        FormatCase { "webmFormatButton", "Adjust WebM settings", "Create WebM", 30,
            { "webmQualitySlider", "webmBitRateSlider" }, { "gifColorsSlider", "webpQualitySlider", "webpLosslessBox" } }),
    [](const ::testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.create).substr(7); });

// Tab goes round every control that shows, each with a name a screen reader reads.
TEST_F(ExportWindowsTest, TabReachesEveryShownControlAndEachHasAName)
{
    AnimationExportDialog form([this] { return m_panel; });
    for (const char* format : { "gifFormatButton", "webpFormatButton", "webmFormatButton" }) {
        SCOPED_TRACE(format);
        form.show();
        clickButton(control<SphereButton>(form, format));
        QWidget* first = control<QWidget>(form, "gifFormatButton");
        first->setFocus();
        std::set<QWidget*> reached;
        QWidget* focused = first;
        for (int step = 0; step < 40 && reached.insert(focused).second; ++step) {
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = form.focusWidget();
        }
        for (QWidget* widget : form.findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->focusPolicy() == Qt::NoFocus)
                continue;
            EXPECT_TRUE(reached.count(widget)) << widget->objectName().toStdString();
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << widget->objectName().toStdString();
        }
        EXPECT_TRUE(reached.count(control<QWidget>(form, "webmFormatButton")));
        EXPECT_TRUE(reached.count(control<QWidget>(form, "cancelAnimationButton")));
        form.hide();
    }
}

// The estimate appears beside "File size:" once the picture is encoded, and a WebM at a set
// bit rate has none.
TEST_F(ExportWindowsTest, TheSizeLineEstimatesTheFileWhereItCan)
{
    AnimationExportDialog form([this] { return m_panel; });
    AnimationExportDialog::LiveView liveView;
    liveView.picture = [this] { return &m_frame; };
    liveView.spritesDrawn = [this] { return m_renderer.spritesDrawn(); };
    form.setLiveView(liveView);
    QLabel* estimate = control<QLabel>(form, "estimateLabel");
    for (const char* format : { "gifFormatButton", "webpFormatButton", "webmFormatButton" }) {
        SCOPED_TRACE(format);
        form.show();
        clickButton(control<SphereButton>(form, format));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.estimating(); }));
        EXPECT_TRUE(estimate->text().startsWith("about ")) << estimate->text().toStdString();
        form.hide();
    }
    form.show();
    clickButton(control<SphereButton>(form, "webmFormatButton"));
    control<QSlider>(form, "webmBitRateSlider")->setValue(2000);
    EXPECT_EQ(control<QLabel>(form, "webmBitRateLabel")->text(), "2000 kbit/s");
    EXPECT_FALSE(control<QSlider>(form, "webmQualitySlider")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.estimating(); }));
    EXPECT_EQ(estimate->text(), "not estimated at a set bit rate");
    control<QSlider>(form, "webmBitRateSlider")->setValue(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.estimating(); }));
    EXPECT_TRUE(estimate->text().startsWith("about ")) << estimate->text().toStdString();
    form.hide();
}

// The format and its settings chosen in the dialog reach the capture and stay for the next
// one; the save dialog offers the chosen format's files and appends its extension, and the
// last name comes back with the newly chosen format's extension.
TEST_F(ExportWindowsTest, TheChosenFormatReachesTheFileAndIsKept)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    whenModalShows([&](QWidget* modal) {
        auto* form = qobject_cast<AnimationExportDialog*>(modal);
        ASSERT_NE(form, nullptr);
        clickButton(control<SphereButton>(*form, "webpFormatButton"));
        clickButton(control<SphereButton>(*form, "webpLosslessBox"));
        control<QSlider>(*form, "frameRateSlider")->setValue(20);
        control<QSlider>(*form, "frameCountSlider")->setValue(2);
        control<QSlider>(*form, "objectsPerFrameSlider")->setValue(50);
        control<QSlider>(*form, "frameSizeSlider")->setValue(50);
        whenModalShows([&](QWidget* next) {
            auto* dialog = qobject_cast<QFileDialog*>(next);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->defaultSuffix(), "webp");
            EXPECT_EQ(dialog->nameFilters().constFirst(), "WebP animations (*.webp)");
            acceptSaveDialog(next, "Choose file...", QString::fromStdString(m_folder.file("clip")));
        });
        clickButton(control<SphereButton>(*form, "createAnimationButton"));
    });
    exports.saveGif();
    ASSERT_TRUE(exports.capture().active());
    m_renderer.drawSprites(3 * 51);
    ASSERT_FALSE(exports.capture().active());
    const std::string info = commandOutput("webpmux -info '" + m_folder.file("clip.webp") + "' 2>&1");
    EXPECT_NE(info.find("Canvas size: 32 x 24"), std::string::npos) << info;
    EXPECT_NE(info.find("Number of frames: 2"), std::string::npos) << info;
    EXPECT_NE(info.find("lossless"), std::string::npos) << info;
    EXPECT_EQ(info.find("lossy"), std::string::npos) << info;

    whenModalShows([&](QWidget* modal) {
        auto* form = qobject_cast<AnimationExportDialog*>(modal);
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(control<SphereButton>(*form, "webpFormatButton")->front());
        EXPECT_TRUE(control<SphereButton>(*form, "webpLosslessBox")->checked());
        EXPECT_EQ(control<QSlider>(*form, "frameRateSlider")->value(), 20);
        EXPECT_EQ(control<QSlider>(*form, "frameCountSlider")->value(), 2);
        clickButton(control<SphereButton>(*form, "webmFormatButton"));
        control<QSlider>(*form, "webmQualitySlider")->setValue(40);
        whenModalShows([&](QWidget* next) {
            auto* dialog = qobject_cast<QFileDialog*>(next);
            ASSERT_NE(dialog, nullptr);
            ASSERT_FALSE(dialog->selectedFiles().isEmpty());
            EXPECT_TRUE(dialog->selectedFiles().constFirst().endsWith("/clip.webm"))
                << dialog->selectedFiles().constFirst().toStdString();
            static_cast<QDialog*>(dialog)->accept();
        });
        clickButton(control<SphereButton>(*form, "createAnimationButton"));
    });
    exports.saveGif();
    ASSERT_TRUE(exports.capture().active());
    EXPECT_EQ(exports.capture().settings.webmQuality, 40);
    EXPECT_EQ(exports.capture().settings.fps, 20);
    m_renderer.drawSprites(3 * 51);
    ASSERT_FALSE(exports.capture().active());
    const std::string probe = commandOutput("ffprobe -v error -count_frames -show_entries stream=codec_name,width,"
                                            "height,nb_read_frames,r_frame_rate -of compact '"
        + m_folder.file("clip.webm") + "'");
    EXPECT_NE(probe.find("codec_name=vp9|width=32|height=24|r_frame_rate=20/1|nb_read_frames=2"), std::string::npos)
        << probe;
}

TEST_F(ExportWindowsTest, WithEveryObjectSwitchedOffTheGifIsRefusedBeforeAnyDialog)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    const auto enabled = m_preset.objectEnabled;
    m_preset.objectEnabled.fill(0);
    // Should the settings dialog open after all, this ends it instead of waiting for ever.
    bool settingsShown = false;
    QTimer::singleShot(0, exports.animationDialog(), [&] {
        settingsShown = true;
        exports.animationDialog()->reject();
    });
    exports.saveGif();
    EXPECT_FALSE(settingsShown);
    EXPECT_FALSE(exports.capture().active());
    QMessageBox* box = visibleMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->informativeText().contains("Every object is switched off"))
        << box->informativeText().toStdString();

    m_preset.objectEnabled[6] = 1;
    EXPECT_EQ(gifCaptureRefusal(m_preset), "") << "one object is enough";
    m_preset.objectEnabled = enabled;
}

TEST_F(ExportWindowsTest, InBlurModeFramesAreTakenAsTheLiveViewShowsThem)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    EXPECT_EQ(&exports.gifSourceFrame(), &m_frame);
    m_options.filter = true; // the frame reaches the screen bottom-up
    const ArgbImage& shown = exports.gifSourceFrame();
    m_options.filter = false;
    ArgbImage turned;
    copyPictureAsShown(m_frame, true, turned);
    ASSERT_NE(turned.pixels, m_frame.pixels);
    EXPECT_EQ(shown.width, m_frame.width);
    EXPECT_EQ(shown.pixels, turned.pixels);
}

TEST_F(ExportWindowsTest, InBlurModeTheJpegIsThePictureTurnedRightWayUp)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    ArgbImage shown;
    copyPictureAsShown(m_frame, true, shown);
    saveJpegSnapshot(shown, m_folder.file("expected.jpg"));
    whenModalShows([this](QWidget* modal) {
        acceptSaveDialog(modal, "Save picture to file", QString::fromStdString(m_folder.file("shot.jpg")));
    });
    m_options.filter = true;
    exports.saveJpeg();
    m_options.filter = false;
    EXPECT_EQ(readWholeFile(m_folder.file("shot.jpg")), readWholeFile(m_folder.file("expected.jpg")));
}

TEST_F(ExportWindowsTest, CancelDuringTheCaptureHidesTheWindowAndWritesNothing)
{
    QWidget editor;
    ExportFlows exports(
        &editor, m_run, [this] { return &m_renderer; }, [this] { return m_panel; });
    exports.capture().settings.objectsPerFrame = 0;
    exports.capture().gifFileName = m_folder.file("cancelled.gif");
    exports.capture().startGifCapture();
    m_renderer.drawSprites(1);
    EXPECT_EQ(control<QLabel>(*exports.progressWindow(), "captureProgressLabel")->text(), "frame 1 of 10");
    clickButton(control<SphereButton>(*exports.progressWindow(), "cancelCaptureButton"));
    m_renderer.drawSprites(1);
    EXPECT_FALSE(exports.capture().active());
    EXPECT_FALSE(exports.progressWindow()->isVisible());
    EXPECT_TRUE(m_folder.entries().empty());
    EXPECT_EQ(visibleMessageBox(), nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
