#include "presets/preset.h"

#include <cmath>
#include <ctime>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "presets/settings.h"
#include "presets/stored_bytes.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kPresetMagic[4] = { 'q', 'r', 't', 0 };

// Header fields, in stored order.
constexpr std::size_t kVersionAt = 4;
constexpr std::size_t kObjectEnabledAt = 8;
constexpr std::size_t kRoundSpeedAt = 36;
constexpr std::size_t kRadialSpeedAt = 44;
constexpr std::size_t kStacksPerObjectAt = 52;

std::minstd_rand presetRandom;

// Leading and trailing blanks and control characters.
std::string trimName(const std::string& name)
{
    std::size_t first = 0;
    std::size_t last = name.size();
    while (first < last && static_cast<unsigned char>(name[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(name[last - 1]) <= ' ')
        --last;
    return name.substr(first, last - first);
}

} // namespace

bool IsPresetFileName(const std::string& name)
{
    static constexpr std::string_view kExtension = ".vhp";
    if (name.size() < kExtension.size())
        return false;
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        char c = name[name.size() - kExtension.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kExtension[i])
            return false;
    }
    return true;
}

Preset CurrentPreset = NewStartPreset();

Preset NewStartPreset()
{
    Preset preset;
    NewObjectTable(preset.Objects);
    return preset;
}

bool ReadPreset(Preset& preset, std::istream& in)
{
    uint8_t header[kPresetHeaderBytes];
    if (!ReadExactly(in, header, sizeof kPresetMagic) || !std::equal(header, header + 4, kPresetMagic))
        return false;
    if (!ReadExactly(in, header + 4, kPresetHeaderBytes - 4))
        return false;

    Preset fresh;
    fresh.version = GetLeInt32(header + kVersionAt);
    for (int32_t object = 0; object < kObjectCount; ++object)
        fresh.ObjectEnabled[object] = GetLeInt32(header + kObjectEnabledAt + 4 * object);
    fresh.RoundSpeed = GetLeDouble(header + kRoundSpeedAt);
    fresh.RadialSpeed = GetLeDouble(header + kRadialSpeedAt);
    const int32_t stacksPerObject = GetLeInt32(header + kStacksPerObjectAt);
    // The table has ten slots per object and slot 0 must be filled; a speed that is not a
    // number would carry into every position the renderer computes.
    if (stacksPerObject < 1 || stacksPerObject > kMaxStacksPerObject)
        return false;
    if (!std::isfinite(fresh.RoundSpeed) || !std::isfinite(fresh.RadialSpeed))
        return false;

    fresh.Objects.StacksPerObject = stacksPerObject;
    StackBlock block;
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t slot = 0; slot < stacksPerObject; ++slot) {
            if (!ReadExactly(in, block.data(), block.size()))
                return false;
            auto stack = NewShapeStack();
            ReadStackBlock(block, *stack);
            fresh.Objects.Stacks[object][slot] = std::move(stack);
        }
    }
    // Only now is the old scene given up; its stacks and sprites go with the swapped-out record.
    std::swap(preset, fresh);
    return true;
}

bool WritePreset(Preset& preset, std::ostream& out)
{
    preset.version = 1;
    // A table that was never filled is written as one new stack per object rather than as
    // a block that no reader would take.
    int32_t stacksPerObject = preset.Objects.StacksPerObject;
    if (stacksPerObject < 1 || stacksPerObject > kMaxStacksPerObject)
        stacksPerObject = 1;

    std::string bytes(PresetBlockBytes(stacksPerObject), '\0');
    auto* header = reinterpret_cast<uint8_t*>(bytes.data());
    std::copy(kPresetMagic, kPresetMagic + 4, header);
    PutLeInt32(header + kVersionAt, preset.version);
    for (int32_t object = 0; object < kObjectCount; ++object)
        PutLeInt32(header + kObjectEnabledAt + 4 * object, preset.ObjectEnabled[object]);
    PutLeDouble(header + kRoundSpeedAt, preset.RoundSpeed);
    PutLeDouble(header + kRadialSpeedAt, preset.RadialSpeed);
    PutLeInt32(header + kStacksPerObjectAt, stacksPerObject);

    uint8_t* block = header + kPresetHeaderBytes;
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t slot = 0; slot < stacksPerObject; ++slot) {
            const auto& stack = preset.Objects.Stacks[object][slot];
            std::span<uint8_t, kStackBlockBytes> target(block, kStackBlockBytes);
            if (stack)
                WriteStackBlock(*stack, target);
            else
                WriteStackBlock(*NewShapeStack(), target);
            block += kStackBlockBytes;
        }
    }
    return WriteBytes(out, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool LoadPresetFile(const fs::path& path, Preset& preset)
{
    // Only plain files: opening a named pipe that happens to end in ".vhp" would wait forever.
    // Bytes beyond the largest block are never looked at.
    std::string bytes;
    const RegularFileRead read = ReadRegularFile(path, PresetBlockBytes(kMaxStacksPerObject), bytes);
    if (read != RegularFileRead::Ok && read != RegularFileRead::TooLarge)
        return false;
    std::istringstream in(bytes, std::ios::binary);
    return ReadPreset(preset, in);
}

bool SavePresetFile(const fs::path& path, Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    return WritePreset(preset, out) && WriteFileAtomically(path, out.view());
}

std::vector<std::string> ListPresetNames(const std::string& folder, std::size_t limit)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(folder.empty() ? fs::path("/") : fs::path(folder), error);
    for (; !error && entry != fs::directory_iterator() && names.size() < limit; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (IsPresetFileName(name))
            names.push_back(std::move(name));
    }
    return names;
}

fs::path PresetPath(const std::string& folder, const std::string& name)
{
    return fs::path(folder + "/" + name);
}

void ReseedPresetRandom()
{
    presetRandom.seed(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
}

uint32_t NextPresetRandom()
{
    return static_cast<uint32_t>(presetRandom());
}

void LoadRandomPreset()
{
    const std::vector<std::string> names = ListPresetNames(Settings.PresetsDir, SIZE_MAX);
    ReseedPresetRandom();
    if (names.empty())
        return;
    const std::string& chosen = names[NextPresetRandom() % names.size()];
    LoadPresetFile(PresetPath(Settings.PresetsDir, trimName(chosen)), CurrentPreset);
}
