#include "app/saver_window.h"

#include "app/termination_signals.h"
#include "app/window_visibility.h"

#include "engine/picture_panel.h"
#include "engine/refresh_timer.h"
#include "engine/renderer_factory.h"

#include <QCloseEvent>
#include <QBitmap>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kGrabRetryMilliseconds = 50;
constexpr int kGrabAttempts = 100;

// An invisible cursor drawn from an empty bitmap. The toolkit's named blank cursor is first
// looked up in the cursor themes on disk, which costs the start a search of several folders
// before the window can be mapped.
QCursor invisibleCursor()
{
    QBitmap empty(1, 1);
    empty.clear();
    return QCursor(empty, empty);
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
    std::free(reply);
    return atom;
}

// Makes the X11 window a desktop-type window, which a window manager keeps below every other
// window, out of the task list and without a frame. Set before the window is mapped, as
// window managers read the type then; nothing happens on another platform.
void markAsDesktop(QWidget& window)
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t desktop = internAtom(connection, "_NET_WM_WINDOW_TYPE_DESKTOP");
    if (type == XCB_ATOM_NONE || desktop == XCB_ATOM_NONE)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &desktop);
    xcb_flush(connection);
}

} // namespace

SaverWindow::SaverWindow(RunRecord& record, QScreen* screen, SaverInput input, SaverLayer layer, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::FramelessWindowHint
            | (layer == SaverLayer::Desktop ? Qt::WindowStaysOnBottomHint : Qt::WindowStaysOnTopHint)
            | (input == SaverInput::Ignored || layer == SaverLayer::Desktop ? Qt::WindowTransparentForInput
                                                                             : Qt::WindowFlags()))
    , m_record(record)
    , m_screen(screen)
    , m_input(layer == SaverLayer::Desktop ? SaverInput::Ignored : input)
    , m_layer(layer)
{
    setWindowTitle(QStringLiteral("The Screen Saver Form"));
    // The window's own colour is never painted: the panel covers all of it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(m_layer == SaverLayer::Desktop ? Qt::NoFocus : Qt::StrongFocus);
    // The saver hides the pointer; the desktop leaves it as it is.
    if (m_layer == SaverLayer::Top)
        setCursor(invisibleCursor());
    setMouseTracking(true);

    m_panel = new PicturePanel(this);
    // Nothing overlaps the panel, so what a refresh drew can go straight to the X window.
    m_panel->setDirectPresent(true, true);
    QPalette black = m_panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_panel->setPalette(black);
    if (m_layer == SaverLayer::Top)
        m_panel->setCursor(invisibleCursor());
    m_panel->setMouseTracking(true);
    m_panel->installEventFilter(this);

    // The screen's size can change under a shown saver: the 640 x 480 switch reaches the
    // toolkit only after the window exists. The saver keeps covering the whole screen. A
    // saver made without a screen of its own covers the primary one, whichever that is.
    if (m_screen != nullptr) {
        setScreen(m_screen);
        followScreen(m_screen);
    } else {
        followScreen(QGuiApplication::primaryScreen());
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &SaverWindow::followScreen);
    }
    setGeometry(screenRectangle());

    if (m_layer == SaverLayer::Desktop)
        markAsDesktop(*this);

    m_refresh = new RefreshTimer(this);
    m_refresh->setScreen(m_screen);
    connect(m_refresh, &RefreshTimer::tick, this, &SaverWindow::refreshTick);
}

SaverWindow::~SaverWindow()
{
    qApp->removeNativeEventFilter(this);
    // The panel, a child that the base destructor deletes later, must not paint through a
    // renderer that is gone.
    m_panel->painter = nullptr;
    m_renderer.reset();
}

void SaverWindow::followScreen(QScreen* screen)
{
    if (screen == nullptr)
        return;
    connect(screen, &QScreen::geometryChanged, this, &SaverWindow::coverScreen, Qt::UniqueConnection);
    if (isVisible())
        coverScreen();
}

// The screen's rectangle; in device pixels unless a scale factor is set, when the toolkit
// maps it onto the same screen.
QRect SaverWindow::screenRectangle() const
{
    QScreen* screen = m_screen != nullptr ? m_screen.data() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect(0, 0, 640, 480);
}

void SaverWindow::coverScreen()
{
    if (!m_closing)
        setGeometry(screenRectangle());
}

void SaverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    startDrawing();
}

void SaverWindow::startDrawing()
{
    m_pointer.forget();
    setGeometry(screenRectangle());
    m_panel->setGeometry(rect());
    if (!m_renderer) {
        m_renderer = makeRenderer(RenderRole::Saver, m_record);
        m_renderer->setAutomaticChanges(m_automaticChanges);
        m_panel->painter = m_renderer.get();
    }
    m_renderer->reset(m_panel->deviceWidth(), m_panel->deviceHeight());
    if (!m_closing)
        m_refresh->start();

    if (m_layer == SaverLayer::Desktop) {
        // Below whatever is mapped already; without a window manager nobody else puts it there.
        lower();
        if (xcb_connection_t* connection = toolkitXConnection()) {
            qApp->installNativeEventFilter(this);
            watchVisibility(connection, static_cast<xcb_window_t>(winId()));
        }
        return;
    }
    raise();
    if (m_input == SaverInput::Ignored)
        return;
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
    m_grabAttempts = 0;
    grabKeyboardSoon();
}

void SaverWindow::grabKeyboardSoon()
{
    if (m_closing || windowHandle() == nullptr)
        return;
    if (windowHandle()->setKeyboardGrabEnabled(true))
        return;
    if (++m_grabAttempts < kGrabAttempts)
        QTimer::singleShot(kGrabRetryMilliseconds, this, &SaverWindow::grabKeyboardSoon);
}

void SaverWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_panel->setGeometry(rect());
    restartAtPanelSize();
}

void SaverWindow::restartAtPanelSize()
{
    if (!m_renderer)
        return;
    m_renderer->reset(m_panel->deviceWidth(), m_panel->deviceHeight());
}

bool SaverWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || m_closing)
        return false;
    const std::optional<bool> obscured
        = fullyObscured(static_cast<xcb_generic_event_t*>(message), static_cast<xcb_window_t>(winId()));
    if (!obscured || *obscured == m_fullyObscured)
        return false;
    m_fullyObscured = *obscured;
    if (m_fullyObscured) {
        m_refresh->stop();
    } else {
        // What was drawn before went to a covered window; the schedule, far behind, starts
        // again from now (see Renderer::kMostLateMicros) rather than catching up in a burst.
        if (m_renderer)
            m_renderer->markWholeFrame();
        m_refresh->start();
    }
    return false;
}

void SaverWindow::refreshTick(int64_t nowMicros)
{
    // A termination signal ends the run before another frame is drawn, even when a refresh
    // is handled before the signal is: the run's figures then tell what the screen shows.
    if (!m_renderer || m_closing || !isVisible() || !m_cadence.due(nowMicros) || TerminationSignals::arrived() != 0)
        return;
    m_renderer->step(m_cadence.rendererMicros(nowMicros));
    m_renderer->present(*m_panel);
    m_cadence.presented(nowMicros);
}

void SaverWindow::setAutomaticChanges(bool on)
{
    m_automaticChanges = on;
    if (m_renderer)
        m_renderer->setAutomaticChanges(on);
}

void SaverWindow::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (m_input == SaverInput::EndsSaver)
        closeSaver();
}

void SaverWindow::closeEvent(QCloseEvent* event)
{
    closeSaver();
    QWidget::closeEvent(event);
}

bool SaverWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel && m_input == SaverInput::EndsSaver) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            // The 20-pixel tolerance is in screen pixels, as the picture is.
            const QPointF position = static_cast<QMouseEvent*>(event)->position() * devicePixelRatioF();
            followPointer(qRound(position.x()), qRound(position.y()));
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: // the wheel is buttons 4 and 5 of the pointer
            closeSaver();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SaverWindow::followPointer(int x, int y)
{
    if (m_pointer.movedTooFar(x, y))
        closeSaver();
}

void SaverWindow::closeSaver()
{
    if (m_closing)
        return;
    m_closing = true;
    m_refresh->stop();
    if (windowHandle() != nullptr)
        windowHandle()->setKeyboardGrabEnabled(false);
    hide();
    QCoreApplication::exit(0);
}
