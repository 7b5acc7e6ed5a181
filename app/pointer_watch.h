#pragma once

// The saver's movement test. The answer turns yes once the pointer is more than 20 pixels,
// horizontally or vertically, away from where the first motion put it. That place is kept and
// never updated, so small movements add up.
//
// Only motion teaches the watch where the pointer is. The position a Wayland compositor sends
// when the pointer enters a new surface may be where the pointer was before that surface was
// mapped (one compositor reports a place some 13 pixels off), and measuring from it would let
// a nudge of a few pixels end the saver. An X server's positions are all true, and there the
// first motion costs nothing either.
class PointerWatch {
public:
    static constexpr int kToleratedPixels = 20;

    // The pointer entered the surface at a reported place. It is not kept (see above): neither
    // the first position nor the answer depends on it.
    void entered(int /*x*/, int /*y*/) { }

    bool movedTooFar(int x, int y)
    {
        if (m_firstX == -1 || m_firstY == -1) {
            m_firstX = x;
            m_firstY = y;
            return false;
        }
        return distance(x, m_firstX) > kToleratedPixels || distance(y, m_firstY) > kToleratedPixels;
    }

    // Forgets the first position, as when the window is shown again.
    void forget()
    {
        m_firstX = -1;
        m_firstY = -1;
    }

private:
    static int distance(int a, int b) { return a > b ? a - b : b - a; }

    int m_firstX = -1;
    int m_firstY = -1;
};
