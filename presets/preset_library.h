#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

struct Preset;
struct SettingsRecord;

// The editor's navigator over the preset files of the options' presetsDir: their names in
// the order the file system returned them, a current position, stepping with wrap-around, a
// random other preset, a jump to a position, and loading the preset at the position into
// the run's preset. Between scans the list does not follow changes on disk.

constexpr int32_t kMaxPresetNames = 500;

class PresetLibrary {
public:
    // Lists the folder of options.presetsDir and loads into preset; both must outlive it.
    PresetLibrary(const SettingsRecord& options, Preset& preset);

    int32_t index = 0; // current position in Names
    std::array<std::string, kMaxPresetNames> names; // file names without folder
    int32_t count = 0; // valid entries of Names
    // Whether the last loadCurrent read its file into the preset; the editor tells the
    // user when a listed file could not be read instead of leaving the old picture unexplained.
    bool loaded = false;

    // Rebuilds the list from presetsDir and goes back to the first entry without loading
    // it; the random choice is reseeded from the clock in seconds. Only the first 500 names
    // the file system returns are listed.
    void scan();
    // Moves to the next (true) or previous (false) entry with wrap-around and loads it.
    // Returns the new Index; on an empty list returns 0 and loads nothing.
    int32_t step(bool forward);
    // Moves to a random entry other than the current one and loads it; with a single entry
    // that entry is reloaded. Returns the new Index; 0 and nothing loaded on an empty list.
    int32_t pickRandom();
    // Moves to the given entry and loads it; an index outside the list is ignored.
    void select(int32_t line);
    // Loads the entry at Index into the preset. A file that has gone or is not a preset
    // leaves the preset unchanged. Returns (and keeps in Loaded) whether it was read.
    bool loadCurrent();
    // The folder listed: the options' presetsDir.
    const std::string& folder() const;

private:
    const SettingsRecord& m_options;
    Preset& m_preset;
    std::minstd_rand m_random;
};
