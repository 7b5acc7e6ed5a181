#pragma once

#include "engine/render_panel.h"

#include <QRegion>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class PanelPainter;
class QPainter;
class XcbImagePut;

// The render panel on screen: a plain panel that hands its painting to an attached
// painter, or, without one, paints itself in its background colour.
//
// The renderer works in device pixels: Width and Height are the panel's size on the
// screen, which is its widget size times the device pixel ratio, and presented blocks are
// placed in those pixels, so a scaled desktop still gets a picture at full resolution.
//
// The panel keeps no picture of its own: a presented block is read where it lies (a
// QImage wraps its bytes) and goes on screen before endPresent returns, so its pixels
// must stay unchanged until then. Blocks presented while the panel paints itself (a
// painter's Paint called from paintEvent) are drawn by that paint. Outside a paint there
// are two ways to the screen:
//  - through the toolkit: endPresent repaints the region presented since beginPresent at
//    once (QWidget::repaint), which costs a round trip to the X server and a copy into
//    the window's backing store;
//  - directly, when asked with setDirectPresent and the window is an X11 window the panel
//    can serve: each block is put into the window with one request on the toolkit's
//    connection and endPresent flushes them, with no round trip and no copy beyond the
//    block itself. Blocks of one begin/end pair that continue each other (the strips of a
//    full repaint: the same rows of one image, each starting where the last ended) go as
//    one request, since the screen after endPresent is the same. Such a panel also paints
//    on screen: the toolkit keeps no backing store for it (a screen-sized one would cost
//    as much as the frame), and a paint the system asks for goes straight to the window
//    too, through the painter or as a fill of the plain colour. A panel that is all its
//    window shows (the saver, the preview) has the window paint on screen too, so that the
//    window keeps no screen-sized backing store either; such a window overrides
//    paintEngine to answer null, as the panel does. When the window turns out not to be
//    servable, both go back to the toolkit's way.
class PicturePanel : public QWidget, public RenderPanel {
    Q_OBJECT

public:
    explicit PicturePanel(QWidget* parent = nullptr);
    ~PicturePanel() override;

    // Not owned; set by the window that owns both the panel and the painter.
    PanelPainter* painter = nullptr;

    // Lets presents outside a paint go straight to the X window (see above). Meant for a
    // panel that nothing overlaps, since such a put ignores sibling widgets.
    void setDirectPresent(bool on, bool wholeWindow = false);
    // A panel that takes focus from the keyboard shows it as a dotted frame just inside its
    // edge, in the editor's light caption colour, while it has focus.
    void setFocusMark(bool on);
    // Whether the last present outside a paint went straight to the window.
    bool presentsDirectly() const { return m_directUsed; }
    // Direct presents that named their pixels in shared memory instead of sending them.
    uint64_t sharedPresents() const;

    int32_t deviceWidth() const override;
    int32_t deviceHeight() const override;
    void beginPresent() override;
    void endPresent() override;
    void present(const PixelBlock& block, int32_t x, int32_t y) override;
    void invalidate() override { update(); }
    // Every block reaches the X server as a request of its own, directly or through the
    // toolkit's backing store.
    int64_t blockCostPixels() const override { return DirtyRegion::kPutPixels; }

    QSize sizeHint() const override { return { 160, 120 }; }

    // None: a widget is painted through its backing store's engine, and on screen the
    // panel paints without one.
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct PendingBlock {
        PixelBlock block;
        int32_t x = 0;
        int32_t y = 0;
    };
    // The visible part of a block, cut to the panel, at its place in the window.
    struct DirectBlock {
        const uint32_t* pixels = nullptr; // first row in memory
        int32_t width = 0;
        int32_t rows = 0;
        int32_t rowLength = 0;
        bool bottomUp = false;
        bool allZero = false;
        int32_t x = 0;
        int32_t y = 0;

        // Whether `next` is the same rows of the same image, starting where this ends.
        bool continuedBy(const DirectBlock& next) const
        {
            return next.rows == rows && next.y == y && next.x == x + width && next.rowLength == rowLength
                && next.bottomUp == bottomUp && next.allZero == allZero && next.pixels == pixels + width;
        }
    };

    // The panel's rectangle in device pixels, at (0, 0).
    QRect deviceRect() const;
    // Draws the block with the painter open on this panel, clipped to the panel.
    void drawBlock(QPainter& screen, const PixelBlock& block, int32_t x, int32_t y) const;
    // The direct way, bound to the current window; null when it cannot be used.
    XcbImagePut* directWay();
    // Paints on screen, or through the toolkit again; the window too when asked.
    void setPaintOnScreen(bool panel, bool window);
    // A paint the system asked for, straight to the window.
    void paintDirectly(XcbImagePut& direct, const QRegion& region);
    // Queues the held direct block, if any.
    void queueHeldBlock();
    void drawFocusMark(QPainter& screen) const;

    std::vector<PendingBlock> m_pending; // presented since beginPresent, not yet on screen
    QRegion m_pendingRegion; // their area in widget coordinates
    int m_presentDepth = 0;
    QPainter* m_screen = nullptr; // open while paintEvent runs
    bool m_flushing = false; // paintEvent only shows presented pixels
    bool m_focusMark = false;
    bool m_directWanted = false;
    bool m_windowOnScreen = false; // the window paints on screen for this panel
    bool m_directUsed = false;
    bool m_directQueued = false; // requests waiting for endPresent's flush
    std::optional<DirectBlock> m_directHeld; // the last direct block, which the next may continue
    std::unique_ptr<XcbImagePut> m_direct;
};
