#pragma once

#include "engine/panel_painter.h"

#include <cstdint>

struct ShapeStack;
class RenderPanel;

// The editor's shape-stack browser: the selected object's stack as a column of five
// square cells whose side is the panel's width, each showing one shape alone. The used
// cells are the bottom shapeCount ones, shape 0 in the topmost used cell; the empty cells
// above are black, and the selected shape's cell has a grey ground.
//
// Painting rebuilds the stack's preview sprite once per shape and marks the stack dirty,
// so the live view rebuilds that object's sprite on its next frame.
class ShapeStackBrowserPainter final : public PanelPainter {
public:
    // The ground of the selected cell: red, green and blue 100.
    static constexpr uint32_t kSelectedGround = 0xFF646464u;
    static constexpr int32_t kCells = 5;

    // Both store the value and ask the panel, if there is one, to repaint.
    void setStack(ShapeStack* newStack);
    void setSelected(int32_t shape);
    void paint(RenderPanel& surface) override;

    ShapeStack* stack = nullptr; // not owned
    RenderPanel* panel = nullptr; // not owned
    int32_t selected = -1;
};
