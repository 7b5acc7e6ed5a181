#pragma once

#include <filesystem>

class KeyStore;

// The installer's part on this platform. On a user's first run, when the key store file
// does not exist yet, the Paths key is created with InstalledDir (the shipped data folder)
// and PresetsDir (the user's presets folder), and the shipped sample presets are copied
// there. A file of a sample's name is never written over, unless it is what a copy cut
// short leaves (the first part of the sample, or a file that cannot be read). A store that
// exists is left alone, even when it lacks the Paths key.
//
// When the preferred presets folder cannot be stored (a line break in its name), the
// fallback folder is used instead, and standard error says so.
//
// Returns true when the first-run step ran and stored the Paths key.
bool runFirstRunStep(KeyStore& store, const std::filesystem::path& storeFile, const std::filesystem::path& installedDir,
    const std::filesystem::path& preferredPresetsDir, const std::filesystem::path& fallbackPresetsDir = {});

// The preferred folder when the key store can hold its name, else the fallback (empty when
// neither can be stored).
std::filesystem::path storablePresetsFolder(
    const std::filesystem::path& preferred, const std::filesystem::path& fallback);

// Copies every ".vhp" file of from into to, each through a temporary file. Returns the
// number copied.
int copySamplePresets(const std::filesystem::path& from, const std::filesystem::path& to);
