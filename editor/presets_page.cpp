// The Presets page: the presets list of the presets folder with "Previous", "Random" and
// "Next".

#include "editor/toy_window.h"

void TToy::buildPresetsPage() { }

void TToy::FillPresetList() { }
