#include "controls/button_face.h"
#include "controls/path_painter.h"
#include "controls/sphere_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace {

// On a screen scaled by 2 the face is built in device pixels with Bevel and SphereHeight
// doubled, and shown pixel for pixel.
TEST(ControlsScaled, ButtonFaceInDevicePixels)
{
    QWidget window;
    window.resize(100, 60);
    auto* button = new SphereButton(&window);
    button->setGeometry(10, 10, 40, 20);
    button->setBevel(8);
    button->setSphereHeight(6);
    window.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(button->devicePixelRatioF(), 2.0);

    Shape doubled = button->shape();
    doubled.radiusPx = 15;
    doubled.heightPx = 12;
    EXPECT_EQ(button->pad().width, 80);
    EXPECT_EQ(button->pad().pixels, buildButtonFace(doubled, 80, 40).pixels);

    const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(80, 40));
    for (const QPoint point : { QPoint(40, 20), QPoint(5, 20), QPoint(40, 3), QPoint(77, 37) })
        EXPECT_EQ(image.pixel(point) & 0xFFFFFFu, button->pad().row(point.y())[point.x()] & 0xFFFFFFu);
    // The region stays in the widget's own pixels.
    EXPECT_TRUE(button->mask().contains(QPoint(20, 10)));
    EXPECT_FALSE(button->mask().contains(QPoint(1, 1)));
}

// The path control works in device pixels with a doubled brush, and a path picks the same
// colours as on a plain screen, since the colours depend only on where it lies.
TEST(ControlsScaled, PathInDevicePixels)
{
    PathPainter painter;
    painter.resize(365, 51);
    painter.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(painter.path().mapImage().width, 730);
    ASSERT_EQ(painter.path().mapImage().height, 102);

    QTest::mousePress(&painter, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&painter, QPoint(100, 20));
    QTest::mouseMove(&painter, QPoint(101, 20));
    QTest::mouseRelease(&painter, Qt::LeftButton, {}, QPoint(101, 20));
    const auto points = painter.path().points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 200);
    EXPECT_EQ(points[0].y, 62);
    const PathPoint plain[] = { { 100, 31 }, { 101, 31 } };
    EXPECT_EQ(painter.colors(), pickObjectColors(0, plain, 365, 51));

    const QImage image = painter.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(730, 102));
    const ArgbImage& view = painter.path().viewImage();
    // The brush's centre cell covers 2 x 2 device pixels, shown bottom-up.
    for (const QPoint cell : { QPoint(200, 62), QPoint(201, 63), QPoint(203, 62) }) {
        EXPECT_NE(view.row(cell.y())[cell.x()], painter.path().mapImage().row(cell.y())[cell.x()]);
        EXPECT_EQ(image.pixel(cell.x(), 101 - cell.y()) & 0xFFFFFFu, view.row(cell.y())[cell.x()]);
    }
}

} // namespace
