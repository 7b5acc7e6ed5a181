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
    void RestartLiveView();
    // After CurrentPreset was replaced: thumbnails rebound, switches from ObjectEnabled,
    // object 1 selected, the live view cleared.
    void AfterPresetChange();

    ShapeEditor Editor;
    Renderer* LiveRenderer() const { return m_renderer.get(); }
    // The live view's refresh timer: it steps the renderer once per display refresh while the
    // window is open (tests stop it to look at still controls).
    RefreshTimer* LiveViewTimer() const { return m_refresh; }

    // ---- Frame ----------------------------------------------------------------------
    PicturePanel* panelShower = nullptr;
    SphereButton* SButton15 = nullptr; // "Clear Screen"
    QWidget* BControlPanel = nullptr;
    QWidget* RControlPanel = nullptr;
    SphereButton* Button_TabRender = nullptr;
    SphereButton* Button_TabSave = nullptr;
    SphereButton* Button_TabOptions = nullptr;
    SphereButton* Button_TabHelp = nullptr;
    SphereButton* Button_TabPresets = nullptr;
    QStackedWidget* Pages = nullptr;
    QWidget* Panel_TabRender = nullptr;
    QWidget* Panel_TabSave = nullptr;
    QWidget* Panel_TabOptions = nullptr;
    QWidget* Panel_TabHelp = nullptr;
    QWidget* Panel_TabPresets = nullptr;

    // ---- Quick tweaks (quick_tweaks_bar.cpp) ---------------------------------------------
    std::array<PicturePanel*, kObjectCount> panelObject {};
    std::array<SphereButton*, kObjectCount> SButton_Switch {};
    PathPainter* PathPainter1 = nullptr;
    QLabel* LabelQuickTweaks = nullptr;
    SphereButton* SButton_Palette = nullptr;
    SphereButton* SButton14 = nullptr; // palette "(-)"
    SphereButton* SButton_Mirror = nullptr;
    SphereButton* SButton13 = nullptr; // mirror "(-)"
    SphereButton* SButton_Formula = nullptr;
    SphereButton* SButton_ClassicFormula = nullptr; // formula "(-)"

    // ---- Render page (render_page.cpp) ---------------------------------------------------
    SphereButton* SButton_RoundDn = nullptr;
    SphereButton* SButton_Round = nullptr;
    SphereButton* SButton_RoundUp = nullptr;
    SphereButton* SButton_RadialDn = nullptr;
    SphereButton* SButton_Radial = nullptr;
    SphereButton* SButton_RadialUp = nullptr;
    QSlider* SliderMainSize = nullptr;
    QSlider* SliderSize1 = nullptr;
    QSlider* SliderSize2 = nullptr;
    QSlider* SliderPhong = nullptr;
    QSlider* SliderMirror = nullptr;
    QSlider* SlideAmbient = nullptr;
    PicturePanel* panelLAShower = nullptr;
    SphereButton* SButton1 = nullptr; // "Shape color"
    SphereButton* SButton8 = nullptr; // "Shape type"
    SphereButton* SButton9 = nullptr; // "Clone selected shape"
    SphereButton* SButton10 = nullptr; // "Remove selected shape"
    SphereButton* SButton11 = nullptr; // "Move shape UP"
    SphereButton* SButton12 = nullptr; // "Move shape DOWN"
    PicturePanel* panelObjectBrowser = nullptr;
    QMenu* ApplyMenu = nullptr;

    // ---- Save page (save_page.cpp) ---------------------------------------------------------
    SphereButton* SButton4 = nullptr; // "Save as Preset"
    QLabel* LabelSaveNote = nullptr;
    SphereButton* SButton5 = nullptr; // "Save as JPEG image"
    QLabel* LabelSaveJpeg = nullptr;
    SphereButton* SButton6 = nullptr; // "Save as GIF animation"
    QLabel* LabelSaveGif = nullptr;
    // The JPEG and GIF exports with their dialogs and the capture's progress window.
    ExportFlows* Exports = nullptr;

    // ---- Help page (help_page.cpp) ----------------------------------------------------------
    QLabel* LabelTitle = nullptr;
    SphereButton* SButton2 = nullptr; // "Display help"
    SphereButton* SButton3 = nullptr; // "Visit home page"
    SphereButton* SButton19 = nullptr; // "Suggest a feature"
    SphereButton* SButton16 = nullptr; // "More COOL software"

    // The dialog of the apply menu's last entry; created with the window.
    AutoApplyDialog* FormGlobals = nullptr;

    // ---- Options page (options_page.cpp) ---------------------------------------------------
    SphereButton* SButton_Travelling = nullptr; // "Travelling animation"
    SphereButton* SCheck_ChangePreset = nullptr;
    SphereButton* SCheck_ChangeFormula = nullptr;
    SphereButton* SCheck_ChangeMirror = nullptr;
    SphereButton* SButton_ChangeInterval = nullptr; // Seconds, shown only
    SphereButton* SButton_ChangeIntervalFaster = nullptr;
    SphereButton* SButton_ChangeIntervalSlower = nullptr;
    SphereButton* SButton_RandomPicture = nullptr; // "Start with random preset"
    SphereButton* SButton_Switch640 = nullptr;
    SphereButton* SButton_AnimationSize = nullptr; // Scale, shown only
    SphereButton* SButton_AnimationSizeMinus = nullptr;
    SphereButton* SButton_AnimationSizePlus = nullptr;
    QLineEdit* Edit1 = nullptr; // the presets folder, read-only
    SphereButton* SButton_ChangeDirectory = nullptr;
    SphereButton* SButton_CheckAllowBlur = nullptr;
    SphereButton* SButton_CheckBlurInterlace = nullptr;
    SphereButton* SButton_CheckBlurChange = nullptr;
    SphereButton* SButton_BlurInterval = nullptr; // FiterAutoSeconds, shown only
    SphereButton* SButton_BlurIntervalFaster = nullptr;
    SphereButton* SButton_BlurIntervalSlower = nullptr;
    // The directory chooser of "Change"; created with the window and reused.
    FolderChooser* FormSelDir = nullptr;

    // ---- Presets page (presets_page.cpp) ---------------------------------------------------
    SphereButton* SButton_PresetPrev = nullptr;
    SphereButton* SButton_PresetRandom = nullptr;
    SphereButton* SButton_PresetNext = nullptr;
    QListWidget* List_Presets = nullptr;
    QLabel* LabelPresetStatus = nullptr; // why a chosen preset was not shown

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
    void RefreshOptions();
    void FillPresetList();
    // Shows why a chosen preset was not shown under the list, or hides the line when empty.
    void showPresetStatus(const QString& status);
    // Options and Presets pages.
    std::array<std::pair<SphereButton*, OptionSwitch>, 9> optionBoxes() const;
    void showOptionValues();
    void SButton_ChangeDirectoryClick();
    // Makes the folder the presets folder, shows it on the Options page and lists its presets.
    void usePresetsFolder(const QString& folder);
    void choosePreset(PresetMove move, int line = -1);
    void SButton4Click();

    void FormShow();
    void FormClose();
    // One display refresh: the live view draws the sprites due and shows them.
    void refreshTick(int64_t nowMicros);
    void showPage(QWidget* page);
    void bindThumbnails();
    void showSwitches();
    void showQuickTweakCaptions();
    void openApplyMenu(QWidget* control, QPoint position);
    void SButton1Click();
    void SButton2Click();
    void SButton3Click();
    void SButton16Click();
    void openWebPage(WebPage page);

    // EditorView
    void ShowSelectedObject(int32_t object) override;
    void ShowSelectedShape(int32_t shape) override;
    void ShowSlider(int32_t parameter, int32_t value) override;
    void RepaintThumbnail(int32_t object) override;
    void RepaintBrowser() override;
    void RepaintLightPreview() override;
    void ClearLiveView() override;

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
