#include "app/saver_screens.h"

#include "engine/engine_globals.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kTimerMilliseconds = 1;
constexpr int32_t kUnlimitedSprites = 999999999;
// Seven rounds of the seven objects: short enough that every screen's picture moves on
// smoothly, long enough that taking turns costs next to nothing.
constexpr int32_t kSpritesPerBurst = 49;

} // namespace

SaverScreens::SaverScreens(SaverInput input, QObject* parent)
    : QObject(parent)
    , m_input(input)
{
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(kTimerMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &SaverScreens::driveBursts);
}

SaverScreens::~SaverScreens() = default;

void SaverScreens::Show()
{
    m_shown = true;
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        addScreen(nullptr); // the primary screen, whatever the toolkit makes of none
    for (QScreen* screen : screens)
        addScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &SaverScreens::addScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &SaverScreens::removeScreen);
    m_timer->start();
    // The first sprites need not wait for the timer's first tick.
    QTimer::singleShot(0, this, &SaverScreens::driveBursts);
}

void SaverScreens::CloseAll()
{
    m_timer->stop();
    for (auto& saver : m_forms)
        saver.form->CloseSaver();
}

void SaverScreens::addScreen(QScreen* screen)
{
    auto form = std::make_unique<TTheSaverForm>(screen, m_input);
    // This object drives every renderer, so that a second screen never nests inside the first.
    form->Timer1->stop();
    TTheSaverForm* shown = form.get();
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
    gone->form->hide();
    m_retired.push_back(std::move(*gone));
    m_forms.erase(gone);
    chooseDrive();
}

void SaverScreens::chooseDrive()
{
    // The options are process-wide: one renderer changes them for all.
    for (std::size_t index = 0; index < m_forms.size(); ++index)
        m_forms[index].form->SetAutomaticChanges(index == 0);

    // A running endless call must hand back before the screens can take turns: Aborting makes
    // it return before its next object. Only the outermost drive clears it again, when no
    // renderer call is left on the stack.
    if (m_driving)
        Aborting = 1;
}

void SaverScreens::driveBursts()
{
    if (m_driving)
        return;
    m_driving = true;
    const int32_t count = m_forms.size() == 1 ? kUnlimitedSprites : kSpritesPerBurst;
    std::vector<TTheSaverForm*> forms;
    for (auto& saver : m_forms)
        forms.push_back(saver.form.get());
    for (TTheSaverForm* form : forms) {
        // A closed saver (input, a signal) ends the program: nothing more is drawn.
        if (!form->isVisible() || Aborting != 0)
            break;
        form->RunFrames(count);
    }
    m_driving = false;
    const bool closing = std::any_of(m_forms.begin(), m_forms.end(), [](const Saver& saver) { return !saver.form->isVisible(); });
    if (!closing)
        Aborting = 0;
    dropRetired();
}

void SaverScreens::dropRetired() { m_retired.clear(); }
