#pragma once

// The saver's movement test. The first position seen is kept and never updated, so small
// movements add up: the answer turns yes once the pointer is more than 20 pixels,
// horizontally or vertically, away from where it was first seen.
class PointerWatch {
public:
    static constexpr int kToleratedPixels = 20;

    bool movedTooFar(int x, int y)
    {
        if (m_lastX == -1 || m_lastY == -1) {
            m_lastX = x;
            m_lastY = y;
            return false;
        }
        return distance(x, m_lastX) > kToleratedPixels || distance(y, m_lastY) > kToleratedPixels;
    }

    // Forgets the first position, as when the window is shown again.
    void forget()
    {
        m_lastX = -1;
        m_lastY = -1;
    }

private:
    static int distance(int a, int b) { return a > b ? a - b : b - a; }

    int m_lastX = -1;
    int m_lastY = -1;
};
