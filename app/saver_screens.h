#pragma once

#include "app/saver_window.h"
#include "engine/renderer.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <vector>

class QScreen;
struct RunRecord;

// The saver over every screen: one SaverWindow, with its own renderer at its screen's size
// stepped at its screen's refresh rate, per screen the toolkit reports, made and dropped as
// screens come and go. Closing any of them (input, a window manager) ends the program and
// with it all of them. As the desktop (the wallpaper) the windows stand below every other
// window, and their clocks may run slow.
class SaverScreens final : public QObject {
    Q_OBJECT

public:
    // Every saver draws the run's preset; the record must outlive them.
    explicit SaverScreens(
        RunRecord& record, SaverInput input, SaverLayer layer = SaverLayer::Top, QObject* parent = nullptr);
    ~SaverScreens() override;

    // The renderers' clocks run at this fraction of real time (see PresentCadence); set
    // before show.
    void setTimeScale(double scale) { m_timeScale = scale; }
    // Makes and shows a saver on every screen.
    void show();
    // Closes every saver (from a termination signal); the loop ends.
    void closeAll();

    std::size_t count() const { return m_forms.size(); }
    // The figures of every saver's renderer, those of removed screens included.
    RenderStatistics statistics() const;

private:
    void addScreen(QScreen* screen);
    void removeScreen(QScreen* screen);
    // After a screen came or went: the first saver's renderer makes the automatic changes for
    // all.
    void chooseDrive();

    struct Saver {
        QScreen* screen = nullptr; // as made: the toolkit may move the window before the screen goes
        std::unique_ptr<SaverWindow> form;
    };

    RunRecord& m_record;
    SaverInput m_input;
    SaverLayer m_layer;
    double m_timeScale = 1.0;
    std::vector<Saver> m_forms;
    RenderStatistics m_removedFigures; // of the savers of screens that went away
    bool m_shown = false;
};
