#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "dialogs/folder_chooser.h"
#include "editor/auto_apply_dialog.h"
#include "editor/editor_theme.h"
#include "editor/editor_widgets.h"
#include "editor/export_flows.h"
#include "editor/help_page.h"
#include "editor/options_page.h"
#include "editor/page_metrics.h"
#include "editor/preset_choice.h"
#include "editor/presets_page.h"
#include "editor/quick_tweaks_bar.h"
#include "editor/render_page.h"
#include "editor/save_page.h"
#include "engine/picture_panel.h"
#include "engine/refresh_timer.h"
#include "engine/renderer_factory.h"
#include "presets/run_record.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStackedWidget>
#include <QThread>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kLiveViewHeight = 369;
constexpr int kClearButtonWidth = 119;
constexpr int kClearButtonHeight = 23;
constexpr int kClearButtonMargin = 3;

// The pages fill the column beside the live view under the row of tab buttons.
static_assert(kPageHeight == EditorWindow::kClientHeight - kTabRowHeight);
static_assert(kLiveViewWidth + kPageWidth == EditorWindow::kClientWidth);

} // namespace

EditorWindow::EditorWindow(RunRecord& record, QWidget* parent)
    : QWidget(parent)
    , editor(record, this)
    , m_record(record)
{
    // The dialogs and the menu opened from here are dark like this window.
    installEditorTheme();
    setWindowTitle(QString::fromStdString(ProductTitle));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SphereButton::captionFont());
    setGround(this, 0, 0, 0);

    buildFrame();
    buildPages();

    m_refresh = new RefreshTimer(this);
    connect(m_refresh, &RefreshTimer::tick, this, &EditorWindow::refreshTick);

    m_autoApplyDialog = new AutoApplyDialog(record.options, this);
    m_autoApplyDialog->setObjectName(QStringLiteral("autoApplyDialog"));
    connect(m_renderPage, &RenderPage::autoApplyRequested, this,
        [this] { m_autoApplyDialog->openAt(editor.applyParam - 1); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

EditorWindow::~EditorWindow()
{
    // The live view outlives nothing of ours: it lets go of the renderer before the renderer goes.
    m_liveView->painter = nullptr;
    // A capture in progress follows the renderer's sprites: it lets go before the renderer goes.
    delete m_exportFlows;
    m_exportFlows = nullptr;
    m_renderer.reset();
}

void EditorWindow::buildFrame()
{
    m_liveView = new PicturePanel(this);
    m_liveView->setObjectName(QStringLiteral("liveView"));
    m_liveView->setGeometry(0, 0, kLiveViewWidth, kLiveViewHeight);
    m_liveView->setAccessibleName(tr("Live view"));
    m_liveView->setAccessibleDescription(tr("The current preset, drawn as the screen saver draws it"));
    // The window's focus starts here, where it shows no mark; Tab goes on to the controls.
    m_liveView->setFocusPolicy(Qt::TabFocus);
    setGround(m_liveView, 0, 0, 0);
    m_clearScreenButton
        = makeButton(this, QStringLiteral("Clear Screen"), kLiveViewWidth - kClearButtonWidth - kClearButtonMargin,
            kLiveViewHeight - kClearButtonHeight - kClearButtonMargin, kClearButtonWidth, kClearButtonHeight);
    m_clearScreenButton->setObjectName(QStringLiteral("clearScreenButton"));
    connect(m_clearScreenButton, &SphereButton::clicked, this, [this] { clearLiveView(); });

    m_quickTweaksBar = new QuickTweaksBar(editor, m_record, this);
    m_quickTweaksBar->setGeometry(0, kLiveViewHeight, kLiveViewWidth, kClientHeight - kLiveViewHeight);

    m_pageColumn = new QWidget(this);
    m_pageColumn->setGeometry(kLiveViewWidth, 0, kPageWidth, kClientHeight);
    setGround(m_pageColumn, 0, 0, 0);

    const int tabWidth = kPageWidth / kTabCount;
    const char* const captions[kTabCount] = { "Render", "Save", "Options", "Help", "Presets" };
    const char* const names[kTabCount]
        = { "renderTabButton", "saveTabButton", "optionsTabButton", "helpTabButton", "presetsTabButton" };
    for (int i = 0; i < kTabCount; ++i) {
        SphereButton* tab
            = makeButton(m_pageColumn, QString::fromLatin1(captions[i]), i * tabWidth, 0, tabWidth, kTabRowHeight);
        tab->setObjectName(QString::fromLatin1(names[i]));
        tab->setIsTab(true);
        m_tabButtons[static_cast<size_t>(i)] = tab;
    }

    m_pageStack = new QStackedWidget(m_pageColumn);
    m_pageStack->setObjectName(QStringLiteral("pageStack"));
    m_pageStack->setGeometry(0, kTabRowHeight, kPageWidth, kClientHeight - kTabRowHeight);
}

void EditorWindow::buildPages()
{
    m_renderPage = new RenderPage(editor, m_pageStack);
    m_savePage = new SavePage(m_pageStack);
    m_optionsPage = new OptionsPage(m_record.options, m_pageStack);
    m_helpPage = new HelpPage(m_record.options, m_pageStack);
    m_presetsPage = new PresetsPage(m_record.library, m_pageStack);
    QWidget* const pages[kTabCount] = { m_renderPage, m_savePage, m_optionsPage, m_helpPage, m_presetsPage };
    for (int i = 0; i < kTabCount; ++i) {
        QWidget* page = pages[i];
        m_pageStack->addWidget(page);
        connect(m_tabButtons[static_cast<size_t>(i)], &SphereButton::clicked, this, [this, page] { showPage(page); });
    }

    m_exportFlows = new ExportFlows(
        this, m_record, [this] { return m_renderer.get(); },
        [this] { return QSize(m_liveView->deviceWidth(), m_liveView->deviceHeight()); });
    m_exportFlows->setObjectName(QStringLiteral("exportFlows"));
    connect(m_savePage, &SavePage::saveJpegPressed, m_exportFlows, &ExportFlows::saveJpeg);
    connect(m_savePage, &SavePage::saveGifPressed, m_exportFlows, &ExportFlows::saveGif);
    connect(m_savePage, &SavePage::savePresetPressed, this, &EditorWindow::saveCurrentPreset);

    m_folderChooser = new FolderChooser(this);
    m_folderChooser->setObjectName(QStringLiteral("folderChooser"));
    connect(m_optionsPage, &OptionsPage::liveViewOptionChanged, this, &EditorWindow::restartLiveView);
    connect(m_optionsPage, &OptionsPage::changeFolderPressed, this, &EditorWindow::choosePresetsFolder);

    // A preset loaded from the list, or by Next, Previous or Random, is one step of the history.
    connect(m_presetsPage, &PresetsPage::presetLoaded, this, [this] {
        const int32_t object = editor.currentObject;
        const int32_t shape = editor.currentShape;
        afterPresetChange();
        recordEdit({}, object, shape);
    });

    m_undoAction = new QAction(tr("Undo"), this);
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redoAction = new QAction(tr("Redo"), this);
    m_redoAction->setShortcuts({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    for (QAction* action : { m_undoAction, m_redoAction }) {
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        addAction(action);
        m_liveView->addAction(action);
    }
    m_liveView->setContextMenuPolicy(Qt::ActionsContextMenu);

    // Ctrl+1 to Ctrl+5 show the pages in the order of their tabs; Ctrl+Tab and Ctrl+Shift+Tab
    // go round them.
    for (int i = 0; i < kTabCount; ++i) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        connect(action, &QAction::triggered, this, [this, i] { showPage(m_pageStack->widget(i)); });
        addAction(action);
    }
    const auto stepPage = [this](int step) {
        const int next = (m_pageStack->currentIndex() + step + kTabCount) % kTabCount;
        showPage(m_pageStack->widget(next));
    };
    auto* nextPage = new QAction(this);
    nextPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab));
    connect(nextPage, &QAction::triggered, this, [stepPage] { stepPage(1); });
    auto* previousPage = new QAction(this);
    previousPage->setShortcuts({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) });
    connect(previousPage, &QAction::triggered, this, [stepPage] { stepPage(-1); });
    addAction(nextPage);
    addAction(previousPage);
    connect(m_undoAction, &QAction::triggered, this, &EditorWindow::undo);
    connect(m_redoAction, &QAction::triggered, this, &EditorWindow::redo);
    // A release of a mouse button ends a drag: the next change of the same control is a step
    // of its own.
    qApp->installEventFilter(this);
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        m_history.closeStep();
    return QWidget::eventFilter(watched, event);
}

PresetState EditorWindow::currentState() const
{
    return capturePresetState(m_record.preset, editor.currentObject, editor.currentShape,
        { m_record.options.formula, m_record.options.mirror, m_record.palette.index() });
}

void EditorWindow::presetEdited(const std::string& mergeKey)
{
    recordEdit(mergeKey, editor.currentObject, editor.currentShape);
}

void EditorWindow::recordEdit(const std::string& mergeKey, int32_t object, int32_t shape)
{
    PresetState now = currentState();
    if (now.block == m_lastState.block && now.tweaks == m_lastState.tweaks)
        return;
    // The step keeps the preset before the change with the selection the change was made in.
    m_history.beforeChange({ m_lastState.block, object, shape, m_lastState.tweaks }, mergeKey);
    m_lastState = std::move(now);
    showUndoState();
}

void EditorWindow::undo()
{
    if (const auto state = m_history.undo(currentState()))
        showState(*state);
}

void EditorWindow::redo()
{
    if (const auto state = m_history.redo(currentState()))
        showState(*state);
}

void EditorWindow::showState(const PresetState& state)
{
    if (!restorePresetState(state, m_record.preset))
        return;
    m_record.options.formula = state.tweaks.formula;
    m_record.options.mirror = state.tweaks.mirror;
    m_quickTweaksBar->usePalette(state.tweaks.palette);
    afterPresetChange(); // a fresh picture, as a change of formula gives
    editor.selectObject(state.object);
    editor.selectShape(state.shape);
    m_lastState = currentState();
    showUndoState();
}

void EditorWindow::showUndoState()
{
    m_undoAction->setEnabled(m_history.canUndo());
    m_redoAction->setEnabled(m_history.canRedo());
}

void EditorWindow::showPage(QWidget* page)
{
    m_pageStack->setCurrentWidget(page);
    // The front tab's button is drawn pressed in and lit, so the page's name shows.
    for (int i = 0; i < kTabCount; ++i)
        m_tabButtons[static_cast<size_t>(i)]->setFront(m_pageStack->widget(i) == page);
}

void EditorWindow::usePresetsFolder(const QString& folder)
{
    m_record.options.presetsDir = folder.toStdString();
    m_optionsPage->showPresetsFolder(folder);
    m_presetsPage->fillList();
}

void EditorWindow::choosePresetsFolder()
{
    m_folderChooser->setDirectory(QString::fromStdString(m_record.options.presetsDir));
    if (m_folderChooser->exec() != QDialog::Accepted)
        return;
    // Stored as picked: the chooser keeps the user's own spelling of the path.
    usePresetsFolder(m_folderChooser->directory());
}

void EditorWindow::saveCurrentPreset()
{
    QFileDialog dialog(this, tr("Save current preset"),
        QString::fromStdString(presetSaveFolder(m_record.options.presetsDir).string()), tr("Opal Revel Presets (*.vhp)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The name is completed and the overwrite asked below, so that a name such as "a.txt",
    // which gets ".vhp" appended, is asked about under the name that is really written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(QString());
    nameStockDialogParts(&dialog);

    std::filesystem::path target;
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        target = presetSaveTarget(dialog.selectedFiles().front().toStdString());
        if (target.empty()) {
            // A blank name names no file: the dialog asks again, as it waits for an empty one.
            // selectFile ignores an empty name, so the blanks are cleared from Qt's own name
            // field (a desktop's native dialog has none and keeps them).
            if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->clear();
            continue;
        }
        std::error_code error;
        if (!std::filesystem::exists(target, error) || std::filesystem::is_directory(target, error))
            break;
        const auto answer = QMessageBox::question(this, tr("Save current preset"),
            tr("%1 already exists.\nDo you want to replace it?").arg(QString::fromStdString(target.string())),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer == QMessageBox::Yes)
            break;
        dialog.selectFile(QString::fromStdString(target.filename().string()));
    }

    std::string reason;
    if (!savePresetAs(target, m_record.preset, reason)) {
        QMessageBox::warning(this, tr("Save current preset"), QString::fromStdString(reason));
        return;
    }
    usePresetsFolder(QString::fromStdString(presetsFolderAfterSave(m_record.options.presetsDir, target)));
}

// ---- Start, live view, closing ---------------------------------------------------------------

void EditorWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        prepareFirstShow();
    }
}

void EditorWindow::prepareFirstShow()
{
    setWindowTitle(QString::fromStdString(ProductTitle));
    m_helpPage->showProductTitle();
    showPage(m_renderPage);

    editor.lightDragging = false;
    editor.roundDragging = false;
    editor.radialDragging = false;
    editor.applyParam = 0;
    editor.currentObject = -1;
    editor.currentShape = -1;

    restartLiveView();
    m_quickTweaksBar->bindThumbnails();

    m_renderer->reset(m_liveView->deviceWidth(), m_liveView->deviceHeight());
    m_quickTweaksBar->showSwitches();
    m_renderPage->showSliderRanges();

    m_quickTweaksBar->showCaptions();
    m_optionsPage->showOptions();
    editor.selectObject(0);
    m_presetsPage->fillList();
    m_lastState = currentState();
    m_liveView->setFocus(Qt::OtherFocusReason);
}

void EditorWindow::restartLiveView()
{
    if (!m_renderer) {
        m_renderer = makeRenderer(RenderRole::Editor, m_record);
        m_renderer->reset(m_liveView->deviceWidth(), m_liveView->deviceHeight());
        m_liveView->painter = m_renderer.get();
    }
    for (int32_t object = 0; object < kObjectCount; ++object) {
        if (ShapeStack* stack = m_record.preset.objects.stacks[static_cast<size_t>(object)][0].get()) {
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
    m_renderer->present(*m_liveView);
}

void EditorWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_renderer)
        m_renderer->reset(m_liveView->deviceWidth(), m_liveView->deviceHeight());
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    saveAndQuit();
    QWidget::closeEvent(event);
}

void EditorWindow::saveAndQuit()
{
    if (m_closing)
        return;
    m_closing = true;
    // A capture in progress ends without a file: the program is closing.
    m_exportFlows->abortGifCapture();
    m_refresh->stop();
    if (!saveSettings(m_record.options, m_record.preset)) {
        const int error = errno;
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("The settings and the current preset could not be saved to %1: %2")
                .arg(
                    QString::fromStdString(settingsFilePath().string()), QString::fromLocal8Bit(std::strerror(error))));
    }
    // The editor is the main window: closing it ends the program's event loop. Asked with no
    // loop running, the request would instead make every later modal dialog return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void EditorWindow::afterPresetChange()
{
    m_quickTweaksBar->bindThumbnails();
    m_quickTweaksBar->showSwitches();
    editor.selectObject(0);
    clearLiveView();
}

// ---- What the editor shows ----------------------------------------------------------------------

void EditorWindow::showSelectedObject(int32_t object)
{
    m_quickTweaksBar->highlightObject(object);
    m_renderPage->showSelectedStack();
}

void EditorWindow::showSelectedShape(int32_t shape) { m_renderPage->showSelectedShape(shape); }

void EditorWindow::showSlider(int32_t parameter, int32_t value) { m_renderPage->showSlider(parameter, value); }

void EditorWindow::repaintThumbnail(int32_t object) { m_quickTweaksBar->repaintThumbnail(object); }

void EditorWindow::repaintBrowser() { m_renderPage->repaintBrowser(); }

void EditorWindow::repaintLightPreview() { m_renderPage->repaintLightPreview(); }

void EditorWindow::clearLiveView()
{
    if (m_renderer)
        m_renderer->clear();
}
