// The editor on a desktop scaled by 2: the window keeps its layout in the toolkit's pixels
// while the live view, the thumbnails and the browser draw in device pixels, and presses
// on the browser find the cell under them.

#include "tests/editor/editor_fixture.h"

#include "controls/sphere_button.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"

#include <QTest>

namespace {

TEST_F(EditorWindowTest, ScaledByTwoTheEditorDrawsInDevicePixels)
{
    EditorWindow& toy = showWindow();
    ASSERT_EQ(toy.devicePixelRatioF(), 2.0);
    EXPECT_EQ(toy.size(), QSize(722, 485));
    EXPECT_EQ(toy.renderer()->frame().width, 984);
    EXPECT_EQ(toy.renderer()->frame().height, 738);
    EXPECT_EQ(control<PicturePanel>(toy, "shapeStackBrowser")->deviceWidth(), 80);

    // Two shapes: the bottom two cells of 40 toolkit pixels each.
    control<SphereButton>(toy, "cloneShapeButton")->clicked();
    ASSERT_EQ(m_run.preset.objects.stacks[0][0]->shapeCount, 2);
    QTest::mouseClick(control<PicturePanel>(toy, "shapeStackBrowser"), Qt::LeftButton, {}, QPoint(20, 130));
    EXPECT_EQ(toy.editor.currentShape, 0);
    QTest::mouseClick(control<PicturePanel>(toy, "shapeStackBrowser"), Qt::LeftButton, {}, QPoint(20, 190));
    EXPECT_EQ(toy.editor.currentShape, 1);
    QTest::mouseClick(control<PicturePanel>(toy, "shapeStackBrowser"), Qt::LeftButton, {}, QPoint(20, 100));
    EXPECT_EQ(toy.editor.currentShape, 1) << "the empty part keeps the selection";

    // The browser shows the selected cell's grey ground at full resolution.
    const QImage column = control<PicturePanel>(toy, "shapeStackBrowser")->grab().toImage();
    ASSERT_EQ(column.size(), QSize(80, 400));
    EXPECT_EQ(column.pixel(0, 399) & 0xFFFFFFu, 0x646464u);
    EXPECT_EQ(column.pixel(0, 319) & 0xFFFFFFu, 0x000000u);

    // The light disc keeps its toolkit geometry: its centre is straight on.
    QTest::mousePress(control<PicturePanel>(toy, "lightAngleDisc"), Qt::LeftButton, {}, QPoint(39, 39));
    QMouseEvent move(QEvent::MouseMove, QPointF(39, 39),
        control<PicturePanel>(toy, "lightAngleDisc")->mapToGlobal(QPointF(39, 39)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(control<PicturePanel>(toy, "lightAngleDisc"), &move);
    QTest::mouseRelease(control<PicturePanel>(toy, "lightAngleDisc"), Qt::LeftButton, {}, QPoint(39, 39));
    EXPECT_EQ(shapeOf(0, 1).lightZ, -1.0f);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    return runWidgetTests(argc, argv);
}
