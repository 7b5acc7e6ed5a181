#include "engine/panel_ext.h"

#include "engine/panel_painter.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

namespace {

// The screen ignores the top byte of a presented pixel; Format_RGB32 wants it 0xFF.
constexpr uint32_t kOpaque = 0xFF000000u;

// The widget's area covering a rectangle of device pixels.
QRect toLogical(const QRect& device, qreal ratio)
{
    return QRectF(device.x() / ratio, device.y() / ratio, device.width() / ratio, device.height() / ratio)
        .toAlignedRect();
}

// The device pixels behind a rectangle of the widget.
QRectF toDevice(const QRect& logical, qreal ratio)
{
    return { logical.x() * ratio, logical.y() * ratio, logical.width() * ratio, logical.height() * ratio };
}

} // namespace

PanelExt::PanelExt(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

PanelExt::~PanelExt() = default;

int32_t PanelExt::Width() const { return qRound(width() * devicePixelRatioF()); }

int32_t PanelExt::Height() const { return qRound(height() * devicePixelRatioF()); }

void PanelExt::BeginPresent()
{
    ++m_presentDepth;
}

void PanelExt::EndPresent()
{
    if (m_presentDepth > 0)
        --m_presentDepth;
    if (m_presentDepth > 0 || m_painting || m_pending.isEmpty())
        return;
    const QRegion region = m_pending;
    m_pending = QRegion();
    if (!isVisible())
        return;
    m_flushing = true;
    repaint(region);
    m_flushing = false;
}

void PanelExt::Present(const PixelBlock& block, int32_t x, int32_t y)
{
    if (m_picture.isNull())
        return;
    auto* pixels = reinterpret_cast<uint32_t*>(m_picture.bits());
    const auto rowLength = static_cast<int32_t>(m_picture.bytesPerLine() / 4);
    BlitBlock(pixels, m_picture.width(), m_picture.height(), rowLength, block, x, y, kOpaque);
    const QRect changed = QRect(x, y, block.width, block.height) & m_picture.rect();
    if (changed.isEmpty())
        return;
    m_pending += toLogical(changed, m_picture.devicePixelRatio());
    if (m_presentDepth == 0)
        EndPresent(); // a present outside a begin/end pair goes on screen at once
}

void PanelExt::PumpMessages()
{
    QCoreApplication::processEvents();
}

void PanelExt::paintEvent(QPaintEvent* event)
{
    if (!m_flushing) {
        // A paint the system asked for: the painter redraws everything, or the panel shows
        // its plain colour.
        if (painter) {
            m_painting = true;
            painter->Paint(*this);
            m_painting = false;
            m_pending = QRegion();
        } else {
            m_picture.fill(palette().color(backgroundRole()));
        }
    }
    QPainter screen(this);
    for (const QRect& rect : event->region())
        screen.drawImage(QRectF(rect), m_picture, toDevice(rect, m_picture.devicePixelRatio()));
}

void PanelExt::resizeEvent(QResizeEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    QImage resized(qRound(width() * ratio), qRound(height() * ratio), QImage::Format_RGB32);
    resized.setDevicePixelRatio(ratio);
    resized.fill(palette().color(backgroundRole()));
    if (!m_picture.isNull()) {
        QPainter copy(&resized);
        copy.drawImage(0, 0, m_picture);
    }
    m_picture = resized;
    QWidget::resizeEvent(event);
}
