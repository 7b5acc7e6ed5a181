#pragma once

#include <QWidget>

class QLabel;
class SphereButton;

// The Save page: "Save as Preset" with its note, "Save as JPEG image" and "Save as GIF
// animation" with their labels. The page only says which button was pressed; the window
// runs the preset saving and the exports, which take the live view's frame as it is.
class SavePage final : public QWidget {
    Q_OBJECT

public:
    explicit SavePage(QWidget* parent);

signals:
    void savePresetPressed();
    void saveJpegPressed();
    void saveGifPressed();

private:
    SphereButton* m_savePresetButton = nullptr;
    QLabel* m_presetNoteLabel = nullptr;
    SphereButton* m_saveJpegButton = nullptr;
    QLabel* m_jpegLabel = nullptr;
    SphereButton* m_saveGifButton = nullptr;
    QLabel* m_gifLabel = nullptr;
};
