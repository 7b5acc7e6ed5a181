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
    , Editor(CurrentPreset, this)
{
    // The dialogs and the menu opened from here are dark like this window.
    InstallEditorTheme();
    setWindowTitle(QString::fromStdString(ProductTitle));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SphereButton::captionFont());
    SetGround(this, 0, 0, 0);

    buildFrame();
    buildQuickTweaksBar();
    buildRenderPage();
    buildSavePage();
    buildOptionsPage();
    buildHelpPage();
    buildPresetsPage();

    m_refresh = new RefreshTimer(this);
    connect(m_refresh, &RefreshTimer::tick, this, &EditorWindow::refreshTick);

    FormGlobals = new AutoApplyDialog(this);

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
    delete Exports;
    Exports = nullptr;
    m_renderer.reset();
}

void EditorWindow::buildFrame()
{
    panelShower = new PicturePanel(this);
    panelShower->setGeometry(0, 0, kLiveViewWidth, kLiveViewHeight);
    SetGround(panelShower, 0, 0, 0);
    SButton15 = MakeButton(this, QStringLiteral("Clear Screen"), kLiveViewWidth - kClearButtonWidth - kClearButtonMargin,
        kLiveViewHeight - kClearButtonHeight - kClearButtonMargin, kClearButtonWidth, kClearButtonHeight);
    connect(SButton15, &SphereButton::clicked, this, [this] { ClearLiveView(); });

    BControlPanel = new QWidget(this);
    BControlPanel->setGeometry(0, kLiveViewHeight, kLiveViewWidth, kClientHeight - kLiveViewHeight);
    SetGround(BControlPanel, 0, 0, 0);

    RControlPanel = new QWidget(this);
    RControlPanel->setGeometry(kLiveViewWidth, 0, kColumnWidth, kClientHeight);
    SetGround(RControlPanel, 0, 0, 0);

    const int tabWidth = kColumnWidth / kTabCount;
    const char* const captions[kTabCount] = { "Render", "Save", "Options", "Help", "Presets" };
    SphereButton** const tabs[kTabCount]
        = { &Button_TabRender, &Button_TabSave, &Button_TabOptions, &Button_TabHelp, &Button_TabPresets };
    for (int i = 0; i < kTabCount; ++i) {
        *tabs[i] = MakeButton(RControlPanel, QString::fromLatin1(captions[i]), i * tabWidth, 0, tabWidth, kToolbarHeight);
        m_tabButtons[static_cast<size_t>(i)] = *tabs[i];
    }

    Pages = new QStackedWidget(RControlPanel);
    Pages->setGeometry(0, kToolbarHeight, kColumnWidth, kClientHeight - kToolbarHeight);
    QWidget** const pages[kTabCount]
        = { &Panel_TabRender, &Panel_TabSave, &Panel_TabOptions, &Panel_TabHelp, &Panel_TabPresets };
    for (int i = 0; i < kTabCount; ++i) {
        *pages[i] = new QWidget(Pages);
        SetGround(*pages[i], kPageGround, kPageGround, kPageGround);
        Pages->addWidget(*pages[i]);
        QWidget* page = *pages[i];
        connect(*tabs[i], &SphereButton::clicked, this, [this, page] { showPage(page); });
    }
}

void EditorWindow::showPage(QWidget* page)
{
    Pages->setCurrentWidget(page);
    // The front tab's button is drawn pressed in and lit, so the page's name shows.
    for (int i = 0; i < kTabCount; ++i)
        m_tabButtons[static_cast<size_t>(i)]->setFront(Pages->widget(i) == page);
}

// ---- Start, live view, closing ---------------------------------------------------------------

void EditorWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void EditorWindow::FormShow()
{
    setWindowTitle(QString::fromStdString(ProductTitle));
    if (LabelTitle)
        LabelTitle->setText(QString::fromStdString(ProductTitle));
    showPage(Panel_TabRender);

    Editor.LightDragging = false;
    Editor.RoundDragging = false;
    Editor.RadialDragging = false;
    Editor.ApplyParam = 0;
    Editor.CurrentObject = -1;
    Editor.CurrentShape = -1;

    RestartLiveView();

    m_lightPainter.panel = panelLAShower;
    m_lightPainter.SetStack(&Editor.LightPreview);
    panelLAShower->painter = &m_lightPainter;
    m_browserPainter.panel = panelObjectBrowser;
    panelObjectBrowser->painter = &m_browserPainter;
    for (int i = 0; i < kObjectCount; ++i) {
        m_thumbnailPainters[static_cast<size_t>(i)].panel = panelObject[static_cast<size_t>(i)];
        panelObject[static_cast<size_t>(i)]->painter = &m_thumbnailPainters[static_cast<size_t>(i)];
    }
    bindThumbnails();

    m_renderer->Reset(panelShower->Width(), panelShower->Height());
    showSwitches();

    for (int32_t p = 1; p <= kSliderCount; ++p) {
        const SliderRange& range = SliderRanges[static_cast<size_t>(p - 1)];
        QSlider* slider = sliderOf(p);
        const QSignalBlocker blocker(slider);
        slider->setRange(range.minimum, range.maximum);
        slider->setValue(Editor.SliderValue(p));
    }

    showQuickTweakCaptions();
    RefreshOptions();
    Editor.SelectObject(0);
    FillPresetList();
}

void EditorWindow::RestartLiveView()
{
    if (!m_renderer) {
        m_renderer = std::make_unique<Renderer>(Settings, CurrentPreset, RenderRole::Editor);
        m_renderer->Reset(panelShower->Width(), panelShower->Height());
        panelShower->painter = m_renderer.get();
    }
    for (int32_t object = 0; object < kObjectCount; ++object) {
        if (ShapeStack* stack = CurrentPreset.Objects.Stacks[static_cast<size_t>(object)][0].get()) {
            stack->ReducedDirty = 1;
            stack->FullDirty = 1;
        }
    }
    m_renderer->ComputeScale();
    m_renderer->MarkWholeFrame();
    if (!m_closing)
        m_refresh->Start();
}

void EditorWindow::refreshTick(int64_t nowMicros)
{
    // Beneath a dialog that holds the whole program (a save dialog) the live view waits, so
    // the picture being saved stays on screen; a message beside the window does not stop it.
    const QWidget* modal = QApplication::activeModalWidget();
    if (!m_renderer || m_closing || (modal != nullptr && modal->windowModality() == Qt::ApplicationModal))
        return;
    m_renderer->Step(nowMicros);
    m_renderer->Present(*panelShower);
}

void EditorWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_renderer)
        m_renderer->Reset(panelShower->Width(), panelShower->Height());
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void EditorWindow::FormClose()
{
    if (m_closing)
        return;
    m_closing = true;
    // A capture in progress ends without a file: the program is closing.
    Exports->AbortGifCapture();
    m_refresh->Stop();
    if (!SaveSettings(CurrentPreset)) {
        const int error = errno;
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("The settings and the current preset could not be saved to %1: %2")
                .arg(QString::fromStdString(SettingsFilePath().string()), QString::fromLocal8Bit(std::strerror(error))));
    }
    // The editor is the main window: closing it ends the program's event loop. Asked with no
    // loop running, the request would instead make every later modal dialog return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void EditorWindow::AfterPresetChange()
{
    bindThumbnails();
    showSwitches();
    Editor.SelectObject(0);
    ClearLiveView();
}

void EditorWindow::bindThumbnails()
{
    for (int i = 0; i < kObjectCount; ++i)
        m_thumbnailPainters[static_cast<size_t>(i)].SetStack(CurrentPreset.Objects.Stacks[static_cast<size_t>(i)][0].get());
}

void EditorWindow::showSwitches()
{
    for (int i = 0; i < kObjectCount; ++i)
        SButton_Switch[static_cast<size_t>(i)]->setChecked(CurrentPreset.ObjectEnabled[static_cast<size_t>(i)] != 0);
}

// ---- What the editor shows ----------------------------------------------------------------------

void EditorWindow::ShowSelectedObject(int32_t object)
{
    for (int i = 0; i < kObjectCount; ++i)
        m_thumbnailPainters[static_cast<size_t>(i)].SetHighlight(i == object);
    m_browserPainter.SetStack(Editor.SelectedStack());
}

void EditorWindow::ShowSelectedShape(int32_t shape) { m_browserPainter.SetSelected(shape); }

void EditorWindow::ShowSlider(int32_t parameter, int32_t value)
{
    QSlider* slider = sliderOf(parameter);
    if (!slider)
        return;
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void EditorWindow::RepaintThumbnail(int32_t object)
{
    if (object >= 0 && object < kObjectCount)
        panelObject[static_cast<size_t>(object)]->update();
}

void EditorWindow::RepaintBrowser() { panelObjectBrowser->update(); }

void EditorWindow::RepaintLightPreview() { panelLAShower->update(); }

void EditorWindow::ClearLiveView()
{
    if (m_renderer)
        m_renderer->Clear();
}

QSlider* EditorWindow::sliderOf(int32_t parameter) const
{
    switch (parameter) {
    case kGroupMasterSize:
        return SliderMainSize;
    case kGroupWidth:
        return SliderSize1;
    case kGroupHeight:
        return SliderSize2;
    case kGroupPhong:
        return SliderPhong;
    case kGroupMirror:
        return SliderMirror;
    case kGroupAmbient:
        return SlideAmbient;
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
                Editor.SelectObject(i);
            return press;
        }
    }
    if (watched == panelObjectBrowser) {
        // The browser's cells are in device pixels, the side being the panel's width.
        if (press)
            Editor.BrowserPressed(qRound(at.y() * panelObjectBrowser->devicePixelRatioF()), panelObjectBrowser->Width());
        return press;
    }
    if (watched == panelLAShower) {
        if (press)
            Editor.LightPressed(left);
        else if (type == QEvent::MouseMove)
            Editor.LightDragged(at.x(), at.y(), panelLAShower->width());
        else if (Editor.LightReleased(left))
            openApplyMenu(panelLAShower, at);
        return true;
    }
    if (type == QEvent::MouseButtonRelease && !left) {
        for (int32_t p = 1; p <= kSliderCount; ++p) {
            if (watched == sliderOf(p)) {
                Editor.ParameterRightClicked(p);
                openApplyMenu(sliderOf(p), at);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
