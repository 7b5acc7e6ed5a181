#include "app/idle_rules.h"


#include <algorithm>
#include <cstdio>

uint32_t InhibitorList::add(std::string owner, std::string application, std::string reason)
{
    const uint32_t cookie = m_nextCookie++;
    if (m_nextCookie == 0)
        m_nextCookie = 1;
    m_held.push_back({ cookie, std::move(owner), std::move(application), std::move(reason) });
    return cookie;
}

bool InhibitorList::remove(uint32_t cookie, std::string_view owner)
{
    const auto found = std::find_if(m_held.begin(), m_held.end(),
        [&](const Inhibitor& held) { return held.cookie == cookie && held.owner == owner; });
    if (found == m_held.end())
        return false;
    m_held.erase(found);
    return true;
}

int InhibitorList::removeOwner(std::string_view owner)
{
    return static_cast<int>(std::erase_if(m_held, [&](const Inhibitor& held) { return held.owner == owner; }));
}

bool logindBlocksIdle(std::string_view blockInhibited)
{
    while (!blockInhibited.empty()) {
        const size_t colon = blockInhibited.find(':');
        if (blockInhibited.substr(0, colon) == "idle")
            return true;
        if (colon == std::string_view::npos)
            break;
        blockInhibited.remove_prefix(colon + 1);
    }
    return false;
}

void IdleRules::activityResumed()
{
    m_idle = false;
    m_waitingAgain = false;
}

bool IdleRules::saverEnded()
{
    m_saverRunning = false;
    m_waitingAgain = m_idle;
    return m_waitingAgain;
}

bool IdleRules::restartWait()
{
    m_waitingAgain = m_idle;
    return m_waitingAgain;
}

SaverLook saverLook(bool onBattery, BatteryChoice choice)
{
    if (!onBattery || choice == BatteryChoice::SameAsMains)
        return SaverLook::Drawing;
    return choice == BatteryChoice::Black ? SaverLook::Black : SaverLook::Reduced;
}

std::vector<std::string> saverArguments(SaverLook look, bool wayland)
{
    std::vector<std::string> arguments { "/s" };
    if (wayland)
        arguments.push_back("--wayland");
    if (look == SaverLook::Reduced)
        arguments.insert(arguments.end(), { "--rate", std::to_string(kBatteryRatePercent) });
    return arguments;
}

std::string idleStatusText(std::string_view source, int idleSeconds, bool saverRunning,
                           const std::vector<Inhibitor>& inhibitors, const std::vector<Inhibitor>& loginLocks)
{
    std::string text = "running\nidle source: " + std::string(source) + "\n";
    char line[96];
    if (idleSeconds % 60 == 0)
        std::snprintf(line, sizeof line, "starts the saver after: %d minutes\n", idleSeconds / 60);
    else
        std::snprintf(line, sizeof line, "starts the saver after: %d seconds\n", idleSeconds);
    text += line;
    text += saverRunning ? "saver: running\n" : "saver: not running\n";
    if (inhibitors.empty() && loginLocks.empty())
        text += "inhibitors: none\n";
    for (const Inhibitor& held : inhibitors)
        text += "inhibitor: " + held.application + " (" + held.reason + ")\n";
    for (const Inhibitor& held : loginLocks)
        text += "inhibitor: " + held.application + " (" + held.reason + ") through the login manager\n";
    return text;
}
