#include "engine/picture_panel.h"

#include "engine/panel_painter.h"
#include "platform/xcb_image_put.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>

namespace {

// The widget's area covering a rectangle of device pixels.
QRect toLogical(const QRect& device, qreal ratio)
{
    return QRectF(device.x() / ratio, device.y() / ratio, device.width() / ratio, device.height() / ratio)
        .toAlignedRect();
}

// A read-only image over rows of a block, without a copy. The screen ignores the top byte,
// and drawing a Format_RGB32 image onto the 32-bit backing store copies the words as they are.
QImage wrapRows(const uint32_t* first, int32_t width, int32_t rows, int32_t rowLength, qreal ratio)
{
    QImage image(reinterpret_cast<const uchar*>(first), width, rows, static_cast<qsizetype>(rowLength) * 4,
        QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

PicturePanel::PicturePanel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

PicturePanel::~PicturePanel() = default;

void PicturePanel::setDirectPresent(bool on, bool wholeWindow)
{
    m_directWanted = on;
    if (!on) {
        queueHeldBlock();
        if (m_direct)
            m_direct->flush();
        m_direct.reset();
    }
    setPaintOnScreen(on, on && wholeWindow);
}

void PicturePanel::setPaintOnScreen(bool panel, bool window)
{
    QWidget* top = this->window();
    const bool windowWas = m_windowOnScreen;
    setAttribute(Qt::WA_PaintOnScreen, panel);
    if (top != this && window != windowWas)
        top->setAttribute(Qt::WA_PaintOnScreen, window);
    m_windowOnScreen = window && top != this;
    if (windowWas && !m_windowOnScreen)
        top->update(); // what was drawn on screen is now the toolkit's to paint
    else if (!panel)
        update();
}

uint64_t PicturePanel::sharedPresents() const { return m_direct ? m_direct->sharedPuts() : 0; }

int32_t PicturePanel::deviceWidth() const { return qRound(width() * devicePixelRatioF()); }

int32_t PicturePanel::deviceHeight() const { return qRound(height() * devicePixelRatioF()); }

QRect PicturePanel::deviceRect() const { return { 0, 0, deviceWidth(), deviceHeight() }; }

XcbImagePut* PicturePanel::directWay()
{
    if (!m_directWanted || !isVisible())
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const WId window = this->window()->internalWinId();
    if (x11 == nullptr || window == 0)
        return nullptr;
    if (!m_direct)
        m_direct = std::make_unique<XcbImagePut>();
    if (!m_direct->open(x11->connection(), static_cast<uint32_t>(window))) {
        // This window cannot be served; the toolkit's way works for every window.
        m_directWanted = false;
        m_direct.reset();
        setPaintOnScreen(false, false);
        return nullptr;
    }
    return m_direct.get();
}

void PicturePanel::beginPresent()
{
    ++m_presentDepth;
}

void PicturePanel::endPresent()
{
    if (m_presentDepth > 0)
        --m_presentDepth;
    if (m_presentDepth > 0)
        return;
    queueHeldBlock();
    if (m_directQueued) {
        m_directQueued = false;
        if (m_direct)
            m_direct->flush();
    }
    if (m_pending.empty())
        return;
    const QRegion region = m_pendingRegion;
    if (isVisible()) {
        m_flushing = true;
        repaint(region);
        m_flushing = false;
    }
    // The blocks may change once endPresent returns; whatever was not shown is dropped.
    m_pending.clear();
    m_pendingRegion = QRegion();
}

void PicturePanel::present(const PixelBlock& block, int32_t x, int32_t y)
{
    if (!block.pixels || block.width <= 0 || block.height <= 0 || block.rowLength < block.width)
        return;
    // Cut in 64 bits so that no position overflows.
    const QRect panel = deviceRect();
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t { x } + block.width, panel.width());
    const int64_t bottom = std::min<int64_t>(int64_t { y } + block.height, panel.height());
    if (left >= right || top >= bottom)
        return;

    if (m_screen != nullptr) {
        drawBlock(*m_screen, block, x, y);
        return;
    }
    if (directWay() != nullptr) {
        // The visible part of the block, as rows in memory.
        const int64_t firstShown = top - y;
        const auto rows = static_cast<int32_t>(bottom - top);
        const int64_t firstMemoryRow = block.order == RowOrder::TopDown ? firstShown : block.height - firstShown - rows;
        const uint32_t* pixels = block.pixels + firstMemoryRow * block.rowLength + (left - x);
        const qreal ratio = devicePixelRatioF();
        const QPoint offset = mapTo(window(), QPoint(0, 0)) * ratio;
        const DirectBlock shown { pixels, static_cast<int32_t>(right - left), rows, block.rowLength,
            block.order == RowOrder::BottomUp, block.allZero, static_cast<int32_t>(left) + offset.x(),
            static_cast<int32_t>(top) + offset.y() };
        if (m_directHeld && m_directHeld->continuedBy(shown)) {
            m_directHeld->width += shown.width;
        } else {
            queueHeldBlock();
            m_directHeld = shown;
        }
        m_directUsed = true;
        m_directQueued = true;
    } else {
        m_directUsed = false;
        m_pending.push_back({ block, x, y });
        m_pendingRegion += toLogical(
            QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                static_cast<int>(bottom - top)),
            devicePixelRatioF());
    }
    if (m_presentDepth == 0)
        endPresent(); // a present outside a begin/end pair goes on screen at once
}

void PicturePanel::drawBlock(QPainter& screen, const PixelBlock& block, int32_t x, int32_t y) const
{
    const qreal ratio = devicePixelRatioF();
    screen.save();
    screen.setClipRect(QRectF(0, 0, width(), height()), Qt::IntersectClip);
    if (block.order == RowOrder::TopDown) {
        screen.drawImage(QPointF(x / ratio, y / ratio),
            wrapRows(block.pixels, block.width, block.height, block.rowLength, ratio));
    } else {
        // Row by row, so that no flipped copy is made.
        for (int32_t shown = 0; shown < block.height; ++shown) {
            const uint32_t* row = block.pixels + int64_t { block.height - 1 - shown } * block.rowLength;
            screen.drawImage(QPointF(x / ratio, (y + shown) / ratio), wrapRows(row, block.width, 1, block.rowLength, ratio));
        }
    }
    screen.restore();
}

void PicturePanel::queueHeldBlock()
{
    if (!m_directHeld)
        return;
    const DirectBlock held = *m_directHeld;
    m_directHeld.reset();
    if (!m_direct)
        return;
    if (held.allZero)
        m_direct->fill(0, held.x, held.y, held.width, held.rows);
    else
        m_direct->put(held.pixels, held.width, held.rows, held.rowLength, held.bottomUp, held.x, held.y);
}

void PicturePanel::paintDirectly(XcbImagePut& direct, const QRegion& region)
{
    queueHeldBlock(); // what was presented before goes first
    if (painter) {
        // Its presents find no painter open and go straight to the window.
        painter->paint(*this);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QPoint offset = mapTo(window(), QPoint(0, 0));
    const uint32_t colour = palette().color(backgroundRole()).rgb();
    for (const QRect& rect : region) {
        const QRect device = QRectF((rect.x() + offset.x()) * ratio, (rect.y() + offset.y()) * ratio,
            rect.width() * ratio, rect.height() * ratio)
                                 .toAlignedRect();
        direct.fill(colour, device.x(), device.y(), device.width(), device.height());
    }
    direct.flush();
}

void PicturePanel::paintEvent(QPaintEvent* event)
{
    if (testAttribute(Qt::WA_PaintOnScreen)) {
        if (XcbImagePut* direct = directWay())
            paintDirectly(*direct, event->region());
        return; // otherwise the panel went back to the toolkit's way, which repaints it
    }
    QPainter screen(this);
    screen.setCompositionMode(QPainter::CompositionMode_Source);
    if (m_flushing) {
        for (const PendingBlock& pending : m_pending)
            drawBlock(screen, pending.block, pending.x, pending.y);
        drawFocusMark(screen);
        return;
    }
    // A paint the system asked for: the painter redraws everything, or the panel shows
    // its plain colour.
    if (painter) {
        m_screen = &screen;
        painter->paint(*this);
        m_screen = nullptr;
    } else {
        for (const QRect& rect : event->region())
            screen.fillRect(rect, palette().color(backgroundRole()));
    }
    drawFocusMark(screen);
}

void PicturePanel::setFocusMark(bool on)
{
    m_focusMark = on;
    update();
}

void PicturePanel::drawFocusMark(QPainter& screen) const
{
    if (!m_focusMark || !hasFocus())
        return;
    screen.setCompositionMode(QPainter::CompositionMode_SourceOver);
    screen.setPen(QPen(QColor(220, 220, 220), 1, Qt::DotLine));
    screen.setBrush(Qt::NoBrush);
    screen.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -1.5, -1.5));
    screen.setCompositionMode(QPainter::CompositionMode_Source);
}

void PicturePanel::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_focusMark)
        update();
}

void PicturePanel::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_focusMark)
        update();
}
