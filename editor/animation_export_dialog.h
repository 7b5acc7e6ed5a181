#pragma once

#include "export/animation_settings.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QSlider;
class QTimer;
class SphereButton;
struct ArgbImage;

// "Adjust GIF settings": the settings of the next animation capture, with the frame size the
// capture will have for the live view's current size and, where it can be told honestly, the
// size the file will have. Three sphere buttons choose the format (GIF, animated WebP, WebM);
// the chosen one is drawn pressed in, and the title and the create button name it ("Adjust
// WebM settings", "Create WebM"). Every format has the sliders of frame size, frame rate
// (up to 10 frames per second for a GIF, 30 for the others), frame count and sprites per
// frame; a GIF adds its palette colours, a WebP its quality and the "Lossless" check box, a
// WebM its quality level and bit rate (0: constant quality, when the quality level counts).
// Only the chosen format's own settings show.
//
// It starts from the values given with setValues every time it is shown; the create button
// keeps every value (values) and accepts, "Cancel" and the window frame's close button reject
// and keep nothing. Enter is the create button and Escape "Cancel", as for a dialog's default
// and cancel buttons; Tab reaches every control, each with an accessible name.
//
// The size line's estimate follows every change of a value: the dialog takes the live picture
// and, once the live view has drawn the frame gap's sprites (or half a second later when it
// stands still), the picture then; the two are encoded on a thread of their own, one estimate
// at a time, so the dialog never waits (a change meanwhile asks for a new one when it ends).
// See export/animation_size_estimate.h for the rule.
class AnimationExportDialog : public QDialog {
    Q_OBJECT

public:
    // The render panel's size in device pixels, asked whenever the size line is refreshed.
    using PanelSizeSource = std::function<QSize()>;
    // What the estimate asks of the live view: its picture as a capture would take it (null
    // while there is none), the sprites its renderer has drawn so far (asked on every poll, so
    // cheap), and whether it blurs.
    struct LiveView {
        std::function<const ArgbImage*()> picture;
        std::function<int64_t()> spritesDrawn;
        std::function<bool()> blurMode;
    };

    explicit AnimationExportDialog(PanelSizeSource panelSize, QWidget* parent = nullptr);
    ~AnimationExportDialog() override;

    // Where the estimate takes its pictures from; without a picture there is no estimate.
    void setLiveView(LiveView liveView) { m_liveView = std::move(liveView); }

    // The values the controls show.
    AnimationSettings sliderValues() const;
    // The values the controls start from when the dialog is shown (clamped to their ranges).
    void setValues(const AnimationSettings& values) { m_values = clampedAnimationSettings(values); }
    // The values the create button accepted last (or those given).
    const AnimationSettings& values() const { return m_values; }
    // True while an estimate is being worked out or waits to be.
    bool estimating() const { return m_estimate != nullptr || m_estimateWanted; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct EstimateJob;

    // The constructor's steps, in the Tab order of what they make.
    void buildFormatButtons();
    void buildSettingRows();
    void buildLosslessBox();
    void buildEstimateLine();
    void buildDialogButtons();
    void chooseFormat(AnimationFormat format);
    void refreshLabels();
    void create();
    // Asks for an estimate of the values the controls show.
    void requestEstimate();
    // Takes the first picture of an estimate.
    void startSampling();
    // Takes the second picture when its time has come, and a finished estimate; starts the
    // next one when the values changed meanwhile.
    void pollEstimate();
    int64_t spritesDrawn() const;

    QSlider* m_sizeSlider = nullptr;
    QSlider* m_fpsSlider = nullptr;
    QSlider* m_framesSlider = nullptr;
    QSlider* m_objectsSlider = nullptr;
    QSlider* m_colorsSlider = nullptr;
    QSlider* m_webpQualitySlider = nullptr;
    QSlider* m_webmQualitySlider = nullptr;
    QSlider* m_webmBitRateSlider = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_fpsLabel = nullptr;
    QLabel* m_framesLabel = nullptr;
    QLabel* m_objectsLabel = nullptr;
    QLabel* m_colorsLabel = nullptr;
    QLabel* m_webpQualityLabel = nullptr;
    QLabel* m_webmQualityLabel = nullptr;
    QLabel* m_webmBitRateLabel = nullptr;
    QLabel* m_estimateLabel = nullptr;
    // Every caption, slider and value label of a format's own settings, shown with it.
    QList<QWidget*> m_gifOnly;
    QList<QWidget*> m_webpOnly;
    QList<QWidget*> m_webmOnly;
    SphereButton* m_gifButton = nullptr;
    SphereButton* m_webpButton = nullptr;
    SphereButton* m_webmButton = nullptr;
    SphereButton* m_losslessBox = nullptr;
    SphereButton* m_createButton = nullptr;
    SphereButton* m_cancelButton = nullptr;
    QTimer* m_estimatePoll = nullptr;

    PanelSizeSource m_panelSize;
    LiveView m_liveView;
    AnimationSettings m_values;
    AnimationFormat m_format = AnimationFormat::Gif;
    // The estimate under way (awaiting its second picture or being encoded), or null; and
    // whether the values changed since it started.
    std::unique_ptr<EstimateJob> m_estimate;
    bool m_estimateWanted = false;
    // Set while showEvent puts the values in place, so that they ask for one estimate, not many.
    bool m_applyingValues = false;
};
