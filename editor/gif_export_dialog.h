#pragma once

#include "export/gif_settings.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QSlider;
class SphereButton;

// "Adjust GIF settings": the five settings of the next GIF capture on sliders, with the
// frame size the capture will have for the live view's current size. It starts from the
// values given with setValues every time it is shown; "Create GIF" keeps the five values
// (Values) and accepts, "Cancel" and the window frame's close button reject and keep nothing.
// Enter is "Create GIF" and Escape "Cancel", as for a dialog's default and cancel buttons;
// Tab also reaches both buttons.
class GifExportDialog : public QDialog {
    Q_OBJECT

public:
    // The render panel's size in device pixels, asked whenever the size line is refreshed.
    using PanelSizeSource = std::function<QSize()>;

    explicit GifExportDialog(PanelSizeSource panelSize, QWidget* parent = nullptr);
    ~GifExportDialog() override;

    // The values the sliders show.
    GifSettingValues sliderValues() const;
    // The values the sliders start from when the dialog is shown (clamped to their ranges).
    void setValues(const GifSettingValues& values) { m_values = clampedGifSettings(values); }
    // The values "Create GIF" accepted last (or those given).
    const GifSettingValues& values() const { return m_values; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSlider* m_sizeSlider = nullptr;
    QSlider* m_fpsSlider = nullptr;
    QSlider* m_framesSlider = nullptr;
    QSlider* m_objectsSlider = nullptr;
    QSlider* m_colorsSlider = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_fpsLabel = nullptr;
    QLabel* m_framesLabel = nullptr;
    QLabel* m_objectsLabel = nullptr;
    QLabel* m_colorsLabel = nullptr;
    SphereButton* m_createButton = nullptr;
    SphereButton* m_cancelButton = nullptr;

    void refreshLabels();
    void create();

    PanelSizeSource m_panelSize;
    GifSettingValues m_values;
};
