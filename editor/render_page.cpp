#include "editor/render_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "editor/panel_accessible.h"
#include "engine/picture_panel.h"
#include "shapes/colors.h"

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>

namespace {

constexpr int kSpeedTop = 37;
constexpr int kSpeedButtonWidth = 40;
constexpr int kKnobWidth = 9;
constexpr int kRowButtonHeight = 23;
constexpr int kRadialLeft = 122;
constexpr int kSlidersTop = 86;
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

RenderPage::RenderPage(ShapeEditor& editor, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("renderPage"));
    setGround(this, kPageGround, kPageGround, kPageGround);
    buildSpeedControls();
    buildSliders();

    const int lightTop = kSlidersTop + 3 * kSliderRowPitch + 2;
    m_lightAngleDisc = new PicturePanel(this);
    // The role goes first: a reader's interface, once made, keeps the role it was made with.
    setAccessibleRole(m_lightAngleDisc, QAccessible::Dial);
    m_lightAngleDisc->setAccessibleName(tr("Light angle"));
    m_lightAngleDisc->setAccessibleDescription(
        tr("Drag, or use the arrow keys, to set where the selected shape's light comes from"));
    // Tab reaches it and the arrow keys move its point; a click gives no focus.
    m_lightAngleDisc->setFocusPolicy(Qt::TabFocus);
    m_lightAngleDisc->setFocusMark(true);
    m_lightAngleDisc->setObjectName(QStringLiteral("lightAngleDisc"));
    m_lightAngleDisc->setGeometry(kPageWidth - kLightWidth - 2, lightTop, kLightWidth, kLightHeight);
    m_lightAngleDisc->setToolTip(tr("Light Angle"));
    m_lightAngleDisc->setCursor(Qt::CrossCursor);
    setGround(m_lightAngleDisc, 0, 0, 0);
    m_lightAngleDisc->installEventFilter(this);
    m_lightPainter.panel = m_lightAngleDisc;
    m_lightPainter.setStack(&m_editor.lightPreview);
    m_lightAngleDisc->painter = &m_lightPainter;

    buildShapeControls(lightTop + kLightHeight + 8);

    m_applyMenu = new QMenu(this);
    m_applyMenu->setObjectName(QStringLiteral("applyMenu"));
    m_applyMenu->addAction(tr("Apply to shapes of current object"), this, [this] { m_editor.applyToCurrentObject(); });
    m_applyMenu->addAction(tr("Apply to shapes of all object"), this, [this] { m_editor.applyToAllObjects(); });
    m_applyMenu->addSeparator();
    m_applyMenu->addAction(tr("Automatic applying ..."), this, &RenderPage::autoApplyRequested);
}

RenderPage::~RenderPage()
{
    // The panels go after the painters (children after members): they let go first.
    m_lightAngleDisc->painter = nullptr;
    m_shapeStackBrowser->painter = nullptr;
}

void RenderPage::buildSpeedControls()
{
    makeLabel(this, tr("Animation speeds"), kPageMargin, 4, kPageWidth - 2 * kPageMargin, kCaptionHeight);
    makeLabel(this, tr("round"), kPageMargin, 22, 100, 14);
    makeLabel(this, tr("radial"), kRadialLeft, 22, 100, 14);
    // The buttons show arrows, the knob nothing: a reader hears what each does.
    const auto speedGroup = [this](int left, quint32 color, const QString& what, SphereButton*& slower,
                                SphereButton*& knob, SphereButton*& faster) {
        slower = makeButton(this, QStringLiteral("<"), left, kSpeedTop, kSpeedButtonWidth, kRowButtonHeight,
            tr("Decrease %1 speed").arg(what));
        slower->setAccessibleName(tr("Slower %1 speed").arg(what));
        knob = makeButton(this, QString(), left + kSpeedButtonWidth + 2, kSpeedTop, kKnobWidth, kRowButtonHeight,
            tr("Click and drag to change %1 speed").arg(what));
        knob->setAccessibleName(tr("%1 speed knob").arg(what.left(1).toUpper() + what.mid(1)));
        knob->setAccessibleDescription(tr("Drag with the mouse; the buttons beside it step the speed"));
        faster = makeButton(this, QStringLiteral(">"), left + kSpeedButtonWidth + kKnobWidth + 4, kSpeedTop,
            kSpeedButtonWidth, kRowButtonHeight, tr("Increase %1 speed").arg(what));
        faster->setAccessibleName(tr("Faster %1 speed").arg(what));
        for (SphereButton* button : { slower, knob, faster })
            button->setColor(color);
        knob->setIsButton(false);
    };
    speedGroup(kPageMargin, kRoundGreen, tr("round"), m_roundSlowerButton, m_roundKnob, m_roundFasterButton);
    speedGroup(kRadialLeft, kRadialNavy, tr("radial"), m_radialSlowerButton, m_radialKnob, m_radialFasterButton);
    m_roundSlowerButton->setObjectName(QStringLiteral("roundSlowerButton"));
    m_roundKnob->setObjectName(QStringLiteral("roundKnob"));
    m_roundFasterButton->setObjectName(QStringLiteral("roundFasterButton"));
    m_radialSlowerButton->setObjectName(QStringLiteral("radialSlowerButton"));
    m_radialKnob->setObjectName(QStringLiteral("radialKnob"));
    m_radialFasterButton->setObjectName(QStringLiteral("radialFasterButton"));

    connect(m_roundSlowerButton, &SphereButton::clicked, this, [this] { m_editor.roundDown(); });
    connect(m_roundFasterButton, &SphereButton::clicked, this, [this] { m_editor.roundUp(); });
    connect(m_radialSlowerButton, &SphereButton::clicked, this, [this] { m_editor.radialDown(); });
    connect(m_radialFasterButton, &SphereButton::clicked, this, [this] { m_editor.radialUp(); });
    connect(m_roundKnob, &SphereButton::mouseDown, this,
        [this](Qt::MouseButton, QPoint at) { m_editor.roundKnobPressed(at.x()); });
    connect(m_roundKnob, &SphereButton::mouseMove, this,
        [this](Qt::MouseButtons, QPoint at) { m_editor.roundKnobMoved(at.x()); });
    connect(
        m_roundKnob, &SphereButton::mouseUp, this, [this](Qt::MouseButton, QPoint) { m_editor.roundKnobReleased(); });
    connect(m_radialKnob, &SphereButton::mouseDown, this,
        [this](Qt::MouseButton, QPoint at) { m_editor.radialKnobPressed(at.x()); });
    connect(m_radialKnob, &SphereButton::mouseMove, this,
        [this](Qt::MouseButtons, QPoint at) { m_editor.radialKnobMoved(at.x()); });
    connect(m_radialKnob, &SphereButton::mouseUp, this,
        [this](Qt::MouseButton, QPoint) { m_editor.radialKnobReleased(); });
}

void RenderPage::buildSliders()
{
    makeLabel(this, tr("Rendering"), kPageMargin, 66, kPageWidth - 2 * kPageMargin, kCaptionHeight);
    struct SliderPlace {
        const char* caption;
        const char* name;
        int right;
    };
    // In the order of the slider parameters.
    const SliderPlace places[kSliderCount] = {
        { "Master size", "masterSizeSlider", kPageWidth - kPageMargin },
        { "Shape width", "shapeWidthSlider", kPageWidth - kPageMargin },
        { "Shape height", "shapeHeightSlider", kPageWidth - kPageMargin },
        { "Phong power", "phongPowerSlider", kNarrowSliderRight },
        { "Mirror light", "mirrorLightSlider", kNarrowSliderRight },
        { "Ambient light", "ambientLightSlider", kNarrowSliderRight },
    };
    for (int p = 1; p <= kSliderCount; ++p) {
        const SliderPlace& place = places[p - 1];
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        const int y = kSlidersTop + (p - 1) * kSliderRowPitch + (p > 3 ? 2 : 0);
        QLabel* label = makeLabel(this, tr(place.caption), kPageMargin, y, kSliderLabelWidth, kSliderHeight);
        const int left = kPageMargin + kSliderLabelWidth;
        QSlider* slider = makeSlider(this, range.minimum, range.maximum, left, y, place.right - left, kSliderHeight,
            tr(place.caption));
        slider->setObjectName(QString::fromLatin1(place.name));
        // A screen reader names the slider by its label; its description says what the
        // name does not (the tool tip would only repeat the name).
        label->setBuddy(slider);
        slider->setAccessibleName(tr(place.caption));
        slider->setAccessibleDescription(tr("The Menu key or Shift+F10 opens the apply menu"));
        slider->installEventFilter(this);
        connect(slider, &QSlider::valueChanged, this, [this, p](int value) { m_editor.sliderChanged(p, value); });
        m_sliders[static_cast<size_t>(p - 1)] = slider;
    }
}

void RenderPage::buildShapeControls(int top)
{
    // The shape buttons in two groups of two after the first pair, the browser beside them.
    struct ButtonPlace {
        SphereButton** button;
        const char* caption;
        const char* hint;
        const char* name;
        int gapsBefore;
    };
    const ButtonPlace buttons[] = {
        { &m_shapeColorButton, "Shape color", "Change color of selected shape", "shapeColorButton", 0 },
        { &m_shapeTypeButton, "Shape type", "Choose sphere or torus", "shapeTypeButton", 0 },
        { &m_cloneShapeButton, "Clone selected shape", "Add new shape above selected one", "cloneShapeButton", 1 },
        { &m_removeShapeButton, "Remove selected shape", "Remove selected shape", "removeShapeButton", 1 },
        { &m_moveShapeUpButton, "Move shape UP", "Move selected shape up", "moveShapeUpButton", 2 },
        { &m_moveShapeDownButton, "Move shape DOWN", "Move selected shape down", "moveShapeDownButton", 2 },
    };
    int row = 0;
    for (const ButtonPlace& place : buttons) {
        const int y = top + row * kShapeButtonPitch + place.gapsBefore * kShapeButtonGap;
        *place.button
            = makeButton(this, tr(place.caption), kPageMargin, y, kShapeButtonWidth, kRowButtonHeight, tr(place.hint));
        (*place.button)->setObjectName(QString::fromLatin1(place.name));
        ++row;
    }
    // Its hint only repeats its caption, which a reader hears as the name.
    m_removeShapeButton->setAccessibleDescription(tr("Takes the shape out of the object's stack"));
    connect(m_shapeColorButton, &SphereButton::clicked, this, &RenderPage::chooseShapeColor);
    connect(m_shapeTypeButton, &SphereButton::clicked, this, [this] { m_editor.toggleShapeType(); });
    connect(m_cloneShapeButton, &SphereButton::clicked, this, [this] { m_editor.cloneShape(); });
    connect(m_removeShapeButton, &SphereButton::clicked, this, [this] { m_editor.removeSelectedShape(); });
    connect(m_moveShapeUpButton, &SphereButton::clicked, this, [this] { m_editor.moveSelectedShapeUp(); });
    connect(m_moveShapeDownButton, &SphereButton::clicked, this, [this] { m_editor.moveSelectedShapeDown(); });

    m_shapeStackBrowser = new PicturePanel(this);
    setAccessibleRole(m_shapeStackBrowser, QAccessible::List);
    m_shapeStackBrowser->setAccessibleName(tr("Shapes of the selected object"));
    m_shapeStackBrowser->setAccessibleDescription(tr("Click a shape, or use the up and down arrow keys, to select it"));
    m_shapeStackBrowser->setFocusPolicy(Qt::TabFocus);
    m_shapeStackBrowser->setFocusMark(true);
    m_shapeStackBrowser->setObjectName(QStringLiteral("shapeStackBrowser"));
    m_shapeStackBrowser->setGeometry(kPageWidth - kPageMargin - kBrowserWidth - 6, top, kBrowserWidth, kBrowserHeight);
    m_shapeStackBrowser->setToolTip(tr("Shape Stack"));
    setGround(m_shapeStackBrowser, 0, 0, 0);
    m_shapeStackBrowser->installEventFilter(this);
    // A reader moves through the used cells as list items; choosing one selects that shape.
    setAccessibleItemSource(
        m_shapeStackBrowser,
        [this](int shape) {
            const int side = m_shapeStackBrowser->width();
            return QRect(0, (ShapeStackBrowserPainter::kCells - browserShapeCount() + shape) * side, side, side);
        },
        [this](int shape) { m_editor.selectShape(shape); });
    m_browserPainter.panel = m_shapeStackBrowser;
    m_shapeStackBrowser->painter = &m_browserPainter;
}

void RenderPage::showSliderRanges()
{
    for (int32_t p = 1; p <= kSliderCount; ++p) {
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        QSlider* slider = sliderOf(p);
        const QSignalBlocker blocker(slider);
        slider->setRange(range.minimum, range.maximum);
        slider->setValue(m_editor.sliderValue(p));
    }
}

void RenderPage::showSlider(int32_t parameter, int32_t value)
{
    QSlider* slider = sliderOf(parameter);
    if (!slider)
        return;
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void RenderPage::showSelectedStack() { m_browserPainter.setStack(m_editor.selectedStack()); }

void RenderPage::showSelectedShape(int32_t shape)
{
    m_browserPainter.setSelected(shape);
    describeBrowser(shape);
}

void RenderPage::repaintBrowser()
{
    m_shapeStackBrowser->update();
    describeBrowser(m_editor.currentShape);
}

void RenderPage::repaintLightPreview()
{
    m_lightAngleDisc->update();
    const Shape& light = m_editor.lightPreview.shapes[0];
    setAccessibleValue(m_lightAngleDisc, QString::fromStdString(lightPlaceText(light.lightX, light.lightY)));
}

int RenderPage::browserShapeCount() const
{
    // A stack shows at least its first shape, drawn or not.
    const ShapeStack* stack = m_editor.selectedStack();
    return stack ? std::max(shapesInUse(*stack), 1) : 0;
}

void RenderPage::describeBrowser(int32_t shape)
{
    const ShapeStack* stack = m_editor.selectedStack();
    const int count = browserShapeCount();
    QStringList items;
    for (int i = 0; i < count; ++i) {
        const int32_t type = stack->shapes[static_cast<size_t>(i)].type;
        items << tr("Shape %1 of %2, %3")
                     .arg(i + 1)
                     .arg(count)
                     .arg(type == kTorusType ? tr("torus") : type == kSphereType ? tr("sphere") : tr("not drawn"));
    }
    const bool shown = shape >= 0 && shape < count;
    setAccessibleItems(m_shapeStackBrowser, items, shown ? shape : -1);
    setAccessibleValue(m_shapeStackBrowser, shown ? items.at(shape) : QString());
}

QSlider* RenderPage::sliderOf(int32_t parameter) const
{
    if (parameter < kGroupMasterSize || parameter > kGroupAmbient)
        return nullptr;
    return m_sliders[static_cast<size_t>(parameter - kGroupMasterSize)];
}

void RenderPage::openApplyMenu(QWidget* control, QPoint position)
{
    m_applyMenu->popup(control->mapToGlobal(position));
}

bool RenderPage::applyMenuKeyPressed(QObject* watched, const QKeyEvent& key)
{
    const bool menuKey = key.key() == Qt::Key_Menu
        || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
    if (!menuKey)
        return false;
    // The menu opens at the control, under its left edge, and applies that control's value,
    // as a right-click on it does.
    if (watched == m_lightAngleDisc) {
        m_editor.lightReleased(false);
        openApplyMenu(m_lightAngleDisc, QPoint(0, m_lightAngleDisc->height()));
        return true;
    }
    for (int32_t p = 1; p <= kSliderCount; ++p) {
        if (watched == sliderOf(p)) {
            m_editor.parameterRightClicked(p);
            openApplyMenu(sliderOf(p), QPoint(0, sliderOf(p)->height()));
            return true;
        }
    }
    return false;
}

void RenderPage::chooseShapeColor()
{
    const Shape* shape = m_editor.selectedShape();
    if (!shape)
        return;
    const QColor start(static_cast<int>(colorrefRed(shape->color)), static_cast<int>(colorrefGreen(shape->color)),
        static_cast<int>(colorrefBlue(shape->color)));
    QColorDialog dialog(start, window());
    dialog.setWindowTitle(tr("Shape color"));
    nameStockDialogParts(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    if (chosen.isValid())
        m_editor.setShapeColor(makeColorref(static_cast<uint32_t>(chosen.red()),
            static_cast<uint32_t>(chosen.green()), static_cast<uint32_t>(chosen.blue())));
}

bool RenderPage::panelKeyPressed(QObject* watched, const QKeyEvent& key)
{
    if (watched == m_lightAngleDisc) {
        // One pixel a press, five with Shift; the point stays on the panel.
        const int32_t step = (key.modifiers() & Qt::ShiftModifier) ? 5 : 1;
        const int32_t width = m_lightAngleDisc->width();
        switch (key.key()) {
        case Qt::Key_Left: m_editor.lightStepped(-step, 0, width); return true;
        case Qt::Key_Right: m_editor.lightStepped(step, 0, width); return true;
        case Qt::Key_Up: m_editor.lightStepped(0, -step, width); return true;
        case Qt::Key_Down: m_editor.lightStepped(0, step, width); return true;
        default: return false;
        }
    }
    if (watched == m_shapeStackBrowser) {
        // Shape 0 is the topmost cell: up goes to the shape before.
        switch (key.key()) {
        case Qt::Key_Up: m_editor.selectAdjacentShape(-1); return true;
        case Qt::Key_Down: m_editor.selectAdjacentShape(1); return true;
        case Qt::Key_Home: m_editor.selectAdjacentShape(-kMaxShapes); return true;
        case Qt::Key_End: m_editor.selectAdjacentShape(kMaxShapes); return true;
        default: return false;
        }
    }
    return false;
}

bool RenderPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress
        && (applyMenuKeyPressed(watched, *static_cast<QKeyEvent*>(event))
            || panelKeyPressed(watched, *static_cast<QKeyEvent*>(event))))
        return true;
    // The menu key comes as a context-menu request where the window system sends one;
    // the key press above has opened the menu already when it came as a key.
    if (type == QEvent::ContextMenu && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
        if (applyMenuKeyPressed(watched, menuKey))
            return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool left = mouse->button() == Qt::LeftButton;

    if (watched == m_shapeStackBrowser) {
        // The browser's cells are in device pixels, the side being the panel's width.
        if (press)
            m_editor.browserPressed(qRound(at.y() * m_shapeStackBrowser->devicePixelRatioF()),
                m_shapeStackBrowser->deviceWidth());
        return press;
    }
    if (watched == m_lightAngleDisc) {
        if (press)
            m_editor.lightPressed(left);
        else if (type == QEvent::MouseMove)
            m_editor.lightDragged(at.x(), at.y(), m_lightAngleDisc->width());
        else if (m_editor.lightReleased(left))
            openApplyMenu(m_lightAngleDisc, at);
        return true;
    }
    if (type == QEvent::MouseButtonRelease && !left) {
        for (int32_t p = 1; p <= kSliderCount; ++p) {
            if (watched == sliderOf(p)) {
                m_editor.parameterRightClicked(p);
                openApplyMenu(sliderOf(p), at);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
