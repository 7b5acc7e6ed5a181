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

constexpr quint32 kRoundGreen = MakeColorref(0, 128, 0);
constexpr quint32 kRadialNavy = MakeColorref(0, 0, 128);

} // namespace

void EditorWindow::buildRenderPage()
{
    QWidget* page = Panel_TabRender;

    MakeLabel(page, tr("Animation speeds"), kMargin, 4, kPageWidth - 2 * kMargin, kCaptionHeight);
    MakeLabel(page, tr("round"), kMargin, 22, 100, 14);
    MakeLabel(page, tr("radial"), kRadialLeft, 22, 100, 14);
    const int speedTop = 37;
    const auto speedGroup = [&](int left, quint32 color, const QString& what, SphereButton*& down, SphereButton*& knob,
                                SphereButton*& up) {
        down = MakeButton(page, QStringLiteral("<"), left, speedTop, kSpeedButtonWidth, kButtonHeight,
            tr("Decrease %1 speed").arg(what));
        knob = MakeButton(page, QString(), left + kSpeedButtonWidth + 2, speedTop, kKnobWidth, kButtonHeight,
            tr("Click and drag to change %1 speed").arg(what));
        up = MakeButton(page, QStringLiteral(">"), left + kSpeedButtonWidth + kKnobWidth + 4, speedTop,
            kSpeedButtonWidth, kButtonHeight, tr("Increase %1 speed").arg(what));
        for (SphereButton* button : { down, knob, up })
            button->setColor(color);
        knob->setIsButton(false);
    };
    speedGroup(kMargin, kRoundGreen, tr("round"), SButton_RoundDn, SButton_Round, SButton_RoundUp);
    speedGroup(kRadialLeft, kRadialNavy, tr("radial"), SButton_RadialDn, SButton_Radial, SButton_RadialUp);
    connect(SButton_RoundDn, &SphereButton::clicked, this, [this] { Editor.RoundDown(); });
    connect(SButton_RoundUp, &SphereButton::clicked, this, [this] { Editor.RoundUp(); });
    connect(SButton_RadialDn, &SphereButton::clicked, this, [this] { Editor.RadialDown(); });
    connect(SButton_RadialUp, &SphereButton::clicked, this, [this] { Editor.RadialUp(); });
    connect(SButton_Round, &SphereButton::mouseDown, this, [this](Qt::MouseButton, QPoint at) { Editor.RoundKnobPressed(at.x()); });
    connect(SButton_Round, &SphereButton::mouseMove, this, [this](Qt::MouseButtons, QPoint at) { Editor.RoundKnobMoved(at.x()); });
    connect(SButton_Round, &SphereButton::mouseUp, this, [this](Qt::MouseButton, QPoint) { Editor.RoundKnobReleased(); });
    connect(SButton_Radial, &SphereButton::mouseDown, this,
        [this](Qt::MouseButton, QPoint at) { Editor.RadialKnobPressed(at.x()); });
    connect(SButton_Radial, &SphereButton::mouseMove, this,
        [this](Qt::MouseButtons, QPoint at) { Editor.RadialKnobMoved(at.x()); });
    connect(SButton_Radial, &SphereButton::mouseUp, this, [this](Qt::MouseButton, QPoint) { Editor.RadialKnobReleased(); });

    MakeLabel(page, tr("Rendering"), kMargin, 66, kPageWidth - 2 * kMargin, kCaptionHeight);
    struct SliderPlace {
        QSlider** slider;
        const char* name;
        int right;
    };
    const SliderPlace places[kSliderCount] = {
        { &SliderMainSize, "Master size", kPageWidth - kMargin },
        { &SliderSize1, "Shape width", kPageWidth - kMargin },
        { &SliderSize2, "Shape height", kPageWidth - kMargin },
        { &SliderPhong, "Phong power", kNarrowSliderRight },
        { &SliderMirror, "Mirror light", kNarrowSliderRight },
        { &SlideAmbient, "Ambient light", kNarrowSliderRight },
    };
    int top = 86;
    for (int p = 1; p <= kSliderCount; ++p) {
        const SliderPlace& place = places[p - 1];
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        const int y = top + (p - 1) * kSliderRowPitch + (p > 3 ? 2 : 0);
        MakeLabel(page, tr(place.name), kMargin, y, kSliderLabelWidth, kSliderHeight);
        const int left = kMargin + kSliderLabelWidth;
        QSlider* slider = MakeSlider(page, range.minimum, range.maximum, left, y, place.right - left, kSliderHeight,
            tr(place.name));
        slider->installEventFilter(this);
        connect(slider, &QSlider::valueChanged, this, [this, p](int value) { Editor.SliderChanged(p, value); });
        *place.slider = slider;
    }

    const int lightTop = top + 3 * kSliderRowPitch + 2;
    panelLAShower = new PicturePanel(page);
    panelLAShower->setGeometry(kPageWidth - kLightWidth - 2, lightTop, kLightWidth, kLightHeight);
    panelLAShower->setToolTip(tr("Light Angle"));
    panelLAShower->setCursor(Qt::CrossCursor);
    SetGround(panelLAShower, 0, 0, 0);
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
        { &SButton1, "Shape color", "Change color of selected shape", 0 },
        { &SButton8, "Shape type", "Choose sphere or torus", 0 },
        { &SButton9, "Clone selected shape", "Add new shape above selected one", 1 },
        { &SButton10, "Remove selected shape", "Remove selected shape", 1 },
        { &SButton11, "Move shape UP", "Move selected shape up", 2 },
        { &SButton12, "Move shape DOWN", "Move selected shape down", 2 },
    };
    int row = 0;
    for (const ButtonPlace& place : buttons) {
        const int y = buttonsTop + row * kShapeButtonPitch + place.gapsBefore * kShapeButtonGap;
        *place.button = MakeButton(page, tr(place.caption), kMargin, y, kShapeButtonWidth, kButtonHeight, tr(place.hint));
        ++row;
    }
    connect(SButton1, &SphereButton::clicked, this, &EditorWindow::SButton1Click);
    connect(SButton8, &SphereButton::clicked, this, [this] { Editor.ToggleShapeType(); });
    connect(SButton9, &SphereButton::clicked, this, [this] { Editor.CloneShape(); });
    connect(SButton10, &SphereButton::clicked, this, [this] { Editor.RemoveSelectedShape(); });
    connect(SButton11, &SphereButton::clicked, this, [this] { Editor.MoveSelectedShapeUp(); });
    connect(SButton12, &SphereButton::clicked, this, [this] { Editor.MoveSelectedShapeDown(); });

    panelObjectBrowser = new PicturePanel(page);
    panelObjectBrowser->setGeometry(kPageWidth - kMargin - kBrowserWidth - 6, buttonsTop, kBrowserWidth, kBrowserHeight);
    panelObjectBrowser->setToolTip(tr("Shape Stack"));
    SetGround(panelObjectBrowser, 0, 0, 0);
    panelObjectBrowser->installEventFilter(this);

    ApplyMenu = new QMenu(this);
    ApplyMenu->addAction(tr("Apply to shapes of current object"), this, [this] { Editor.ApplyToCurrentObject(); });
    ApplyMenu->addAction(tr("Apply to shapes of all object"), this, [this] { Editor.ApplyToAllObjects(); });
    ApplyMenu->addSeparator();
    ApplyMenu->addAction(tr("Automatic applying ..."), this, [this] { FormGlobals->Open(Editor.ApplyParam - 1); });
}

void EditorWindow::openApplyMenu(QWidget* control, QPoint position) { ApplyMenu->popup(control->mapToGlobal(position)); }

void EditorWindow::SButton1Click()
{
    const Shape* shape = Editor.SelectedShape();
    if (!shape)
        return;
    const QColor start(static_cast<int>(ColorrefRed(shape->Color)), static_cast<int>(ColorrefGreen(shape->Color)),
        static_cast<int>(ColorrefBlue(shape->Color)));
    const QColor chosen = QColorDialog::getColor(start, this, tr("Shape color"));
    if (chosen.isValid())
        Editor.SetShapeColor(MakeColorref(static_cast<uint32_t>(chosen.red()), static_cast<uint32_t>(chosen.green()),
            static_cast<uint32_t>(chosen.blue())));
}
