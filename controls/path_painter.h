#pragma once

#include "controls/palette_path.h"

#include <QImage>
#include <QWidget>

#include <array>

// The editor's colour picker on screen: the palette map across the whole control with the
// path the user drags over it (see controls/palette_path.h). The widget shows the view
// bottom-up (the map's row 0 at the bottom edge), forwards the mouse and raises paintOver
// after a release that took seven colours; the owner then reads Colors.
//
// On a scaled screen the map and the view are made in device pixels, with the brush
// scaled by the device pixel ratio; at ratio 1 they are exactly the control's pixels.
//
// The keyboard draws too: Tab gives the control focus and shows a pen in its middle, the
// arrow keys move the pen (eight pixels a press, 32 with Shift), and Space or Enter starts
// a stroke at the pen and, pressed again, ends it as a mouse release would. Losing focus
// ends a stroke under way.
class PathPainter : public QWidget {
    Q_OBJECT

public:
    explicit PathPainter(QWidget* parent = nullptr);
    ~PathPainter() override;

    // The last seven colours taken, COLORREF, one per object.
    const std::array<uint32_t, 7>& colors() const { return m_path.colors(); }

    // The next palette (3 wraps to 0) or palette 0 again; both clear the path, keep the
    // colours and repaint. The palette is the control's own until sharePalette hands it
    // the run's.
    void nextPalette();
    void classicPalette();
    // Shows the given palette (an undo gives one back); clears the path and keeps the colours.
    void usePalette(int32_t palette);
    int32_t palette() const { return m_path.palette(); }
    void sharePalette(PaletteChoice& palette) { m_path.sharePalette(palette); }

    // The picker behind the control, for tests and galleries.
    const PalettePath& path() const { return m_path; }

    QSize sizeHint() const override { return { 365, 51 }; }

signals:
    void paintOver();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Sizes the picker to the control in device pixels and rebuilds it.
    void rebuild();
    bool sizeIsCurrent() const;
    // A point of the control in device pixels, truncated.
    QPoint devicePoint(const QPointF& position) const;
    // Adds a point of the control to the path under way (the picker sized first); true when
    // the view must be drawn again.
    bool moveTo(const QPointF& position);
    // Ends the keyboard's stroke, if one is under way, taking its colours.
    void endKeyStroke();

    PalettePath m_path;
    qreal m_ratio = 1.0; // the device pixel ratio the picker was sized for
    QImage m_shown; // the view turned bottom-up, opaque
    QPointF m_pen; // the keyboard's pen in control coordinates; null until focus first comes
    bool m_keyStroke = false; // the keyboard is drawing a stroke
};
