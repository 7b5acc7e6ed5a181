#pragma once

#include "editor/options_rules.h"
#include "editor/preset_choice.h"
#include "editor/shape_editor.h"
#include "editor/help_links.h"
#include "editor/shape_stack_browser.h"
#include "engine/shape_preview_painter.h"

#include <QWidget>

#include <array>
#include <memory>

class PicturePanel;
class PathPainter;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QSlider;
class QStackedWidget;
class QTimer;
class RefreshTimer;
class Renderer;
class SphereButton;
class ExportFlows;
class AutoApplyDialog;
class FolderChooser;

// The editor: the configuration window of the screen saver. It plays CurrentPreset live in
// the large render panel and surrounds it with the controls that change the preset and the
// options: the "Quick tweaks" bar under the live view (object thumbnails, their switches,
// the palette path control and the palette, mirror and formula buttons) and, on the right,
// a column of five tab pages (Render, Save, Options, Help, Presets).
//
// The rules live in ShapeEditor; this window forwards its controls' events there and shows
// what it is told. Each page is built by its own function in its own file.
class EditorWindow final : public QWidget, private EditorView {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 722;
    static constexpr int kClientHeight = 485;

    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // After an option changed: marks every stack dirty, rescales, and draws on from the
    // picture as it is.
    void restartLiveView();
    // After CurrentPreset was replaced: thumbnails rebound, switches from ObjectEnabled,
    // object 1 selected, the live view cleared.
    void afterPresetChange();

    ShapeEditor editor;
    Renderer* liveRenderer() const { return m_renderer.get(); }
    // The live view's refresh timer: it steps the renderer once per display refresh while the
    // window is open (tests stop it to look at still controls).
    RefreshTimer* liveViewTimer() const { return m_refresh; }

    // ---- Frame ----------------------------------------------------------------------
    PicturePanel* panelShower = nullptr;
    SphereButton* sButton15 = nullptr; // "Clear Screen"
    QWidget* bControlPanel = nullptr;
    QWidget* rControlPanel = nullptr;
    SphereButton* buttonTabRender = nullptr;
    SphereButton* buttonTabSave = nullptr;
    SphereButton* buttonTabOptions = nullptr;
    SphereButton* buttonTabHelp = nullptr;
    SphereButton* buttonTabPresets = nullptr;
    QStackedWidget* pageStack = nullptr;
    QWidget* panelTabRender = nullptr;
    QWidget* panelTabSave = nullptr;
    QWidget* panelTabOptions = nullptr;
    QWidget* panelTabHelp = nullptr;
    QWidget* panelTabPresets = nullptr;

    // ---- Quick tweaks (quick_tweaks_bar.cpp) ---------------------------------------------
    std::array<PicturePanel*, kObjectCount> panelObject {};
    std::array<SphereButton*, kObjectCount> sButtonSwitch {};
    PathPainter* pathPainter1 = nullptr;
    QLabel* labelQuickTweaks = nullptr;
    SphereButton* sButtonPalette = nullptr;
    SphereButton* sButton14 = nullptr; // palette "(-)"
    SphereButton* sButtonMirror = nullptr;
    SphereButton* sButton13 = nullptr; // mirror "(-)"
    SphereButton* sButtonFormula = nullptr;
    SphereButton* sButtonClassicFormula = nullptr; // formula "(-)"

    // ---- Render page (render_page.cpp) ---------------------------------------------------
    SphereButton* sButtonRoundDn = nullptr;
    SphereButton* sButtonRound = nullptr;
    SphereButton* sButtonRoundUp = nullptr;
    SphereButton* sButtonRadialDn = nullptr;
    SphereButton* sButtonRadial = nullptr;
    SphereButton* sButtonRadialUp = nullptr;
    QSlider* sliderMainSize = nullptr;
    QSlider* sliderSize1 = nullptr;
    QSlider* sliderSize2 = nullptr;
    QSlider* sliderPhong = nullptr;
    QSlider* sliderMirror = nullptr;
    QSlider* slideAmbient = nullptr;
    PicturePanel* panelLAShower = nullptr;
    SphereButton* sButton1 = nullptr; // "Shape color"
    SphereButton* sButton8 = nullptr; // "Shape type"
    SphereButton* sButton9 = nullptr; // "Clone selected shape"
    SphereButton* sButton10 = nullptr; // "Remove selected shape"
    SphereButton* sButton11 = nullptr; // "Move shape UP"
    SphereButton* sButton12 = nullptr; // "Move shape DOWN"
    PicturePanel* panelObjectBrowser = nullptr;
    QMenu* applyMenu = nullptr;

    // ---- Save page (save_page.cpp) ---------------------------------------------------------
    SphereButton* sButton4 = nullptr; // "Save as Preset"
    QLabel* labelSaveNote = nullptr;
    SphereButton* sButton5 = nullptr; // "Save as JPEG image"
    QLabel* labelSaveJpeg = nullptr;
    SphereButton* sButton6 = nullptr; // "Save as GIF animation"
    QLabel* labelSaveGif = nullptr;
    // The JPEG and GIF exports with their dialogs and the capture's progress window.
    ExportFlows* exports = nullptr;

    // ---- Help page (help_page.cpp) ----------------------------------------------------------
    QLabel* labelTitle = nullptr;
    SphereButton* sButton2 = nullptr; // "Display help"
    SphereButton* sButton3 = nullptr; // "Visit home page"
    SphereButton* sButton19 = nullptr; // "Suggest a feature"
    SphereButton* sButton16 = nullptr; // "More COOL software"

    // The dialog of the apply menu's last entry; created with the window.
    AutoApplyDialog* formGlobals = nullptr;

    // ---- Options page (options_page.cpp) ---------------------------------------------------
    SphereButton* sButtonTravelling = nullptr; // "Travelling animation"
    SphereButton* sCheckChangePreset = nullptr;
    SphereButton* sCheckChangeFormula = nullptr;
    SphereButton* sCheckChangeMirror = nullptr;
    SphereButton* sButtonChangeInterval = nullptr; // Seconds, shown only
    SphereButton* sButtonChangeIntervalFaster = nullptr;
    SphereButton* sButtonChangeIntervalSlower = nullptr;
    SphereButton* sButtonRandomPicture = nullptr; // "Start with random preset"
    SphereButton* sButtonSwitch640 = nullptr;
    SphereButton* sButtonAnimationSize = nullptr; // Scale, shown only
    SphereButton* sButtonAnimationSizeMinus = nullptr;
    SphereButton* sButtonAnimationSizePlus = nullptr;
    QLineEdit* edit1 = nullptr; // the presets folder, read-only
    SphereButton* sButtonChangeDirectory = nullptr;
    SphereButton* sButtonCheckAllowBlur = nullptr;
    SphereButton* sButtonCheckBlurInterlace = nullptr;
    SphereButton* sButtonCheckBlurChange = nullptr;
    SphereButton* sButtonBlurInterval = nullptr; // FiterAutoSeconds, shown only
    SphereButton* sButtonBlurIntervalFaster = nullptr;
    SphereButton* sButtonBlurIntervalSlower = nullptr;
    // The directory chooser of "Change"; created with the window and reused.
    FolderChooser* formSelDir = nullptr;

    // ---- Presets page (presets_page.cpp) ---------------------------------------------------
    SphereButton* sButtonPresetPrev = nullptr;
    SphereButton* sButtonPresetRandom = nullptr;
    SphereButton* sButtonPresetNext = nullptr;
    QListWidget* listPresets = nullptr;
    QLabel* labelPresetStatus = nullptr; // why a chosen preset was not shown

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The page builders, one file each.
    void buildFrame();
    void buildQuickTweaksBar();
    void buildRenderPage();
    void buildSavePage();
    void buildHelpPage();
    void buildOptionsPage();
    void buildPresetsPage();
    // The Options page's controls from Settings; the presets list and library from
    // PresetsDir. Run once by FormShow.
    void refreshOptions();
    void fillPresetList();
    // Shows why a chosen preset was not shown under the list, or hides the line when empty.
    void showPresetStatus(const QString& status);
    // Options and Presets pages.
    std::array<std::pair<SphereButton*, OptionSwitch>, 9> optionBoxes() const;
    void showOptionValues();
    void sButtonChangeDirectoryClick();
    // Makes the folder the presets folder, shows it on the Options page and lists its presets.
    void usePresetsFolder(const QString& folder);
    void choosePreset(PresetMove move, int line = -1);
    void sButton4Click();

    void formShow();
    void formClose();
    // One display refresh: the live view draws the sprites due and shows them.
    void refreshTick(int64_t nowMicros);
    void showPage(QWidget* page);
    void bindThumbnails();
    void showSwitches();
    void showQuickTweakCaptions();
    void openApplyMenu(QWidget* control, QPoint position);
    void sButton1Click();
    void sButton2Click();
    void sButton3Click();
    void sButton16Click();
    void openWebPage(WebPage page);

    // EditorView
    void showSelectedObject(int32_t object) override;
    void showSelectedShape(int32_t shape) override;
    void showSlider(int32_t parameter, int32_t value) override;
    void repaintThumbnail(int32_t object) override;
    void repaintBrowser() override;
    void repaintLightPreview() override;
    void clearLiveView() override;

    QSlider* sliderOf(int32_t parameter) const;

    // The tab buttons in the order of their pages in Pages.
    static constexpr int kTabCount = 5;
    std::array<SphereButton*, kTabCount> m_tabButtons {};

    std::unique_ptr<Renderer> m_renderer;
    RefreshTimer* m_refresh = nullptr;
    std::array<ShapePreviewPainter, kObjectCount> m_thumbnailPainters;
    ShapePreviewPainter m_lightPainter;
    ShapeStackBrowserPainter m_browserPainter;
    bool m_shown = false;
    bool m_closing = false;
};
