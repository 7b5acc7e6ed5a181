#include "controls/path_painter.h"

#include "shapes/palettes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

class PathPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_painter.resize(365, 51);
        m_painter.show();
        QCoreApplication::processEvents();
        // Alone in its window the control takes focus on show; the pictures below are of the
        // control without the keyboard's pen.
        m_painter.clearFocus();
    }

    QImage shown() { return m_painter.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // A left-button drag through the given points of the control.
    void drag(std::initializer_list<QPoint> points)
    {
        QTest::mousePress(&m_painter, Qt::LeftButton, {}, *points.begin());
        for (const QPoint& point : points)
            QTest::mouseMove(&m_painter, point);
        QTest::mouseRelease(&m_painter, Qt::LeftButton, {}, *(points.end() - 1));
    }

    PathPainter m_painter;
};

// The map's row 0 (palette 0's grey) is shown at the bottom of the control.
TEST_F(PathPainterTest, ShowsTheViewBottomUpWithAHandCursor)
{
    const QImage image = shown();
    ASSERT_EQ(image.size(), QSize(365, 51));
    const ArgbImage& view = m_painter.path().viewImage();
    for (int x : { 0, 100, 364 }) {
        EXPECT_EQ(image.pixel(x, 50) & 0xFFFFFFu, view.row(0)[x]);
        EXPECT_EQ(image.pixel(x, 0) & 0xFFFFFFu, view.row(50)[x]);
    }
    EXPECT_EQ(image.pixel(0, 50) & 0xFFFFFFu, 0x5B5B5Bu);
    EXPECT_EQ(m_painter.cursor().shape(), Qt::PointingHandCursor);
}

// The keyboard's stroke: Space starts it at the pen (the middle at first), each arrow press
// adds a point eight pixels on (32 with Shift, held on the control), and Space or Enter ends
// it and raises paintOver once with its colours. While the control has focus the pen shows
// as a light ring.
TEST_F(PathPainterTest, KeyboardStrokeDrawsFromThePen)
{
    QSignalSpy over(&m_painter, &PathPainter::paintOver);
    m_painter.setFocus(Qt::TabFocusReason);
    for (Qt::Key key : { Qt::Key_Space, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down })
        QTest::keyClick(&m_painter, key);
    EXPECT_EQ(over.count(), 0);
    QTest::keyClick(&m_painter, Qt::Key_Return);
    ASSERT_EQ(over.count(), 1);
    const auto points = m_painter.path().points();
    ASSERT_EQ(points.size(), 4u);
    // From (182, 25) of the 365 x 51 control; y is counted from the bottom (H - Y).
    EXPECT_EQ(points[0].x, 182);
    EXPECT_EQ(points[0].y, 26);
    EXPECT_EQ(points[2].x, 198);
    EXPECT_EQ(points[3].y, 18);
    EXPECT_EQ(m_painter.colors(), pickObjectColors(0, points, 365, 51));
    const QRgb ring = shown().pixel(198 + 4, 33);
    EXPECT_TRUE(qRed(ring) == qGreen(ring) && qGreen(ring) == qBlue(ring) && qRed(ring) > 0x80)
        << "the ring right of the pen is light grey, not the palette's colour: " << std::hex << ring;

    for (int press = 0; press < 3; ++press)
        QTest::keyClick(&m_painter, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&m_painter, Qt::Key_Space);
    QTest::keyClick(&m_painter, Qt::Key_Space);
    ASSERT_EQ(over.count(), 2);
    EXPECT_EQ(m_painter.path().points().back().y, 50) << "the pen stopped on the top row, the map's last";
}

// A drag draws the path where the mouse went and raises paintOver once, with the colours
// of its points; a right press keeps the path and its release raises the event again.
TEST_F(PathPainterTest, DragPicksColoursAndRaisesPaintOver)
{
    QSignalSpy over(&m_painter, &PathPainter::paintOver);
    drag({ QPoint(10, 10), QPoint(100, 20), QPoint(200, 30), QPoint(300, 40) });
    ASSERT_EQ(over.count(), 1);
    const auto points = m_painter.path().points();
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[1].x, 100);
    EXPECT_EQ(points[1].y, 31); // H - Y
    EXPECT_EQ(m_painter.colors(), pickObjectColors(0, points, 365, 51));

    // Map row 31 is shown in the control's row 19.
    const QImage image = shown();
    EXPECT_EQ(image.pixel(100, 19) & 0xFFFFFFu, m_painter.path().viewImage().row(31)[100]);
    EXPECT_NE(m_painter.path().viewImage().row(31)[100], m_painter.path().mapImage().row(31)[100]);

    QTest::mousePress(&m_painter, Qt::RightButton, {}, QPoint(50, 5));
    QTest::mouseRelease(&m_painter, Qt::RightButton, {}, QPoint(50, 5));
    EXPECT_EQ(over.count(), 2);
    EXPECT_EQ(m_painter.path().pointCount(), 4);

    // A click without movement stores no point and raises nothing.
    QTest::mouseClick(&m_painter, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(over.count(), 2);
    EXPECT_EQ(m_painter.path().pointCount(), 0);
}

TEST_F(PathPainterTest, NextPaletteClearsThePathAndKeepsTheColours)
{
    drag({ QPoint(10, 10), QPoint(200, 30) });
    const auto colours = m_painter.colors();
    const QImage before = shown();
    m_painter.nextPalette();
    EXPECT_EQ(m_painter.palette(), 1);
    EXPECT_EQ(m_painter.path().pointCount(), 0);
    EXPECT_EQ(m_painter.colors(), colours);
    const QImage after = shown();
    EXPECT_EQ(after.pixel(0, 50) & 0xFFFFFFu, 0xFFFFFFu); // palette 1 is white at the bottom
    EXPECT_NE(before, after);
    m_painter.classicPalette();
    EXPECT_EQ(m_painter.palette(), 0);
    EXPECT_EQ(shown().pixel(0, 50) & 0xFFFFFFu, 0x5B5B5Bu);
}

TEST_F(PathPainterTest, SizeChangeRebuildsAndKeepsThePath)
{
    drag({ QPoint(10, 10), QPoint(200, 30) });
    m_painter.resize(100, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_painter.path().mapImage().width, 100);
    EXPECT_EQ(m_painter.path().pointCount(), 2);
    EXPECT_EQ(shown().size(), QSize(100, 20));
}

} // namespace
