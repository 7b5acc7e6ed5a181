#include "editor/preset_history.h"

#include <sstream>
#include <utility>

PresetState capturePresetState(const Preset& preset, int32_t object, int32_t shape, const QuickTweaks& tweaks)
{
    std::ostringstream out(std::ios::binary);
    writePreset(preset, out);
    return { std::move(out).str(), object, shape, tweaks };
}

bool restorePresetState(const PresetState& state, Preset& preset)
{
    std::istringstream in(state.block, std::ios::binary);
    return readPreset(preset, in);
}

PresetHistory::PresetHistory(std::size_t steps)
    : m_steps(steps < 1 ? 1 : steps)
{
}

void PresetHistory::beforeChange(const PresetState& before, const std::string& mergeKey)
{
    m_redo.clear();
    if (!mergeKey.empty() && mergeKey == m_openKey && !m_undo.empty())
        return; // the open step already holds the state before the whole run
    m_undo.push_back(before);
    if (m_undo.size() > m_steps)
        m_undo.pop_front();
    m_openKey = mergeKey;
}

void PresetHistory::closeStep() { m_openKey.clear(); }

std::optional<PresetState> PresetHistory::undo(const PresetState& now)
{
    m_openKey.clear();
    if (m_undo.empty())
        return std::nullopt;
    PresetState back = std::move(m_undo.back());
    m_undo.pop_back();
    m_redo.push_back(now);
    return back;
}

std::optional<PresetState> PresetHistory::redo(const PresetState& now)
{
    m_openKey.clear();
    if (m_redo.empty())
        return std::nullopt;
    PresetState forward = std::move(m_redo.back());
    m_redo.pop_back();
    m_undo.push_back(now);
    return forward;
}

void PresetHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_openKey.clear();
}
