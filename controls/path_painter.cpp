#include "controls/path_painter.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

PathPainter::PathPainter(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
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

int32_t PathPainter::getPalette()
{
    return PalettePath::getPalette();
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
    if (!sizeIsCurrent())
        rebuild();
    const QPoint point = devicePoint(event->position());
    if (m_path.move(point.x(), point.y()))
        update();
}

void PathPainter::mouseReleaseEvent(QMouseEvent*)
{
    if (m_path.release())
        emit paintOver();
}
