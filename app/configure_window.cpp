#include "app/configure_window.h"

#include "engine/engine_globals.h"
#include "engine/panel_ext.h"
#include "engine/renderer.h"
#include "presets/settings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 492;
constexpr int kPanelHeight = 369;
constexpr int kTimerMilliseconds = 10;
constexpr int32_t kUnlimitedSprites = 999999999;

} // namespace

ConfigureWindow::ConfigureWindow(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QString::fromStdString(ProductTitle));

    panelShower = new PanelExt(this);
    panelShower->setFixedSize(kPanelWidth, kPanelHeight);
    QPalette black = panelShower->palette();
    black.setColor(QPalette::Window, Qt::black);
    panelShower->setPalette(black);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panelShower);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(kTimerMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &ConfigureWindow::Timer1Timer);
}

ConfigureWindow::~ConfigureWindow()
{
    panelShower->painter = nullptr;
    m_renderer.reset();
}

void ConfigureWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_renderer)
        return;
    m_renderer = std::make_unique<Renderer>();
    panelShower->painter = m_renderer.get();
    m_renderer->Panel = panelShower;
    m_renderer->Reset();
    FullRepaint = 1;
    Timer1->start();
}

void ConfigureWindow::closeEvent(QCloseEvent* event)
{
    // The live view stops before its next object; the loop then ends.
    Aborting = 1;
    Timer1->stop();
    QWidget::closeEvent(event);
    QCoreApplication::exit(0);
}

void ConfigureWindow::Timer1Timer()
{
    if (m_renderer)
        m_renderer->RunFrames(kUnlimitedSprites);
}
