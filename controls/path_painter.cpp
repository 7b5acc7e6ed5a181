#include "controls/path_painter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

PathPainter::PathPainter(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a click gives no focus, so the mouse never leaves the pen behind.
    setFocusPolicy(Qt::TabFocus);
}

PathPainter::~PathPainter() = default;

void PathPainter::nextPalette()
{
    m_path.nextPalette();
    update();
}

void PathPainter::classicPalette()
{
    m_path.classicPalette();
    update();
}

void PathPainter::usePalette(int32_t palette)
{
    m_path.usePalette(palette);
    update();
}


void PathPainter::rebuild()
{
    m_ratio = devicePixelRatioF();
    m_path.setSize(qRound(width() * m_ratio), qRound(height() * m_ratio));
    m_path.setBrushScale(std::max(1, qRound(m_ratio)));
    m_path.rebuild();
}

bool PathPainter::sizeIsCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return m_ratio == ratio && m_path.mapImage().width == qRound(width() * ratio)
        && m_path.mapImage().height == qRound(height() * ratio);
}

QPoint PathPainter::devicePoint(const QPointF& position) const
{
    return { static_cast<int>(std::trunc(position.x() * m_ratio)), static_cast<int>(std::trunc(position.y() * m_ratio)) };
}

void PathPainter::paintEvent(QPaintEvent*)
{
    if (!sizeIsCurrent())
        rebuild();
    m_path.build();
    const ArgbImage& view = m_path.viewImage();
    if (m_shown.size() != QSize(view.width, view.height))
        m_shown = QImage(view.width, view.height, QImage::Format_RGB32);
    // Bottom-up: the view's row 0 is the control's bottom row. The view's alpha is 0;
    // Format_RGB32 wants it 0xFF.
    for (int32_t y = 0; y < view.height; ++y) {
        const uint32_t* from = view.row(y);
        auto* to = reinterpret_cast<uint32_t*>(m_shown.scanLine(view.height - 1 - y));
        for (int32_t x = 0; x < view.width; ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    m_shown.setDevicePixelRatio(m_ratio);
    QPainter painter(this);
    painter.drawImage(0, 0, m_shown);
    if (hasFocus()) {
        // The focus mark, and the pen as a ring that shows on every colour.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(220, 220, 220), 1, Qt::DotLine));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -1.5, -1.5));
        painter.setPen(QPen(Qt::black, 3));
        painter.drawEllipse(m_pen, 4.0, 4.0);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawEllipse(m_pen, 4.0, 4.0);
    }
}

void PathPainter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rebuild();
    update();
}

void PathPainter::mousePressEvent(QMouseEvent* event)
{
    m_path.press(event->button() == Qt::LeftButton);
}

void PathPainter::mouseMoveEvent(QMouseEvent* event)
{
    if (moveTo(event->position()))
        update();
}

bool PathPainter::moveTo(const QPointF& position)
{
    if (!sizeIsCurrent())
        rebuild();
    const QPoint point = devicePoint(position);
    return m_path.move(point.x(), point.y());
}

void PathPainter::mouseReleaseEvent(QMouseEvent*)
{
    if (m_path.release())
        emit paintOver();
}

void PathPainter::keyPressEvent(QKeyEvent* event)
{
    const qreal step = (event->modifiers() & Qt::ShiftModifier) ? 32.0 : 8.0;
    QPointF pen = m_pen;
    switch (event->key()) {
    case Qt::Key_Left: pen.rx() -= step; break;
    case Qt::Key_Right: pen.rx() += step; break;
    case Qt::Key_Up: pen.ry() -= step; break;
    case Qt::Key_Down: pen.ry() += step; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_keyStroke) {
            endKeyStroke();
        } else {
            m_path.press(true);
            moveTo(m_pen);
            m_keyStroke = true;
        }
        update();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    m_pen = QPointF(std::clamp(pen.x(), 0.0, width() - 1.0), std::clamp(pen.y(), 0.0, height() - 1.0));
    if (m_keyStroke)
        moveTo(m_pen);
    update();
}

void PathPainter::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_pen.isNull())
        m_pen = QPointF(width() / 2, height() / 2);
    update();
}

void PathPainter::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    endKeyStroke();
    update();
}

void PathPainter::endKeyStroke()
{
    if (!m_keyStroke)
        return;
    m_keyStroke = false;
    if (m_path.release())
        emit paintOver();
}
