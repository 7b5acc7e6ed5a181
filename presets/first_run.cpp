#include "presets/first_run.h"

#include <cstdio>
#include <system_error>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/key_store.h"
#include "platform/reg_text.h"
#include "platform/regular_file.h"
#include "platform/user_folders.h"
#include "presets/preset.h"
#include "presets/product.h"

namespace fs = std::filesystem;

namespace {

// A sample preset is a few KiB; anything far larger is not one.
constexpr std::size_t kMaxSampleBytes = 1u << 20;

// What a killed copy may have left under a sample's name: a file that cannot be read (created
// but never given its permissions) or the first part of the sample, down to nothing. Anything
// else under that name is the user's and is kept.
bool isBrokenCopy(const fs::path& copy, const std::string& sample)
{
    std::string bytes;
    switch (readRegularFile(copy, sample.size(), bytes)) {
    case RegularFileRead::Failed:
        return true;
    case RegularFileRead::Ok:
        return bytes.size() < sample.size() && sample.compare(0, bytes.size(), bytes) == 0;
    default:
        return false;
    }
}

} // namespace

int copySamplePresets(const fs::path& from, const fs::path& to)
{
    int copied = 0;
    std::error_code error;
    for (const std::string& name : listPresetNames(from.string(), SIZE_MAX)) {
        std::string sample;
        if (readRegularFile(from / name, kMaxSampleBytes, sample) != RegularFileRead::Ok)
            continue;
        const fs::path target = to / name;
        if (fs::symlink_status(target, error).type() != fs::file_type::not_found) {
            if (!isBrokenCopy(target, sample))
                continue;
            // Removed rather than written over: the replacement must not inherit the
            // leftover's permissions, which may not even allow reading it.
            ::unlink(target.c_str());
        }
        // Through a temporary file, so that a copy cut short never stands under the name.
        if (writeFileAtomically(target, sample))
            ++copied;
    }
    return copied;
}

fs::path storablePresetsFolder(const fs::path& preferred, const fs::path& fallback)
{
    if (isStorableRegString(preferred.string()))
        return preferred;
    // The store keeps one value per line; a folder name with a line break cannot be kept,
    // and presets copied to a folder the store does not name would never be used.
    const bool fallbackStorable = isStorableRegString(fallback.string());
    std::fprintf(stderr, "opal-revel: the presets folder \"%s\" has a line break in its name and cannot be stored; %s\n",
        preferred.c_str(), fallbackStorable ? ("using " + fallback.string() + " instead").c_str() : "keeping no presets folder");
    return fallbackStorable ? fallback : fs::path();
}

bool runFirstRunStep(KeyStore& store, const fs::path& storeFile, const fs::path& installedDir,
    const fs::path& preferredPresetsDir, const fs::path& fallbackPresetsDir)
{
    std::error_code error;
    // Anything at the store's path, even a broken link, means the user has run before.
    // A path that cannot be examined counts as present: the step must never run twice.
    if (fs::symlink_status(storeFile, error).type() != fs::file_type::not_found)
        return false;

    const fs::path presetsDir = storablePresetsFolder(preferredPresetsDir, fallbackPresetsDir);
    // The presets first: should storing the key fail, the next run tries again and skips
    // the files already copied.
    if (!presetsDir.empty() && ensureFolder(presetsDir) && !installedDir.empty())
        copySamplePresets(installedDir / "presets", presetsDir);

    const KeyHandle key = store.openKey(PathsKeyPath, true);
    if (key == kNoKey)
        return false;
    // Each value on its own: a folder that cannot be stored must not cost the other one.
    bool written = store.writeString(key, "InstalledDir", installedDir.string());
    written = !presetsDir.empty() && store.writeString(key, "PresetsDir", presetsDir.string()) && written;
    return store.closeKey(key) && written;
}
