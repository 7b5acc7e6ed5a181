#pragma once

#include "presets/preset.h"
#include "presets/preset_library.h"
#include "presets/settings.h"
#include "shapes/palettes.h"

// What one run of the program works on: its options, the preset every window draws, the
// navigator over the presets folder and the palette the colour pickers share. main makes
// one and hands it by reference to the windows, the renderers and the editor, so a value
// can be followed from the file to the screen through calls alone.
struct RunRecord {
    SettingsRecord options;
    // Replaced wholesale by every preset load; it starts as the start-up scene.
    Preset preset = newStartPreset();
    PresetLibrary library { options, preset };
    PaletteChoice palette;

    RunRecord() = default;
    // The library holds references to the options and the preset beside it.
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;
};
