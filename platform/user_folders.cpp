#include "platform/user_folders.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return "/tmp";
}

// The convention ignores relative values, which would otherwise follow the working folder.
fs::path absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return value;
}

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace

fs::path userConfigHome()
{
    fs::path folder = absoluteVariable("XDG_CONFIG_HOME");
    return folder.empty() ? homeFolder() / ".config" : folder;
}

fs::path userDataHome()
{
    fs::path folder = absoluteVariable("XDG_DATA_HOME");
    return folder.empty() ? homeFolder() / ".local" / "share" : folder;
}

fs::path userRuntimeDir()
{
    return absoluteVariable("XDG_RUNTIME_DIR");
}

fs::path opalConfigFolder()
{
    return userConfigHome() / "opal-revel";
}

fs::path defaultPresetsFolder()
{
    return userDataHome() / "opal-revel" / "presets";
}

fs::path fallbackPresetsFolder()
{
    return homeFolder() / ".local" / "share" / "opal-revel" / "presets";
}

fs::path opalRuntimeFolder()
{
    fs::path folder = userRuntimeDir();
    return folder.empty() ? opalConfigFolder() : folder;
}

fs::path installedDataFolder()
{
    // An installed program lives in <prefix>/bin; its data is in <prefix>/share/opal-revel.
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = executable.parent_path().parent_path() / "share" / "opal-revel";
        if (executable.parent_path().filename() == "bin" && isFolder(installed))
            return installed;
    }
#ifdef OPAL_SOURCE_DATA_DIR
    if (isFolder(OPAL_SOURCE_DATA_DIR))
        return OPAL_SOURCE_DATA_DIR;
#endif
#ifdef OPAL_INSTALL_DATA_DIR
    if (isFolder(OPAL_INSTALL_DATA_DIR))
        return OPAL_INSTALL_DATA_DIR;
#endif
    return {};
}

bool ensureFolder(const fs::path& folder)
{
    if (folder.empty())
        return false;
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    fs::create_directories(folder, error);
    if (error)
        return false;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    return fs::is_directory(folder, error);
}
