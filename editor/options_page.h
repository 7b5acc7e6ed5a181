#pragma once

#include "editor/options_rules.h"

#include <QWidget>

#include <array>
#include <utility>

struct SettingsRecord;
class QLineEdit;
class SphereButton;

// The Options page: the run's options (motion, the automatic changes, the
// saver's start and size, the presets folder, the blur effect). The rules are in
// options_rules; the page shows the options, applies its clicks there and says when the
// live view must start again or when the presets folder is to be chosen.
class OptionsPage final : public QWidget {
    Q_OBJECT

public:
    // Shows and changes the given options, which must outlive the page.
    OptionsPage(SettingsRecord& options, QWidget* parent);

    // Every control from the options, the scale rounded down to its step first.
    void showOptions();
    // The presets folder field; an empty folder shows "no directory".
    void showPresetsFolder(const QString& folder);

signals:
    // An option changed that the live view draws with.
    void liveViewOptionChanged();
    // "Change" beside the presets folder was pressed.
    void changeFolderPressed();

private:
    // A value display with its "Faster" and "Slower" buttons.
    struct IntervalRow {
        SphereButton* display = nullptr;
        SphereButton* faster = nullptr;
        SphereButton* slower = nullptr;
    };

    // The constructor's steps, a group of the page each, from its top down; top is where
    // the group starts, and after it where the next one does.
    void buildMotionGroup(int& top);
    void buildAutopilotGroup(int& top);
    void buildSaverGroup(int& top);
    void buildFolderGroup(int& top);
    void buildBlurGroup(int& top);
    void connectControls();
    // The rows the groups are made of, each moving top on past itself.
    void addCaption(int& top, const QString& text);
    SphereButton* addCheckBox(int& top, const QString& text, const char* name);
    IntervalRow addIntervalRow(int& top, const QString& hint, const char* what, const QString& changes);

    static constexpr int kOptionBoxCount = 9;
    // The check boxes of the page and the options they show, in page order.
    std::array<std::pair<SphereButton*, OptionSwitch>, kOptionBoxCount> optionBoxes() const;
    void showStepValues();

    SettingsRecord& m_options;

    SphereButton* m_travelBox = nullptr; // "Travelling animation"
    SphereButton* m_changePresetBox = nullptr;
    SphereButton* m_changeFormulaBox = nullptr;
    SphereButton* m_changeMirrorBox = nullptr;
    SphereButton* m_changeIntervalDisplay = nullptr; // Seconds, shown only
    SphereButton* m_changeIntervalFasterButton = nullptr;
    SphereButton* m_changeIntervalSlowerButton = nullptr;
    SphereButton* m_randomStartBox = nullptr; // "Start with random preset"
    SphereButton* m_lowResBox = nullptr; // "Switch to 640x480"
    SphereButton* m_animationSizeDisplay = nullptr; // Scale, shown only
    SphereButton* m_animationSizeMinusButton = nullptr;
    SphereButton* m_animationSizePlusButton = nullptr;
    QLineEdit* m_presetsFolderField = nullptr; // read-only
    SphereButton* m_changeFolderButton = nullptr;
    SphereButton* m_blurBox = nullptr; // "Allow blur"
    SphereButton* m_blurInterlaceBox = nullptr;
    SphereButton* m_blurAutoChangeBox = nullptr;
    SphereButton* m_blurIntervalDisplay = nullptr; // FiterAutoSeconds, shown only
    SphereButton* m_blurIntervalFasterButton = nullptr;
    SphereButton* m_blurIntervalSlowerButton = nullptr;
};
