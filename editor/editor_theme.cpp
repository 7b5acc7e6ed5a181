#include "editor/editor_theme.h"

#include <QApplication>

namespace {

// The editor's colours: the tab pages' ground, the labels' grey, the presets list's black
// field and the sphere buttons' blue (COLORREF 0x00DC6464).
const QColor kPageGround(34, 34, 34);
const QColor kLabelText(220, 220, 220);
const QColor kField(0, 0, 0);
const QColor kControl(50, 50, 50);
const QColor kSphereBlue(100, 100, 220);
const QColor kGreyedText(120, 120, 120);

} // namespace

QPalette editorDialogPalette()
{
    // Built from the button colour so that the style's bevels (light, mid, dark, shadow)
    // are shades of the same dark grey.
    QPalette palette(kControl, kPageGround);
    palette.setColor(QPalette::WindowText, kLabelText);
    palette.setColor(QPalette::Text, kLabelText);
    palette.setColor(QPalette::ButtonText, kLabelText);
    palette.setColor(QPalette::Base, kField);
    palette.setColor(QPalette::AlternateBase, kPageGround);
    palette.setColor(QPalette::Highlight, kSphereBlue);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, kGreyedText);
    palette.setColor(QPalette::Link, kSphereBlue.lighter(150));
    palette.setColor(QPalette::LinkVisited, kSphereBlue.lighter(120));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, kGreyedText);
    palette.setColor(QPalette::Disabled, QPalette::Base, kPageGround);
    return palette;
}

void installEditorTheme()
{
    const QPalette palette = editorDialogPalette();
    // By class, so that the editor window, whose sliders and fields are drawn in the
    // program's first colours, keeps every pixel it had.
    QApplication::setPalette(palette, "QDialog");
    QApplication::setPalette(palette, "QMenu");
}
