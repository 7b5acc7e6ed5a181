#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "editor/auto_apply_dialog.h"
#include "editor/editor_theme.h"
#include "editor/editor_widgets.h"
#include "engine/refresh_timer.h"
#include "engine/picture_panel.h"
#include "engine/renderer.h"
#include "editor/export_flows.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kLiveViewWidth = 492;
constexpr int kLiveViewHeight = 369;
constexpr int kClearButtonWidth = 119;
constexpr int kClearButtonHeight = 23;
constexpr int kClearButtonMargin = 3;
constexpr int kColumnWidth = 230;
constexpr int kToolbarHeight = 23;
constexpr int kPageGround = 34;

} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent)
    , editor(CurrentPreset, this)
{
    // The dialogs and the menu opened from here are dark like this window.
    installEditorTheme();
    setWindowTitle(QString::fromStdString(ProductTitle));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SphereButton::captionFont());
    setGround(this, 0, 0, 0);

    buildFrame();
    buildQuickTweaksBar();
    buildRenderPage();
    buildSavePage();
    buildOptionsPage();
    buildHelpPage();
    buildPresetsPage();

    m_refresh = new RefreshTimer(this);
    connect(m_refresh, &RefreshTimer::tick, this, &EditorWindow::refreshTick);

    formGlobals = new AutoApplyDialog(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

EditorWindow::~EditorWindow()
{
    // The panels outlive nothing of ours: detach every painter before they go.
    panelShower->painter = nullptr;
    for (PicturePanel* panel : panelObject)
        panel->painter = nullptr;
    panelLAShower->painter = nullptr;
    panelObjectBrowser->painter = nullptr;
    // A capture in progress follows the renderer's sprites: it lets go before the renderer goes.
    delete exports;
    exports = nullptr;
    m_renderer.reset();
}

void EditorWindow::buildFrame()
{
    panelShower = new PicturePanel(this);
    panelShower->setGeometry(0, 0, kLiveViewWidth, kLiveViewHeight);
    setGround(panelShower, 0, 0, 0);
    sButton15 = makeButton(this, QStringLiteral("Clear Screen"), kLiveViewWidth - kClearButtonWidth - kClearButtonMargin,
        kLiveViewHeight - kClearButtonHeight - kClearButtonMargin, kClearButtonWidth, kClearButtonHeight);
    connect(sButton15, &SphereButton::clicked, this, [this] { clearLiveView(); });

    bControlPanel = new QWidget(this);
    bControlPanel->setGeometry(0, kLiveViewHeight, kLiveViewWidth, kClientHeight - kLiveViewHeight);
    setGround(bControlPanel, 0, 0, 0);

    rControlPanel = new QWidget(this);
    rControlPanel->setGeometry(kLiveViewWidth, 0, kColumnWidth, kClientHeight);
    setGround(rControlPanel, 0, 0, 0);

    const int tabWidth = kColumnWidth / kTabCount;
    const char* const captions[kTabCount] = { "Render", "Save", "Options", "Help", "Presets" };
    SphereButton** const tabs[kTabCount]
        = { &buttonTabRender, &buttonTabSave, &buttonTabOptions, &buttonTabHelp, &buttonTabPresets };
    for (int i = 0; i < kTabCount; ++i) {
        *tabs[i] = makeButton(rControlPanel, QString::fromLatin1(captions[i]), i * tabWidth, 0, tabWidth, kToolbarHeight);
        m_tabButtons[static_cast<size_t>(i)] = *tabs[i];
    }

    pageStack = new QStackedWidget(rControlPanel);
    pageStack->setGeometry(0, kToolbarHeight, kColumnWidth, kClientHeight - kToolbarHeight);
    QWidget** const pages[kTabCount]
        = { &panelTabRender, &panelTabSave, &panelTabOptions, &panelTabHelp, &panelTabPresets };
    for (int i = 0; i < kTabCount; ++i) {
        *pages[i] = new QWidget(pageStack);
        setGround(*pages[i], kPageGround, kPageGround, kPageGround);
        pageStack->addWidget(*pages[i]);
        QWidget* page = *pages[i];
        connect(*tabs[i], &SphereButton::clicked, this, [this, page] { showPage(page); });
    }
}

void EditorWindow::showPage(QWidget* page)
{
    pageStack->setCurrentWidget(page);
    // The front tab's button is drawn pressed in and lit, so the page's name shows.
    for (int i = 0; i < kTabCount; ++i)
        m_tabButtons[static_cast<size_t>(i)]->setFront(pageStack->widget(i) == page);
}

// ---- Start, live view, closing ---------------------------------------------------------------

void EditorWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        formShow();
    }
}

void EditorWindow::formShow()
{
    setWindowTitle(QString::fromStdString(ProductTitle));
    if (labelTitle)
        labelTitle->setText(QString::fromStdString(ProductTitle));
    showPage(panelTabRender);

    editor.lightDragging = false;
    editor.roundDragging = false;
    editor.radialDragging = false;
    editor.applyParam = 0;
    editor.currentObject = -1;
    editor.currentShape = -1;

    restartLiveView();

    m_lightPainter.panel = panelLAShower;
    m_lightPainter.setStack(&editor.lightPreview);
    panelLAShower->painter = &m_lightPainter;
    m_browserPainter.panel = panelObjectBrowser;
    panelObjectBrowser->painter = &m_browserPainter;
    for (int i = 0; i < kObjectCount; ++i) {
        m_thumbnailPainters[static_cast<size_t>(i)].panel = panelObject[static_cast<size_t>(i)];
        panelObject[static_cast<size_t>(i)]->painter = &m_thumbnailPainters[static_cast<size_t>(i)];
    }
    bindThumbnails();

    m_renderer->reset(panelShower->deviceWidth(), panelShower->deviceHeight());
    showSwitches();

    for (int32_t p = 1; p <= kSliderCount; ++p) {
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        QSlider* slider = sliderOf(p);
        const QSignalBlocker blocker(slider);
        slider->setRange(range.minimum, range.maximum);
        slider->setValue(editor.sliderValue(p));
    }

    showQuickTweakCaptions();
    refreshOptions();
    editor.selectObject(0);
    fillPresetList();
}

void EditorWindow::restartLiveView()
{
    if (!m_renderer) {
        m_renderer = std::make_unique<Renderer>(Settings, CurrentPreset, RenderRole::Editor);
        m_renderer->reset(panelShower->deviceWidth(), panelShower->deviceHeight());
        panelShower->painter = m_renderer.get();
    }
    for (int32_t object = 0; object < kObjectCount; ++object) {
        if (ShapeStack* stack = CurrentPreset.objects.stacks[static_cast<size_t>(object)][0].get()) {
            stack->reducedDirty = true;
            stack->fullDirty = true;
        }
    }
    m_renderer->computeScale();
    m_renderer->markWholeFrame();
    if (!m_closing)
        m_refresh->start();
}

void EditorWindow::refreshTick(int64_t nowMicros)
{
    // Beneath a dialog that holds the whole program (a save dialog) the live view waits, so
    // the picture being saved stays on screen; a message beside the window does not stop it.
    const QWidget* modal = QApplication::activeModalWidget();
    if (!m_renderer || m_closing || (modal != nullptr && modal->windowModality() == Qt::ApplicationModal))
        return;
    m_renderer->step(nowMicros);
    m_renderer->present(*panelShower);
}

void EditorWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_renderer)
        m_renderer->reset(panelShower->deviceWidth(), panelShower->deviceHeight());
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    formClose();
    QWidget::closeEvent(event);
}

void EditorWindow::formClose()
{
    if (m_closing)
        return;
    m_closing = true;
    // A capture in progress ends without a file: the program is closing.
    exports->abortGifCapture();
    m_refresh->stop();
    if (!saveSettings(CurrentPreset)) {
        const int error = errno;
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("The settings and the current preset could not be saved to %1: %2")
                .arg(QString::fromStdString(settingsFilePath().string()), QString::fromLocal8Bit(std::strerror(error))));
    }
    // The editor is the main window: closing it ends the program's event loop. Asked with no
    // loop running, the request would instead make every later modal dialog return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void EditorWindow::afterPresetChange()
{
    bindThumbnails();
    showSwitches();
    editor.selectObject(0);
    clearLiveView();
}

void EditorWindow::bindThumbnails()
{
    for (int i = 0; i < kObjectCount; ++i)
        m_thumbnailPainters[static_cast<size_t>(i)].setStack(CurrentPreset.objects.stacks[static_cast<size_t>(i)][0].get());
}

void EditorWindow::showSwitches()
{
    for (int i = 0; i < kObjectCount; ++i)
        sButtonSwitch[static_cast<size_t>(i)]->setChecked(CurrentPreset.objectEnabled[static_cast<size_t>(i)] != 0);
}

// ---- What the editor shows ----------------------------------------------------------------------

void EditorWindow::showSelectedObject(int32_t object)
{
    for (int i = 0; i < kObjectCount; ++i)
        m_thumbnailPainters[static_cast<size_t>(i)].setHighlight(i == object);
    m_browserPainter.setStack(editor.selectedStack());
}

void EditorWindow::showSelectedShape(int32_t shape) { m_browserPainter.setSelected(shape); }

void EditorWindow::showSlider(int32_t parameter, int32_t value)
{
    QSlider* slider = sliderOf(parameter);
    if (!slider)
        return;
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void EditorWindow::repaintThumbnail(int32_t object)
{
    if (object >= 0 && object < kObjectCount)
        panelObject[static_cast<size_t>(object)]->update();
}

void EditorWindow::repaintBrowser() { panelObjectBrowser->update(); }

void EditorWindow::repaintLightPreview() { panelLAShower->update(); }

void EditorWindow::clearLiveView()
{
    if (m_renderer)
        m_renderer->clear();
}

QSlider* EditorWindow::sliderOf(int32_t parameter) const
{
    switch (parameter) {
    case kGroupMasterSize:
        return sliderMainSize;
    case kGroupWidth:
        return sliderSize1;
    case kGroupHeight:
        return sliderSize2;
    case kGroupPhong:
        return sliderPhong;
    case kGroupMirror:
        return sliderMirror;
    case kGroupAmbient:
        return slideAmbient;
    default:
        return nullptr;
    }
}

// ---- Mouse on the panels and sliders ---------------------------------------------------------

bool EditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool left = mouse->button() == Qt::LeftButton;

    for (int i = 0; i < kObjectCount; ++i) {
        if (watched == panelObject[static_cast<size_t>(i)]) {
            if (press && left)
                editor.selectObject(i);
            return press;
        }
    }
    if (watched == panelObjectBrowser) {
        // The browser's cells are in device pixels, the side being the panel's width.
        if (press)
            editor.browserPressed(qRound(at.y() * panelObjectBrowser->devicePixelRatioF()), panelObjectBrowser->deviceWidth());
        return press;
    }
    if (watched == panelLAShower) {
        if (press)
            editor.lightPressed(left);
        else if (type == QEvent::MouseMove)
            editor.lightDragged(at.x(), at.y(), panelLAShower->width());
        else if (editor.lightReleased(left))
            openApplyMenu(panelLAShower, at);
        return true;
    }
    if (type == QEvent::MouseButtonRelease && !left) {
        for (int32_t p = 1; p <= kSliderCount; ++p) {
            if (watched == sliderOf(p)) {
                editor.parameterRightClicked(p);
                openApplyMenu(sliderOf(p), at);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
