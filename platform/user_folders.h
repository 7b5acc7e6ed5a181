#pragma once

#include <filesystem>

// The per-user folders of the XDG base-directory convention, and the folders of this
// program inside them. Every function reads the environment afresh, so tests can point
// the variables at temporary folders between cases.

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or not an absolute path.
std::filesystem::path userConfigHome();
// $XDG_DATA_HOME, or ~/.local/share under the same rule.
std::filesystem::path userDataHome();
// $XDG_RUNTIME_DIR when it is set to an absolute path; otherwise empty (the convention
// gives it no default).
std::filesystem::path userRuntimeDir();

// <config home>/opal-revel: the key store, the settings file and the instance locks.
std::filesystem::path opalConfigFolder();
// <data home>/opal-revel/presets: where the first run puts the user's presets.
std::filesystem::path defaultPresetsFolder();
// ~/.local/share/opal-revel/presets whatever $XDG_DATA_HOME says: where the presets go when
// the data home's name cannot be stored.
std::filesystem::path fallbackPresetsFolder();
// The runtime folder when there is one, else the config folder (for the instance locks).
std::filesystem::path opalRuntimeFolder();

// The folder that holds the shipped data (help page, sample presets): <prefix>/share/opal-revel
// next to an installed executable, otherwise the source tree's data folder when the program
// runs from a build. Empty when neither exists.
std::filesystem::path installedDataFolder();

// Creates the folder and its parents (owner-only permissions for folders it creates).
// True when the folder exists afterwards.
bool ensureFolder(const std::filesystem::path& folder);
