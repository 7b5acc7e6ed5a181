#include "presets/first_run.h"

#include <system_error>

#include "platform/key_store.h"
#include "platform/user_folders.h"
#include "presets/preset.h"
#include "presets/settings.h"

namespace fs = std::filesystem;

int CopySamplePresets(const fs::path& from, const fs::path& to)
{
    int copied = 0;
    std::error_code error;
    for (const std::string& name : ListPresetNames(from.string(), SIZE_MAX)) {
        const fs::path source = from / name;
        if (!fs::is_regular_file(source, error))
            continue;
        if (fs::copy_file(source, to / name, fs::copy_options::skip_existing, error) && !error)
            ++copied;
    }
    return copied;
}

bool RunFirstRunStep(
    KeyStore& store, const fs::path& storeFile, const fs::path& installedDir, const fs::path& presetsDir)
{
    std::error_code error;
    // Anything at the store's path, even a broken link, means the user has run before.
    // A path that cannot be examined counts as present: the step must never run twice.
    if (fs::symlink_status(storeFile, error).type() != fs::file_type::not_found)
        return false;

    // The presets first: should storing the key fail, the next run tries again and skips
    // the files already copied.
    if (EnsureFolder(presetsDir) && !installedDir.empty())
        CopySamplePresets(installedDir / "presets", presetsDir);

    const KeyHandle key = store.OpenKey(PathsKeyPath, true);
    if (key == kNoKey)
        return false;
    const bool written = store.WriteString(key, "InstalledDir", installedDir.string())
        && store.WriteString(key, "PresetsDir", presetsDir.string());
    return store.CloseKey(key) && written;
}
