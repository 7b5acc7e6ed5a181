#include "app/saver_window.h"

#include "engine/picture_panel.h"
#include "engine/refresh_timer.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"

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

} // namespace

SaverWindow::SaverWindow(QScreen* screen, SaverInput input, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | (input == SaverInput::Ignored ? Qt::WindowTransparentForInput : Qt::WindowFlags()))
    , m_screen(screen)
    , m_input(input)
{
    setWindowTitle(QStringLiteral("The Screen Saver Form"));
    // The window's own colour is never painted: the panel covers all of it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    const QCursor invisible = invisibleCursor();
    setCursor(invisible);
    setMouseTracking(true);

    panelShower = new PicturePanel(this);
    // Nothing overlaps the panel, so what a refresh drew can go straight to the X window.
    panelShower->setDirectPresent(true, true);
    QPalette black = panelShower->palette();
    black.setColor(QPalette::Window, Qt::black);
    panelShower->setPalette(black);
    panelShower->setCursor(invisible);
    panelShower->setMouseTracking(true);
    panelShower->installEventFilter(this);

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

    m_refresh = new RefreshTimer(this);
    m_refresh->setScreen(m_screen);
    connect(m_refresh, &RefreshTimer::tick, this, &SaverWindow::refreshTick);
}

SaverWindow::~SaverWindow()
{
    // The panel, a child that the base destructor deletes later, must not paint through a
    // renderer that is gone.
    panelShower->painter = nullptr;
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
    formShow();
}

void SaverWindow::formShow()
{
    m_pointer.forget();
    setGeometry(screenRectangle());
    panelShower->setGeometry(rect());
    if (!m_renderer) {
        m_renderer = std::make_unique<Renderer>(Settings, CurrentPreset, RenderRole::Saver);
        m_renderer->setAutomaticChanges(m_automaticChanges);
        m_renderer->setPresetLoader([] { loadRandomPreset(Settings.presetsDir, CurrentPreset); });
        panelShower->painter = m_renderer.get();
    }
    m_renderer->reset(panelShower->deviceWidth(), panelShower->deviceHeight());
    if (!m_closing)
        m_refresh->start();

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
    panelShower->setGeometry(rect());
    formResize();
}

void SaverWindow::formResize()
{
    if (!m_renderer)
        return;
    m_renderer->reset(panelShower->deviceWidth(), panelShower->deviceHeight());
}

void SaverWindow::refreshTick(int64_t nowMicros)
{
    if (!m_renderer || m_closing || !isVisible())
        return;
    m_renderer->step(nowMicros);
    m_renderer->present(*panelShower);
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
    if (watched == panelShower && m_input == SaverInput::EndsSaver) {
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
            panelShowerMouseDown();
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

void SaverWindow::panelShowerMouseDown() { closeSaver(); }

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
