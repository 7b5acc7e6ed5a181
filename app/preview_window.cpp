#include "app/preview_window.h"

#include "app/window_visibility.h"

#include "engine/picture_panel.h"
#include "engine/refresh_timer.h"
#include "engine/renderer_factory.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

// How soon a preview that became hidden or visible without an event of its own (an ancestor
// of the host mapped or unmapped) stops or resumes drawing.
constexpr int kVisibilityCheckMilliseconds = 250;

// Asks for the structure events of the host window (its resizes, mapping and destruction)
// and reads its size. An empty answer on success, else why the id names no window the preview
// can use; no X error reaches the toolkit either way. Our own event mask on a foreign window
// is ours alone, so setting it disturbs no other client.
QString watchHost(xcb_connection_t* connection, uint32_t host, QSize& nativeSize)
{
    const QString missing = QStringLiteral("no window %1 to show the preview in").arg(host);
    xcb_generic_error_t* error = nullptr;
    // Nothing can be drawn into an input-only window, and a child window of one cannot be
    // created: the toolkit would make the preview a top-level window instead.
    xcb_get_window_attributes_reply_t* attributes
        = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, host), &error);
    if (attributes == nullptr) {
        std::free(error);
        return missing;
    }
    const bool drawable = attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    std::free(attributes);
    if (!drawable)
        return QStringLiteral("window %1 is input-only: the preview cannot be shown in it").arg(host);

    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    error = xcb_request_check(connection, xcb_change_window_attributes_checked(connection, host, XCB_CW_EVENT_MASK, &mask));
    if (error != nullptr) {
        std::free(error);
        return missing;
    }
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, host), &error);
    if (geometry == nullptr) {
        std::free(error);
        return missing;
    }
    nativeSize = QSize(geometry->width, geometry->height);
    std::free(geometry);
    return {};
}

} // namespace

std::unique_ptr<PreviewWindow> PreviewWindow::createInside(
    RunRecord& record, uint32_t hostWindow, QString* error, Host owner)
{
    xcb_connection_t* connection = toolkitXConnection();
    if (connection == nullptr) {
        *error = QStringLiteral("the preview needs an X11 display");
        return nullptr;
    }
    QSize nativeSize;
    *error = hostWindow == 0 ? QStringLiteral("no window 0 to show the preview in")
                             : watchHost(connection, hostWindow, nativeSize);
    if (!error->isEmpty())
        return nullptr;
    QWindow* host = QWindow::fromWinId(hostWindow);
    if (host == nullptr) {
        *error = QStringLiteral("window %1 cannot hold the preview").arg(hostWindow);
        return nullptr;
    }

    std::unique_ptr<PreviewWindow> form(new PreviewWindow(record, hostWindow, owner));
    if (owner == Host::DesktopDaemon) {
        form->windowHandle()->setFlag(Qt::WindowTransparentForInput);
        form->m_panel->setDirectPresent(true, true);
    }
    // The foreign window becomes the parent of the form's native window; the form has no
    // parent widget of its own. The foreign QWindow is left alive until the process ends:
    // deleting it would delete the form's window, its child, under the form.
    form->windowHandle()->setParent(host);
    qApp->installNativeEventFilter(form.get());
    form->takeHostSize(nativeSize.width(), nativeSize.height());
    form->show();
    return form;
}

PreviewWindow::PreviewWindow(RunRecord& record, uint32_t hostWindow, Host host)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , m_record(record)
    , m_host(hostWindow)
    , m_owner(host)
{
    setWindowTitle(QStringLiteral("Quillmoray"));
    setAttribute(Qt::WA_NativeWindow);
    QPalette green = palette();
    green.setColor(QPalette::Window, Qt::green);
    setPalette(green);
    setAutoFillBackground(true);

    m_panel = new PicturePanel(this);
    QPalette black = m_panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_panel->setPalette(black);

    m_refresh = new RefreshTimer(this);
    connect(m_refresh, &RefreshTimer::tick, this, &PreviewWindow::refreshTick);
    m_refresh->start();

    // Whether the preview can be seen at all is asked of the server now and then; the host's
    // own mapping and our window's visibility changes also arrive as events.
    m_visibilityTimer = new QTimer(this);
    m_visibilityTimer->setInterval(kVisibilityCheckMilliseconds);
    connect(m_visibilityTimer, &QTimer::timeout, this, &PreviewWindow::checkVisibility);
    m_visibilityTimer->start();

    winId(); // creates the native window, so that it can be given its foreign parent
}

PreviewWindow::~PreviewWindow()
{
    qApp->removeNativeEventFilter(this);
    if (m_panel != nullptr)
        m_panel->painter = nullptr;
    m_renderer.reset();
}

void PreviewWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    startDrawing();
}

void PreviewWindow::startDrawing()
{
    m_panel->setGeometry(rect());
    if (!m_renderer) {
        // In a desktop daemon's window the program is that daemon's display mode: a saver.
        const RenderRole role = m_owner == Host::DesktopDaemon ? RenderRole::Saver : RenderRole::Preview;
        m_renderer = makeRenderer(role, m_record);
        m_panel->painter = m_renderer.get();
    }
    m_renderer->reset(m_panel->deviceWidth(), m_panel->deviceHeight());
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_panel->setGeometry(rect());
    restartAtPanelSize();
}

void PreviewWindow::restartAtPanelSize()
{
    if (!m_renderer)
        return;
    m_renderer->reset(m_panel->deviceWidth(), m_panel->deviceHeight());
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    endRun();
    QWidget::closeEvent(event);
}

void PreviewWindow::endRun()
{
    m_closing = true;
    m_refresh->stop();
    QCoreApplication::exit(0);
}

void PreviewWindow::refreshTick(int64_t nowMicros)
{
    if (!m_renderer || m_hostGone || m_closing)
        return;
    m_renderer->step(nowMicros);
    m_renderer->present(*m_panel);
}

void PreviewWindow::checkVisibility()
{
    xcb_connection_t* connection = toolkitXConnection();
    if (connection == nullptr || m_hostGone)
        return;
    const std::optional<bool> viewable = watchVisibility(connection, static_cast<xcb_window_t>(winId()));
    if (!viewable)
        return;
    setSeen(*viewable, m_fullyObscured);
}

void PreviewWindow::setSeen(bool viewable, bool fullyObscured)
{
    m_viewable = viewable;
    m_fullyObscured = fullyObscured;
    const bool draw = m_viewable && !m_fullyObscured && !m_hostGone && !m_closing;
    if (draw == m_refresh->isActive())
        return;
    if (draw) {
        // What was drawn while hidden never reached the screen; the next present puts it all there.
        if (m_renderer)
            m_renderer->markWholeFrame();
        m_refresh->start();
    } else {
        m_refresh->stop();
    }
}

void PreviewWindow::takeHostSize(int nativeWidth, int nativeHeight)
{
    const qreal ratio = windowHandle() != nullptr ? windowHandle()->devicePixelRatio() : devicePixelRatioF();
    const int width = static_cast<int>(nativeWidth / ratio);
    const int height = static_cast<int>(nativeHeight / ratio);
    setGeometry(0, 0, std::max(width, 1), std::max(height, 1));
}

void PreviewWindow::hostDestroyed()
{
    if (m_hostGone)
        return;
    m_hostGone = true;
    // The host took our native window with it; nothing more may be drawn into it.
    m_refresh->stop();
    m_visibilityTimer->stop();
    // exit() rather than quit(): quit() from inside a native event filter may not end the loop.
    QCoreApplication::exit(0);
    // An exit asked for before the event loop has started is forgotten when it starts; asked
    // once more from inside the running loop, it always takes.
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool PreviewWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if (const std::optional<bool> obscured = fullyObscured(event, static_cast<xcb_window_t>(winId()))) {
        setSeen(true, *obscured);
        return false;
    }
    switch (event->response_type & 0x7F) {
    case XCB_DESTROY_NOTIFY: {
        auto* destroyed = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
        if (destroyed->window == m_host)
            hostDestroyed();
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        // A hidden host hides the preview with it: nothing is drawn until it is shown again.
        auto* unmapped = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
        if (unmapped->window == m_host || unmapped->window == static_cast<xcb_window_t>(winId()))
            setSeen(false, m_fullyObscured);
        break;
    }
    case XCB_MAP_NOTIFY: {
        // The host shown again, or our own window mapped later than a check found it.
        auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
        if (mapped->window == m_host || mapped->window == static_cast<xcb_window_t>(winId()))
            checkVisibility();
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        auto* configured = reinterpret_cast<xcb_configure_notify_event_t*>(event);
        if (configured->window == m_host && !m_hostGone)
            takeHostSize(configured->width, configured->height);
        break;
    }
    default:
        break;
    }
    return false;
}
