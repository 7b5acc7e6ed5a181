#include "editor/preset_choice.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "presets/preset.h"
#include "presets/preset_library.h"
#include "presets/settings.h"

namespace fs = std::filesystem;

namespace {

// Why a listed file could not be read, looked at after the failed load.
std::string unreadableReason(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return "the file no longer exists";
    if (!fs::is_regular_file(status))
        return "it is not a file";
    if (::access(path.c_str(), R_OK) != 0)
        return std::strerror(errno);
    return "it is not a valid preset file";
}

// Why a save failed, looked at after the failed write. writeError is errno as the write left it.
std::string unsavableReason(const fs::path& target, int writeError)
{
    std::error_code error;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (fs::is_directory(target, error))
        return "a folder of that name is in the way";
    if (!fs::is_directory(folder, error))
        return "the folder " + folder.string() + " does not exist";
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder is read-only (" + std::string(std::strerror(errno)) + ")";
    if (fs::exists(target, error) && ::access(target.c_str(), W_OK) != 0)
        return "the existing file is write-protected (" + std::string(std::strerror(errno)) + ")";
    if (writeError != 0)
        return std::strerror(writeError);
    return "the file could not be written";
}

} // namespace

std::vector<std::string> RescanPresets(PresetLibrary& library)
{
    library.Scan();
    return { library.Names.begin(), library.Names.begin() + library.Count };
}

PresetChoice ChoosePreset(PresetLibrary& library, PresetMove move, int32_t line)
{
    PresetChoice choice;
    if (library.Count == 0 || (move == PresetMove::Line && (line < 0 || line >= library.Count)))
        return choice;
    switch (move) {
    case PresetMove::Previous:
        choice.line = library.Step(false);
        break;
    case PresetMove::Next:
        choice.line = library.Step(true);
        break;
    case PresetMove::Random:
        choice.line = library.PickRandom();
        break;
    case PresetMove::Line:
        library.Select(line);
        choice.line = library.Index;
        break;
    }
    choice.moved = true;
    choice.loaded = library.Loaded;
    if (!choice.loaded) {
        const std::string& name = library.Names[static_cast<std::size_t>(choice.line)];
        choice.error = "The preset \"" + name + "\" could not be read: "
            + unreadableReason(PresetPath(Settings.PresetsDir, name)) + ". The picture was left as it was.";
    }
    return choice;
}

fs::path PresetSaveTarget(const fs::path& chosen)
{
    // A name that ends in a slash names a folder; the save refuses it with that reason.
    if (!chosen.has_filename() || IsPresetFileName(chosen.filename().string()))
        return chosen;
    fs::path target = chosen;
    target += ".vhp";
    return target;
}

bool SavePresetAs(const fs::path& target, Preset& preset, std::string& reason)
{
    std::ostringstream block(std::ios::binary);
    WritePreset(preset, block);
    errno = 0;
    if (WriteFileAtomically(target, block.view())) {
        reason.clear();
        return true;
    }
    const int writeError = errno;
    reason = "The preset could not be saved as " + target.string() + ": " + unsavableReason(target, writeError) + ".";
    return false;
}
