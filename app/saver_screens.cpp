#include "app/saver_screens.h"

#include "engine/renderer.h"


#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

SaverScreens::SaverScreens(RunRecord& record, SaverInput input, SaverLayer layer, QObject* parent)
    : QObject(parent)
    , m_record(record)
    , m_input(input)
    , m_layer(layer)
{
}

SaverScreens::~SaverScreens() = default;

void SaverScreens::show()
{
    m_shown = true;
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        addScreen(nullptr); // the primary screen, whatever the toolkit makes of none
    for (QScreen* screen : screens)
        addScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &SaverScreens::addScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &SaverScreens::removeScreen);
}

void SaverScreens::closeAll()
{
    for (auto& saver : m_forms)
        saver.form->closeSaver();
}

void SaverScreens::addScreen(QScreen* screen)
{
    auto form = std::make_unique<SaverWindow>(m_record, screen, m_input, m_layer);
    form->setTimeScale(m_timeScale);
    SaverWindow* shown = form.get();
    m_forms.push_back({ screen, std::move(form) });
    if (m_shown)
        shown->show();
    chooseDrive();
}

void SaverScreens::removeScreen(QScreen* screen)
{
    auto gone = std::find_if(m_forms.begin(), m_forms.end(), [screen](const Saver& saver) { return saver.screen == screen; });
    // The last saver stays: the toolkit moves it to whatever screen is left.
    if (gone == m_forms.end() || m_forms.size() == 1)
        return;
    if (const Renderer* renderer = gone->form->renderer())
        m_removedFigures.add(renderer->statistics());
    gone->form->hide();
    // Deleted later: the screen's removal may be reported from inside the form's own events.
    gone->form.release()->deleteLater();
    m_forms.erase(gone);
    chooseDrive();
}

RenderStatistics SaverScreens::statistics() const
{
    RenderStatistics figures = m_removedFigures;
    for (const Saver& saver : m_forms) {
        if (const Renderer* renderer = saver.form->renderer())
            figures.add(renderer->statistics());
    }
    return figures;
}

void SaverScreens::chooseDrive()
{
    // The options are shared: one renderer changes them for all.
    for (std::size_t index = 0; index < m_forms.size(); ++index)
        m_forms[index].form->setAutomaticChanges(index == 0);
}
