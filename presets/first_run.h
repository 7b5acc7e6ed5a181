#pragma once

#include <filesystem>

class KeyStore;

// The installer's part on this platform. On a user's first run, when the key store file
// does not exist yet, the Paths key is created with InstalledDir (the shipped data folder)
// and PresetsDir (the user's presets folder), and the shipped sample presets are copied
// there, never over a file of the same name. A store that exists is left alone, even when
// it lacks the Paths key.
//
// Returns true when the first-run step ran and stored the Paths key.
bool RunFirstRunStep(KeyStore& store, const std::filesystem::path& storeFile, const std::filesystem::path& installedDir,
    const std::filesystem::path& presetsDir);

// Copies every ".vhp" file of from into to that to does not hold yet. Returns the number copied.
int CopySamplePresets(const std::filesystem::path& from, const std::filesystem::path& to);
