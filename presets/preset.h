#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "shapes/shape_stack.h"

// A preset is the whole description of one picture: the seven objects with their shape
// stacks, which objects are switched on, and the round and radial speeds. Its stored form,
// the preset block, is the content of a ".vhp" file and is also embedded in the settings
// file. Little-endian, no padding:
//
//   magic "qrt\0" (4) | version (int32, written as 1) | objectEnabled (7 x int32)
//   | roundSpeed (double) | radialSpeed (double) | stacksPerObject S (int32)
//   | 7 x S stack blocks of 368 bytes, object-major (object 1 slots 0..S-1, object 2, ...)
//
// A preset of one stack per object is 2632 bytes.

constexpr std::size_t kPresetHeaderBytes = 56;
constexpr int32_t kMaxStacksPerObject = kStackSlotsPerObject;
constexpr std::size_t kPresetFileBytes = kPresetHeaderBytes + kObjectCount * kStackBlockBytes;
constexpr double kStartRoundSpeed = 0.6;
constexpr double kStartRadialSpeed = 0.1;

// The length of a preset block with the given number of stacks per object.
constexpr std::size_t presetBlockBytes(int32_t stacksPerObject)
{
    return kPresetHeaderBytes
        + static_cast<std::size_t>(kObjectCount) * kStackBlockBytes * static_cast<std::size_t>(stacksPerObject);
}

struct Preset {
    int32_t version = 1; // always written as 1, not checked when read
    ObjectTable objects; // the scene; slot 0 of each object is the stack that is drawn
    std::array<int32_t, kObjectCount> objectEnabled { 1, 1, 1, 1, 1, 1, 1 }; // non-zero: switched on
    double roundSpeed = kStartRoundSpeed;
    double radialSpeed = kStartRadialSpeed;
};

// A preset with the start-up scene.
Preset newStartPreset();

// Reads a preset block at the stream's position. On success the old stacks of the record
// are freed, the new ones are in place with both dirty flags set, and the result is true.
// A wrong magic, a block cut short, stacksPerObject outside 1..10 or a speed that is not a
// finite number leave the record exactly as it was and give false; the whole block is
// read into a fresh record first, so nothing is lost on a bad file.
bool readPreset(Preset& preset, std::istream& in);
// Writes the record's block at the stream's position, always as version 1. False
// only when the stream fails.
bool writePreset(const Preset& preset, std::ostream& out);

// The preset file at path into the record (false and unchanged when it cannot be opened
// or read), and the record into a file, replaced atomically (false when not written).
bool loadPresetFile(const std::filesystem::path& path, Preset& preset);
bool savePresetFile(const std::filesystem::path& path, const Preset& preset);

// The names (no folder) of the folder's entries whose names end in ".vhp" in any case, of
// any kind (a sub-folder so named is listed too), in the order the file system returns
// them, at most limit of them. An empty folder name stands for the root folder "/". A
// folder that cannot be read gives an empty list.
std::vector<std::string> listPresetNames(const std::string& folder, std::size_t limit);
// Whether a file name ends in ".vhp", in any case.
bool isPresetFileName(const std::string& name);
// The folder and a name joined with "/".
std::filesystem::path presetPath(const std::string& folder, const std::string& name);

// Replaces the preset with a randomly chosen preset file of the folder, drawn by a generator
// seeded from the clock in seconds; leaves it unchanged when there is none or the chosen
// file cannot be read.
void loadRandomPreset(const std::string& folder, Preset& preset);
