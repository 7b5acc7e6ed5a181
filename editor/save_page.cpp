// The Save page: "Save as Preset" with its note, "Save as JPEG image" and "Save as GIF
// animation" with their labels. The JPEG and GIF buttons run the exports, which take the
// live view's frame as it is when they need it.

#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"
#include "editor/export_flows.h"

#include <QLabel>

namespace {

constexpr int kLeft = 15;
constexpr int kButtonWidth = 200;
constexpr int kButtonHeight = 30;
constexpr int kLabelWidth = 210;
// The note's longest line is 238 pixels in the 12-pixel caption font, wider than the page:
// at 11 pixels it takes 219 and fits between margins of 4.
constexpr int kNoteLeft = 4;
constexpr int kNoteWidth = 222;
constexpr int kNoteFontPixels = 11;

} // namespace

void EditorWindow::buildSavePage()
{
    QWidget* page = panelTabSave;
    sButton4 = makeButton(page, tr("Save as Preset"), kLeft, 20, kButtonWidth, kButtonHeight);
    labelSaveNote = makeLabel(page,
        QStringLiteral("After you save animation as preset, you can \r\nactivate the preset by switching to Presets "
                       "\r\npanel and selecting it from the list.  "),
        kNoteLeft, 56, kNoteWidth, 48);
    QFont noteFont = labelSaveNote->font();
    noteFont.setPixelSize(kNoteFontPixels);
    labelSaveNote->setFont(noteFont);
    sButton5 = makeButton(page, tr("Save as JPEG image"), kLeft, 130, kButtonWidth, kButtonHeight);
    labelSaveJpeg = makeLabel(page, tr("Save as JPEG image"), kLeft, 166, kLabelWidth, 16);
    sButton6 = makeButton(page, tr("Save as GIF animation"), kLeft, 210, kButtonWidth, kButtonHeight);
    labelSaveGif = makeLabel(page, tr("Save as GIF image"), kLeft, 246, kLabelWidth, 16);

    exports = new ExportFlows(
        this, [this] { return m_renderer.get(); },
        [this] { return QSize(panelShower->deviceWidth(), panelShower->deviceHeight()); });
    connect(sButton5, &SphereButton::clicked, exports, &ExportFlows::sButton5Click);
    connect(sButton6, &SphereButton::clicked, exports, &ExportFlows::sButton6Click);
}
