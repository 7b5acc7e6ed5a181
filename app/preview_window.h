#pragma once

#include <QAbstractNativeEventFilter>
#include <QSize>
#include <QWidget>

#include <cstdint>
#include <memory>

class PicturePanel;
class QTimer;
class RefreshTimer;
class Renderer;
struct RunRecord;

// The window of preview mode: a small live picture inside a window that the screen-saver
// host owns, given by its X11 window id. The form is a native window whose parent is that
// foreign window; it takes the host's whole client area and follows its resizes. Its
// renderer is the panel's painter and is stepped once per display refresh, but only while
// the preview can be seen: a host that is unmapped (a settings dialog's hidden tab) or a preview
// fully covered by other windows costs no drawing. When the host window is destroyed the
// program ends.
class PreviewWindow final : public QWidget, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Who owns the host window: the screen-saver host of the preview switch, or a desktop
    // daemon whose display mode draws into it. In a daemon's window the form is transparent
    // for input (the pointer and keys stay the daemon's) and its sprites go straight to the
    // X window, since nothing overlaps its panel there.
    enum class Host { SaverHost, DesktopDaemon };

    // Creates the preview of the run's preset inside the host window, or answers null (with
    // the reason in `error`) when the id names no window the program can use. The record
    // must outlive the preview.
    static std::unique_ptr<PreviewWindow> createInside(
        RunRecord& record, uint32_t hostWindow, QString* error, Host host = Host::SaverHost);
    ~PreviewWindow() override;

    // True once the host window was destroyed under the form.
    bool hostGone() const { return m_hostGone; }
    // The renderer, once the form has been shown (statistics, tests).
    const Renderer* renderer() const { return m_renderer.get(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // None: the window's panel paints on screen, and so does the window (see PicturePanel).
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    PreviewWindow(RunRecord& record, uint32_t hostWindow, Host host);

    // On show: the renderer made once and started at the panel's size.
    void startDrawing();
    // After a resize: the renderer starts again at the panel's new size.
    void restartAtPanelSize();
    // On close: no more drawing, and the event loop ends.
    void endRun();
    // One display refresh: the sprites due are drawn and go to the screen.
    void refreshTick(int64_t nowMicros);
    // The host's size in native pixels, turned into the form's size.
    void takeHostSize(int nativeWidth, int nativeHeight);
    void hostDestroyed();
    // Asks the server whether the preview is viewable at all.
    void checkVisibility();
    // Starts or stops the drawing as the preview becomes visible or hidden.
    void setSeen(bool viewable, bool fullyObscured);

    QTimer* m_visibilityTimer = nullptr;
    bool m_viewable = true;
    bool m_fullyObscured = false;
    RunRecord& m_record;
    PicturePanel* m_panel = nullptr; // fills the window; the renderer is its painter
    uint32_t m_host = 0;
    Host m_owner = Host::SaverHost;
    std::unique_ptr<Renderer> m_renderer;
    RefreshTimer* m_refresh = nullptr;
    bool m_hostGone = false;
    bool m_closing = false;
};
