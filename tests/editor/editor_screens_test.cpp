// The editor's pages and dialogs as pictures: each is drawn offscreen and held pixel for
// pixel to the picture kept in tests/data/screens. A change of the code's shape must leave
// every one of them as it is. With OPAL_WRITE_SCREENS=1 the pictures are written afresh
// (after a change of look that is meant); the test then fails, so that nobody forgets to
// look at them.

#include "tests/editor/editor_fixture.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_chooser.h"
#include "editor/auto_apply_dialog.h"
#include "editor/preset_choice.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"
#include "editor/capture_progress_window.h"
#include "editor/animation_export_dialog.h"
#include "editor/export_flows.h"

#include <QImage>
#include <QTest>

#include <filesystem>

namespace {

const std::filesystem::path kScreens = OPAL_SOURCE_DIR "/tests/data/screens";

// The first pixel that differs, or an empty text when the pictures are equal.
std::string firstDifference(const QImage& shown, const QImage& kept)
{
    if (shown.size() != kept.size()) {
        return "size " + std::to_string(shown.width()) + " x " + std::to_string(shown.height()) + ", kept "
            + std::to_string(kept.width()) + " x " + std::to_string(kept.height());
    }
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != kept.pixel(x, y)) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is #%06x, kept #%06x", x, y,
                    shown.pixel(x, y) & 0xFFFFFFu, kept.pixel(x, y) & 0xFFFFFFu);
                return text;
            }
        }
    }
    return {};
}

void compareWithKept(QWidget* window, const std::string& name)
{
    QApplication::processEvents();
    const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const std::filesystem::path kept = kScreens / (name + ".png");
    if (qEnvironmentVariableIntValue("OPAL_WRITE_SCREENS") == 1) {
        std::filesystem::create_directories(kScreens);
        ASSERT_TRUE(shown.save(QString::fromStdString(kept.string())));
        ADD_FAILURE() << "written afresh: " << kept;
        return;
    }
    QImage picture;
    ASSERT_TRUE(picture.load(QString::fromStdString(kept.string()))) << kept;
    const std::string difference = firstDifference(shown, picture.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(difference, "") << name;
}

// Every page with the start scene and a live view of a known picture, then every dialog of
// the editor's own. The presets folder holds one preset and one sub-folder, under a fixed
// path, so that the list and the chooser show the same lines on every machine.
TEST_F(EditorWindowTest, EveryPageAndDialogLooksAsKept)
{
    const std::filesystem::path folder = "/tmp/opal-revel-screens-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Sub-folder");
    m_run.options.presetsDir = folder.string();
    std::string reason;
    ASSERT_TRUE(savePresetAs(folder / "A preset.vhp", m_run.preset, reason)) << reason;
    EditorWindow& toy = showWindow();
    Renderer& live = *toy.renderer();
    live.reset(live.frame().width, live.frame().height);
    live.drawSprites(400);
    control<PicturePanel>(toy, "liveView")->update();

    const std::pair<SphereButton*, const char*> tabs[]
        = { { control<SphereButton>(toy, "renderTabButton"), "editor_render" },
              { control<SphereButton>(toy, "saveTabButton"), "editor_save" },
              { control<SphereButton>(toy, "optionsTabButton"), "editor_options" },
              { control<SphereButton>(toy, "helpTabButton"), "editor_help" },
              { control<SphereButton>(toy, "presetsTabButton"), "editor_presets" } };
    for (const auto& [tab, name] : tabs) {
        tab->clicked();
        compareWithKept(&toy, name);
    }

    control<AutoApplyDialog>(toy, "autoApplyDialog")->prepare(0);
    control<AutoApplyDialog>(toy, "autoApplyDialog")->show();
    compareWithKept(control<AutoApplyDialog>(toy, "autoApplyDialog"), "apply_dialog");
    control<AutoApplyDialog>(toy, "autoApplyDialog")->hide();

    control<ExportFlows>(toy, "exportFlows")->animationDialog()->show();
    // The size line's estimate is worked out in the background; the picture shows it done.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !control<ExportFlows>(toy, "exportFlows")->animationDialog()->estimating(); }));
    compareWithKept(control<ExportFlows>(toy, "exportFlows")->animationDialog(), "gif_dialog");
    control<ExportFlows>(toy, "exportFlows")->animationDialog()->hide();

    CaptureProgressWindow& progress = *control<ExportFlows>(toy, "exportFlows")->progressWindow();
    progress.show();
    progress.showFramesTaken(3, 10);
    compareWithKept(&progress, "capture_progress");
    progress.hide();

    control<FolderChooser>(toy, "folderChooser")->setDirectory(QString::fromStdString(folder.string()));
    control<FolderChooser>(toy, "folderChooser")->show();
    compareWithKept(control<FolderChooser>(toy, "folderChooser"), "folder_chooser");
    control<FolderChooser>(toy, "folderChooser")->hide();
    std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char** argv)
{
    return runWidgetTests(argc, argv);
}
