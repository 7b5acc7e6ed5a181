#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class PresetLibrary;
struct Preset;

// The rules behind the editor's Presets tab and its "Save as Preset" button. The presets
// list and the preset library are filled from one and the same enumeration of the presets
// folder, so line i of the list is always entry i of the library.

// Rescans the library from the options' presets folder and answers the lines of the list: the
// library's names in its order (at most 500, like the library).
std::vector<std::string> rescanPresets(PresetLibrary& library);

enum class PresetMove { Previous, Next, Random, Line };

struct PresetChoice {
    bool moved = false; // the list had a preset to go to; false for an empty list or a line outside it
    int32_t line = 0; // the line to show selected (the library's Index)
    bool loaded = false; // the chosen file was read into the current preset
    // When the chosen file could not be read: what to tell the user. The current preset is then
    // exactly as it was.
    std::string error;
};

// "Previous", "Next", "Random", or a click on a list line (line = the clicked line).
PresetChoice choosePreset(PresetLibrary& library, PresetMove move, int32_t line = -1);

// The file the save dialog's answer names: the answer itself when its name already ends in
// ".vhp" (in any case), otherwise the answer with ".vhp" appended. A name of nothing but
// blanks names no file, as an empty name does: the answer is then an empty path, and the
// dialog asks again.
std::filesystem::path presetSaveTarget(const std::filesystem::path& chosen);

// What is wrong with the presets folder, in words for the user; empty when it is a folder,
// and when none is set (the Options page shows that as "no directory").
std::string presetsFolderProblem(const std::string& folder);
// Where "Save as Preset" starts: the presets folder, or when that is no folder, the nearest
// folder above it that exists, so the dialog never starts inside a file with its name filled in.
std::filesystem::path presetSaveFolder(const std::string& presetsFolder);
// The presets folder after a preset was saved as target. While the presets folder is no
// folder, the folder of the saved preset takes its place, so that the list shows the preset
// just saved; otherwise the presets folder stays.
std::string presetsFolderAfterSave(const std::string& presetsFolder, const std::filesystem::path& target);

// Writes the preset to the file atomically: either the whole new file is in place, or the
// old one (or none) is left and reason says why, in words for the user.
bool savePresetAs(const std::filesystem::path& target, Preset& preset, std::string& reason);
