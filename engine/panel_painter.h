#pragma once

class RenderPanel;

// Something that paints a render panel's whole content when the panel needs painting:
// the renderer, the object thumbnails and the editor's shape-stack browser. The panel
// calls Paint with itself as the surface; the painter presents its pixels onto it.
class PanelPainter {
public:
    virtual void paint(RenderPanel& surface) = 0;
    virtual ~PanelPainter() = default;
};
