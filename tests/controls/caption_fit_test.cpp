#include "controls/sphere_button.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

namespace {

struct Caption {
    const char* text;
    int width;
    int height;
    bool checkBox;
};

// The editor's longest captions at the sizes its layout leaves them: the five tab buttons
// share the 230-pixel toolbar, the shape buttons stand beside the 40-pixel stack browser,
// the check boxes and the Save and Help buttons span the tab page, the animation size
// sits between its "-" and "+", and the quick-tweak buttons share the 127 pixels right of
// the 365-pixel palette painter with their "(-)" buttons.
const Caption kLongest[] = {
    { "Options", 46, 23, false },
    { "Presets", 46, 23, false },
    { "Clear Screen", 119, 23, false },
    { "Remove selected shape", 160, 23, false },
    { "Clone selected shape", 160, 23, false },
    { "Move shape DOWN", 160, 23, false },
    { "Start with random preset", 210, 23, true },
    { "Travelling animation", 210, 23, true },
    { "Switch to 640x480", 210, 23, true },
    { "Animation Size: 95%", 150, 23, false },
    { "120 secs", 70, 23, false },
    { "Save as GIF animation", 210, 25, false },
    { "More COOL software", 210, 25, false },
    { "Mirror: Horiz.", 90, 23, false },
    { "Formula: 19", 90, 23, false },
};

// Captions are drawn into (0, 0, W - 2, H - 2), a check box's from column 36: a caption
// wider or taller than that is cut. The font is the condensed face itself, so a missing
// font package shows up here rather than as cut captions.
TEST(SphereButtonCaptions, LongestEditorCaptionsFitTheirButtons)
{
    SphereButton button;
    const QFontInfo info(button.font());
    EXPECT_EQ(info.family(), QStringLiteral("DejaVu Sans Condensed"));
    EXPECT_EQ(info.pixelSize(), 12);
    const QFontMetrics metrics(button.font());
    for (const Caption& caption : kLongest) {
        const QString text = QString::fromUtf8(caption.text);
        const int room = caption.width - 2 - (caption.checkBox ? 36 : 0);
        const int needed = std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
        EXPECT_LE(needed, room) << caption.text;
        EXPECT_LE(metrics.height(), caption.height - 2) << caption.text;
    }
}

} // namespace
