#include "controls/sphere_button.h"

#include "controls/button_face.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>

#include <climits>
#include <cmath>

namespace {

// The check glyphs: the tick when Checked, the cross when not.
const QChar kTick(0x2713);
const QChar kCross(0x2717);
// How much larger the glyph is than the caption: 8 points, which the editor's 96 dots per
// inch make 11 pixels. Logical pixels keep the glyph's size to the caption on any screen.
constexpr qreal kGlyphExtraPoints = 8.0;
constexpr int kGlyphExtraPixels = 11;
// Where a check box's glyph and caption start, and the shadow's offset.
constexpr int kGlyphLeft = 16;
constexpr int kCheckCaptionLeft = 36;
constexpr int kCaptionFontPixels = 12;

// The rectangle from (left, top) up to, but not including, (right, bottom).
QRect edges(int left, int top, int right, int bottom)
{
    return { left, top, right - left, bottom - top };
}

// The region of the spans, rows of equal spans merged, in the banded order QRegion wants.
QRegion toRegion(const std::vector<RegionSpan>& spans)
{
    QList<QRect> rects;
    for (const RegionSpan& span : spans) {
        if (!rects.isEmpty()) {
            QRect& last = rects.last();
            if (last.left() == span.left && last.right() + 1 == span.right && last.bottom() + 1 == span.row) {
                last.setBottom(span.row);
                continue;
            }
        }
        rects.append(QRect(span.left, span.row, span.right - span.left, 1));
    }
    QRegion region;
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    return region;
}

// A text in black, then again one pixel down and right in its colour, single line. Text
// drawn into a rectangle is cut to it, as the caption is on every platform.
void drawShadowed(QPainter& painter, const QRect& shadow, const QRect& text, int alignment, const QString& caption,
                  const QColor& color)
{
    const int flags = alignment | Qt::TextSingleLine;
    painter.setPen(Qt::black);
    painter.drawText(shadow, flags, caption);
    painter.setPen(color);
    painter.drawText(text, flags, caption);
}

// What screen readers see of a sphere button: a push button, a check box, a page tab or, for
// a passive display, a label, as the button is one; named by its caption, with its checked
// (as a tab, selected) state, and a press or toggle action that does what a click does.
// SphereButton installs the factory with its first instance.
class SphereButtonAccessible final : public QAccessibleWidget {
public:
    explicit SphereButtonAccessible(SphereButton* button);

    // A button may become a check box after it was made: the role follows it.
    QAccessible::Role role() const override;
    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;
    QStringList keyBindingsForAction(const QString& action) const override;

    // The factory for QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

private:
    SphereButton* button() const;
};

QAccessible::Role roleOf(const SphereButton* button)
{
    if (button->isCheckBox())
        return QAccessible::CheckBox;
    if (button->isTab())
        return QAccessible::PageTab;
    // A passive thumb or value display does nothing when pressed: a reader hears a label.
    return button->isButton() ? QAccessible::Button : QAccessible::StaticText;
}

SphereButtonAccessible::SphereButtonAccessible(SphereButton* button)
    : QAccessibleWidget(button, roleOf(button))
{
}

QAccessible::Role SphereButtonAccessible::role() const { return roleOf(button()); }

SphereButton* SphereButtonAccessible::button() const { return static_cast<SphereButton*>(widget()); }

QString SphereButtonAccessible::text(QAccessible::Text kind) const
{
    // A name set on the widget wins; otherwise the caption is the name, as on a push button.
    if (kind == QAccessible::Name && button()->accessibleName().isEmpty())
        return button()->caption();
    return QAccessibleWidget::text(kind);
}

QAccessible::State SphereButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (button()->isCheckBox()) {
        state.checkable = true;
        state.checked = button()->checked();
    }
    if (button()->isTab()) {
        state.selectable = true;
        state.selected = button()->front();
    }
    state.focusable = button()->focusPolicy() != Qt::NoFocus;
    return state;
}

QStringList SphereButtonAccessible::actionNames() const
{
    if (!button()->isEnabled() || roleOf(button()) == QAccessible::StaticText)
        return {};
    return { button()->isCheckBox() ? toggleAction() : pressAction() };
}

void SphereButtonAccessible::doAction(const QString& action)
{
    if (button()->isEnabled() && (action == pressAction() || action == toggleAction()))
        button()->activate();
}

QStringList SphereButtonAccessible::keyBindingsForAction(const QString& action) const
{
    if (action == pressAction() || action == toggleAction())
        return { QStringLiteral("Space") };
    return {};
}

QAccessibleInterface* SphereButtonAccessible::create(const QString& className, QObject* object)
{
    if (className == QLatin1String("SphereButton") && object && object->isWidgetType())
        return new SphereButtonAccessible(static_cast<SphereButton*>(object));
    return nullptr;
}

} // namespace

SphereButton::SphereButton(QWidget* parent)
    : QWidget(parent)
    , m_shape(buttonShape())
{
    // The face covers every pixel of the region, so nothing is erased behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Every move is forwarded, also without a button held.
    setMouseTracking(true);
    setFont(captionFont());
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(&SphereButtonAccessible::create);
        return true;
    }();
    (void)accessibleInstalled;
}

SphereButton::~SphereButton() = default;

QFont SphereButton::captionFont()
{
    // Named by its own family: the condensed face itself, not a stretched regular one.
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(kCaptionFontPixels);
    return font;
}

int SphereButton::bevel() const { return m_shape.radiusPx + 1; }

void SphereButton::setBevel(int bevel)
{
    const int radius = bevel == INT_MIN ? INT_MIN : bevel - 1;
    if (radius == m_shape.radiusPx)
        return;
    m_shape.radiusPx = radius;
    refresh();
}

int SphereButton::sphereHeight() const { return m_shape.heightPx; }

void SphereButton::setSphereHeight(int height)
{
    if (height == m_shape.heightPx)
        return;
    m_shape.heightPx = height;
    refresh();
}

quint32 SphereButton::color() const { return m_shape.color; }

void SphereButton::setColor(quint32 colorref)
{
    if (colorref == m_shape.color)
        return;
    m_shape.color = colorref;
    refresh();
}

quint32 SphereButton::lColor() const { return m_shape.lColor; }

void SphereButton::setLColor(quint32 colorref)
{
    if (colorref == m_shape.lColor)
        return;
    m_shape.lColor = colorref;
    refresh();
}

float SphereButton::ambient() const { return m_shape.ambient; }

void SphereButton::setAmbient(float ambient)
{
    if (ambient == m_shape.ambient)
        return;
    m_shape.ambient = ambient;
    refresh();
}

float SphereButton::mirror() const { return m_shape.mirror; }

void SphereButton::setMirror(float mirror)
{
    if (mirror == m_shape.mirror)
        return;
    m_shape.mirror = mirror;
    refresh();
}

float SphereButton::phong() const { return static_cast<float>(m_shape.phong); }

void SphereButton::setPhong(float phong)
{
    // Truncated towards zero; values beyond the integer range (and NaN) are held at its
    // ends instead of overflowing.
    if (std::isnan(phong))
        phong = 0.0f;
    const double truncated = std::trunc(static_cast<double>(phong));
    const int32_t held
        = truncated >= INT_MAX ? INT_MAX : truncated <= INT_MIN ? INT_MIN : static_cast<int32_t>(truncated);
    if (held == m_shape.phong)
        return;
    m_shape.phong = held;
    refresh();
}

bool SphereButton::isButton() const { return m_isButton; }

void SphereButton::setIsButton(bool isButton) { m_isButton = isButton; }

bool SphereButton::isCheckBox() const { return m_isCheckBox; }

void SphereButton::setIsCheckBox(bool isCheckBox)
{
    if (isCheckBox == m_isCheckBox)
        return;
    m_isCheckBox = isCheckBox;
    refresh();
}

bool SphereButton::checked() const { return m_checked; }

void SphereButton::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    refresh();
    if (m_isCheckBox) {
        QAccessible::State state;
        state.checked = true;
        QAccessibleStateChangeEvent event(this, state);
        QAccessible::updateAccessibility(&event);
    }
}

void SphereButton::setFront(bool front)
{
    if (front == m_front)
        return;
    m_front = front;
    refresh();
    if (m_isTab) {
        QAccessible::State state;
        state.selected = true;
        QAccessibleStateChangeEvent event(this, state);
        QAccessible::updateAccessibility(&event);
    }
}

QString SphereButton::caption() const { return m_caption; }

void SphereButton::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
    // The caption is the accessible name: a reader hears the new one (a counter's value).
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

QColor SphereButton::fontColor() const { return m_fontColor; }

void SphereButton::setFontColor(const QColor& color)
{
    if (color == m_fontColor)
        return;
    m_fontColor = color;
    update();
}

QSize SphereButton::sizeHint() const
{
    const int side = 2 * std::max(1, bevel());
    const int text = fontMetrics().horizontalAdvance(m_caption) + (m_isCheckBox ? kCheckCaptionLeft + 1 : 0);
    return { std::max({ 75, side, text + side }), std::max(23, side) };
}

void SphereButton::refresh()
{
    buildPad();
    update();
}

void SphereButton::buildPad()
{
    const qreal ratio = devicePixelRatioF();
    Shape drawn = m_front ? frontFaceShape(m_shape) : m_shape;
    if (ratio != 1.0) {
        // The sphere keeps its look in device pixels: Bevel and SphereHeight grow with the
        // ratio. The sums are taken wide so that no stored value can overflow.
        const double bevelPixels = std::round((static_cast<double>(m_shape.radiusPx) + 1.0) * ratio);
        drawn.radiusPx = static_cast<int32_t>(std::clamp(bevelPixels - 1.0, double(INT_MIN), double(INT_MAX)));
        drawn.heightPx = static_cast<int32_t>(
            std::clamp(std::round(m_shape.heightPx * ratio), double(INT_MIN), double(INT_MAX)));
    }
    const int deviceWidth = qRound(width() * ratio);
    const int deviceHeight = qRound(height() * ratio);
    buildButtonFace(drawn, deviceWidth, deviceHeight, m_pad, m_sphere);

    // The alpha byte of the face means nothing on screen; Format_RGB32 wants it 0xFF.
    m_face = QImage(m_pad.width, m_pad.height, QImage::Format_RGB32);
    for (int32_t y = 0; y < m_pad.height; ++y) {
        const uint32_t* from = m_pad.row(y);
        auto* to = reinterpret_cast<uint32_t*>(m_face.scanLine(y));
        for (int32_t x = 0; x < m_pad.width; ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    m_face.setDevicePixelRatio(ratio);

    const QRegion region = toRegion(buttonRegion(width(), height(), bevel()));
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

bool SphereButton::padIsCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return !m_face.isNull() && m_face.devicePixelRatio() == ratio
        && m_face.size() == QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void SphereButton::paintEvent(QPaintEvent*)
{
    if (!padIsCurrent())
        buildPad();
    QPainter painter(this);
    painter.drawImage(0, 0, m_face);

    const int w = width();
    const int h = height();
    if (m_isCheckBox) {
        QFont glyphFont(QStringLiteral("DejaVu Sans"));
        if (font().pixelSize() > 0)
            glyphFont.setPixelSize(font().pixelSize() + kGlyphExtraPixels);
        else
            glyphFont.setPointSizeF(QFontInfo(font()).pointSizeF() + kGlyphExtraPoints);
        painter.setFont(glyphFont);
        const QString glyph(m_checked ? kTick : kCross);
        drawShadowed(painter, edges(kGlyphLeft, 0, w - 2, h - 2), edges(kGlyphLeft + 1, 1, w - 1, h - 1),
                     Qt::AlignLeft | Qt::AlignVCenter, glyph, m_fontColor);
        painter.setFont(font());
        drawShadowed(painter, edges(kCheckCaptionLeft, 0, w - 2, h - 2), edges(kCheckCaptionLeft + 1, 1, w - 1, h - 1),
                     Qt::AlignLeft | Qt::AlignVCenter, m_caption, m_fontColor);
    } else if (!m_caption.isEmpty()) {
        painter.setFont(font());
        drawShadowed(painter, edges(0, 0, w - 2, h - 2), edges(1, 1, w - 1, h - 1), Qt::AlignCenter, m_caption,
                     m_fontColor);
    }
    if (hasFocus()) {
        // Inside the rounded edge, so the window's mask never cuts the frame's corners.
        painter.setPen(QPen(m_fontColor, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(3.5, 3.5, -4.5, -4.5), 3, 3);
    }
}

void SphereButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}

void SphereButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Taken here, so a dialog's own Enter handling never presses its default button as well.
    event->accept();
    if (!event->isAutoRepeat())
        activate();
}

void SphereButton::activate()
{
    if (m_isButton)
        setChecked(!m_checked);
    emit clicked();
}

void SphereButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update();
}

void SphereButton::press(QMouseEvent* event)
{
    if (m_isButton) {
        // A second button pressed during a press toggles again but does not move further,
        // so the first release puts the control back where it was.
        if (!m_pressed) {
            m_pressed = true;
            move(pos() + QPoint(1, 1));
        }
        m_checked = !m_checked;
        update();
    }
    emit mouseDown(event->button(), event->position().toPoint());
}

void SphereButton::mousePressEvent(QMouseEvent* event)
{
    m_releaseIsClick = true;
    press(event);
}

void SphereButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    QPointer<SphereButton> self(this);
    m_releaseIsClick = m_isCheckBox;
    emit doubleClicked();
    if (self)
        press(event);
}

void SphereButton::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMove(event->buttons(), event->position().toPoint());
}

void SphereButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPointer<SphereButton> self(this);
    const QPoint position = event->position().toPoint();
    const bool click = m_releaseIsClick && rect().contains(position);
    m_releaseIsClick = true;
    if (click) {
        emit clicked();
        if (!self)
            return;
    }
    emit mouseUp(event->button(), position);
    if (!self)
        return;
    if (m_pressed) {
        // Back by the pixel the press moved it, even if IsButton changed meanwhile.
        m_pressed = false;
        move(pos() - QPoint(1, 1));
    }
}
