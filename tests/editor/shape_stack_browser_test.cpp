#include "editor/shape_stack_browser.h"
#include "engine/recording_panel.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

namespace {

class ShapeStackBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        newObjectTable(m_table);
        m_stack = m_table.stacks[0][0].get();
        m_stack->shapes[0].width = 50; // a small sphere leaves the cell's corners bare
        m_stack->shapes[0].height = 50;
        cloneLastShape(*m_stack);
        m_stack->shapes[1].color = 0x0000FF00;
    }

    ObjectTable m_table;
    ShapeStack* m_stack = nullptr;
};

TEST_F(ShapeStackBrowserTest, UsedCellsAtTheBottomSelectedOnGrey)
{
    RecordingPanel panel(20, 100);
    ShapeStackBrowserPainter browser;
    browser.panel = &panel;
    browser.setStack(m_stack);
    browser.setSelected(1);
    EXPECT_EQ(panel.invalidations, 2);
    m_stack->reducedDirty = false;
    browser.paint(panel);

    // Three empty cells of 20 rows are black.
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 20; ++x)
            ASSERT_EQ(panel.screen.row(y)[x], 0xFF000000u) << x << "," << y;
    // Corners: shape 0's cell black, shape 1's (selected) cell grey.
    EXPECT_EQ(panel.screen.row(60)[0], 0xFF000000u);
    EXPECT_EQ(panel.screen.row(80)[0], ShapeStackBrowserPainter::kSelectedGround);
    EXPECT_EQ(panel.screen.row(99)[19], ShapeStackBrowserPainter::kSelectedGround);
    // Centres: each cell holds its own shape alone, the red one above the green one.
    const uint32_t top = panel.screen.row(70)[10];
    const uint32_t bottom = panel.screen.row(90)[10];
    EXPECT_GT(redOf(top), greenOf(top));
    EXPECT_GT(greenOf(bottom), redOf(bottom));
    // Painting marks the stack dirty so the live view rebuilds it.
    EXPECT_EQ(m_stack->reducedDirty, 1);
    EXPECT_EQ(m_stack->fullDirty, 0) << "the last build was the browser's own";
}

TEST_F(ShapeStackBrowserTest, WithoutAStackTheColumnIsBlack)
{
    RecordingPanel panel(40, 200);
    panel.screen.fill(0x12345678);
    ShapeStackBrowserPainter browser;
    browser.setSelected(0);
    browser.paint(panel);
    for (const uint32_t pixel : panel.screen.pixels)
        ASSERT_EQ(pixel, 0xFF000000u);
    RecordingPanel empty(0, 0);
    browser.paint(empty);
    EXPECT_EQ(empty.presents.size(), 0u);
}

} // namespace
