#include "editor/editor_widgets.h"

#include "controls/sphere_button.h"

#include <QLabel>

#include <QSlider>

#include <algorithm>
#include <utility>

namespace {

constexpr int kSliderStep = 2;

// The look of the editor's sphere controls: a bevel of 8 (less on a control too small for
// two of them), a low dome, bright ambient light, a strong mirror and a tight highlight.
constexpr int kBevel = 8;
constexpr int kLowestDome = 4;
constexpr int kHighestDome = 7;
constexpr float kAmbient = 0.7f;
constexpr float kMirror = 0.9f;
constexpr float kPhong = 20.0f;

void applyEditorLook(SphereButton& button, int width, int height)
{
    const int bevel = std::clamp(std::min({ kBevel, width / 2, height / 2 }), 1, kBevel);
    button.setBevel(bevel);
    // The dome sits two pixels below the bevel, within the form's heights of 4 to 7.
    button.setSphereHeight(std::clamp(bevel - 2, kLowestDome, kHighestDome));
    button.setAmbient(kAmbient);
    button.setMirror(kMirror);
    button.setPhong(kPhong);
}

} // namespace

SphereButton* makeButton(QWidget* parent, const QString& caption, int x, int y, int width, int height, const QString& hint)
{
    auto* button = new SphereButton(parent);
    applyEditorLook(*button, width, height);
    button->setGeometry(x, y, width, height);
    button->setCaption(caption);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    // Tab reaches it and Space or Enter presses it; a click gives no focus, so the mouse
    // never leaves a focus mark behind.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

SphereButton* makeCheckBox(QWidget* parent, const QString& caption, int x, int y, int width, int height, const QString& hint)
{
    SphereButton* box = makeButton(parent, caption, x, y, width, height, hint);
    box->setIsCheckBox(true);
    return box;
}

QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y, int width, int height)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, height);
    label->setFont(SphereButton::captionFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
    label->setPalette(palette);
    return label;
}

QSlider* makeSlider(QWidget* parent, int minimum, int maximum, int x, int y, int width, int height, const QString& hint)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setGeometry(x, y, width, height);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(kSliderStep);
    slider->setPageStep(kSliderStep);
    slider->setTracking(true);
    slider->setToolTip(hint);
    // Tab reaches it; the arrow keys and Page Up and Down move it by its steps.
    slider->setFocusPolicy(Qt::TabFocus);
    return slider;
}

void nameStockDialogParts(QWidget* dialog)
{
    const std::pair<const char*, QString> names[] = {
        { "QColorPicker", QObject::tr("Hue and saturation") },
        { "QColorLuminancePicker", QObject::tr("Lightness") },
        { "QColorShowLabel", QObject::tr("Chosen colour") },
        { "QSizeGrip", QObject::tr("Resize the dialog") },
        { "QSplitterHandle", QObject::tr("Move the divider") },
    };
    for (QWidget* part : dialog->findChildren<QWidget*>()) {
        for (const auto& [className, name] : names) {
            if (part->accessibleName().isEmpty() && part->inherits(className))
                part->setAccessibleName(name);
        }
    }
}

void setGround(QWidget* widget, int red, int green, int blue)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(red, green, blue));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
