#pragma once

#include "editor/preset_choice.h"

#include <QWidget>

class PresetLibrary;
class QLabel;
class QListWidget;
class SphereButton;

// The Presets page: the presets list of the presets folder with "Previous", "Random" and
// "Next". The list and the preset library are filled from one scan, so a line of the list is
// the library entry of the same number. A chosen preset that loads becomes the run's preset
// and the page says so; one that does not leaves a line under the list that says why.
class PresetsPage final : public QWidget {
    Q_OBJECT

public:
    // Lists and chooses through the given library, which must outlive the page.
    PresetsPage(PresetLibrary& library, QWidget* parent);

    // The list and the library from the library's folder, and what is wrong with that folder, if anything.
    void fillList();

signals:
    // A chosen preset was loaded into the run's preset.
    void presetLoaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(PresetMove move, int line = -1);
    // Shows why a chosen preset was not shown under the list, or hides the line when empty.
    void showStatus(const QString& status);

    PresetLibrary& m_library;
    SphereButton* m_previousButton = nullptr;
    SphereButton* m_randomButton = nullptr;
    SphereButton* m_nextButton = nullptr;
    QListWidget* m_presetList = nullptr;
    QLabel* m_statusLabel = nullptr; // why a chosen preset was not shown
};
