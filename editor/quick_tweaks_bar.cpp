// The "Quick tweaks" bar under the live view: the seven object thumbnails with their
// switches, the palette path control that colours the objects, and the palette, mirror and
// formula buttons with their "(-)" resets.

#include "editor/editor_window.h"

#include "controls/path_painter.h"
#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "engine/picture_panel.h"

#include <QLabel>

namespace {

constexpr int kThumbnailSide = 50;
constexpr int kThumbnailGap = 2;
constexpr int kThumbnailTop = 1;
constexpr int kSwitchWidth = 48;
constexpr int kSwitchHeight = 14;
constexpr int kSwitchTop = 52;
constexpr int kPathWidth = 365;
constexpr int kPathHeight = 51;
constexpr int kPathTop = 66;
constexpr int kBarWidth = 492;
constexpr int kTweaksLeft = 368;
constexpr int kTweakWidth = 92;
constexpr int kResetLeft = 463;
constexpr int kResetWidth = 27;
constexpr int kTweakHeight = 23;

} // namespace

void EditorWindow::buildQuickTweaksBar()
{
    for (int i = 0; i < kObjectCount; ++i) {
        const int left = kThumbnailGap / 2 + i * (kThumbnailSide + kThumbnailGap);
        PicturePanel* thumbnail = new PicturePanel(BControlPanel);
        thumbnail->setGeometry(left, kThumbnailTop, kThumbnailSide, kThumbnailSide);
        SetGround(thumbnail, 0, 0, 0);
        thumbnail->installEventFilter(this);
        panelObject[static_cast<size_t>(i)] = thumbnail;

        SphereButton* on = MakeCheckBox(BControlPanel, QString(), left + 1, kSwitchTop, kSwitchWidth, kSwitchHeight,
            tr("Switch the above object On or Off"));
        connect(on, &SphereButton::clicked, this, [this] {
            std::array<bool, kObjectCount> states {};
            for (size_t k = 0; k < states.size(); ++k)
                states[k] = SButton_Switch[k]->checked();
            Editor.SetObjectSwitches(states);
        });
        SButton_Switch[static_cast<size_t>(i)] = on;
    }

    PathPainter1 = new PathPainter(BControlPanel);
    PathPainter1->setGeometry(0, kPathTop, kPathWidth, kPathHeight);
    PathPainter1->setCursor(Qt::PointingHandCursor);
    PathPainter1->setToolTip(tr("Draw here and Color the Objects!"));
    connect(PathPainter1, &PathPainter::paintOver, this, [this] { Editor.ApplyPathColors(PathPainter1->Colors()); });

    LabelQuickTweaks = MakeLabel(BControlPanel, tr("Quick tweaks"), kTweaksLeft, 2, kBarWidth - kTweaksLeft, 16);
    LabelQuickTweaks->setAlignment(Qt::AlignCenter);

    const int rows[3] = { 22, 51, 80 };
    SButton_Formula = MakeButton(BControlPanel, QString(), kTweaksLeft, rows[0], kTweakWidth, kTweakHeight,
        tr("Change motion formula"));
    SButton_ClassicFormula = MakeButton(BControlPanel, QStringLiteral("(-)"), kResetLeft, rows[0], kResetWidth,
        kTweakHeight, tr("Set classic formula (reset formula)"));
    SButton_Mirror = MakeButton(BControlPanel, QString(), kTweaksLeft, rows[1], kTweakWidth, kTweakHeight,
        tr("Change mirror effect"));
    SButton13 = MakeButton(BControlPanel, QStringLiteral("(-)"), kResetLeft, rows[1], kResetWidth, kTweakHeight,
        tr("No mirror effect"));
    SButton_Palette = MakeButton(BControlPanel, QString(), kTweaksLeft, rows[2], kTweakWidth, kTweakHeight,
        tr("Change color picker palette"));
    SButton14 = MakeButton(BControlPanel, QStringLiteral("(-)"), kResetLeft, rows[2], kResetWidth, kTweakHeight,
        tr("Reset palette"));

    // The three main buttons react to a click and again to a double click.
    const auto formula = [this] {
        Editor.NextFormula();
        showQuickTweakCaptions();
    };
    const auto mirror = [this] {
        Editor.NextMirror();
        showQuickTweakCaptions();
    };
    const auto palette = [this] {
        PathPainter1->nextPalette();
        showQuickTweakCaptions();
    };
    connect(SButton_Formula, &SphereButton::clicked, this, formula);
    connect(SButton_Formula, &SphereButton::doubleClicked, this, formula);
    connect(SButton_Mirror, &SphereButton::clicked, this, mirror);
    connect(SButton_Mirror, &SphereButton::doubleClicked, this, mirror);
    connect(SButton_Palette, &SphereButton::clicked, this, palette);
    connect(SButton_Palette, &SphereButton::doubleClicked, this, palette);
    connect(SButton_ClassicFormula, &SphereButton::clicked, this, [this] {
        Editor.ClassicFormula();
        showQuickTweakCaptions();
    });
    connect(SButton13, &SphereButton::clicked, this, [this] {
        Editor.NoMirror();
        showQuickTweakCaptions();
    });
    connect(SButton14, &SphereButton::clicked, this, [this] {
        PathPainter1->classicPalette();
        showQuickTweakCaptions();
    });
}

void EditorWindow::showQuickTweakCaptions()
{
    SButton_Formula->setCaption(QString::fromStdString(FormulaCaption()));
    SButton_Mirror->setCaption(QString::fromStdString(MirrorCaption()));
    SButton_Palette->setCaption(QString::fromStdString(PaletteCaption()));
}
