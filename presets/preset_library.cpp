#include "presets/preset_library.h"

#include "presets/preset.h"
#include "presets/settings.h"

#include <ctime>

PresetLibrary::PresetLibrary(const SettingsRecord& options, Preset& preset)
    : m_options(options)
    , m_preset(preset)
{
}

void PresetLibrary::scan()
{
    index = 0;
    count = 0;
    for (std::string& name : listPresetNames(m_options.presetsDir, kMaxPresetNames))
        names[static_cast<std::size_t>(count++)] = std::move(name);
    for (std::size_t i = static_cast<std::size_t>(count); i < names.size(); ++i)
        names[i].clear();
    m_random.seed(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
}

int32_t PresetLibrary::step(bool forward)
{
    if (count == 0)
        return 0;
    if (forward) {
        if (++index >= count)
            index = 0;
    } else {
        if (--index < 0)
            index = count - 1;
    }
    loadCurrent();
    return index;
}

int32_t PresetLibrary::pickRandom()
{
    if (count == 0)
        return 0;
    // With one preset there is no other position: it is reloaded instead of drawing forever.
    if (count > 1) {
        int32_t next = index;
        while (next == index)
            next = static_cast<int32_t>(static_cast<uint32_t>(m_random()) % static_cast<uint32_t>(count));
        index = next;
    }
    loadCurrent();
    return index;
}

void PresetLibrary::select(int32_t line)
{
    // The editor passes -1 when no line is selected; a position outside the list is ignored.
    if (line < 0 || line >= count)
        return;
    index = line;
    loadCurrent();
}

const std::string& PresetLibrary::folder() const
{
    return m_options.presetsDir;
}

bool PresetLibrary::loadCurrent()
{
    loaded = index >= 0 && index < count
        && loadPresetFile(presetPath(m_options.presetsDir, names[static_cast<std::size_t>(index)]), m_preset);
    return loaded;
}
