#pragma once

#include "app/pointer_watch.h"
#include "engine/present_cadence.h"

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <cstdint>
#include <memory>

class PicturePanel;
class RefreshTimer;
class Renderer;
struct RunRecord;

// Whether the saver's input is its own (the saver switch: input ends it) or a desktop
// daemon's (the daemon watches input and stops the saver with a signal).
enum class SaverInput { EndsSaver, Ignored };

// Where the window stands: above every other window (the saver), or below all of them as the
// desktop (the wallpaper: a desktop-type window that takes no input, whatever SaverInput says).
enum class SaverLayer { Top, Desktop };

// The full-screen window of saver mode: borderless, above every other window, the size of
// its screen in device pixels, with a hidden pointer and a black panel. Once per refresh of
// its screen it steps its renderer and presents what the step drew. With input of
// its own, the first key, the first mouse button, or a pointer more than 20 pixels from where
// it was first seen closes the saver and ends the program; with input ignored the window
// takes no input at all and grabs no keyboard.
//
// As the desktop (SaverLayer::Desktop) the window is of the desktop type
// (_NET_WM_WINDOW_TYPE_DESKTOP), kept below every other window, takes no input and leaves the
// pointer visible; its renderer's clock and presents may be slowed (setTimeScale). While other
// windows cover it wholly it draws nothing; uncovered, it shows its whole frame again and its
// renderer starts its schedule from then on instead of drawing what it missed.
//
// The renderer is the panel's painter: when the system asks for a repaint (the window was
// mapped or uncovered) the whole picture goes to the screen again, so the screen after every
// present is the renderer's frame.
class SaverWindow final : public QWidget, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Draws the run's preset with the run's options; the record must outlive the window.
    explicit SaverWindow(RunRecord& record, QScreen* screen = nullptr, SaverInput input = SaverInput::EndsSaver,
        SaverLayer layer = SaverLayer::Top, QWidget* parent = nullptr);
    ~SaverWindow() override;
    // None: the window's panel paints on screen, and so does the window (see PicturePanel).
    QPaintEngine* paintEngine() const override { return nullptr; }

    // Stops drawing, hides the window and tells the application to end. The window itself
    // is destroyed by its owner once the event loop has returned.
    void closeSaver();

    // Whether this saver's renderer makes the automatic changes (see Renderer).
    void setAutomaticChanges(bool on);
    // The renderer's clock runs at this fraction of real time, and presents come less often
    // (see PresentCadence).
    void setTimeScale(double scale) { m_cadence.setScale(scale); }
    // The renderer, once the window has been shown (statistics, tests).
    const Renderer* renderer() const { return m_renderer.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A close from outside (a window manager) ends the saver like any input.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The X server's visibility notices about the desktop window.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // On show: the window on its screen, the renderer made once and started at the panel's
    // size, the refresh running.
    void startDrawing();
    // After a resize: the renderer starts again at the panel's new size.
    void restartAtPanelSize();
    // One display refresh: the sprites due are drawn and go to the screen.
    void refreshTick(int64_t nowMicros);
    void followPointer(int x, int y);
    // The keyboard grab fails until the window is viewable (a window manager may map it
    // late), so it is retried for a while after the window is shown.
    void grabKeyboardSoon();
    void followScreen(QScreen* screen);
    void coverScreen();
    QRect screenRectangle() const;

    RunRecord& m_record;
    PicturePanel* m_panel = nullptr; // fills the window; the renderer is its painter
    QPointer<QScreen> m_screen; // null: the primary screen; cleared when the screen goes away
    SaverInput m_input = SaverInput::EndsSaver;
    SaverLayer m_layer = SaverLayer::Top;
    PresentCadence m_cadence;
    bool m_automaticChanges = true;
    PointerWatch m_pointer;
    std::unique_ptr<Renderer> m_renderer;
    RefreshTimer* m_refresh = nullptr;
    int m_grabAttempts = 0;
    bool m_closing = false;
    bool m_fullyObscured = false; // the desktop window, by the X server's last notice
};
