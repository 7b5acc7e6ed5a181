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
    QWidget* page = Panel_TabSave;
    SButton4 = MakeButton(page, tr("Save as Preset"), kLeft, 20, kButtonWidth, kButtonHeight);
    LabelSaveNote = MakeLabel(page,
        QStringLiteral("After you save animation as preset, you can \r\nactivate the preset by switching to Presets "
                       "\r\npanel and selecting it from the list.  "),
        kNoteLeft, 56, kNoteWidth, 48);
    QFont noteFont = LabelSaveNote->font();
    noteFont.setPixelSize(kNoteFontPixels);
    LabelSaveNote->setFont(noteFont);
    SButton5 = MakeButton(page, tr("Save as JPEG image"), kLeft, 130, kButtonWidth, kButtonHeight);
    LabelSaveJpeg = MakeLabel(page, tr("Save as JPEG image"), kLeft, 166, kLabelWidth, 16);
    SButton6 = MakeButton(page, tr("Save as GIF animation"), kLeft, 210, kButtonWidth, kButtonHeight);
    LabelSaveGif = MakeLabel(page, tr("Save as GIF image"), kLeft, 246, kLabelWidth, 16);

    Exports = new ExportFlows(
        this, [this] { return m_renderer.get(); },
        [this] { return QSize(panelShower->Width(), panelShower->Height()); });
    connect(SButton5, &SphereButton::clicked, Exports, &ExportFlows::SButton5Click);
    connect(SButton6, &SphereButton::clicked, Exports, &ExportFlows::SButton6Click);
}
