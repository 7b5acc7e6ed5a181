#pragma once

#include "editor/preset_history.h"
#include "editor/shape_editor.h"

#include <QWidget>

#include <array>
#include <memory>

class AutoApplyDialog;
class ExportFlows;
class FolderChooser;
class HelpPage;
class OptionsPage;
class PicturePanel;
class PresetsPage;
class QAction;
class QStackedWidget;
class QuickTweaksBar;
class RefreshTimer;
class RenderPage;
class Renderer;
struct RunRecord;
class SavePage;
class SphereButton;

// The editor: the configuration window of the screen saver. It plays the run's preset live in
// the large render panel and surrounds it with the controls that change the preset and the
// options: the "Quick tweaks" bar under the live view (object thumbnails, their switches,
// the palette path control and the palette, mirror and formula buttons) and, on the right,
// a column of five tab pages (Render, Save, Options, Help, Presets).
//
// The rules live in ShapeEditor. The bar and each page are their own widgets that act on
// the editor or say what was pressed; this window composes them with the live view, the tab
// buttons and "Clear Screen", and routes what the editor shows to the page that shows it.
class EditorWindow final : public QWidget, private EditorView {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 722;
    static constexpr int kClientHeight = 485;

    // Edits the run's preset and options; the record must outlive the window.
    explicit EditorWindow(RunRecord& record, QWidget* parent = nullptr);
    ~EditorWindow() override;

    // After an option changed: marks every stack dirty, rescales, and draws on from the
    // picture as it is.
    void restartLiveView();
    // After the run's preset was replaced: thumbnails rebound, switches from objectEnabled,
    // object 1 selected, the live view cleared.
    void afterPresetChange();

    ShapeEditor editor;
    // The live view's renderer, once the window has been shown.
    Renderer* renderer() const { return m_renderer.get(); }
    // The live view's refresh timer: it steps the renderer once per display refresh while the
    // window is open (tests stop it to look at still controls).
    RefreshTimer* liveViewTimer() const { return m_refresh; }

    // Undo and redo of the preset being edited (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y), also in the
    // live view's context menu. Options are not in the history.
    void undo();
    void redo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFrame();
    void buildPages();
    void showPage(QWidget* page);
    // Makes the folder the presets folder, shows it on the Options page and lists its presets.
    void usePresetsFolder(const QString& folder);
    // "Change" on the Options page: the folder chooser, then the chosen folder.
    void choosePresetsFolder();
    // "Save as Preset" on the Save page: the save dialog, then the preset written and listed.
    void saveCurrentPreset();

    // The first show: every page and the live view filled from the record, object 1 selected.
    void prepareFirstShow();
    // On close: a capture under way ends, the options and the preset are saved (a failure is
    // said), and the event loop ends.
    void saveAndQuit();
    // One display refresh: the live view draws the sprites due and shows them.
    void refreshTick(int64_t nowMicros);

    // EditorView
    void showSelectedObject(int32_t object) override;
    void showSelectedShape(int32_t shape) override;
    void showSlider(int32_t parameter, int32_t value) override;
    void repaintThumbnail(int32_t object) override;
    void repaintBrowser() override;
    void repaintLightPreview() override;
    void clearLiveView() override;
    void presetEdited(const std::string& mergeKey) override;

    // Adds the change since the history last saw the preset, made with that selection.
    void recordEdit(const std::string& mergeKey, int32_t object, int32_t shape);
    // The preset now, with what is selected.
    PresetState currentState() const;
    // Puts a state of the history in place and selects what was selected then.
    void showState(const PresetState& state);
    void showUndoState();

    RunRecord& m_record;

    // The tab buttons in the order of their pages in the page stack.
    static constexpr int kTabCount = 5;
    std::array<SphereButton*, kTabCount> m_tabButtons {};

    PicturePanel* m_liveView = nullptr;
    SphereButton* m_clearScreenButton = nullptr;
    QuickTweaksBar* m_quickTweaksBar = nullptr;
    QWidget* m_pageColumn = nullptr;
    QStackedWidget* m_pageStack = nullptr;
    RenderPage* m_renderPage = nullptr;
    SavePage* m_savePage = nullptr;
    OptionsPage* m_optionsPage = nullptr;
    HelpPage* m_helpPage = nullptr;
    PresetsPage* m_presetsPage = nullptr;
    // The dialog of the apply menu's last entry, the chooser of "Change" and the exports of
    // the Save page with their dialogs; created with the window and reused.
    AutoApplyDialog* m_autoApplyDialog = nullptr;
    FolderChooser* m_folderChooser = nullptr;
    ExportFlows* m_exportFlows = nullptr;

    std::unique_ptr<Renderer> m_renderer;
    RefreshTimer* m_refresh = nullptr;
    bool m_shown = false;
    bool m_closing = false;

    PresetHistory m_history;
    PresetState m_lastState; // the preset as the history last saw it
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
};
