#include "editor/save_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"

#include <QLabel>

namespace {

constexpr int kLabelWidth = 210;
// The note's longest line is 238 pixels in the 12-pixel caption font, wider than the page:
// at 11 pixels it takes 219 and fits between margins of 4.
constexpr int kNoteLeft = 4;
constexpr int kNoteWidth = 222;
constexpr int kNoteFontPixels = 11;

} // namespace

SavePage::SavePage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("savePage"));
    setGround(this, kPageGround, kPageGround, kPageGround);
    m_savePresetButton
        = makeButton(this, tr("Save as Preset"), kWideButtonLeft, 20, kWideButtonWidth, kWideButtonHeight);
    m_savePresetButton->setObjectName(QStringLiteral("savePresetButton"));
    m_presetNoteLabel = makeLabel(this,
        QStringLiteral("After you save animation as preset, you can \r\nactivate the preset by switching to Presets "
                       "\r\npanel and selecting it from the list.  "),
        kNoteLeft, 56, kNoteWidth, 48);
    m_presetNoteLabel->setObjectName(QStringLiteral("presetNoteLabel"));
    QFont noteFont = m_presetNoteLabel->font();
    noteFont.setPixelSize(kNoteFontPixels);
    m_presetNoteLabel->setFont(noteFont);
    m_saveJpegButton
        = makeButton(this, tr("Save as JPEG image"), kWideButtonLeft, 130, kWideButtonWidth, kWideButtonHeight);
    m_saveJpegButton->setObjectName(QStringLiteral("saveJpegButton"));
    m_jpegLabel = makeLabel(this, tr("Save as JPEG image"), kWideButtonLeft, 166, kLabelWidth, 16);
    m_jpegLabel->setObjectName(QStringLiteral("jpegLabel"));
    m_saveGifButton
        = makeButton(this, tr("Save as GIF animation"), kWideButtonLeft, 210, kWideButtonWidth, kWideButtonHeight);
    m_saveGifButton->setObjectName(QStringLiteral("saveGifButton"));
    m_gifLabel = makeLabel(this, tr("Save as GIF image"), kWideButtonLeft, 246, kLabelWidth, 16);
    m_gifLabel->setObjectName(QStringLiteral("gifLabel"));

    connect(m_savePresetButton, &SphereButton::clicked, this, &SavePage::savePresetPressed);
    connect(m_saveJpegButton, &SphereButton::clicked, this, &SavePage::saveJpegPressed);
    connect(m_saveGifButton, &SphereButton::clicked, this, &SavePage::saveGifPressed);
}
