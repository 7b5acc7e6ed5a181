#pragma once

#include "pixels/argb_image.h"
#include "export/gif_capture.h"
#include "editor/animation_export_dialog.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;
struct RunRecord;
class CaptureProgressWindow;

// The two export buttons of the editor's Save tab: the JPEG snapshot of the live view and
// the animation capture (GIF, WebP or WebM), each with its dialogs, and the message box that tells why a
// file could not be written. The editor owns one, gives it the live view's frame and size,
// installs nothing else: the capture follows the renderer's sprites while it runs.
//
// Both take the picture as the live view shows it, so in blur mode (whose frame reaches the
// screen bottom-up) they turn it right way up. No failure leaves these handlers as an
// exception; the message boxes are window-modal and do not wait.
class ExportFlows : public QObject, public GifCaptureHost {
    Q_OBJECT

public:
    // The live view's renderer, or null while there is none.
    using RendererSource = std::function<Renderer*()>;

    // The dialogs and the progress window are created here, as children of the window.
    // The run's options (blur) and preset (which objects are on) must outlive the flows.
    ExportFlows(QWidget* window, const RunRecord& record, RendererSource renderer,
        AnimationExportDialog::PanelSizeSource panelSize);
    ~ExportFlows() override;

    // "Save as JPEG image": the frame as it is at the click, saved under the name the save
    // dialog gives (".jpg" appended when the name has no extension); nothing without a name.
    void saveJpeg();
    // "Save as GIF animation": the settings dialog (which chooses the format), the save dialog
    // (which offers the chosen format's files and extension and remembers the last name),
    // then the capture; each dialog's cancel stops the sequence. A name that ends in another
    // format's extension is written in that format, and the next dialog shows it chosen.
    // With every object switched off a message says why nothing can be captured, and nothing
    // starts.
    void saveGif();
    // Ends a running capture without writing, as when the editor closes.
    void abortGifCapture();

    AnimationExportDialog* animationDialog() const { return m_animationDialog; }
    CaptureProgressWindow* progressWindow() const { return m_progressWindow; }
    GifCapture& capture() { return m_capture; }

    // GifCaptureHost
    const ArgbImage& gifSourceFrame() override;
    void followSprites(SpriteObserver* observer) override;
    void showGifProgress() override;
    void gifFramesTaken(int32_t taken, int32_t total) override;
    void gifWriting() override;
    void hideGifProgress() override;
    void gifCaptureFailed(const std::string& text) override;

private:
    // Runs a save dialog; an empty string when the user cancels.
    QString runSaveDialog(const QString& title, const QString& filter, const QString& suffix,
        const QString& fileName) const;
    void showFailure(const QString& what, const std::string& reason) const;

    QWidget* m_window;
    const RunRecord& m_record;
    RendererSource m_renderer;
    // The live frame, or null while there is no renderer.
    const ArgbImage* liveFrame() const;
    AnimationExportDialog* m_animationDialog; // owned by the window
    CaptureProgressWindow* m_progressWindow; // owned by the window
    GifCapture m_capture { *this };
    QString m_lastGifName;
    // The frame turned right way up when blur mode shows it bottom-up.
    ArgbImage m_shownFrame;
};
