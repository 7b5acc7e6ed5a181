#pragma once

#include "engine/panel_painter.h"

#include <cstdint>

struct ShapeStack;
class RenderPanel;

// Shows one object's preview sprite on a small panel (the editor's object thumbnails and
// light-angle panel), top-aligned and upright, with optional corner marks for the
// selected object.
class ShapePreviewPainter final : public PanelPainter {
public:
    // The mark colour: alpha 0, red 100, green 200, blue 100.
    static constexpr uint32_t kHighlightColor = 0x0064C864u;

    // Stores the stack (null shows nothing) and asks the panel to repaint.
    void setStack(ShapeStack* newStack);
    // Stores the flag and asks the panel, if there is one, to repaint.
    void setHighlight(bool on);
    // Builds the stack's preview sprite at the surface's width and presents it with the
    // rows stored upside down and shown bottom-up; rows the sprite does not have are
    // black. Without a stack the surface keeps its pixels.
    void paint(RenderPanel& surface) override;

    ShapeStack* stack = nullptr; // not owned
    RenderPanel* panel = nullptr; // not owned; set by the owner after construction
    uint8_t highlight = 0;
};
