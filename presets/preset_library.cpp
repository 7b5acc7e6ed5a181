#include "presets/preset_library.h"

#include "presets/preset.h"
#include "presets/settings.h"

PresetLibrary ThePresetLibrary;

void PresetLibrary::Scan()
{
    Index = 0;
    Count = 0;
    for (std::string& name : ListPresetNames(Settings.PresetsDir, kMaxPresetNames))
        Names[static_cast<std::size_t>(Count++)] = std::move(name);
    for (std::size_t i = static_cast<std::size_t>(Count); i < Names.size(); ++i)
        Names[i].clear();
    ReseedPresetRandom();
}

int32_t PresetLibrary::Step(bool forward)
{
    if (Count == 0)
        return 0;
    if (forward) {
        if (++Index >= Count)
            Index = 0;
    } else {
        if (--Index < 0)
            Index = Count - 1;
    }
    LoadCurrent();
    return Index;
}

int32_t PresetLibrary::PickRandom()
{
    if (Count == 0)
        return 0;
    // With one preset there is no other position: it is reloaded instead of drawing forever.
    if (Count > 1) {
        int32_t next = Index;
        while (next == Index)
            next = static_cast<int32_t>(NextPresetRandom() % static_cast<uint32_t>(Count));
        Index = next;
    }
    LoadCurrent();
    return Index;
}

void PresetLibrary::Select(int32_t index)
{
    // The editor passes -1 when no line is selected; a position outside the list is ignored.
    if (index < 0 || index >= Count)
        return;
    Index = index;
    LoadCurrent();
}

bool PresetLibrary::LoadCurrent()
{
    Loaded = Index >= 0 && Index < Count
        && LoadPresetFile(PresetPath(Settings.PresetsDir, Names[static_cast<std::size_t>(Index)]), CurrentPreset);
    return Loaded;
}
