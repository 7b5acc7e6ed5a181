#include "editor/preset_choice.h"

#include <algorithm>
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

} // namespace

std::vector<std::string> rescanPresets(PresetLibrary& library)
{
    library.scan();
    return { library.names.begin(), library.names.begin() + library.count };
}

PresetChoice choosePreset(PresetLibrary& library, PresetMove move, int32_t line)
{
    PresetChoice choice;
    if (library.count == 0 || (move == PresetMove::Line && (line < 0 || line >= library.count)))
        return choice;
    switch (move) {
    case PresetMove::Previous:
        choice.line = library.step(false);
        break;
    case PresetMove::Next:
        choice.line = library.step(true);
        break;
    case PresetMove::Random:
        choice.line = library.pickRandom();
        break;
    case PresetMove::Line:
        library.select(line);
        choice.line = library.index;
        break;
    }
    choice.moved = true;
    choice.loaded = library.loaded;
    if (!choice.loaded) {
        const std::string& name = library.names[static_cast<std::size_t>(choice.line)];
        choice.error = "The preset \"" + name + "\" could not be read: "
            + unreadableReason(presetPath(library.folder(), name)) + ". The picture was left as it was.";
    }
    return choice;
}

fs::path presetSaveTarget(const fs::path& chosen)
{
    const std::string name = chosen.filename().string();
    if (chosen.has_filename()
        && std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
        return {};
    // A name that ends in a slash names a folder; the save refuses it with that reason.
    if (!chosen.has_filename() || isPresetFileName(chosen.filename().string()))
        return chosen;
    fs::path target = chosen;
    target += ".vhp";
    return target;
}

std::string presetsFolderProblem(const std::string& folder)
{
    std::error_code error;
    if (folder.empty() || fs::is_directory(folder, error))
        return {};
    const std::string quoted = "The presets folder \"" + folder + "\" ";
    if (fs::exists(folder, error))
        return quoted + "is a file, not a folder. Choose a folder on the Options page.";
    return quoted + "does not exist. Choose a folder on the Options page.";
}

fs::path presetSaveFolder(const std::string& presetsFolder)
{
    std::error_code error;
    fs::path folder = presetsFolder;
    while (!folder.empty() && !fs::is_directory(folder, error)) {
        const fs::path parent = folder.parent_path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return folder;
}

std::string presetsFolderAfterSave(const std::string& presetsFolder, const fs::path& target)
{
    if (presetsFolderProblem(presetsFolder).empty())
        return presetsFolder;
    return target.parent_path().string();
}

bool savePresetAs(const fs::path& target, Preset& preset, std::string& reason)
{
    std::ostringstream block(std::ios::binary);
    writePreset(preset, block);
    errno = 0;
    if (writeFileAtomically(target, block.view())) {
        reason.clear();
        return true;
    }
    const int writeError = errno;
    reason = "The preset could not be saved as " + target.string() + ": " + writeFailureReason(target, writeError) + ".";
    return false;
}
