#include "engine/recording_panel.h"
#include "engine/shape_preview_painter.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

namespace {

class ShapePreviewPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        newObjectTable(m_table);
        m_stack = m_table.stacks[0][0].get();
    }

    ObjectTable m_table;
    ShapeStack* m_stack = nullptr;
};

// True for the pixels of the corner marks of a w x h panel, in stored (upside-down) rows.
bool isMark(int32_t x, int32_t storedRow, int32_t w, int32_t h)
{
    const bool edgeColumn = x <= 1 || x >= w - 2;
    const bool edgeRow = storedRow <= 1 || storedRow >= h - 2;
    const bool armRow = storedRow <= 4 || storedRow >= h - 6;
    const bool armColumn = x <= 4 || x >= w - 6;
    return (edgeColumn && armRow) || (edgeRow && armColumn);
}

TEST_F(ShapePreviewPainterTest, HighlightedFiftyByFiftyPanel)
{
    RecordingPanel panel(50, 50);
    ShapePreviewPainter painter;
    painter.panel = &panel;
    painter.setStack(m_stack);
    painter.setHighlight(true);
    EXPECT_EQ(panel.invalidations, 2);
    painter.paint(panel);

    ASSERT_EQ(panel.presents.size(), 1u);
    EXPECT_EQ(panel.presents[0].order, RowOrder::BottomUp);
    ASSERT_NE(m_stack->fullSprite, nullptr);
    const ArgbImage& sprite = *m_stack->fullSprite;
    ASSERT_EQ(sprite.width, 50);
    int marks = 0;
    for (int32_t y = 0; y < 50; ++y) {
        for (int32_t x = 0; x < 50; ++x) {
            const int32_t storedRow = 49 - y; // shown bottom-up
            const uint32_t shown = panel.screen.row(y)[x];
            if (isMark(x, storedRow, 50, 50)) {
                ++marks;
                EXPECT_EQ(shown, ShapePreviewPainter::kHighlightColor) << x << "," << y;
            } else {
                EXPECT_EQ(shown, sprite.row(y)[x]) << x << "," << y; // upright
            }
        }
    }
    // Four edge columns over 5 + 6 arm rows, four edge rows over 5 + 6 arm columns, and
    // the 4 x 4 pixels where edge rows and edge columns cross counted once.
    EXPECT_EQ(marks, 4 * 11 + 4 * 11 - 16);
    EXPECT_EQ(ShapePreviewPainter::kHighlightColor, makeArgb(0, 100, 200, 100));
}

TEST_F(ShapePreviewPainterTest, TallPanelIsBlackBelowTheSprite)
{
    RecordingPanel panel(30, 50);
    panel.screen.fill(0x12345678);
    ShapePreviewPainter painter;
    painter.setStack(m_stack);
    painter.paint(panel);
    const ArgbImage& sprite = *m_stack->fullSprite;
    for (int32_t y = 0; y < 50; ++y)
        for (int32_t x = 0; x < 30; ++x)
            ASSERT_EQ(panel.screen.row(y)[x], y < 30 ? sprite.row(y)[x] : 0u) << x << "," << y;
}

TEST_F(ShapePreviewPainterTest, WithoutStackOrPanelNothingIsDrawnOrAsked)
{
    RecordingPanel panel(20, 20);
    panel.screen.fill(0x0A0B0C0D);
    ShapePreviewPainter painter;
    painter.setHighlight(true); // no panel: only stores the flag
    painter.setStack(nullptr);
    EXPECT_EQ(painter.highlight, 1);
    painter.paint(panel);
    EXPECT_TRUE(panel.presents.empty());
    EXPECT_EQ(panel.screen.pixels[0], 0x0A0B0C0Du);

    // Panels too small for whole marks keep the marks inside.
    for (const auto& [w, h] : { std::pair { 1, 1 }, { 3, 2 }, { 7, 4 } }) {
        RecordingPanel tiny(w, h);
        painter.setStack(m_stack);
        painter.paint(tiny);
        EXPECT_EQ(tiny.presents.size(), 1u);
    }
}

} // namespace
