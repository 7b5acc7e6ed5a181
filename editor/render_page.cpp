// The Render page: the round and radial speed controls, the six shape sliders with the
// light-angle disc, the shape buttons and the shape-stack browser, and the apply menu that
// a right-click on a slider or on the disc opens.

#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "editor/auto_apply_dialog.h"
#include "editor/editor_widgets.h"
#include "engine/picture_panel.h"
#include "shapes/colors.h"

#include <QColorDialog>
#include <QLabel>
#include <QMenu>
#include <QSlider>

namespace {

constexpr int kMargin = 8;
constexpr int kPageWidth = 230;
constexpr int kCaptionHeight = 16;
constexpr int kSpeedButtonWidth = 40;
constexpr int kKnobWidth = 9;
constexpr int kButtonHeight = 23;
constexpr int kRadialLeft = 122;
constexpr int kSliderLabelWidth = 74;
constexpr int kSliderHeight = 22;
constexpr int kSliderRowPitch = 24;
constexpr int kNarrowSliderRight = 146;
constexpr int kLightWidth = 79;
constexpr int kLightHeight = 77;
constexpr int kShapeButtonWidth = 160;
constexpr int kShapeButtonPitch = 26;
constexpr int kShapeButtonGap = 8;
constexpr int kBrowserWidth = 40;
constexpr int kBrowserHeight = 200;

constexpr quint32 kRoundGreen = makeColorref(0, 128, 0);
constexpr quint32 kRadialNavy = makeColorref(0, 0, 128);

} // namespace

void EditorWindow::buildRenderPage()
{
    QWidget* page = panelTabRender;

    makeLabel(page, tr("Animation speeds"), kMargin, 4, kPageWidth - 2 * kMargin, kCaptionHeight);
    makeLabel(page, tr("round"), kMargin, 22, 100, 14);
    makeLabel(page, tr("radial"), kRadialLeft, 22, 100, 14);
    const int speedTop = 37;
    const auto speedGroup = [&](int left, quint32 color, const QString& what, SphereButton*& down, SphereButton*& knob,
                                SphereButton*& up) {
        down = makeButton(page, QStringLiteral("<"), left, speedTop, kSpeedButtonWidth, kButtonHeight,
            tr("Decrease %1 speed").arg(what));
        knob = makeButton(page, QString(), left + kSpeedButtonWidth + 2, speedTop, kKnobWidth, kButtonHeight,
            tr("Click and drag to change %1 speed").arg(what));
        up = makeButton(page, QStringLiteral(">"), left + kSpeedButtonWidth + kKnobWidth + 4, speedTop,
            kSpeedButtonWidth, kButtonHeight, tr("Increase %1 speed").arg(what));
        for (SphereButton* button : { down, knob, up })
            button->setColor(color);
        knob->setIsButton(false);
    };
    speedGroup(kMargin, kRoundGreen, tr("round"), sButtonRoundDn, sButtonRound, sButtonRoundUp);
    speedGroup(kRadialLeft, kRadialNavy, tr("radial"), sButtonRadialDn, sButtonRadial, sButtonRadialUp);
    connect(sButtonRoundDn, &SphereButton::clicked, this, [this] { editor.roundDown(); });
    connect(sButtonRoundUp, &SphereButton::clicked, this, [this] { editor.roundUp(); });
    connect(sButtonRadialDn, &SphereButton::clicked, this, [this] { editor.radialDown(); });
    connect(sButtonRadialUp, &SphereButton::clicked, this, [this] { editor.radialUp(); });
    connect(sButtonRound, &SphereButton::mouseDown, this, [this](Qt::MouseButton, QPoint at) { editor.roundKnobPressed(at.x()); });
    connect(sButtonRound, &SphereButton::mouseMove, this, [this](Qt::MouseButtons, QPoint at) { editor.roundKnobMoved(at.x()); });
    connect(sButtonRound, &SphereButton::mouseUp, this, [this](Qt::MouseButton, QPoint) { editor.roundKnobReleased(); });
    connect(sButtonRadial, &SphereButton::mouseDown, this,
        [this](Qt::MouseButton, QPoint at) { editor.radialKnobPressed(at.x()); });
    connect(sButtonRadial, &SphereButton::mouseMove, this,
        [this](Qt::MouseButtons, QPoint at) { editor.radialKnobMoved(at.x()); });
    connect(sButtonRadial, &SphereButton::mouseUp, this, [this](Qt::MouseButton, QPoint) { editor.radialKnobReleased(); });

    makeLabel(page, tr("Rendering"), kMargin, 66, kPageWidth - 2 * kMargin, kCaptionHeight);
    struct SliderPlace {
        QSlider** slider;
        const char* name;
        int right;
    };
    const SliderPlace places[kSliderCount] = {
        { &sliderMainSize, "Master size", kPageWidth - kMargin },
        { &sliderSize1, "Shape width", kPageWidth - kMargin },
        { &sliderSize2, "Shape height", kPageWidth - kMargin },
        { &sliderPhong, "Phong power", kNarrowSliderRight },
        { &sliderMirror, "Mirror light", kNarrowSliderRight },
        { &slideAmbient, "Ambient light", kNarrowSliderRight },
    };
    int top = 86;
    for (int p = 1; p <= kSliderCount; ++p) {
        const SliderPlace& place = places[p - 1];
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        const int y = top + (p - 1) * kSliderRowPitch + (p > 3 ? 2 : 0);
        makeLabel(page, tr(place.name), kMargin, y, kSliderLabelWidth, kSliderHeight);
        const int left = kMargin + kSliderLabelWidth;
        QSlider* slider = makeSlider(page, range.minimum, range.maximum, left, y, place.right - left, kSliderHeight,
            tr(place.name));
        slider->installEventFilter(this);
        connect(slider, &QSlider::valueChanged, this, [this, p](int value) { editor.sliderChanged(p, value); });
        *place.slider = slider;
    }

    const int lightTop = top + 3 * kSliderRowPitch + 2;
    panelLAShower = new PicturePanel(page);
    panelLAShower->setGeometry(kPageWidth - kLightWidth - 2, lightTop, kLightWidth, kLightHeight);
    panelLAShower->setToolTip(tr("Light Angle"));
    panelLAShower->setCursor(Qt::CrossCursor);
    setGround(panelLAShower, 0, 0, 0);
    panelLAShower->installEventFilter(this);

    // The shape buttons in two groups of two after the first pair, the browser beside them.
    const int buttonsTop = lightTop + kLightHeight + 8;
    struct ButtonPlace {
        SphereButton** button;
        const char* caption;
        const char* hint;
        int gapsBefore;
    };
    const ButtonPlace buttons[] = {
        { &sButton1, "Shape color", "Change color of selected shape", 0 },
        { &sButton8, "Shape type", "Choose sphere or torus", 0 },
        { &sButton9, "Clone selected shape", "Add new shape above selected one", 1 },
        { &sButton10, "Remove selected shape", "Remove selected shape", 1 },
        { &sButton11, "Move shape UP", "Move selected shape up", 2 },
        { &sButton12, "Move shape DOWN", "Move selected shape down", 2 },
    };
    int row = 0;
    for (const ButtonPlace& place : buttons) {
        const int y = buttonsTop + row * kShapeButtonPitch + place.gapsBefore * kShapeButtonGap;
        *place.button = makeButton(page, tr(place.caption), kMargin, y, kShapeButtonWidth, kButtonHeight, tr(place.hint));
        ++row;
    }
    connect(sButton1, &SphereButton::clicked, this, &EditorWindow::sButton1Click);
    connect(sButton8, &SphereButton::clicked, this, [this] { editor.toggleShapeType(); });
    connect(sButton9, &SphereButton::clicked, this, [this] { editor.cloneShape(); });
    connect(sButton10, &SphereButton::clicked, this, [this] { editor.removeSelectedShape(); });
    connect(sButton11, &SphereButton::clicked, this, [this] { editor.moveSelectedShapeUp(); });
    connect(sButton12, &SphereButton::clicked, this, [this] { editor.moveSelectedShapeDown(); });

    panelObjectBrowser = new PicturePanel(page);
    panelObjectBrowser->setGeometry(kPageWidth - kMargin - kBrowserWidth - 6, buttonsTop, kBrowserWidth, kBrowserHeight);
    panelObjectBrowser->setToolTip(tr("Shape Stack"));
    setGround(panelObjectBrowser, 0, 0, 0);
    panelObjectBrowser->installEventFilter(this);

    applyMenu = new QMenu(this);
    applyMenu->addAction(tr("Apply to shapes of current object"), this, [this] { editor.applyToCurrentObject(); });
    applyMenu->addAction(tr("Apply to shapes of all object"), this, [this] { editor.applyToAllObjects(); });
    applyMenu->addSeparator();
    applyMenu->addAction(tr("Automatic applying ..."), this, [this] { formGlobals->openAt(editor.applyParam - 1); });
}

void EditorWindow::openApplyMenu(QWidget* control, QPoint position) { applyMenu->popup(control->mapToGlobal(position)); }

void EditorWindow::sButton1Click()
{
    const Shape* shape = editor.selectedShape();
    if (!shape)
        return;
    const QColor start(static_cast<int>(colorrefRed(shape->color)), static_cast<int>(colorrefGreen(shape->color)),
        static_cast<int>(colorrefBlue(shape->color)));
    const QColor chosen = QColorDialog::getColor(start, this, tr("Shape color"));
    if (chosen.isValid())
        editor.setShapeColor(makeColorref(static_cast<uint32_t>(chosen.red()), static_cast<uint32_t>(chosen.green()),
            static_cast<uint32_t>(chosen.blue())));
}
