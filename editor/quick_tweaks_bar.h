#pragma once

#include "engine/shape_preview_painter.h"
#include "shapes/shape_stack.h"

#include <QWidget>

#include <array>

class PathPainter;
class PicturePanel;
class QKeyEvent;
class QLabel;
struct RunRecord;
class ShapeEditor;
class SphereButton;

// The "Quick tweaks" bar under the live view: the seven object thumbnails with their
// switches, the palette path control that colours the objects, and the palette, mirror and
// formula buttons with their "(-)" resets. Its clicks go to the ShapeEditor it is handed;
// the bar shows what the editor tells the window, of the run's preset, options and palette.
class QuickTweaksBar final : public QWidget {
    Q_OBJECT

public:
    QuickTweaksBar(ShapeEditor& editor, RunRecord& record, QWidget* parent);
    ~QuickTweaksBar() override;

    // The thumbnails show the objects of the run's preset.
    void bindThumbnails();
    // The switches from objectEnabled.
    void showSwitches();
    // The formula, mirror and palette buttons name what is in use.
    void showCaptions();
    // The palette path shows this palette (an undo gives it back), and the captions follow.
    void usePalette(int32_t palette);
    // The selected object's thumbnail is drawn with corner marks.
    void highlightObject(int32_t object);
    void repaintThumbnail(int32_t object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps: the thumbnails with their switches, the palette path, the
    // tweak buttons with their resets, and what the tweak buttons do.
    void buildObjectRow();
    PicturePanel* makeThumbnail(int object, int left);
    SphereButton* makeObjectSwitch(int object, int left);
    void buildPalettePath();
    void buildTweakButtons();
    void connectTweakButtons();
    // Left, Right, Home and End select another object, Space and Enter the focused one;
    // true when the key was used.
    bool thumbnailKeyPressed(int32_t object, const QKeyEvent& key);

    ShapeEditor& m_editor;
    RunRecord& m_record;
    std::array<PicturePanel*, kObjectCount> m_thumbnails {};
    std::array<SphereButton*, kObjectCount> m_objectSwitches {};
    std::array<ShapePreviewPainter, kObjectCount> m_thumbnailPainters;
    PathPainter* m_palettePath = nullptr;
    QLabel* m_titleLabel = nullptr;
    SphereButton* m_formulaButton = nullptr;
    SphereButton* m_classicFormulaButton = nullptr; // formula "(-)"
    SphereButton* m_mirrorButton = nullptr;
    SphereButton* m_noMirrorButton = nullptr; // mirror "(-)"
    SphereButton* m_paletteButton = nullptr;
    SphereButton* m_classicPaletteButton = nullptr; // palette "(-)"
};
