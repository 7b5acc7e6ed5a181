#pragma once

#include "engine/render_panel.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

class PanelPainter;

// The render panel on screen: a plain panel that hands its painting to an attached
// painter, or, without one, paints itself in its background colour.
//
// The renderer works in device pixels: Width and Height are the panel's size on the
// screen, which is its widget size times the device pixel ratio, and presented blocks are
// placed in those pixels, so a scaled desktop still gets a picture at full resolution.
//
// Presented blocks go into a backing image of the panel's size and are put on screen
// synchronously: EndPresent repaints the region presented since BeginPresent at once
// (QWidget::repaint), so the pixels are on screen when it returns. Blocks presented
// while the panel paints itself (a painter's Paint called from paintEvent) are shown by
// that paint.
class PanelExt : public QWidget, public RenderPanel {
    Q_OBJECT

public:
    explicit PanelExt(QWidget* parent = nullptr);
    ~PanelExt() override;

    // Not owned; set by the window that owns both the panel and the painter.
    PanelPainter* painter = nullptr;

    int32_t Width() const override;
    int32_t Height() const override;
    void BeginPresent() override;
    void EndPresent() override;
    void Present(const PixelBlock& block, int32_t x, int32_t y) override;
    void Invalidate() override { update(); }
    void PumpMessages() override;

    // What the panel shows, for snapshots and tests.
    const QImage& Picture() const { return m_picture; }

    QSize sizeHint() const override { return { 160, 120 }; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_picture; // Format_RGB32, the panel's size in device pixels
    QRegion m_pending; // presented since BeginPresent, not yet on screen
    int m_presentDepth = 0;
    bool m_painting = false; // inside paintEvent
    bool m_flushing = false; // paintEvent only shows presented pixels
};
