#pragma once

#include "app/hack_options.h"
#include "presets/run_record.h"

// How every run mode takes its options into the run's record: the stored ones, then the run's
// own over them, then the preset the run starts with. The stored options are read, never
// written; a broken store is reported through the settings store's error handler.

// The stored options and the current preset as the store holds them.
void loadStoredOptions(RunRecord& record);

// The preset a run starts with: the one --preset names (a name in the presets folder, a
// file, or "random"), else a random one when the stored options ask for a random start, else
// the stored one. False, with one line on standard error, when the named preset cannot be
// loaded.
bool loadStartPreset(RunRecord& record, const std::optional<std::string>& named);

// The three steps in their order, for a run of the saver, the wallpaper or the recorder.
// False as loadStartPreset.
bool takeRunOptions(RunRecord& record, const HackOptions& options);
