#include "editor/shape_stack_browser.h"
#include "engine/recording_panel.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

namespace {

class ShapeStackBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewObjectTable(table);
        stack = table.Stacks[0][0].get();
        stack->Shapes[0].Width = 50; // a small sphere leaves the cell's corners bare
        stack->Shapes[0].Height = 50;
        CloneLastShape(*stack);
        stack->Shapes[1].Color = 0x0000FF00;
    }

    ObjectTable table;
    ShapeStack* stack = nullptr;
};

TEST_F(ShapeStackBrowserTest, UsedCellsAtTheBottomSelectedOnGrey)
{
    RecordingPanel panel(20, 100);
    ShapeStackBrowserPainter browser;
    browser.panel = &panel;
    browser.SetStack(stack);
    browser.SetSelected(1);
    EXPECT_EQ(panel.invalidations, 2);
    stack->ReducedDirty = 0;
    browser.Paint(panel);

    // Three empty cells of 20 rows are black.
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 20; ++x)
            ASSERT_EQ(panel.screen.Row(y)[x], 0xFF000000u) << x << "," << y;
    // Corners: shape 0's cell black, shape 1's (selected) cell grey.
    EXPECT_EQ(panel.screen.Row(60)[0], 0xFF000000u);
    EXPECT_EQ(panel.screen.Row(80)[0], ShapeStackBrowserPainter::kSelectedGround);
    EXPECT_EQ(panel.screen.Row(99)[19], ShapeStackBrowserPainter::kSelectedGround);
    // Centres: each cell holds its own shape alone, the red one above the green one.
    const uint32_t top = panel.screen.Row(70)[10];
    const uint32_t bottom = panel.screen.Row(90)[10];
    EXPECT_GT(RedOf(top), GreenOf(top));
    EXPECT_GT(GreenOf(bottom), RedOf(bottom));
    // Painting marks the stack dirty so the live view rebuilds it.
    EXPECT_EQ(stack->ReducedDirty, 1);
    EXPECT_EQ(stack->FullDirty, 0) << "the last build was the browser's own";
}

TEST_F(ShapeStackBrowserTest, WithoutAStackTheColumnIsBlack)
{
    RecordingPanel panel(40, 200);
    panel.screen.Fill(0x12345678);
    ShapeStackBrowserPainter browser;
    browser.SetSelected(0);
    browser.Paint(panel);
    for (const uint32_t pixel : panel.screen.pixels)
        ASSERT_EQ(pixel, 0xFF000000u);
    RecordingPanel empty(0, 0);
    browser.Paint(empty);
    EXPECT_EQ(empty.presents.size(), 0u);
}

} // namespace
