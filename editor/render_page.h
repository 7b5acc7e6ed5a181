#pragma once

#include "editor/shape_stack_browser.h"
#include "engine/shape_preview_painter.h"
#include "editor/shape_editor.h"

#include <QWidget>

#include <array>

class PicturePanel;
class QKeyEvent;
class QMenu;
class QSlider;
class SphereButton;

// The Render page: the round and radial speed controls, the six shape sliders with the
// light-angle disc, the shape buttons and the shape-stack browser, and the apply menu that
// a right-click on a slider or on the disc opens, as do the Menu key and Shift+F10 there.
// Its controls act on the ShapeEditor it is handed; the page shows what the editor tells
// the window. The menu's last entry asks the window for the automatic-applying dialog.
class RenderPage final : public QWidget {
    Q_OBJECT

public:
    RenderPage(ShapeEditor& editor, QWidget* parent);
    ~RenderPage() override;

    // Every slider takes its range and the editor's value, without reporting a change.
    void showSliderRanges();
    void showSlider(int32_t parameter, int32_t value);
    // The browser shows the selected object's stack, with the selected shape marked.
    void showSelectedStack();
    void showSelectedShape(int32_t shape);
    void repaintBrowser();
    void repaintLightPreview();

signals:
    // "Automatic applying ..." was chosen in the apply menu.
    void autoApplyRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSpeedControls();
    void buildSliders();
    void buildShapeControls(int top);
    void chooseShapeColor();
    void openApplyMenu(QWidget* control, QPoint position);
    QSlider* sliderOf(int32_t parameter) const;
    // The Menu key and Shift+F10 on a slider or the light-angle disc open the apply menu at
    // the control; true when the key was used.
    bool applyMenuKeyPressed(QObject* watched, const QKeyEvent& key);
    // The arrow keys on the light-angle disc and the browser; true when the key was used.
    bool panelKeyPressed(QObject* watched, const QKeyEvent& key);
    // The shapes the browser shows as cells, at the bottom of its column.
    int browserShapeCount() const;
    // Tells screen readers the browser's shapes as list items and which one is selected.
    void describeBrowser(int32_t shape);

    ShapeEditor& m_editor;
    SphereButton* m_roundSlowerButton = nullptr;
    SphereButton* m_roundKnob = nullptr;
    SphereButton* m_roundFasterButton = nullptr;
    SphereButton* m_radialSlowerButton = nullptr;
    SphereButton* m_radialKnob = nullptr;
    SphereButton* m_radialFasterButton = nullptr;
    // In the order of the slider parameters, from kGroupMasterSize on.
    std::array<QSlider*, kSliderCount> m_sliders {};
    PicturePanel* m_lightAngleDisc = nullptr;
    SphereButton* m_shapeColorButton = nullptr;
    SphereButton* m_shapeTypeButton = nullptr;
    SphereButton* m_cloneShapeButton = nullptr;
    SphereButton* m_removeShapeButton = nullptr;
    SphereButton* m_moveShapeUpButton = nullptr;
    SphereButton* m_moveShapeDownButton = nullptr;
    PicturePanel* m_shapeStackBrowser = nullptr;
    QMenu* m_applyMenu = nullptr;
    ShapePreviewPainter m_lightPainter;
    ShapeStackBrowserPainter m_browserPainter;
};
