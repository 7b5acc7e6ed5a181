#include "presets/preset.h"

#include <cmath>
#include <ctime>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "presets/stored_bytes.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kPresetMagic[4] = { 'q', 'r', 't', 0 };

// Header fields, in stored order.
constexpr std::size_t kVersionAt = 4;
// Every block is written as version 1, whatever version the record was read with.
constexpr int32_t kWrittenPresetVersion = 1;
constexpr std::size_t kObjectEnabledAt = 8;
constexpr std::size_t kRoundSpeedAt = 36;
constexpr std::size_t kRadialSpeedAt = 44;
constexpr std::size_t kStacksPerObjectAt = 52;

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

bool isPresetFileName(const std::string& name)
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

Preset newStartPreset()
{
    Preset preset;
    newObjectTable(preset.objects);
    return preset;
}

bool readPreset(Preset& preset, std::istream& in)
{
    uint8_t header[kPresetHeaderBytes];
    if (!readExactly(in, header, sizeof kPresetMagic) || !std::equal(header, header + 4, kPresetMagic))
        return false;
    if (!readExactly(in, header + 4, kPresetHeaderBytes - 4))
        return false;

    Preset fresh;
    fresh.version = getLeInt32(header + kVersionAt);
    for (int32_t object = 0; object < kObjectCount; ++object)
        fresh.objectEnabled[object] = getLeInt32(header + kObjectEnabledAt + 4 * object);
    fresh.roundSpeed = getLeDouble(header + kRoundSpeedAt);
    fresh.radialSpeed = getLeDouble(header + kRadialSpeedAt);
    const int32_t stacksPerObject = getLeInt32(header + kStacksPerObjectAt);
    // The table has ten slots per object and slot 0 must be filled; a speed that is not a
    // number would carry into every position the renderer computes.
    if (stacksPerObject < 1 || stacksPerObject > kMaxStacksPerObject)
        return false;
    if (!std::isfinite(fresh.roundSpeed) || !std::isfinite(fresh.radialSpeed))
        return false;

    fresh.objects.stacksPerObject = stacksPerObject;
    StackBlock block;
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t slot = 0; slot < stacksPerObject; ++slot) {
            if (!readExactly(in, block.data(), block.size()))
                return false;
            auto stack = newShapeStack();
            readStackBlock(block, *stack);
            fresh.objects.stacks[object][slot] = std::move(stack);
        }
    }
    // Only now is the old scene given up; its stacks and sprites go with the swapped-out record.
    std::swap(preset, fresh);
    return true;
}

bool writePreset(const Preset& preset, std::ostream& out)
{
    // A table that was never filled is written as one new stack per object rather than as
    // a block that no reader would take.
    int32_t stacksPerObject = preset.objects.stacksPerObject;
    if (stacksPerObject < 1 || stacksPerObject > kMaxStacksPerObject)
        stacksPerObject = 1;

    std::string bytes(presetBlockBytes(stacksPerObject), '\0');
    auto* header = reinterpret_cast<uint8_t*>(bytes.data());
    std::copy(kPresetMagic, kPresetMagic + 4, header);
    putLeInt32(header + kVersionAt, kWrittenPresetVersion);
    for (int32_t object = 0; object < kObjectCount; ++object)
        putLeInt32(header + kObjectEnabledAt + 4 * object, preset.objectEnabled[object]);
    putLeDouble(header + kRoundSpeedAt, preset.roundSpeed);
    putLeDouble(header + kRadialSpeedAt, preset.radialSpeed);
    putLeInt32(header + kStacksPerObjectAt, stacksPerObject);

    uint8_t* block = header + kPresetHeaderBytes;
    for (int32_t object = 0; object < kObjectCount; ++object) {
        for (int32_t slot = 0; slot < stacksPerObject; ++slot) {
            const auto& stack = preset.objects.stacks[object][slot];
            std::span<uint8_t, kStackBlockBytes> target(block, kStackBlockBytes);
            if (stack)
                writeStackBlock(*stack, target);
            else
                writeStackBlock(*newShapeStack(), target);
            block += kStackBlockBytes;
        }
    }
    return writeBytes(out, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool loadPresetFile(const fs::path& path, Preset& preset)
{
    // Only plain files: opening a named pipe that happens to end in ".vhp" would wait forever.
    // Bytes beyond the largest block are never looked at.
    std::string bytes;
    const RegularFileRead read = readRegularFile(path, presetBlockBytes(kMaxStacksPerObject), bytes);
    if (read != RegularFileRead::Ok && read != RegularFileRead::TooLarge)
        return false;
    std::istringstream in(bytes, std::ios::binary);
    return readPreset(preset, in);
}

bool savePresetFile(const fs::path& path, const Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    return writePreset(preset, out) && writeFileAtomically(path, out.view());
}

std::vector<std::string> listPresetNames(const std::string& folder, std::size_t limit)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(folder.empty() ? fs::path("/") : fs::path(folder), error);
    for (; !error && entry != fs::directory_iterator() && names.size() < limit; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (isPresetFileName(name))
            names.push_back(std::move(name));
    }
    return names;
}

fs::path presetPath(const std::string& folder, const std::string& name)
{
    return fs::path(folder + "/" + name);
}

void loadRandomPreset(const std::string& folder, Preset& preset)
{
    const std::vector<std::string> names = listPresetNames(folder, SIZE_MAX);
    if (names.empty())
        return;
    std::minstd_rand random(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    const std::string& chosen = names[static_cast<uint32_t>(random()) % names.size()];
    loadPresetFile(presetPath(folder, trimName(chosen)), preset);
}
