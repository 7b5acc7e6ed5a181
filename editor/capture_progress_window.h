#pragma once

#include <QWidget>

class QLabel;
class SphereButton;

// The window that stays on top while a GIF capture runs: what is happening, how many frames
// are taken, and the button that cancels the capture. Its click asks for the cancel
// (cancelRequested) and hides the button; the capture ends at its next tick. Showing the
// window brings the button back.
class CaptureProgressWindow : public QWidget {
    Q_OBJECT

public:
    explicit CaptureProgressWindow(QWidget* parent = nullptr);
    ~CaptureProgressWindow() override;

    // "frame k of n" under the three lines.
    void showFramesTaken(int taken, int total);
    // "Writing file..." instead of the frame count, without the cancel button.
    void showWriting();
    // The cancel button shows again, as when a capture starts over while the window shows.
    void offerCancel();

signals:
    void cancelRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_messageLabel = nullptr;
    QLabel* m_progressLabel = nullptr;
    SphereButton* m_cancelButton = nullptr;

    void cancelCapture();
};
