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
        PicturePanel* thumbnail = new PicturePanel(bControlPanel);
        thumbnail->setGeometry(left, kThumbnailTop, kThumbnailSide, kThumbnailSide);
        setGround(thumbnail, 0, 0, 0);
        thumbnail->installEventFilter(this);
        panelObject[static_cast<size_t>(i)] = thumbnail;

        SphereButton* on = makeCheckBox(bControlPanel, QString(), left + 1, kSwitchTop, kSwitchWidth, kSwitchHeight,
            tr("Switch the above object On or Off"));
        connect(on, &SphereButton::clicked, this, [this] {
            std::array<bool, kObjectCount> states {};
            for (size_t k = 0; k < states.size(); ++k)
                states[k] = sButtonSwitch[k]->checked();
            editor.setObjectSwitches(states);
        });
        sButtonSwitch[static_cast<size_t>(i)] = on;
    }

    pathPainter1 = new PathPainter(bControlPanel);
    pathPainter1->setGeometry(0, kPathTop, kPathWidth, kPathHeight);
    pathPainter1->setCursor(Qt::PointingHandCursor);
    pathPainter1->setToolTip(tr("Draw here and Color the Objects!"));
    connect(pathPainter1, &PathPainter::paintOver, this, [this] { editor.applyPathColors(pathPainter1->colors()); });

    labelQuickTweaks = makeLabel(bControlPanel, tr("Quick tweaks"), kTweaksLeft, 2, kBarWidth - kTweaksLeft, 16);
    labelQuickTweaks->setAlignment(Qt::AlignCenter);

    const int rows[3] = { 22, 51, 80 };
    sButtonFormula = makeButton(bControlPanel, QString(), kTweaksLeft, rows[0], kTweakWidth, kTweakHeight,
        tr("Change motion formula"));
    sButtonClassicFormula = makeButton(bControlPanel, QStringLiteral("(-)"), kResetLeft, rows[0], kResetWidth,
        kTweakHeight, tr("Set classic formula (reset formula)"));
    sButtonMirror = makeButton(bControlPanel, QString(), kTweaksLeft, rows[1], kTweakWidth, kTweakHeight,
        tr("Change mirror effect"));
    sButton13 = makeButton(bControlPanel, QStringLiteral("(-)"), kResetLeft, rows[1], kResetWidth, kTweakHeight,
        tr("No mirror effect"));
    sButtonPalette = makeButton(bControlPanel, QString(), kTweaksLeft, rows[2], kTweakWidth, kTweakHeight,
        tr("Change color picker palette"));
    sButton14 = makeButton(bControlPanel, QStringLiteral("(-)"), kResetLeft, rows[2], kResetWidth, kTweakHeight,
        tr("Reset palette"));

    // The three main buttons react to a click and again to a double click.
    const auto formula = [this] {
        editor.nextFormula();
        showQuickTweakCaptions();
    };
    const auto mirror = [this] {
        editor.nextMirror();
        showQuickTweakCaptions();
    };
    const auto palette = [this] {
        pathPainter1->nextPalette();
        showQuickTweakCaptions();
    };
    connect(sButtonFormula, &SphereButton::clicked, this, formula);
    connect(sButtonFormula, &SphereButton::doubleClicked, this, formula);
    connect(sButtonMirror, &SphereButton::clicked, this, mirror);
    connect(sButtonMirror, &SphereButton::doubleClicked, this, mirror);
    connect(sButtonPalette, &SphereButton::clicked, this, palette);
    connect(sButtonPalette, &SphereButton::doubleClicked, this, palette);
    connect(sButtonClassicFormula, &SphereButton::clicked, this, [this] {
        editor.classicFormula();
        showQuickTweakCaptions();
    });
    connect(sButton13, &SphereButton::clicked, this, [this] {
        editor.noMirror();
        showQuickTweakCaptions();
    });
    connect(sButton14, &SphereButton::clicked, this, [this] {
        pathPainter1->classicPalette();
        showQuickTweakCaptions();
    });
}

void EditorWindow::showQuickTweakCaptions()
{
    sButtonFormula->setCaption(QString::fromStdString(formulaCaption()));
    sButtonMirror->setCaption(QString::fromStdString(mirrorCaption()));
    sButtonPalette->setCaption(QString::fromStdString(paletteCaption()));
}
